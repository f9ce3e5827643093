// `lumbra` under hostile input and concurrent use: saves that never mix or follow links, names that
// never leave the data folder, outputs that never replace what is not theirs, pictures whose
// header alone is refused, numbers that must be decimal.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "cli/CliFixture.h"
#include "cli/Png.h"
#include "platform/FileSystem.h"

namespace lumbra {
namespace {

using test::ReadBytes;
using test::WriteBytes;
namespace fs = std::filesystem;

std::string Quote(const std::string& path) { return "'" + path + "'"; }

// A PNG of the given size holding only its header, an empty data chunk and its end: 57 bytes.
std::vector<unsigned char> HeaderOnlyPng(uint32_t width, uint32_t height, bool badCrc = false) {
  std::vector<unsigned char> png{0x89, 'P', 'N', 'G', 13, 10, 26, 10};
  auto put32 = [&](uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) png.push_back(static_cast<unsigned char>(v >> s));
  };
  auto chunk = [&](const char* type, const std::vector<unsigned char>& body) {
    put32(static_cast<uint32_t>(body.size()));
    const size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), body.begin(), body.end());
    const uLong crc = crc32(0, &png[start], static_cast<uInt>(png.size() - start));
    put32(static_cast<uint32_t>(crc) ^ (badCrc ? 1u : 0u));
  };
  std::vector<unsigned char> ihdr;
  for (uint32_t v : {width, height})
    for (int s = 24; s >= 0; s -= 8) ihdr.push_back(static_cast<unsigned char>(v >> s));
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA
  chunk("IHDR", ihdr);
  chunk("IDAT", {});
  chunk("IEND", {});
  return png;
}

TEST_F(Cli, ConcurrentSavesLeaveExactlyOneWritersWholeRecord) {
  const int writers = 16;
  for (int i = 0; i < writers; ++i) {
    // 4000 points that name their writer: every y is the writer's number.
    std::string points;
    for (int k = 0; k < 4000; ++k) points += std::to_string(k * 100 / 3999) + "," + std::to_string(i) + ";";
    WriteBytes(data.File("points" + std::to_string(i)), std::vector<unsigned char>(points.begin(), points.end()));
  }
  for (int round = 0; round < 3; ++round) {
    std::string script = "cd " + Quote(data.Path()) + " && for i in $(seq 0 " + std::to_string(writers - 1) +
                         "); do (" + std::string(LUMBRA_CLI_PATH) + " " + Data() +
                         " ruler save same --yes --points \"$(cat points$i)\" 2>err$i; echo $? >rc$i) & done; wait";
    ASSERT_EQ(std::system(("bash -c " + Quote(script)).c_str()), 0);
    int succeeded = 0;
    for (int i = 0; i < writers; ++i) {
      const auto rc = ReadBytes(data.File("rc" + std::to_string(i)));
      const auto err = ReadBytes(data.File("err" + std::to_string(i)));
      const std::string code(rc.begin(), rc.end());
      if (code == "0\n") {
        ++succeeded;
      } else {
        EXPECT_EQ(code, "1\n") << "writer " << i;
        EXPECT_FALSE(err.empty()) << "writer " << i << " failed without a message";
      }
    }
    EXPECT_GT(succeeded, 0) << "round " << round;
    const Result shown = Run("show " + Quote(data.File("ruler/same.qmfruler")));
    ASSERT_EQ(shown.status, 0) << shown.err;
    const auto points = nlohmann::json::parse(shown.out)["points"];
    ASSERT_EQ(points.size(), 4000u) << "round " << round;
    const int writer = points[0][1].get<int>();
    for (const auto& p : points) ASSERT_EQ(p[1].get<int>(), writer) << "round " << round << ": two writers mixed";
    // No temporary is left behind.
    for (const std::string& name : ListFiles(data.File("ruler")))
      EXPECT_EQ(name, "same.qmfruler") << "left behind: " << name;
  }
}

