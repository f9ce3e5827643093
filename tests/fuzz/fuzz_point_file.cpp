// Feeds arbitrary bytes to the point-file reader, in memory and through a file: both must agree,
// an accepted file leaves a line path of at least two points, a refused one leaves the layout
// as it was, and nothing may crash.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "data/Record.h"
#include "ui/editors/model/PointFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/lumbra-fuzz-" + std::to_string(getpid()) + ".csv";
  static const bool folderSet = (lumbra::SetDataFolder("/tmp/lumbra-fuzz-data"), true);
  (void)folderSet;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const lumbra::PointFileContents parsed = lumbra::ParsePointText(text);
  // Each point needs a comma of its own.
  const size_t commas = static_cast<size_t>(std::count(text.begin(), text.end(), ','));
  if (parsed.points.size() > commas) __builtin_trap();
  if (!parsed.error.empty() && !parsed.points.empty()) __builtin_trap();

  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  lumbra::CLayoutData layout;
  layout.SetDefaultCircle();
  const lumbra::PointFileResult result = lumbra::ImportPointFile(path, layout);
  const bool tooLarge = size > lumbra::kMaxPointFileBytes;
  const bool tooMany = parsed.points.size() > lumbra::kMaxLayoutPoints;
  if (result.ok != (parsed.error.empty() && !tooLarge && !tooMany)) __builtin_trap();
  if (result.ok) {
    if (layout.GetMode() != lumbra::CLayoutData::kLine || layout.GetPoints().size() < 2) __builtin_trap();
    if (result.pointsRead != parsed.points.size()) __builtin_trap();
    // The layout holds the file's points, each brought into the one range.
    std::vector<lumbra::Point> inside = parsed.points;
    size_t clamped = 0;
    for (lumbra::Point& p : inside) {
      const lumbra::Point q{std::clamp(p.x, -lumbra::kLayoutPointLimit, lumbra::kLayoutPointLimit),
                            std::clamp(p.y, -lumbra::kLayoutPointLimit, lumbra::kLayoutPointLimit)};
      clamped += q.x != p.x || q.y != p.y;
      p = q;
    }
    if (result.clamped != clamped) __builtin_trap();
    if (!result.usedDefaults && layout.GetPoints() != inside) __builtin_trap();
  } else {
    if (result.error.empty() || layout.GetMode() != lumbra::CLayoutData::kCircle) __builtin_trap();
  }
  (void)result.Summary();
  return 0;
}
