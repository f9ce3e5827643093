// Driving the plug-in's windows from the host's side, as a person would: answering message
// boxes from another thread, and pressing the progress bar's button when its caption shows a
// given text.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
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

 private:
  void Run();
  WPARAM button_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<SeenMessageBox> seen_;
  std::vector<HWND> answered_;
  std::thread thread_;
};

// Runs `script` on a thread of its own as soon as a visible window of this process with the
// given caption appears (within `timeoutMilliseconds`); the script drives it with messages.
class WindowScript {
 public:
  WindowScript(std::wstring caption, std::function<void(HWND)> script, int timeoutMilliseconds = 20000);
  ~WindowScript();  // waits for the script to end
  WindowScript(const WindowScript&) = delete;
  WindowScript& operator=(const WindowScript&) = delete;
  bool Found() const { return found_; }

 private:
  std::atomic<bool> found_{false};
  std::thread thread_;
};

// A visible top-level window of this process with this caption, or null.
HWND FindProcessWindow(const std::wstring& caption);
// Waits up to `milliseconds` for a visible top-level window of this process with the caption.
HWND AwaitWindow(const std::wstring& caption, int milliseconds = 10000);
// Sends a button click notification for control `id` to `dialog` (from any thread).
void ClickButton(HWND dialog, int id);
// Polls `done` every 10 ms up to `milliseconds`; its last answer.
bool WaitUntil(const std::function<bool()>& done, int milliseconds = 10000);

// Text of a window.
std::wstring WindowText(HWND window);

}  // namespace lumbra::testhost
