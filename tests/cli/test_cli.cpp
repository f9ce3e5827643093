// Runs the real `lumbra` program in fresh data folders.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "LumbraVersion.h"
#include "cli/Png.h"
#include "engine/Compose.h"
#include "platform/FileSystem.h"
#include "cli/CliFixture.h"
#include "support/TestSupport.h"

namespace lumbra {
namespace {

using test::ReadBytes;
using test::TempDataFolder;
using test::WriteBytes;

TEST_F(Cli, PrintsItsVersion) {
  const Result version = Run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "lumbra " LUMBRA_VERSION_STRING "\n");
  EXPECT_EQ(std::string(LUMBRA_VERSION_STRING), std::to_string(LUMBRA_VERSION_MAJOR) + "." +
                                                    std::to_string(LUMBRA_VERSION_MINOR) + "." +
                                                    std::to_string(LUMBRA_VERSION_PATCH));
  // Listed in the help.
  const Result help = Run("--help");
  EXPECT_NE(help.out.find("--version"), std::string::npos);
}

TEST_F(Cli, SavesListsAndShowsRulers) {
  Result r = Run(Data() + " ruler save wave --points '0,0;50,-40;100,0' --curve");
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(Run(Data() + " ruler save flat --points '0,0;100,0'").status, 0);
  ASSERT_EQ(Run(Data() + " ruler save ignored --points '0,0;100,5' --latest").status, 0);
  EXPECT_EQ(ReadBytes(data.File("ruler/flat.qmfruler")).size(), 36u);

  r = Run(Data() + " list rulers");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "flat\nwave\n");
  EXPECT_EQ(Run("list presets " + Data()).out, "");  // --data after the command works too

  r = Run("show '" + data.File("ruler/wave.qmfruler") + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(nlohmann::json::parse(r.out),
            nlohmann::json::parse(R"({"kind":"ruler","version":1000,"mode":1,"points":[[0,0],[50,-40],[100,0]]})"));
}

TEST_F(Cli, OverwriteNeedsYes) {
  ASSERT_EQ(Run(Data() + " ruler save r --points '0,0;100,0'").status, 0);
  Result r = Run(Data() + " ruler save r --points '0,0;100,9'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Do you want to replace it?"), std::string::npos);
  EXPECT_NE(r.err.find("answered Cancel"), std::string::npos);
  EXPECT_EQ(ReadBytes(data.File("ruler/r.qmfruler")).size(), 36u);
  EXPECT_EQ(Run(Data() + " ruler save r --points '0,0;50,1;100,9' --yes").status, 0);
  EXPECT_EQ(ReadBytes(data.File("ruler/r.qmfruler")).size(), 44u);
  r = Run(Data() + " ruler save latest --points '0,0;100,0'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("[latest]"), std::string::npos);
}

TEST_F(Cli, BadInputGivesClearErrors) {
  EXPECT_EQ(Run(Data() + " ruler save r --points '0,0;banana'").status, 2);
  EXPECT_EQ(Run(Data() + " ruler save r --points '0,0;101,0'").status, 2);
  EXPECT_EQ(Run(Data() + " list sheep").status, 2);
  EXPECT_EQ(Run("outline --length 10").status, 2);
  WriteBytes(data.File("bad.qmfruler"), {9, 0, '.', 'q', 'm', 'f', 'r', 'u', 'l', 'e', 'r', 0xE7, 3, 0, 0});
  Result r = Run("show '" + data.File("bad.qmfruler") + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("This version of Lumbra cannot read this file."), std::string::npos);
  r = Run("show '" + data.File("missing.qmfruler") + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("missing.qmfruler"), std::string::npos);
}

// Errors, the console's answers and the help come out in Japanese, chosen by LUMBRA_LANG or else
// by the locale; names of options and of commands stay as they are typed.
TEST_F(Cli, SpeaksJapaneseToJapaneseUsers) {
  language = "ja";
  Result r = Run(Data() + " ruler save r --points '0,0;banana'");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "lumbra: --points: 「banana」は点として読めません。点は \"x,y;x,y;...\" の形で指定してください。\n");
  r = Run(Data() + " render --preset nope in.png out.png");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "lumbra: 「nope」という名前のプリセットはありません。\n");

  ASSERT_EQ(Run(Data() + " ruler save r --points '0,0;100,0'").status, 0);
  r = Run(Data() + " ruler save r --points '0,0;100,9'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(
      r.err.find("上書きしてもよろしいですか？\n(キャンセルと回答しました)\nlumbra: 定規は保存されませんでした。"),
      std::string::npos)
      << r.err;

  r = Run("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("このヘルプを表示して終了します"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("PNG 画像にプリセットの線を描きます"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("--max-pixels"), std::string::npos);
  EXPECT_NE(
      Run("layout save --help").out.find("--latest                    作業中のレイアウト \"latest\" として保存します"),
      std::string::npos);

  // Without LUMBRA_LANG, the first locale variable set decides.
  language = "";
  environment = "LC_ALL= LC_MESSAGES= LANG=ja_JP.UTF-8";
  EXPECT_EQ(Run(Data() + " render --preset nope in.png out.png").err,
            "lumbra: 「nope」という名前のプリセットはありません。\n");
  environment = "LC_ALL=C LC_MESSAGES= LANG=ja_JP.UTF-8";
  EXPECT_EQ(Run(Data() + " render --preset nope in.png out.png").err, "lumbra: there is no preset named \"nope\"\n");
}

