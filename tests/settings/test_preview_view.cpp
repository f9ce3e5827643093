// The preview box's arithmetic: bars, ranges, centring, scroll requests, dragging, drawing.
#include <gtest/gtest.h>

#include <memory>

#include "ui/settings/model/PreviewView.h"

namespace lumbra {
namespace {

constexpr int kBar = 17;
constexpr uint32_t kFace = 0xFFF0F0F0u;

// A box of window size w x h (a view of w - 2 by h - 2) showing an iw x ih image at `zoom`.
PreviewView View(int w, int h, int iw, int ih, float zoom) {
  PreviewView view;
  view.SetWindowSize(w, h);
  view.SetBarThickness(kBar, kBar);
  view.SetImageSize(iw, ih);
  view.SetZoom(zoom);
  view.Update(0, 0);
  return view;
}

TEST(PreviewView, WideImageScrollsToItsEdgeWhenTheVerticalBarIsHidden) {
  PreviewView view = View(502, 302, 1000, 100, 1.0f);
  const PreviewLayout& l = view.Layout();
  EXPECT_TRUE(l.horizontal.shown);
  EXPECT_FALSE(l.vertical.shown);
  EXPECT_EQ(l.horizontal.page, 500);
  EXPECT_EQ(l.horizontal.maximum, 999);
  EXPECT_EQ(l.horizontal.width, 500);  // the whole view, no vertical bar beside it
  EXPECT_EQ(l.vertical.height, 300 - kBar);
  EXPECT_EQ(l.yOffset, 100);
  view.Update(10000, 40);
  EXPECT_EQ(view.HorizontalPosition(), 500);
  EXPECT_EQ(view.VerticalPosition(), 0);
  EXPECT_FLOAT_EQ(l.source.x, 500);
  view.Update(-5, 0);
  EXPECT_EQ(view.HorizontalPosition(), 0);
  // Zoomed out, the page counts image pixels and the image is smoothed.
  view = View(202, 152, 2000, 100, 0.5f);
  EXPECT_EQ(view.Layout().horizontal.page, 400);
  EXPECT_EQ(view.Layout().horizontal.limit, 800);
  EXPECT_EQ(view.Layout().interpolation, InterpolationMode::HighQuality);
}

TEST(PreviewView, SmallImageIsCentredOverTheCheckerboard) {
  PreviewView view = View(202, 152, 40, 30, 2.0f);
  const PreviewLayout& l = view.Layout();
  EXPECT_FALSE(l.horizontal.shown || l.vertical.shown);
  EXPECT_EQ(l.checker, (ViewRect{60, 45, 80, 60}));
  EXPECT_EQ(View(202, 152, 41, 31, 1.0f).Layout().xOffset, 79);  // halves truncate

  // The checkerboard is tiled from the buffer's corner, under the image only.
  Bitmap buffer(200, 150, PixelFormat::Rgb32);
  auto image = std::make_shared<Bitmap>(40, 30);
  image->SetPixel(39, 0, 0xFF123456u);
  PreviewComposer().Draw(buffer, l, view.Zoom(), PreviewPicture{image, nullptr, 1.0, 0}, MakeCheckerboard(), kFace);
  EXPECT_EQ(buffer.GetPixel(59, 45), kFace);
  EXPECT_EQ(buffer.GetPixel(60, 45), 0xFFFFFFFFu);  // square (4, 3)
  EXPECT_EQ(buffer.GetPixel(75, 45), PreviewView::kCheckerGrey);
  EXPECT_EQ(buffer.GetPixel(60 + 78, 45 + 1), 0xFF123456u);  // image pixel (39, 0) at twice its size
  EXPECT_EQ(buffer.GetPixel(140, 45), kFace);
}

// Zoomed out and scrolled, the box shows the picture with the lines at the zoom from that scroll
// position on, whether the lines come at full size or already at the zoom.
TEST(PreviewView, ZoomedOutTheShownPartIsThePictureWithItsLinesAtTheZoom) {
  PreviewView view = View(202, 152, 800, 600, 0.5f);
  view.Update(30, 40);
  const PreviewLayout& l = view.Layout();
  auto base = std::make_shared<Bitmap>(800, 600);
  auto lines = std::make_shared<Bitmap>(800, 600), small = std::make_shared<Bitmap>(400, 300);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) base->SetPixel(x, y, 0xFF000000u | static_cast<uint32_t>(x / 2 * 3) << 8 | y / 2);
  // Opaque blocks of 2 x 2 pixels: one zoomed pixel each.
  for (int y = 100; y < 200; ++y)
    for (int x = 80; x < 160; ++x) lines->SetPixel(x, y, 0xFFFF0000u);
  for (int y = 50; y < 100; ++y)
    for (int x = 40; x < 80; ++x) small->SetPixel(x, y, 0xFFFF0000u);
  // The quick lines of only a part of the zoomed picture, from (60, 70) on.
  auto part = std::make_shared<Bitmap>(50, 40);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 50; ++x) part->SetPixel(x, y, small->GetPixel(60 + x, 70 + y));
  PreviewComposer composer;
  Bitmap buffer(200, 150, PixelFormat::Rgb32), quick(200, 150, PixelFormat::Rgb32);
  Bitmap partly(200, 150, PixelFormat::Rgb32), otherZoom(200, 150, PixelFormat::Rgb32);
  composer.Draw(buffer, l, 0.5f, PreviewPicture{base, lines, 1.0, 1}, MakeCheckerboard(), kFace);
  composer.Draw(quick, l, 0.5f, PreviewPicture{base, small, 0.5, 1}, MakeCheckerboard(), kFace);
  composer.Draw(partly, l, 0.5f, PreviewPicture{base, part, 0.5, 1, {60, 70}}, MakeCheckerboard(), kFace);
  // A part drawn at another zoom is not shown at this one.
  composer.Draw(otherZoom, l, 0.5f, PreviewPicture{base, part, 0.25, 1, {60, 70}}, MakeCheckerboard(), kFace);
  for (int j = 0; j < 150 - kBar; ++j)
    for (int i = 0; i < 200 - kBar; ++i) {
      const int u = 30 + i, v = 40 + j;  // zoomed pixel shown at (i, j)
      const bool line = u >= 40 && u < 80 && v >= 50 && v < 100;
      const uint32_t expected = line ? 0xFFFF0000u : 0xFF000000u | static_cast<uint32_t>(u * 3) << 8 | v;
      ASSERT_EQ(buffer.GetPixel(i, j), expected) << i << "," << j;
      ASSERT_EQ(quick.GetPixel(i, j), expected) << i << "," << j;
      const bool inPart = u >= 60 && u < 110 && v >= 70 && v < 110;
      const uint32_t picture = 0xFF000000u | static_cast<uint32_t>(u * 3) << 8 | v;
      ASSERT_EQ(partly.GetPixel(i, j), inPart ? expected : picture) << i << "," << j;
      ASSERT_EQ(otherZoom.GetPixel(i, j), picture) << i << "," << j;
    }
}

