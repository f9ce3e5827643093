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

namespace {

struct CaptionSearch {
  std::wstring caption;
  HWND found = nullptr;
};

BOOL CALLBACK FindByCaption(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<CaptionSearch*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) && WindowText(window) == search->caption) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND FindProcessWindow(const std::wstring& caption) {
  CaptionSearch search{caption};
  EnumWindows(FindByCaption, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND AwaitWindow(const std::wstring& caption, int milliseconds) {
  HWND window = nullptr;
  WaitUntil([&] { return (window = FindProcessWindow(caption)) != nullptr; }, milliseconds);
  return window;
}

void ClickButton(HWND dialog, int id) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool WaitUntil(const std::function<bool()>& done, int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return done();
    Sleep(10);
  }
  return true;
}

WindowScript::WindowScript(std::wstring caption, std::function<void(HWND)> script, int timeoutMilliseconds)
    : thread_([this, caption = std::move(caption), script = std::move(script), timeoutMilliseconds] {
        HWND window = AwaitWindow(caption, timeoutMilliseconds);
        if (!window) return;
        found_ = true;
        script(window);
      }) {}

WindowScript::~WindowScript() { thread_.join(); }

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



}  // namespace lumbra::testhost
