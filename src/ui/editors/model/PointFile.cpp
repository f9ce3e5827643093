#include "ui/editors/model/PointFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "platform/FileSystem.h"
#include "text/Text.h"

namespace lumbra {
namespace {

std::string NumberTooLarge(int line) { return text::Format(text::kPointFileNumberTooLarge, {std::to_string(line)}); }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The C library's decimal conversion, except that a value outside 32 bits is reported
// instead of being undefined.
bool ParseDecimal(std::string_view s, int32_t& value) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  constexpr int64_t kLimit = int64_t{1} << 31;  // magnitude of INT32_MIN
  int64_t magnitude = 0;
  bool tooLarge = false;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (s[i] - '0');
    if (magnitude > kLimit) {
      tooLarge = true;
      magnitude = kLimit + 1;  // keeps consuming digits without growing
    }
  }
  if (tooLarge || (!negative && magnitude == kLimit)) return false;
  value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  return true;
}

// Fills `bytes` with the whole file, refusing files above the size limit.
std::string ReadWholeFile(const std::string& path, std::string& bytes) {
  errno = 0;
  FilePtr file = OpenFile(path, "rb");
  if (!file) return text::kPointFileCannotOpen.Get() + SystemErrorText(errno ? errno : ENOENT);
  bytes.clear();
  char buffer[64 * 1024];
  for (;;) {
    const size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
    if (bytes.size() + got > kMaxPointFileBytes) return text::kPointFileTooLarge.Get();
    bytes.append(buffer, got);
    if (got < sizeof buffer) break;
  }
  if (std::ferror(file.get())) return text::kPointFileCannotRead.Get() + SystemErrorText(errno ? errno : EIO);
  return {};
}

}  // namespace

int ClampedDecimal(std::string_view text, int min, int max) {
  int32_t value = 0;
  if (!ParseDecimal(text, value)) {
    const size_t sign = text.find_first_not_of(" \t\n\v\f\r");
    return sign != std::string_view::npos && text[sign] == '-' ? min : max;
  }
  return value < min ? min : (value > max ? max : value);
}

PointFileContents ParsePointText(std::string_view text) {
  PointFileContents out;
  if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF'))) {
    out.error = text::kPointFileUtf16;
    return out;
  }
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (const size_t eof = text.find('\x1A'); eof != std::string_view::npos) text = text.substr(0, eof);

  int lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const size_t end = text.find_first_of("\r\n");
    std::string_view line = text.substr(0, end);
    if (end == std::string_view::npos) {
      text = {};
    } else {
      const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
      text.remove_prefix(end + (crlf ? 2 : 1));
    }
    line = line.substr(0, line.find('\0'));

    const size_t comma = line.find(',');
    if (line.empty() || comma == std::string_view::npos) {
      out.stop = line.empty() ? PointFileStop::BlankLine : PointFileStop::NoComma;
      out.stopLine = lineNumber;
      return out;
    }
    Point p;
    if (!ParseDecimal(line.substr(0, comma), p.x) || !ParseDecimal(line.substr(comma + 1), p.y)) {
      out.points.clear();
      out.error = NumberTooLarge(lineNumber);
      return out;
    }
    out.points.push_back(p);
  }
  return out;
}

PointFileResult ImportPointFile(const std::string& path, CLayoutData& layout) {
  PointFileResult result;
  std::string bytes;
  result.error = ReadWholeFile(path, bytes);
  if (!result.error.empty()) return result;
  PointFileContents contents = ParsePointText(bytes);
  if (!contents.error.empty()) {
    result.error = std::move(contents.error);
    return result;
  }

  if (contents.points.size() > kMaxLayoutPoints) {
    result.error = text::Format(text::kPointFileTooManyPoints,
                                {std::to_string(contents.points.size()), std::to_string(kMaxLayoutPoints)});
    return result;
  }
  for (Point& p : contents.points) {
    const Point inside{std::clamp(p.x, -kLayoutPointLimit, kLayoutPointLimit),
                       std::clamp(p.y, -kLayoutPointLimit, kLayoutPointLimit)};
    if (inside.x != p.x || inside.y != p.y) ++result.clamped;
    p = inside;
  }
  result.ok = true;
  result.pointsRead = contents.points.size();
  result.stop = contents.stop;
  result.stopLine = contents.stopLine;
  if (contents.points.size() < 2) {
    result.usedDefaults = true;
    layout.SetDefaults();
  } else {
    layout.SetMode(CLayoutData::kLine);
    layout.GetPoints() = std::move(contents.points);
  }
  return result;
}

std::string PointFileResult::Summary() const {
  if (!ok) return error;
  std::string s = text::Format(text::kPointFileRead, {std::to_string(pointsRead)});
  if (stop == PointFileStop::BlankLine) s += text::Format(text::kPointFileBlankLine, {std::to_string(stopLine)});
  if (stop == PointFileStop::NoComma) s += text::Format(text::kPointFileNoComma, {std::to_string(stopLine)});
  if (clamped > 0)
    s += text::Format(text::kPointFileClamped, {std::to_string(clamped), std::to_string(-kLayoutPointLimit),
                                                std::to_string(kLayoutPointLimit)});
  if (usedDefaults) s += text::kPointFileDefaults.Get();
  return s;
}

}  // namespace lumbra
