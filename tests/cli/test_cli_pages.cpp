// `lumbra render --out-dir DIR IN...`: many pages with one preset, several at a time.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliFixture.h"
#include "cli/Png.h"
#include "engine/Bitmap.h"
#include "platform/FileSystem.h"

namespace lumbra {
namespace {

using test::ReadBytes;
using test::WriteBytes;

std::string Quote(const std::string& path) { return "'" + path + "'"; }

class CliPages : public Cli {
 protected:
  void SetUp() override {
    // Pages of two sizes and different content; the preset's jitter and lengths depend on the seed.
    WritePage("a.png", 120, 80, 0);
    WritePage("b.PNG", 120, 80, 1);
    WritePage("c", 90, 130, 2);
    ASSERT_EQ(Run(Data() + " preset save speed --interval 4 --length 60 --thickness 6 --draw-side 2 --antialias 1"
                           " --jitter 3 --overshoot 5 --min-length 40 --color '#2050A0'")
                  .status,
              0);
  }
  void WritePage(const std::string& name, int width, int height, int kind) {
    Bitmap page(width, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        page.SetPixel(x, y, 0xFF000000u | static_cast<uint32_t>(x * (2 + kind)) << 16 | (y * 3u) << 8 | 0x40u * kind);
    std::string error;
    ASSERT_TRUE(WritePng(page, data.File(name), error)) << error;
  }
  std::string preset = "speed";
  std::string Render() { return Data() + " render --preset " + preset + " "; }
  // The output of a single `lumbra render` of one picture with this seed.
  std::vector<unsigned char> Single(const std::string& input, uint32_t seed, const std::string& extra = "") {
    const Result r = Run(Render() + "--seed " + std::to_string(seed) + " " + extra + Quote(data.File(input)) + " " +
                         Quote(data.File("single.png")));
    EXPECT_EQ(r.status, 0) << r.err;
    return ReadBytes(data.File("single.png"));
  }
};

TEST_F(CliPages, EveryPageIsTheSingleRenderWithItsOwnSeed) {
  const std::string inputs = Quote(data.File("a.png")) + " " + Quote(data.File("b.PNG")) + " " + Quote(data.File("c"));
  Result r = Run(Render() + "--seed 9 --out-dir " + Quote(data.File("out/nested")) + " " + inputs);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // Page i is drawn with 9 + 2654435769 i (mod 2^32); the first page with 9 itself.
  const std::vector<unsigned char> a = ReadBytes(data.File("out/nested/a.png"));
  const std::vector<unsigned char> b = ReadBytes(data.File("out/nested/b.png"));
  const std::vector<unsigned char> c = ReadBytes(data.File("out/nested/c.png"));
  ASSERT_FALSE(a.empty());
  EXPECT_EQ(a, Single("a.png", 9));
  EXPECT_EQ(b, Single("b.PNG", 2654435778u));
  EXPECT_EQ(c, Single("c", 1013904251u));  // 9 + 2 x 2654435769 - 2^32
  EXPECT_NE(b, Single("b.PNG", 9));        // each page a seed of its own
  EXPECT_EQ(ListFiles(data.File("out/nested")).size(), 3u);

  // One page at a time gives the same pages, and so does running again over the outputs.
  r = Run(Render() + "--seed 9 --jobs 1 --out-dir " + Quote(data.File("out/nested")) + " " + inputs);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(data.File("out/nested/a.png")), a);
  EXPECT_EQ(ReadBytes(data.File("out/nested/b.png")), b);
  EXPECT_EQ(ReadBytes(data.File("out/nested/c.png")), c);

  // Line layers alone.
  r = Run(Render() + "--seed 9 --lines-only --out-dir " + Quote(data.File("lines")) + " " + inputs);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(data.File("lines/c.png")), Single("c", 1013904251u, "--lines-only "));
}

TEST_F(CliPages, AFailedPageIsNamedAndTheOthersAreWritten) {
  WriteBytes(data.File("broken.png"), {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0xFF});
  const Result r =
      Run(Render() + "--seed 4 --out-dir " + Quote(data.File("out")) + " " + Quote(data.File("a.png")) + " " +
          Quote(data.File("broken.png")) + " " + Quote(data.File("missing.png")) + " " + Quote(data.File("c")));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("broken.png: the PNG file is damaged"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("missing.png: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("2 of 4 pages failed"), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(data.File("out/a.png")), Single("a.png", 4));
  EXPECT_EQ(ReadBytes(data.File("out/c.png")), Single("c", 4 + 3 * 2654435769u));
  // Nothing at all for the failed pages, not even a temporary.
  std::vector<std::string> written = ListFiles(data.File("out"));
  std::sort(written.begin(), written.end());
  EXPECT_EQ(written, (std::vector<std::string>{"a.png", "c.png"}));
}

TEST_F(CliPages, TheMaskGoesOnEveryPageOfItsSize) {
  ASSERT_EQ(Run(Data() + " preset save masked --from speed --length-from-mask 1").status, 0);
  preset = "masked";
  Bitmap mask(120, 80);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 120; ++x) mask.SetPixel(x, y, x < 20 ? 0xFFFFFFFFu : 0xFF000000u);
  std::string error;
  ASSERT_TRUE(WritePng(mask, data.File("mask.png"), error)) << error;
  const Result r = Run(Render() + "--seed 3 --mask " + Quote(data.File("mask.png")) + " --out-dir " +
                       Quote(data.File("out")) + " " + Quote(data.File("c")) + " " + Quote(data.File("a.png")));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("c: the mask is 120 x 80, the picture 90 x 130"), std::string::npos) << r.err;
  const std::vector<unsigned char> a = ReadBytes(data.File("out/a.png"));
  EXPECT_EQ(a, Single("a.png", 3 + 2654435769u, "--mask " + Quote(data.File("mask.png")) + " "));
  EXPECT_NE(a, Single("a.png", 3 + 2654435769u));
  EXPECT_FALSE(FileExists(data.File("out/c.png")));
}

TEST_F(CliPages, ConflictingRequestsAreRefusedBeforeAnythingIsWritten) {
  const std::string a = Quote(data.File("a.png")), c = Quote(data.File("c"));
  const std::string out = Quote(data.File("out"));
  const struct {
    std::string args, told;
  } refused[] = {
      {a + " " + c + " " + Quote(data.File("x.png")), "--out-dir"},  // several pictures need a folder
      {a, "OUTPUT"},
      {"--out-dir " + out + " --svg " + Quote(data.File("x.svg")) + " " + a, "--svg"},
      {"--jobs 2 " + a + " " + Quote(data.File("x.png")), "--jobs"},
      {"--out-dir " + out + " --jobs 0 " + a, "--jobs"},
      {"--out-dir " + out + " " + a + " " + c + " " + Quote(data.File("sub/a.jpg")), "both be written to"},
  };
  std::filesystem::create_directories(data.File("sub"));
  for (const auto& c : refused) {
    const Result r = Run(Render() + "--seed 1 " + c.args);
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_NE(r.err.find(c.told), std::string::npos) << c.args << ": " << r.err;
  }
  EXPECT_FALSE(FileExists(data.File("out")));
  EXPECT_FALSE(FileExists(data.File("x.png")));
  EXPECT_FALSE(FileExists(data.File("x.svg")));
}

}  // namespace
}  // namespace lumbra
