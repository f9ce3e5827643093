// Writes the two binary resources the host reads before it ever calls the plug-in: the plug-in
// property list (PIPL) and the terminology (AETE) that makes the filter scriptable.
//
//   MakeHostResources x86|x64 PIPL-FILE AETE-FILE
//
// Both are little-endian byte strings; writing them here (rather than as resource-script text)
// keeps every byte exactly as laid out, whatever code page the resource compiler uses.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "LumbraVersion.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t FourCC(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
         uint32_t(uint8_t(s[3]));
}

constexpr uint32_t kSuiteAndEvent = FourCC("qmfp");
constexpr int16_t kTerminologyId = 16000;

void Put16(Bytes& b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, uint16_t(v));
  Put16(b, uint16_t(v >> 16));
}
void PutPascal(Bytes& b, const std::string& s) {
  b.push_back(uint8_t(s.size()));
  b.insert(b.end(), s.begin(), s.end());
}
void PutCString(Bytes& b, const std::string& s) {
  b.insert(b.end(), s.begin(), s.end());
  b.push_back(0);
}

// One property: vendor, key, id 0, then the data zero-padded to a multiple of 4, with the padded
// length stored (hosts that step by the stored length and hosts that round it up both agree).
void PutProperty(Bytes& pipl, uint32_t key, Bytes data) {
  while (data.size() % 4 != 0) data.push_back(0);
  Put32(pipl, FourCC("8BIM"));
  Put32(pipl, key);
  Put32(pipl, 0);
  Put32(pipl, uint32_t(data.size()));
  pipl.insert(pipl.end(), data.begin(), data.end());
}

Bytes MakePipl(bool x64) {
  std::vector<std::pair<uint32_t, Bytes>> properties;
  auto add = [&](uint32_t key, auto fill) {
    Bytes data;
    fill(data);
    properties.emplace_back(key, std::move(data));
  };
  add(FourCC("kind"), [](Bytes& d) { Put32(d, FourCC("8BFM")); });
  add(FourCC("name"), [](Bytes& d) { PutPascal(d, "Lumbra"); });
  add(FourCC("catg"), [](Bytes& d) { PutPascal(d, "Korvane"); });
  // The version as major in the high word and minor in the low word (1.0: 0x00010000).
  static_assert(LUMBRA_VERSION_MAJOR <= 0xFFFF && LUMBRA_VERSION_MINOR <= 0xFFFF);
  add(FourCC("vers"), [](Bytes& d) { Put32(d, (uint32_t(LUMBRA_VERSION_MAJOR) << 16) | LUMBRA_VERSION_MINOR); });
  add(x64 ? FourCC("8664") : FourCC("wx86"), [](Bytes& d) { PutCString(d, "PluginMain"); });
  add(FourCC("hstm"), [](Bytes& d) {
    Put32(d, 0);  // version
    Put32(d, kSuiteAndEvent);
    Put32(d, kSuiteAndEvent);
    Put16(d, uint16_t(kTerminologyId));
    PutCString(d, "Korvane Lumbra effect lines");
  });
  // Image modes as a bit string, first mode in the top bit of the first byte: greyscale and RGB
  // (mode 1 and 3), Gray16 and RGB48 (mode 10 and 11). The menu item is enabled in exactly those;
  // other colour modes would get RGB bytes in their channels.
  add(FourCC("mode"), [](Bytes& d) { d = {0x50, 0x30}; });
  add(FourCC("enbl"), [](Bytes& d) {
    PutCString(d, "in (PSHOP_ImageMode, GrayScaleMode, RGBMode, Gray16Mode, RGB48Mode)");
  });
  // Seven filter cases: straight data in and out; works with blank data, filters layer masks,
  // source copied to the destination, never writes outside the selection.
  add(FourCC("fici"), [](Bytes& d) {
    for (int i = 0; i < 7; ++i) d.insert(d.end(), {1, 1, 6, 0});
  });

  Bytes pipl;
  Put16(pipl, 1);  // Windows lead word
  Put32(pipl, 0);  // version
  Put32(pipl, uint32_t(properties.size()));
  for (auto& [key, data] : properties) PutProperty(pipl, key, std::move(data));
  return pipl;
}

Bytes MakeAete() {
  Bytes a;
  Put16(a, 1);  // Windows lead word
  a.push_back(1);  // major version
  a.push_back(0);  // minor version
  Put16(a, 0);     // language: English
  Put16(a, 0);     // script: Roman
  Put16(a, 1);     // one suite
  PutPascal(a, "Korvane");
  PutPascal(a, "Ostrel Software plug-ins");
  Put32(a, kSuiteAndEvent);
  Put16(a, 1);  // level
  Put16(a, 1);  // version
  Put16(a, 1);  // one event
  PutPascal(a, "Lumbra");
  PutPascal(a, "Korvane Lumbra filter plug-in");
  Put32(a, kSuiteAndEvent);  // class
  Put32(a, kSuiteAndEvent);  // event
  Put32(a, FourCC("null"));  // no reply
  PutPascal(a, "");
  Put16(a, 0x0000);
  Put32(a, FourCC("#ImR"));  // direct parameter: the image
  PutPascal(a, "");
  Put16(a, 0xB000);  // optional, enumerated, changes state
  Put16(a, 1);       // one parameter
  PutPascal(a, "Preset");
  Put32(a, FourCC("prst"));
  Put32(a, FourCC("TEXT"));
  PutPascal(a, "Preset Filename");
  Put16(a, 0x0000);
  Put16(a, 0);  // classes
  Put16(a, 0);  // comparison operators
  Put16(a, 0);  // enumerations
  return a;
}

bool WriteFile(const char* path, const Bytes& bytes) {
  std::FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (std::strcmp(argv[1], "x86") != 0 && std::strcmp(argv[1], "x64") != 0)) {
    std::fprintf(stderr, "usage: MakeHostResources x86|x64 PIPL-FILE AETE-FILE\n");
    return 2;
  }
  const bool x64 = std::strcmp(argv[1], "x64") == 0;
  if (!WriteFile(argv[2], MakePipl(x64)) || !WriteFile(argv[3], MakeAete())) {
    std::perror("MakeHostResources");
    return 1;
  }
  return 0;
}
