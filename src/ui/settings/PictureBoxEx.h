// The settings dialog's preview: one image at a zoom factor over a checkerboard, with its own
// scroll bars that appear when the zoomed image does not fit, panned by dragging. It takes over
// a static control; the arithmetic lives in PreviewView.
//
// Messages (the dialog posts them):
//   kSetZoomMessage   wParam = const float*, the zoom factor (read when handled);
//   kSetImageMessage  wParam = Bitmap* from new; the box takes it over (null is ignored).
// A left click sends STN_CLICKED to the parent.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>

#include "engine/Bitmap.h"
#include "ui/framework/Window.h"
#include "ui/settings/model/PreviewView.h"

namespace lumbra {

class CPictureBoxEx : public CWindow {
 public:
  static constexpr UINT kSetZoomMessage = WM_USER + 101;
  static constexpr UINT kSetImageMessage = WM_USER + 102;

  CPictureBoxEx();
  ~CPictureBoxEx() override;

  void SetZoom(float zoom);
  void SetImage(std::unique_ptr<Bitmap> image);
  // The cursor's position, in pixels of the image.
  void ClientToImage(POINT& point) const;
  void UpdateView(int horizontal, int vertical);
  void RecreateBuffer();

  float Zoom() const { return view_.Zoom(); }
  const Bitmap* Image() const { return image_.get(); }
  int ImagesShown() const { return imagesShown_.load(); }

 protected:
  void OnAttached() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void PlaceBars();
  void Paint();
  void OnScroll(HWND bar, ScrollAxis axis, WPARAM wParam);
  void UpdateCursor() const;

  std::unique_ptr<Bitmap> buffer_;
  std::unique_ptr<Bitmap> image_;
  Bitmap checkerboard_;
  PreviewView view_;  // zoom, offsets, drag state
  HWND horizontalBar_ = nullptr;
  HWND verticalBar_ = nullptr;
  HCURSOR addCursor_ = nullptr;
  std::atomic<int> imagesShown_{0};
};

}  // namespace lumbra