TEST_F(Cli, PrintsAndDrawsTheOutline) {
  Result r = Run(Data() + " outline --length 200 --ruler-height 20 --thickness 10 --pen g --png '" +
                 data.File("stroke.png") + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto points = nlohmann::json::parse(r.out)["points"];
  const double expected[6][2] = {{0, 5}, {100.125, 5}, {200, 0}, {200, 0}, {100.125, -5}, {0, -5}};
  ASSERT_EQ(points.size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_NEAR(points[i][0].get<double>(), expected[i][0], 1e-3) << i;
    EXPECT_NEAR(points[i][1].get<double>(), expected[i][1], 1e-6) << i;
  }
  // Nine significant digits.
  EXPECT_NE(r.out.find("100.125076"), std::string::npos) << r.out;
  const auto png = ReadBytes(data.File("stroke.png"));
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png[1], 'P');
  r = Run(Data() +
          " outline --points '0,0;50,50;100,0' --curve --length 300 --ruler-height 30 --thickness 12"
          " --png '" +
          data.File("preview.png") + "' --preview");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_GT(nlohmann::json::parse(r.out)["points"].size(), 40u);
  EXPECT_GT(ReadBytes(data.File("preview.png")).size(), 100u);
}

TEST_F(Cli, AuthorsLayoutsAndPresets) {
  ASSERT_EQ(Run(Data() + " layout save ring --circle 50,50,73,73,0,360").status, 0);
  ASSERT_EQ(Run(Data() + " layout save diagonal --line 0,0,100,50,4").status, 0);
  ASSERT_EQ(Run(Data() + " ruler save wave --points '0,0;50,-30;100,0' --curve").status, 0);
  Result r = Run(Data() + " preset save focus --layout ring --ruler wave --color '#FF8000' --angle -45"
                 " --interval 3 --pen mill --draw-side 2");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(data.File("layout/ring.qmflayout")).size(), 45u);

  r = Run("show '" + data.File("preset/focus.qmfpreset") + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto preset = nlohmann::json::parse(r.out);
  EXPECT_EQ(preset["kind"], "preset");
  EXPECT_EQ(preset["layout"], "ring");
  EXPECT_EQ(preset["ruler"], "wave");
  EXPECT_EQ(preset["color"], "#FF8000");
  EXPECT_EQ(preset["angle"], -45);
  EXPECT_EQ(preset["interval"], 3);
  EXPECT_EQ(preset["penTip"], 1);
  EXPECT_EQ(preset["drawSide"], 2);
  EXPECT_EQ(preset["length"], 200);  // untouched settings keep the defaults

  // --from starts from a stored preset.
  ASSERT_EQ(Run(Data() + " preset save thin --from focus --thickness 2").status, 0);
  const auto thin = nlohmann::json::parse(Run("show '" + data.File("preset/thin.qmfpreset") + "'").out);
  EXPECT_EQ(thin["interval"], 3);
  EXPECT_EQ(thin["thickness"], 2);

  r = Run("show '" + data.File("layout/diagonal.qmflayout") + "'");
  EXPECT_EQ(nlohmann::json::parse(r.out)["points"],
            nlohmann::json::parse("[[0,0],[25,13],[50,25],[75,38],[100,50]]"));
  EXPECT_EQ(Run(Data() + " list presets").out, "focus\nthin\n");
}

TEST_F(Cli, RefusesBadPresetsAndLayouts) {
  EXPECT_EQ(Run(Data() + " preset save p --interval 0").status, 2);
  EXPECT_EQ(Run(Data() + " preset save p --angle 181").status, 2);
  EXPECT_EQ(Run(Data() + " preset save p --color red").status, 2);
  EXPECT_EQ(Run(Data() + " preset save p --draw-side 4").status, 2);
  Result r = Run(Data() + " preset save p --ruler missing");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("missing"), std::string::npos);
  EXPECT_EQ(Run(Data() + " layout save l --circle 1,2,3").status, 2);
  EXPECT_EQ(Run(Data() + " layout save l --polygon 50,50,75,75,2,0,1").status, 2);  // too few vertices
  EXPECT_EQ(Run(Data() + " layout save l --points '0,0' --circle 1,2,3,4,5,6").status, 2);
  WriteBytes(data.File("junk.csv"), {0xFF, 0x00, 0x13, '\n'});
  EXPECT_EQ(Run(Data() + " layout save l --import '" + data.File("junk.csv") + "'").status, 1);
  EXPECT_EQ(Run(Data() + " list layouts").out, "");
}

