#include "ui/framework/Dpi.h"

namespace lumbra {

namespace {

using SetContext = void*(WINAPI*)(void*);
// DPI_AWARENESS_CONTEXT_SYSTEM_AWARE
void* const kSystemAware = reinterpret_cast<void*>(static_cast<intptr_t>(-2));

SetContext SetThreadContext() {
  // Windows 10 1607 and later; older systems keep their own behaviour.
  static const SetContext set = reinterpret_cast<SetContext>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
  return set;
}

}  // namespace

ScopedSystemDpiAwareness::ScopedSystemDpiAwareness() {
  if (SetContext set = SetThreadContext()) previous_ = set(kSystemAware);
}

ScopedSystemDpiAwareness::~ScopedSystemDpiAwareness() {
  if (SetContext set = SetThreadContext(); set && previous_) set(previous_);
}

int WindowDpi(HWND window) {
  HDC dc = GetDC(window);
  const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
  if (dc) ReleaseDC(window, dc);
  return dpi > 0 ? dpi : 96;
}

}  // namespace lumbra
