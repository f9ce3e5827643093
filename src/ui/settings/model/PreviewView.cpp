#include "ui/settings/model/PreviewView.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

#include "engine/RasterPaint.h"
#include "engine/Resample.h"

namespace lumbra {
namespace {

// Truncation toward zero, held within a billion pixels either way so that the sums below stay
// inside int whatever zoom arrives.
int Trunc(float value) {
  if (std::isnan(value)) return 0;
  return static_cast<int>(std::clamp(value, -1e9f, 1e9f));
}

// The largest position a bar accepts for the range 0..maximum and the page, as the system
// works it out: a range below its minimum becomes 0..0, a page larger than the range shrinks
// to it.
int ScrollLimit(int maximum, int page) {
  if (maximum <= 0) return 0;
  const int fitted = std::min(page, maximum + 1);
  return maximum - std::max(fitted - 1, 0);
}

// Range, page and clamped position of a bar; `excess` is how far the zoomed image reaches
// beyond the part of the view the bar scrolls.
void SetRange(PreviewBar& bar, int excess, int page, int wished) {
  bar.page = page;
  bar.maximum = excess + page - 1;
  bar.limit = ScrollLimit(bar.maximum, page);
  bar.position = std::clamp(wished, 0, bar.limit);
}

}  // namespace

Bitmap MakeCheckerboard() {
  Bitmap tile(30, 30, PixelFormat::Rgb32);
  Graphics graphics(tile);
  graphics.Clear(0xFFFFFFFFu);
  const Brush grey = Brush::Solid(PreviewView::kCheckerGrey);
  graphics.FillRectangle(grey, 0, 0, 15, 15);
  graphics.FillRectangle(grey, 15, 15, 15, 15);
  return tile;
}

void PreviewView::SetWindowSize(int width, int height) {
  windowWidth_ = width;
  windowHeight_ = height;
}

void PreviewView::SetBarThickness(int verticalWidth, int horizontalHeight) {
  barWidth_ = verticalWidth;
  barHeight_ = horizontalHeight;
}

void PreviewView::SetImageSize(int width, int height) {
  imageWidth_ = width;
  imageHeight_ = height;
  hasImage_ = true;
}

void PreviewView::SetZoom(float zoom) { zoom_ = zoom >= kMinZoom ? zoom : kMinZoom; }

ViewRect PreviewView::VerticalBarHome() const {
  return {windowWidth_ - barWidth_ - 1, 1, barWidth_, windowHeight_ - barHeight_ - 2};
}

ViewRect PreviewView::HorizontalBarHome() const {
  return {1, windowHeight_ - barHeight_ - 1, windowWidth_ - barWidth_ - 2, barHeight_};
}

bool PreviewView::Update(int horizontal, int vertical) {
  if (!hasImage_) return false;
  const int rw = viewWidth(), rh = viewHeight();
  PreviewLayout& l = layout_;

  // A bar shows when the zoomed image does not fit beside the other bar's place; it then takes
  // its thickness from the other bar's length.
  const int zw = Trunc(static_cast<float>(imageWidth_) * zoom_);
  l.horizontal.shown = zw > rw - barWidth_;
  const int hb = l.horizontal.shown ? barHeight_ : 0;
  l.xOffset = l.horizontal.shown ? 0 : (rw - zw) / 2;
  l.vertical.width = barWidth_;
  l.vertical.height = std::max(rh - hb, 0);

  const int zh = Trunc(static_cast<float>(imageHeight_) * zoom_);
  l.vertical.shown = zh > rh - barHeight_;
  const int vb = l.vertical.shown ? barWidth_ : 0;
  l.yOffset = l.vertical.shown ? 0 : (rh - zh) / 2;
  l.horizontal.width = std::max(rw - vb, 0);
  l.horizontal.height = barHeight_;

  SetRange(l.horizontal, zw - rw + vb, Trunc(static_cast<float>(rw) / zoom_), horizontal);
  SetRange(l.vertical, zh - rh + hb, Trunc(static_cast<float>(rh) / zoom_), vertical);

  l.zoomedWidth = zw;
  l.zoomedHeight = zh;
  l.checker = {l.xOffset, l.yOffset, std::min(zw, rw), std::min(zh, rh)};
  l.interpolation = zoom_ >= 1.0f ? InterpolationMode::NearestNeighbor : InterpolationMode::HighQuality;
  const int shownWidth = rw - vb, shownHeight = rh - hb;
  l.dest = {static_cast<float>(l.xOffset), static_cast<float>(l.yOffset), static_cast<float>(shownWidth),
            static_cast<float>(shownHeight)};
  l.source = {static_cast<float>(Trunc(static_cast<float>(l.horizontal.position) / zoom_)),
              static_cast<float>(Trunc(static_cast<float>(l.vertical.position) / zoom_)),
              static_cast<float>(Trunc(static_cast<float>(shownWidth) / zoom_)),
              static_cast<float>(Trunc(static_cast<float>(shownHeight) / zoom_))};
  return true;
}

int PreviewView::Scrolled(ScrollAxis axis, ScrollRequest request, int track) const {
  const PreviewBar& bar = axis == ScrollAxis::Horizontal ? layout_.horizontal : layout_.vertical;
  const int page = axis == ScrollAxis::Horizontal ? 10 : 50;
  int position = bar.position;
  switch (request) {
    case ScrollRequest::LineBack: position -= 10; break;
    case ScrollRequest::LineForward: position += 10; break;
    case ScrollRequest::PageBack: position -= page; break;
    case ScrollRequest::PageForward: position += page; break;
    case ScrollRequest::ThumbTrack: position = track; break;
    case ScrollRequest::Top: position = 0; break;
    case ScrollRequest::Bottom: position = bar.limit; break;
    case ScrollRequest::Other: break;
  }
  return std::clamp(position, 0, bar.limit);
}

bool PreviewView::Press(int x, int y, bool horizontalEnabled, bool verticalEnabled) {
  if (!horizontalEnabled && !verticalEnabled) return false;
  if (x < 1 || y < 1 || x > windowWidth_ - 1 || y > windowHeight_ - 1) return false;
  dragging_ = true;
  lastX_ = x;
  lastY_ = y;
  return true;
}

std::pair<int, int> PreviewView::DragTo(int x, int y, bool horizontalEnabled, bool verticalEnabled) {
  int horizontal = HorizontalPosition(), vertical = VerticalPosition();
  if (horizontalEnabled) horizontal += lastX_ - x;
  if (verticalEnabled) vertical += lastY_ - y;
  lastX_ = x;
  lastY_ = y;
  return {horizontal, vertical};
}

PreviewCursor PreviewView::Cursor(bool ctrlHeld) const {
  if (!dragging_) return PreviewCursor::Arrow;
  return ctrlHeld ? PreviewCursor::Add : PreviewCursor::Move;
}

Point PreviewView::ClientToImage(int x, int y) const {
  const int sx = x + HorizontalPosition() - layout_.xOffset;
  const int sy = y + VerticalPosition() - layout_.yOffset;
  return {Trunc(static_cast<float>(sx) / zoom_), Trunc(static_cast<float>(sy) / zoom_)};
}

ViewRect PreviewLayout::Shown() const {
  const int left = horizontal.position, top = vertical.position;
  return {left, top, std::max(0, std::min(static_cast<int>(dest.width), zoomedWidth - left)),
          std::max(0, std::min(static_cast<int>(dest.height), zoomedHeight - top))};
}

void PreviewComposer::Draw(Bitmap& buffer, const PreviewLayout& layout, float zoom, const PreviewPicture& picture,
                           const Bitmap& checkerboard, uint32_t background) {
  Graphics graphics(buffer);
  graphics.Clear(background);
  const ViewRect& c = layout.checker;
  graphics.FillRectangle(Brush::Texture(checkerboard), static_cast<float>(c.x), static_cast<float>(c.y),
                         static_cast<float>(c.width), static_cast<float>(c.height));
  if (!picture.base || !picture.base->Ok()) return;

  // The shown part of the zoomed image, and where it lands in the buffer.
  const ViewRect part = layout.Shown();
  const int left = part.x, top = part.y;
  const int x0 = layout.xOffset, y0 = layout.yOffset;
  const int w = std::min(part.width, buffer.Width() - x0);
  const int h = std::min(part.height, buffer.Height() - y0);
  if (w <= 0 || h <= 0 || x0 < 0 || y0 < 0) return;
  const int threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));

  Bitmap shown(w, h);
  if (zoom < 1.0f) {
    if (zoomedFrom_ != picture.base || zoomedAt_ != zoom || zoomedBase_.Width() != layout.zoomedWidth ||
        zoomedBase_.Height() != layout.zoomedHeight) {
      zoomedBase_ = Bitmap(layout.zoomedWidth, layout.zoomedHeight);
      ZoomRegion(*picture.base, zoom, 0, 0, zoomedBase_, threads);
      zoomedFrom_ = picture.base;
      zoomedAt_ = zoom;
    }
    if (!zoomedBase_.Ok() || !shown.Ok()) return;
    for (int j = 0; j < h; ++j)
      std::memcpy(shown.Row(j), zoomedBase_.Row(top + j) + static_cast<size_t>(left) * 4, static_cast<size_t>(w) * 4);
  } else {
    zoomedBase_ = Bitmap();  // no zoomed copy at full size and above
    zoomedFrom_.reset();
    ZoomRegion(*picture.base, zoom, left, top, shown, threads);
  }
  const Bitmap* quick = picture.lines.get();
  if (quick != nullptr && quick->Ok() && std::fabs(picture.linesScale - zoom) < 1e-6) {
    // Lines drawn at this very zoom land pixel for pixel, where they overlap the shown part.
    const Point at = picture.linesOrigin;
    const int xa = std::max(left, at.x), xb = std::min(left + w, at.x + quick->Width());
    for (int y = std::max(top, at.y); y < std::min(top + h, at.y + quick->Height()) && xa < xb; ++y) {
      BlendRow(shown, y - top, xa - left, xb - xa,
               reinterpret_cast<const uint32_t*>(quick->Row(y - at.y)) + (xa - at.x));
    }
  } else if (picture.lines && picture.lines->Ok() && picture.linesScale > 0 && picture.linesOrigin == Point{0, 0}) {
    Bitmap lines(w, h);
    ZoomRegion(*picture.lines, zoom / picture.linesScale, left, top, lines, threads);
    for (int j = 0; j < h && lines.Ok(); ++j) BlendRow(shown, j, 0, w, reinterpret_cast<const uint32_t*>(lines.Row(j)));
  }
  for (int j = 0; j < h; ++j) BlendRow(buffer, y0 + j, x0, w, reinterpret_cast<const uint32_t*>(shown.Row(j)));
}

}  // namespace lumbra
