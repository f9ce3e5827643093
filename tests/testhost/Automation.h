// Driving the plug-in's windows from the host's side, as a person would: answering message
// boxes from another thread, and pressing the progress bar's button when its caption shows a
// given text.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumbra::testhost {

struct SeenMessageBox {
  std::wstring caption;
  std::wstring text;
  HWND owner = nullptr;
};

// While it lives, answers every message box of this process with `button` (IDOK, IDCANCEL,
// IDYES, IDNO) and records each one.
class MessageBoxWatcher {
 public:
  explicit MessageBoxWatcher(WPARAM button = IDOK);
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  std::vector<SeenMessageBox> Seen() const;
  // Waits up to `milliseconds` for at least `count` boxes.
  bool WaitFor(size_t count, int milliseconds = 10000) const;

 private:
  void Run();
  WPARAM button_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<SeenMessageBox> seen_;
  std::vector<HWND> answered_;
  std::thread thread_;
};

// Text of a window, and of its child with the given id.
std::wstring WindowText(HWND window);

}  // namespace lumbra::testhost
