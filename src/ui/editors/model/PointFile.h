// Point files: comma-separated text with one point per line, "x,y" as decimal integers in
// percent of the picture, read into a layout's path.
//
// Reading follows the C library's decimal conversion: blanks before a number are skipped, a
// sign is optional, digits run up to the first other character, no digits give 0. x is the
// text before the first comma, y the text after it (so anything from a second comma on is
// ignored, and a header line of words gives the point (0, 0)). Reading stops at the first empty
// line or line without a comma. A path of fewer than two points becomes the default path.
//
// Beyond that: CRLF, LF and lone CR all end a line; a UTF-8 byte order mark is skipped; a
// Ctrl-Z ends the text and a zero byte ends its line, as the Windows text mode reads them.
// Files larger than kMaxPointFileBytes, UTF-16 files and numbers that do not fit in 32 bits are
// refused with a message, and the layout is then left as it was.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/Geometry.h"
#include "data/LayoutData.h"

namespace lumbra {

inline constexpr std::size_t kMaxPointFileBytes = 1024 * 1024;

// How far a layout's points may lie, in percent of the picture, on either side: the editor's
// canvas, its X and Y fields and imported files all keep to [-500, 500].
inline constexpr int kLayoutPointLimit = 500;
// The most points a layout's path may hold; a file with more is refused, and the canvas adds no
// more.
inline constexpr std::size_t kMaxLayoutPoints = 50000;

// Why reading ended.
enum class PointFileStop { EndOfText, BlankLine, NoComma };

struct PointFileContents {
  std::vector<Point> points;
  PointFileStop stop = PointFileStop::EndOfText;
  int stopLine = 0;   // 1-based line that ended the reading; 0 at the end of the text
  std::string error;  // non-empty when the text is refused (UTF-8, for the user)
};

struct PointFileResult {
  bool ok = false;             // false: the layout is unchanged and `error` says why
  std::string error;           // UTF-8 text for a read-error message box
  std::size_t pointsRead = 0;  // points the file gave
  std::size_t clamped = 0;     // of those, points moved into [-kLayoutPointLimit, kLayoutPointLimit]
  bool usedDefaults = false;   // fewer than two points: the layout holds the default path
  PointFileStop stop = PointFileStop::EndOfText;
  int stopLine = 0;

  // A one-line account of what was read, for status output (UTF-8).
  std::string Summary() const;
};

// A number typed into a field, read with the C library's decimal conversion (blanks, optional
// sign, digits up to the first other character, 0 without digits) and brought into [min, max];
// a number too large for 32 bits goes to the end of the range on its side.
int ClampedDecimal(std::string_view text, int min, int max);

// Parses point-file text already in memory.
PointFileContents ParsePointText(std::string_view text);

// Reads the file at `path` (UTF-8) into `layout`: line mode, the file's points (each coordinate
// brought into [-kLayoutPointLimit, kLayoutPointLimit], counted in `clamped`), or the default path
// when it gave fewer than two. More than kMaxLayoutPoints points are refused. Nothing is shown to
// the user here.
PointFileResult ImportPointFile(const std::string& path, CLayoutData& layout);

}  // namespace lumbra
