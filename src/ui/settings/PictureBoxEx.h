// The settings dialog's preview: one image at a zoom factor over a checkerboard, with its own
// scroll bars that appear when the zoomed image does not fit, panned by dragging. It takes over
// a static control; the arithmetic lives in PreviewView.
//
// Messages (the dialog posts them):
//   kSetZoomMessage     wParam = const float*, the zoom factor (read when handled);
//   kSetImageMessage    wParam = Bitmap* from new, a picture without lines; the box takes it over
//                       (null is ignored);
//   kSetPictureMessage  wParam = PreviewPicture* from new, taken over; one of an older
//                       generation than the picture shown is dropped.
// A left click sends STN_CLICKED to the parent.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <optional>

#include "engine/Bitmap.h"
#include "ui/framework/Window.h"
#include "ui/settings/model/PreviewView.h"

namespace lumbra {

class CPictureBoxEx : public CWindow {
 public:
  static constexpr UINT kSetZoomMessage = WM_USER + 101;
  static constexpr UINT kSetImageMessage = WM_USER + 102;
  static constexpr UINT kSetPictureMessage = WM_USER + 103;

  // Deletes the pictures posted to the box that it has not taken yet (when it goes away).
  static void DiscardPosted(HWND box);

  CPictureBoxEx();
  ~CPictureBoxEx() override;

  void SetZoom(float zoom);
  void SetImage(std::unique_ptr<Bitmap> image);
  void SetPicture(std::unique_ptr<PreviewPicture> picture);
  // The cursor's position, in pixels of the image.
  void ClientToImage(POINT& point) const;
  void UpdateView(int horizontal, int vertical);
  void RecreateBuffer();

  float Zoom() const { return view_.Zoom(); }
  // The part of the zoomed picture the box shows, in its pixels, when it shows one at this zoom;
  // otherwise an empty part.
  ViewRect ShownPart(float zoom) const;
  // The picture shown (read on the box's thread, or once it is gone).
  const PreviewPicture& Picture() const { return picture_; }
  // From any thread: pictures taken so far, and the generation and lines' scale of the shown one.
  int ImagesShown() const { return imagesShown_.load(); }
  int ShownGeneration() const { return shownGeneration_.load(); }
  double ShownLinesScale() const { return shownLinesScale_.load(); }

 protected:
  void OnAttached() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void PlaceBars();
  void Paint();
  void OnScroll(HWND bar, ScrollAxis axis, WPARAM wParam);
  void UpdateCursor() const;

  std::unique_ptr<Bitmap> buffer_;
  PreviewPicture picture_;
  PreviewComposer composer_;
  Bitmap checkerboard_;
  PreviewView view_;  // zoom, offsets, drag state
  HWND horizontalBar_ = nullptr;
  HWND verticalBar_ = nullptr;
  std::optional<PreviewBar> appliedHorizontal_;  // what each bar was last set to
  std::optional<PreviewBar> appliedVertical_;
  HCURSOR addCursor_ = nullptr;
  std::atomic<int> imagesShown_{0};
  std::atomic<int> shownGeneration_{0};
  std::atomic<double> shownLinesScale_{0.0};
};

}  // namespace lumbra