class CliRender : public Cli {
 protected:
  void SetUp() override {
    Bitmap picture(120, 80);
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 120; ++x) picture.SetPixel(x, y, 0xFF000000u | (x * 2) << 16 | (y * 3) << 8 | 0x40);
    std::string error;
    ASSERT_TRUE(WritePng(picture, data.File("in.png"), error)) << error;
    ASSERT_EQ(Run(Data() + " preset save speed --interval 4 --length 60 --thickness 6 --draw-side 2 --antialias 1"
                           " --jitter 2 --overshoot 5 --color '#2050A0'").status, 0);
  }
  Bitmap Png(const std::string& name) {
    std::string error;
    return ReadPng(data.File(name), error);
  }
  static bool Same(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
      for (int x = 0; x < a.Width(); ++x)
        if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
    return true;
  }
};

TEST_F(CliRender, PlacementIsPrintedLineByLine) {
  Result r = Run(Data() + " place --preset speed --size 120x80 --seed 3");
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream lines(r.out);
  std::string line;
  std::vector<nlohmann::json> sides;
  while (std::getline(lines, line)) sides.push_back(nlohmann::json::parse(line));
  ASSERT_GT(sides.size(), 2u);
  const auto last = sides.back();
  EXPECT_GT(last["steps"].get<int>(), 10);
  EXPECT_NEAR(last["total"].get<double>(), 80.0, 1e-3);  // the default path runs down the left edge
  // Both sides at every placed step (jitter may push a step off the path).
  const size_t placed = sides.size() - 1, steps = last["steps"].get<size_t>();
  EXPECT_EQ(placed % 2, 0u);
  EXPECT_LE(placed, 2 * steps);
  EXPECT_GE(placed, 2 * steps - 4);
  for (const char* key : {"step", "pos", "x", "y", "theta", "side", "shift", "thickness", "lengthPercent"})
    EXPECT_TRUE(sides[0].contains(key)) << key;
  EXPECT_EQ(Run(Data() + " place --preset speed --size 120x80 --seed 3").out, r.out);  // the seed decides all
  EXPECT_NE(Run(Data() + " place --preset speed --size 120x80 --seed 4").out, r.out);
  EXPECT_EQ(Run(Data() + " place --preset speed --size 120by80 --seed 3").status, 2);
}

TEST_F(CliRender, RendersComposesAndRepeatsWithTheSameSeed) {
  const std::string common = Data() + " render --preset speed --seed 9 '" + data.File("in.png") + "' ";
  Result r = Run(common + "'" + data.File("a.png") + "' --svg '" + data.File("a.svg") + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(Run(common + "'" + data.File("b.png") + "'").status, 0);
  ASSERT_EQ(Run(common + "'" + data.File("lines.png") + "' --lines-only").status, 0);
  const Bitmap a = Png("a.png"), b = Png("b.png"), lines = Png("lines.png");
  ASSERT_TRUE(a.Ok() && lines.Ok());
  EXPECT_TRUE(Same(a, b));
  // The composed picture is the line layer over the picture; the layer is clear where no stroke is.
  Bitmap expected = Png("in.png");
  ComposeOver(expected, lines);
  EXPECT_TRUE(Same(a, expected));
  int clear = 0, drawn = 0;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 120; ++x) {
      const uint32_t p = lines.GetPixel(x, y);
      if (p >> 24 == 0) ++clear;
      if (p == 0xFF2050A0u) ++drawn;
    }
  EXPECT_GT(clear, 1000);
  EXPECT_GT(drawn, 100);
  const auto svg = ReadBytes(data.File("a.svg"));
  EXPECT_NE(std::string(svg.begin(), svg.end()).find("<path d=\"M"), std::string::npos);
  // A 1 x 1 picture renders too.
  WriteBytes(data.File("tiny.png"), {});
  std::string error;
  ASSERT_TRUE(WritePng(Bitmap(1, 1), data.File("tiny.png"), error));
  EXPECT_EQ(Run(Data() + " render --preset speed '" + data.File("tiny.png") + "' '" + data.File("t.png") + "'").status, 0);
}

