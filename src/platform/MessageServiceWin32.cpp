#include "platform/MessageServiceWin32.h"

#include <windows.h>

#include <string>

namespace lumbra {
namespace {

HWND g_owner = nullptr;

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
  return wide;
}

}  // namespace

void SetMessageOwner(void* window) { g_owner = static_cast<HWND>(window); }
void* MessageOwner() { return g_owner; }

MessageAnswer Win32MessageService::Show(std::string_view text, std::string_view caption, MessageIcon icon,
                                        MessageButtons buttons) {
  UINT type = 0;
  switch (icon) {
    case MessageIcon::None: break;
    case MessageIcon::Information: type |= MB_ICONINFORMATION; break;
    case MessageIcon::Warning: type |= MB_ICONWARNING; break;
    case MessageIcon::Error: type |= MB_ICONERROR; break;
    case MessageIcon::Question: type |= MB_ICONQUESTION; break;
  }
  switch (buttons) {
    case MessageButtons::Ok: type |= MB_OK; break;
    case MessageButtons::OkCancel: type |= MB_OKCANCEL; break;
    case MessageButtons::YesNo: type |= MB_YESNO; break;
    case MessageButtons::YesNoCancel: type |= MB_YESNOCANCEL; break;
  }
  // An owner that has been destroyed would make the box ownerless anyway; say so plainly.
  HWND owner = (g_owner && IsWindow(g_owner)) ? g_owner : nullptr;
  switch (MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), type)) {
    case IDOK: return MessageAnswer::Ok;
    case IDYES: return MessageAnswer::Yes;
    case IDNO: return MessageAnswer::No;
    default: return MessageAnswer::Cancel;
  }
}

MessageService& PlatformMessageService() {
  static Win32MessageService service;
  return service;
}

}  // namespace lumbra
