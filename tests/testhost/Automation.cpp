#include "testhost/Automation.h"

#include <algorithm>
#include <chrono>

namespace lumbra::testhost {

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;  // the static text of a message box

struct Search {
  std::vector<HWND> boxes;
};

BOOL CALLBACK CollectMessageBoxes(HWND window, LPARAM context) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
  wchar_t className[32] = {};
  GetClassNameW(window, className, 32);
  if (std::wstring(className) == L"#32770" && GetDlgItem(window, kMessageBoxTextId))
    reinterpret_cast<Search*>(context)->boxes.push_back(window);
  return TRUE;
}

}  // namespace

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

MessageBoxWatcher::MessageBoxWatcher(WPARAM button) : button_(button), thread_([this] { Run(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
  stop_ = true;
  thread_.join();
}

void MessageBoxWatcher::Run() {
  while (!stop_) {
    {
      // A window handle may come back for a later box once the first one is gone.
      std::lock_guard lock(mutex_);
      std::erase_if(answered_, [](HWND box) { return !IsWindow(box); });
    }
    Search search;
    EnumWindows(CollectMessageBoxes, reinterpret_cast<LPARAM>(&search));
    for (HWND box : search.boxes) {
      std::lock_guard lock(mutex_);
      if (std::find(answered_.begin(), answered_.end(), box) != answered_.end()) continue;
      answered_.push_back(box);
      seen_.push_back({WindowText(box), WindowText(GetDlgItem(box, kMessageBoxTextId)), GetWindow(box, GW_OWNER)});
      PostMessageW(box, WM_COMMAND, button_, 0);
    }
    Sleep(15);
  }
}

std::vector<SeenMessageBox> MessageBoxWatcher::Seen() const {
  std::lock_guard lock(mutex_);
  return seen_;
}

bool MessageBoxWatcher::WaitFor(size_t count, int milliseconds) const {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    if (Seen().size() >= count) return true;
    Sleep(10);
  }
  return false;
}

}  // namespace lumbra::testhost