TEST_F(Cli, SavesAndOutputsNeverFollowLinksOrReplaceSpecialFiles) {
  // A link planted where a temporary was once written points outside the data folder.
  ASSERT_EQ(Run(Data() + " ruler save x --points '0,0;100,0'").status, 0);
  WriteBytes(data.File("victim"), {'k', 'e', 'e', 'p'});
  ASSERT_EQ(symlink(data.File("victim").c_str(), data.File("ruler/x.qmfruler.saving").c_str()), 0);
  Result r = Run(Data() + " ruler save x --yes --points '0,0;50,5;100,0'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(data.File("victim")), (std::vector<unsigned char>{'k', 'e', 'e', 'p'}));
  EXPECT_EQ(ReadBytes(data.File("ruler/x.qmfruler")).size(), 44u);

  std::string error;
  ASSERT_TRUE(WritePng(Bitmap(30, 20), data.File("in.png"), error));
  const std::string render = Data() + " render --preset latest --seed 1 " + Quote(data.File("in.png")) + " ";
  ASSERT_EQ(Run(render + Quote(data.File("plain.png"))).status, 0);
  const auto png = ReadBytes(data.File("plain.png"));

  // A link as the output: the file it names gets the picture, the link stays.
  WriteBytes(data.File("target.png"), {1});
  ASSERT_EQ(symlink("target.png", data.File("link.png").c_str()), 0);
  r = Run(render + Quote(data.File("link.png")));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(data.File("link.png")));
  EXPECT_EQ(ReadBytes(data.File("target.png")), png);

  // A FIFO is written in place and stays a FIFO.
  ASSERT_EQ(mkfifo(data.File("pipe").c_str(), 0600), 0);
  const std::string reader = "cat " + Quote(data.File("pipe")) + " >" + Quote(data.File("from-pipe")) + " &";
  r = Run(render + Quote(data.File("pipe")) + " & " + reader + " wait");
  struct stat st {};
  ASSERT_EQ(lstat(data.File("pipe").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(ReadBytes(data.File("from-pipe")), png);

  // "-" is standard output.
  r = Run(render + "-");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(std::vector<unsigned char>(r.out.begin(), r.out.end()), png);
}

TEST_F(Cli, NamesNeverLeadOutOfTheDataFolder) {
  Result r = Run(Data() + " ruler save --points '0,0;100,0' -- ../../escape1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("[../../escape1]"), std::string::npos) << r.err;
  EXPECT_FALSE(FileExists(data.File("../escape1.qmfruler")));
  EXPECT_FALSE(FileExists(data.File("escape1.qmfruler")));
  EXPECT_EQ(Run(Data() + " preset save p --layout ../layout/x").status, 1);

  // A preset file whose layout name leads outside, or holds a NUL: refused as a missing layout,
  // with a message naming it; the layout planted there is never read.
  ASSERT_EQ(Run(Data() + " layout save aaaaaaaa --circle 20,20,10,10,0,360").status, 0);
  ASSERT_EQ(Run(Data() + " preset save p --layout aaaaaaaa").status, 0);
  const auto preset = ReadBytes(data.File("preset/p.qmfpreset"));
  const std::string text(preset.begin(), preset.end());
  const size_t at = text.find("aaaaaaaa");
  ASSERT_NE(at, std::string::npos);
  for (const std::string& name : {std::string("../../xx"), std::string("ab\0aaaaa", 8)}) {
    std::vector<unsigned char> patched = preset;
    std::copy(name.begin(), name.end(), patched.begin() + static_cast<long>(at));
    WriteBytes(data.File("patched.qmfpreset"), patched);
    r = Run(Data() + " place --preset-file " + Quote(data.File("patched.qmfpreset")) + " --size 50x50 --seed 1");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("characters that a record name cannot contain"), std::string::npos) << r.err;
  }
}

TEST_F(Cli, PresetSaveFromAPresetWhoseLayoutIsGoneFailsAndWritesNothing) {
  ASSERT_EQ(Run(Data() + " layout save ring --circle 50,50,30,30,0,360").status, 0);
  ASSERT_EQ(Run(Data() + " preset save p --layout ring").status, 0);
  const auto before = ReadBytes(data.File("preset/p.qmfpreset"));
  ASSERT_TRUE(RemoveFile(data.File("layout/ring.qmflayout")));
  const Result r = Run(Data() + " preset save p --from p --interval 9 --yes");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("ring"), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(data.File("preset/p.qmfpreset")), before);
  // Naming another layout instead works.
  ASSERT_EQ(Run(Data() + " layout save other --circle 50,50,20,20,0,360").status, 0);
  EXPECT_EQ(Run(Data() + " preset save p --from p --layout other --yes").status, 0);
}

TEST_F(Cli, PicturesAreRefusedFromTheirHeaderAndNeverLeak) {
  std::string error;
  ASSERT_TRUE(WritePng(Bitmap(120, 80), data.File("in.png"), error));
  const std::string out = " " + Quote(data.File("out.png"));
  WriteBytes(data.File("huge.png"), HeaderOnlyPng(30000, 30000));
  Result r = Run(Data() + " render --preset latest " + Quote(data.File("huge.png")) + out);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("30000 x 30000"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("200000000"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("--max-pixels"), std::string::npos) << r.err;
  // A mask is measured against the picture from its header.
  r = Run(Data() + " render --preset latest --mask " + Quote(data.File("huge.png")) + " " + Quote(data.File("in.png")) +
          out);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("the mask is 30000 x 30000, the picture 120 x 80"), std::string::npos) << r.err;
  // A damaged file is an error (and, under the sanitizers, leaks nothing).
  WriteBytes(data.File("bad-crc.png"), HeaderOnlyPng(10, 10, true));
  r = Run(Data() + " render --preset latest " + Quote(data.File("bad-crc.png")) + out);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("damaged"), std::string::npos) << r.err;
  EXPECT_FALSE(FileExists(data.File("out.png")));
  // A long thin picture is fine.
  ASSERT_TRUE(WritePng(Bitmap(65535, 1), data.File("thin.png"), error));
  r = Run(Data() + " render --preset latest " + Quote(data.File("thin.png")) + out);
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(Cli, NumbersAreDecimal) {
  for (const std::string& args :
       {std::string("outline --length 100 --ruler-height 10 --thickness nan"),
        std::string("outline --length 100 --ruler-height 10 --thickness inf"),
        std::string("preset save p --interval 0x10"), std::string("preset save p --jitter 1e0"),
        std::string("place --preset latest --size 10x10 --seed 0x1")}) {
    const Result r = Run(Data() + " " + args);
    EXPECT_EQ(r.status, 2) << args;
    const bool told =
        r.err.find("not a decimal number") != std::string::npos || r.err.find("not in range") != std::string::npos;
    EXPECT_TRUE(told) << args << ": " << r.err;
  }
  EXPECT_FALSE(FileExists(data.File("preset/p.qmfpreset")));
  EXPECT_EQ(Run(Data() + " outline --length 100 --ruler-height 10 --thickness 2.5").status, 0);
}

}  // namespace
}  // namespace lumbra