// Rims and bundles from the command line to the preset file, the placement and the SVG.
TEST_F(CliRender, EdgesAndBundles) {
  ASSERT_EQ(Run(Data() + " preset save full --edge-width 50 --edge-color '#12aBf0' --edge-mode merged"
                         " --bundle-lines 1000 --bundle-gap 100 --bundle-variation 100").status, 0);
  ASSERT_EQ(Run(Data() + " preset save kept --from full --thickness 2").status, 0);  // keeps what is not given
  const auto shown = nlohmann::json::parse(Run("show '" + data.File("preset/kept.qmfpreset") + "'").out);
  const auto expected = nlohmann::json::parse(R"({"edgeWidth":50, "edgeColor":"#12ABF0", "edgeMode":"merged",
      "bundleLines":1000, "bundleGap":100, "bundleVariation":100, "thickness":2})");
  for (const auto& [key, value] : expected.items()) EXPECT_EQ(shown[key], value) << key;
  for (const char* bad : {"--edge-width 51", "--edge-width -1", "--edge-color white", "--edge-color '#12345'",
                          "--edge-mode both", "--bundle-lines 0", "--bundle-lines 1001", "--bundle-gap 101",
                          "--bundle-gap -1", "--bundle-variation 101", "--bundle-lines 2.5"})
    EXPECT_EQ(Run(Data() + " preset save bad " + bad).status, 2) << bad;

  // Without jitter every step is placed: of every five steps three are drawn, two marked as gaps.
  ASSERT_EQ(Run(Data() + " preset save bundled --from speed --jitter 0 --bundle-lines 3 --bundle-gap 2"
                         " --bundle-variation 0").status, 0);
  std::istringstream lines(Run(Data() + " place --preset bundled --size 120x80 --seed 3").out);
  std::string line;
  std::vector<nlohmann::json> sides;
  while (std::getline(lines, line)) sides.push_back(nlohmann::json::parse(line));
  ASSERT_GE(sides.size(), 21u);
  ASSERT_EQ(sides.size(), 2 * sides.back()["steps"].get<size_t>() + 1);  // both sides of every step
  for (size_t i = 0; i + 1 < sides.size(); ++i) {
    const size_t step = sides[i]["step"];
    EXPECT_EQ(step, i / 2);
    EXPECT_EQ(sides[i].contains("gap"), step % 5 >= 3) << step;  // a drawn side's line is as it always was
    if (sides[i].contains("gap")) {
      EXPECT_EQ(sides[i]["gap"], true);
    }
  }

  // The SVG has each rim, in its own colour, just before its stroke; merged, every rim first.
  const auto fills = [&](const std::string& mode) {
    EXPECT_EQ(Run(Data() + " preset save " + mode + " --from speed --edge-width 3 --edge-color '#00FF00'"
                           " --edge-mode " + mode).status, 0);
    EXPECT_EQ(Run(Data() + " render --preset " + mode + " --seed 5 '" + data.File("in.png") + "' '" +
                  data.File("e.png") + "' --svg '" + data.File("e.svg") + "'").status, 0);
    const auto bytes = ReadBytes(data.File("e.svg"));
    std::istringstream svg(std::string(bytes.begin(), bytes.end()));
    std::string order;
    while (std::getline(svg, line))
      if (line.rfind("<path", 0) == 0) order += line.find("\"#00FF00\"") != std::string::npos   ? 'E'
                                                : line.find("\"#2050A0\"") != std::string::npos ? 'S'
                                                                                                : '?';
    return order;
  };
  const std::string separate = fills("separate"), merged = fills("merged");
  const size_t strokes = separate.size() / 2;
  ASSERT_GT(strokes, 10u);
  std::string alternating;
  for (size_t i = 0; i < strokes; ++i) alternating += "ES";
  EXPECT_EQ(separate, alternating);
  EXPECT_EQ(merged, std::string(strokes, 'E') + std::string(strokes, 'S'));
}

TEST_F(CliRender, FailuresLeaveNoOutput) {
  const std::string out = " '" + data.File("out.png") + "'";
  Result r = Run(Data() + " render --preset speed '" + data.File("missing.png") + "'" + out);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("missing.png"), std::string::npos);
  std::string error;
  ASSERT_TRUE(WritePng(Bitmap(10, 10), data.File("mask.png"), error));
  r = Run(Data() + " render --preset speed --mask '" + data.File("mask.png") + "' '" + data.File("in.png") + "'" + out);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("10 x 10"), std::string::npos);
  r = Run(Data() + " render --preset nothing '" + data.File("in.png") + "'" + out);
  EXPECT_EQ(r.status, 1);
  WriteBytes(data.File("junk.png"), {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0xFF});
  EXPECT_EQ(Run(Data() + " render --preset speed '" + data.File("junk.png") + "'" + out).status, 1);
  EXPECT_FALSE(FileExists(data.File("out.png")));
  EXPECT_FALSE(FileExists(data.File("out.png.part")));
}

}  // namespace
}  // namespace lumbra
