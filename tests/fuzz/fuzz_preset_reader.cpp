// Feeds arbitrary bytes to the preset reader. The preset names a layout and a ruler, which
// load by name from a private data folder holding one of each (with their own fallbacks and
// messages, which are discarded here). Nothing may crash, and a refused file leaves the preset
// as it was.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "data/PresetData.h"
#include "data/Record.h"
#include "data/RecordFile.h"
#include "platform/MessageService.h"

namespace {

class DiscardMessages : public lumbra::MessageService {
 public:
  lumbra::MessageAnswer Show(std::string_view, std::string_view, lumbra::MessageIcon,
                             lumbra::MessageButtons buttons) override {
    return buttons == lumbra::MessageButtons::Ok ? lumbra::MessageAnswer::Ok : lumbra::MessageAnswer::No;
  }
};

std::string folder;

void RemoveFolder() {
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}

// A data folder with the layout "a" (a three-point path) and the ruler "b" (a curve).
void PrepareDataFolder() {
  static DiscardMessages discard;
  lumbra::SetMessageService(&discard);
  char pattern[] = "/tmp/lumbra-fuzz-preset-XXXXXX";
  if (!mkdtemp(pattern)) __builtin_trap();
  folder = std::string(pattern) + "/";
  std::atexit(RemoveFolder);
  lumbra::SetDataFolder(folder);
  lumbra::CLayoutData layout;
  layout.GetPoints() = {{0, 0}, {50, 50}, {100, 0}};
  lumbra::CRulerData ruler;
  ruler.SetMode(lumbra::CRulerData::kCurve);
  if (!layout.Save("a", false) || !ruler.Save("b", false)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool prepared = (PrepareDataFolder(), true);
  (void)prepared;
  static const std::string path = folder + "input.qmfpreset";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  lumbra::CPresetData preset;
  preset.layout.SetDefaultCircle();
  try {
    preset.ReadFile(path);
    // Whatever the names, the layout and ruler fell back to something usable.
    if (preset.layout.GetPoints().empty() || preset.ruler.GetPoints().empty()) __builtin_trap();
  } catch (const lumbra::FileError&) {
    const lumbra::CPresetData fresh;
    if (preset.layout.GetMode() != lumbra::CLayoutData::kCircle || preset.interval != fresh.interval ||
        preset.color != fresh.color || preset.height != fresh.height || preset.fixedTaper != fresh.fixedTaper)
      __builtin_trap();
  }
  return 0;
}
