// Feeds arbitrary bytes to the layout reader: it must reject or read them, never crash,
// never read past the file and never allocate beyond what the file holds.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "data/LayoutData.h"
#include "data/Record.h"
#include "data/RecordFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/lumbra-fuzz-" + std::to_string(getpid()) + ".qmflayout";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  static const bool folderSet = (lumbra::SetDataFolder("/tmp/lumbra-fuzz-data"), true);
  (void)folderSet;
  lumbra::CLayoutData layout;
  layout.SetDefaultCircle();
  try {
    layout.ReadFile(path);
    // Magic, version, mode and count take 21 bytes, each entry 8 more.
    if (layout.GetPoints().size() * 8 + 21 > size) __builtin_trap();
    if (layout.GetMode() > lumbra::CLayoutData::kCircle) __builtin_trap();
  } catch (const lumbra::FileError&) {
    // A refused file leaves the layout as it was.
    if (layout.GetMode() != lumbra::CLayoutData::kCircle || layout.GetPoints().size() != 3) __builtin_trap();
  }
  return 0;
}
