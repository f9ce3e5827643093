// Feeds arbitrary bytes to the ruler reader: it must reject or read them, never crash,
// never read past the file and never allocate beyond what the file holds.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "data/RecordFile.h"
#include "data/RulerData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/lumbra-fuzz-" + std::to_string(getpid()) + ".qmfruler";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  static const bool folderSet = (lumbra::SetDataFolder("/tmp/lumbra-fuzz-data"), true);
  (void)folderSet;
  lumbra::CRulerData ruler;
  try {
    ruler.ReadFile(path);
    if (ruler.GetPoints().size() * 8 + 20 > size) __builtin_trap();
  } catch (const lumbra::FileError&) {
  }
  return 0;
}
