// The dialogs at the screen's DPI. Hosts run at whatever DPI awareness they chose; our windows ask
// for the system DPI on their own thread while they are open, so that Windows lays out their
// templates in larger fonts instead of stretching a 96-DPI bitmap of them, and the pixel sizes
// the code sets are scaled to match.
#pragma once

#include <windows.h>

namespace lumbra {

// While it lives, windows created on this thread are system-DPI aware (where Windows offers it).
class ScopedSystemDpiAwareness {
 public:
  ScopedSystemDpiAwareness();
  ~ScopedSystemDpiAwareness();
  ScopedSystemDpiAwareness(const ScopedSystemDpiAwareness&) = delete;
  ScopedSystemDpiAwareness& operator=(const ScopedSystemDpiAwareness&) = delete;

 private:
  void* previous_ = nullptr;
};

// The DPI `window` is drawn at (96 when it cannot be told).
int WindowDpi(HWND window);
// A length given for 96 DPI, at `dpi`.
inline int ScaleForDpi(int pixelsAt96, int dpi) { return MulDiv(pixelsAt96, dpi, 96); }

}  // namespace lumbra