TEST(PreviewView, ScrollRequestsMoveByTheirStepsWithinTheLimit) {
  PreviewView view = View(202, 152, 1000, 1000, 1.0f);
  EXPECT_EQ(view.Layout().horizontal.limit, 1000 - (200 - kBar));
  EXPECT_EQ(view.Layout().vertical.limit, 1000 - (150 - kBar));
  view.Update(100, 100);
  const auto h = [&](ScrollRequest r, int track = 0) { return view.Scrolled(ScrollAxis::Horizontal, r, track); };
  const auto v = [&](ScrollRequest r, int track = 0) { return view.Scrolled(ScrollAxis::Vertical, r, track); };
  EXPECT_EQ(h(ScrollRequest::PageForward), 110);
  EXPECT_EQ(v(ScrollRequest::PageForward), 150);
  EXPECT_EQ(v(ScrollRequest::PageBack), 50);
  EXPECT_EQ(h(ScrollRequest::LineBack), 90);
  EXPECT_EQ(h(ScrollRequest::ThumbTrack, 345), 345);
  EXPECT_EQ(v(ScrollRequest::ThumbTrack, 5000), 867);
  EXPECT_EQ(h(ScrollRequest::Top), 0);
  EXPECT_EQ(h(ScrollRequest::Bottom), 817);
  EXPECT_EQ(v(ScrollRequest::Other), 100);
  view.Update(5, 0);
  EXPECT_EQ(h(ScrollRequest::PageBack), 0);
}

TEST(PreviewView, DraggingPansAgainstTheMouseOnEnabledAxes) {
  PreviewView view = View(202, 152, 1000, 1000, 1.0f);
  view.Update(100, 100);
  EXPECT_FALSE(view.Press(50, 50, false, false));
  EXPECT_FALSE(view.Press(0, 50, true, true));  // on the frame
  EXPECT_EQ(view.Cursor(true), PreviewCursor::Arrow);
  ASSERT_TRUE(view.Press(201, 151, true, true));
  EXPECT_EQ(view.Cursor(false), PreviewCursor::Move);
  EXPECT_EQ(view.Cursor(true), PreviewCursor::Add);
  EXPECT_EQ(view.DragTo(181, 161, true, true), (std::pair{120, 90}));
  EXPECT_EQ(view.DragTo(171, 121, false, true), (std::pair{100, 140}));
  view.Release();
  EXPECT_FALSE(view.Dragging());
}

TEST(PreviewView, ClientPointsMapToImagePixelsAtAtLeastAHundredthZoom) {
  PreviewView centred = View(202, 152, 40, 30, 2.0f);  // image from (60, 45)
  EXPECT_EQ(centred.ClientToImage(79, 50), (Point{9, 2}));
  EXPECT_EQ(centred.ClientToImage(57, 44), (Point{-1, 0}));  // toward zero
  PreviewView scrolled = View(202, 152, 1000, 1000, 4.0f);
  scrolled.Update(400, 81);
  EXPECT_EQ(scrolled.ClientToImage(3, 3), (Point{100, 21}));
  scrolled.SetZoom(0.001f);
  EXPECT_FLOAT_EQ(scrolled.Zoom(), 0.01f);
  PreviewView empty;
  EXPECT_FALSE(empty.Update(10, 10));
}

}  // namespace
}  // namespace lumbra
