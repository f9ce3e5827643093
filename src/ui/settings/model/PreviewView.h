// The arithmetic of the settings dialog's zoomable preview box: when its two scroll bars show,
// their ranges and positions, where the zoomed image lands in the back buffer, what a scroll
// request or a drag does to the positions, and which image pixel lies under a client point.
//
// Geometry. The box's window is W x H; the view R is that rectangle less a 1-pixel frame
// (W - 2 by H - 2, back buffer drawn at (1, 1)). The vertical bar is v wide and sits at
// (W - v - 1, 1); the horizontal bar is h high and sits at (1, H - h - 1). Scroll positions are
// screen pixels of the zoomed image (image pixels x zoom). An image smaller than the view at the
// zoom is centred; the offsets say where it starts, and are 0 along an axis that scrolls.
#pragma once

#include <memory>
#include <utility>

#include "core/Geometry.h"
#include "engine/Bitmap.h"
#include "engine/Graphics.h"

namespace lumbra {

struct ViewRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const ViewRect&, const ViewRect&) = default;
};

// One scroll bar as the view leaves it. The range runs from 0 to `maximum`; `limit` is the
// largest position the bar accepts for that range and page, as the system computes it.
struct PreviewBar {
  bool shown = false;
  int width = 0;  // size only: the bar keeps its place
  int height = 0;
  int page = 0;
  int maximum = 0;
  int limit = 0;
  int position = 0;

  bool operator==(const PreviewBar&) const = default;
};

struct PreviewLayout {
  PreviewBar horizontal;
  PreviewBar vertical;
  int xOffset = 0;
  int yOffset = 0;
  int zoomedWidth = 0;  // the image's size at the zoom
  int zoomedHeight = 0;
  ViewRect checker;  // back-buffer pixels under the image
  RectF dest;        // back-buffer pixels
  RectF source;      // image pixels
  InterpolationMode interpolation = InterpolationMode::NearestNeighbor;

  // The part of the zoomed image the view shows, in its pixels.
  ViewRect Shown() const;
};

enum class ScrollAxis { Horizontal, Vertical };
enum class ScrollRequest { LineBack, LineForward, PageBack, PageForward, ThumbTrack, Top, Bottom, Other };
enum class PreviewCursor { Arrow, Move, Add };

// What the preview shows: the picture with the lines over it, both whole and shared, never copied
// for the box; the box zooms only the part it shows.
struct PreviewPicture {
  std::shared_ptr<const Bitmap> base;   // the picture
  std::shared_ptr<const Bitmap> lines;  // straight alpha; may be null
  // The lines' size as a part of the picture's: 1 for the full-size lines, the display's zoom
  // for the quick first picture of a render.
  double linesScale = 1.0;
  // Which render the lines come from: a picture older than the one shown is dropped.
  int generation = 0;
  // Where the lines start in the picture at their scale: the quick picture may hold only the part
  // the box showed when its render began. Such lines show at their own zoom only.
  Point linesOrigin{0, 0};
};

// Draws the part of a picture that a layout shows into the back buffer, at the layout's zoom.
// The zoomed-out picture is kept while the picture and the zoom stay, so new lines cost only
// their own zooming; the full-size lines are zoomed over the shown part alone.
class PreviewComposer {
 public:
  void Draw(Bitmap& buffer, const PreviewLayout& layout, float zoom, const PreviewPicture& picture,
            const Bitmap& checkerboard, uint32_t background);

 private:
  std::shared_ptr<const Bitmap> zoomedFrom_;
  float zoomedAt_ = 0;
  Bitmap zoomedBase_;
};

// 30 x 30, RGB, white with light grey squares at (0, 0) and (15, 15): tiled, 15-pixel squares.
Bitmap MakeCheckerboard();

class PreviewView {
 public:
  static constexpr float kMinZoom = 0.01f;
  static constexpr uint32_t kCheckerGrey = 0xFFD3D3D3u;

  // The box's window size and the system's scroll-bar thickness (vertical width, horizontal height).
  void SetWindowSize(int width, int height);
  void SetBarThickness(int verticalWidth, int horizontalHeight);
  void SetImageSize(int width, int height);
  bool HasImage() const { return hasImage_; }
  // Raised to kMinZoom when smaller (or not a number).
  void SetZoom(float zoom);
  float Zoom() const { return zoom_; }

  // Where the bars are put when the box is attached or resized, in the box's client coordinates.
  ViewRect VerticalBarHome() const;
  ViewRect HorizontalBarHome() const;

  // Lays the view out for the wished positions (each clamped to 0..limit) and keeps the result.
  // Without an image nothing changes and false is returned.
  bool Update(int horizontal, int vertical);
  const PreviewLayout& Layout() const { return layout_; }
  int HorizontalPosition() const { return layout_.horizontal.position; }
  int VerticalPosition() const { return layout_.vertical.position; }

  // The position a bar's request asks for, clamped to 0..limit. `track` is the thumb's position
  // while it is dragged.
  int Scrolled(ScrollAxis axis, ScrollRequest request, int track) const;

  // Panning by dragging. A press starts a drag when a bar is enabled and the point lies in the
  // view (frame edges included). Each move gives the positions to lay out next.
  bool Press(int x, int y, bool horizontalEnabled, bool verticalEnabled);
  std::pair<int, int> DragTo(int x, int y, bool horizontalEnabled, bool verticalEnabled);
  void Release() { dragging_ = false; }
  bool Dragging() const { return dragging_; }
  PreviewCursor Cursor(bool ctrlHeld) const;

  // The image pixel under the client point (the frame is not subtracted).
  Point ClientToImage(int x, int y) const;

 private:
  int viewWidth() const { return windowWidth_ - 2; }
  int viewHeight() const { return windowHeight_ - 2; }

  int windowWidth_ = 0;
  int windowHeight_ = 0;
  int barWidth_ = 0;   // vertical bar
  int barHeight_ = 0;  // horizontal bar
  int imageWidth_ = 0;
  int imageHeight_ = 0;
  bool hasImage_ = false;
  float zoom_ = 1.0f;
  PreviewLayout layout_;
  bool dragging_ = false;
  int lastX_ = 0;
  int lastY_ = 0;
};

}  // namespace lumbra
