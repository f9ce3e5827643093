#include <gtest/gtest.h>

#include "data/RulerData.h"
#include "engine/Bitmap.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace lumbra {
namespace {

using test::ReadBytes;
using test::RecordingMessageService;
using test::TempDataFolder;
using test::WriteBytes;
using Bytes = std::vector<unsigned char>;

// Magic, version 1000, mode 0, two points: (0, 0) and (100, 0).
const Bytes kDefaultRulerFile = {9,   0, '.', 'q', 'm', 'f', 'r', 'u', 'l', 'e', 'r', 0xE8, 3, 0, 0,  //
                                 0,   2, 0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    0,        //
                                 100, 0, 0,   0,   0,   0,   0,   0};

class Ruler : public ::testing::Test {
 protected:
  TempDataFolder data;
  RecordingMessageService messages;
  std::string Path(const std::string& name) { return data.Path() + "ruler" + PathSeparator() + name + ".qmfruler"; }
  void WriteRuler(const std::string& name, Bytes bytes) {
    CRulerData make;  // makes the folder
    WriteBytes(Path(name), bytes);
  }
  void ExpectDefaults(const CRulerData& r) {
    EXPECT_EQ(r.GetName(), "latest");
    EXPECT_EQ(r.GetMode(), 0);
    EXPECT_EQ(r.GetPoints(), (std::vector<Point>{{0, 0}, {100, 0}}));
  }
};

TEST_F(Ruler, DefaultsAndClampedSetters) {
  CRulerData r;
  ExpectDefaults(r);
  EXPECT_TRUE(r.GetMillPen());
  EXPECT_FALSE(r.GetFixedTaper());
  EXPECT_EQ(r.GetTaperStart(), 50.0f);
  EXPECT_EQ(r.GetLengthPercent(), 100.0f);
  r.SetTaperStart(150);
  r.SetLengthPercent(-5);
  EXPECT_EQ(r.GetTaperStart(), 100.0f);
  EXPECT_EQ(r.GetLengthPercent(), 0.0f);
}

TEST_F(Ruler, SavesThirtySixBytesAndLoadsThemBack) {
  CRulerData r;
  ASSERT_TRUE(r.Save("straight", false));
  EXPECT_EQ(ReadBytes(Path("straight")), kDefaultRulerFile);
  EXPECT_EQ(r.GetName(), "latest");  // saving never renames

  CRulerData curve;
  curve.GetPoints() = {{0, 0}, {50, -100}, {100, 100}};
  curve.SetMode(CRulerData::kCurve);
  ASSERT_TRUE(curve.Save("curve", false));
  CRulerData back;
  EXPECT_TRUE(back.Load("curve"));
  EXPECT_EQ(back.GetName(), "curve");
  EXPECT_EQ(back.GetMode(), CRulerData::kCurve);
  EXPECT_EQ(back.GetPoints(), curve.GetPoints());
  EXPECT_EQ(ReadBytes(Path("curve")).size(), 20u + 8 * 3);
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(Ruler, SaveAsLatestNeverAsks) {
  CRulerData r;
  ASSERT_TRUE(r.Save("anything", true));
  r.GetPoints().push_back({100, 50});
  ASSERT_TRUE(r.Save("anything", true));
  EXPECT_EQ(ReadBytes(Path("latest")).size(), 44u);
  EXPECT_FALSE(FileExists(Path("anything")));
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(Ruler, DeclinedOverwriteKeepsTheStoredRecord) {
  CRulerData r;
  ASSERT_TRUE(r.Save("keep", false));
  r.GetPoints().push_back({50, 50});
  EXPECT_FALSE(r.Save("keep", false));  // answered Cancel
  EXPECT_EQ(ReadBytes(Path("keep")), kDefaultRulerFile);
  messages.QueueAnswer(MessageAnswer::Ok);
  EXPECT_TRUE(r.Save("keep", false));
  EXPECT_EQ(ReadBytes(Path("keep")).size(), 44u);
}

TEST_F(Ruler, VersionAndModeRules) {
  Bytes newer = kDefaultRulerFile;
  newer[11] = 0xE9;  // 1001
  newer[15] = 2;     // an unknown mode byte
  WriteRuler("newer", newer);
  CRulerData r;
  EXPECT_TRUE(r.Load("newer"));
  EXPECT_EQ(r.GetMode(), 0);
  EXPECT_EQ(r.GetName(), "newer");

  Bytes older = kDefaultRulerFile;
  older[11] = 0xE7;  // 999
  WriteRuler("older", older);
  EXPECT_FALSE(r.Load("older"));
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0].text,
            Path("older") + "\r\nこのソフトのバージョンでは読み込めません。\r\n最近保存されたデータを読み込みます。");
  EXPECT_EQ(messages.messages[0].caption, "ファイル読み込みエラー");
  EXPECT_EQ(messages.messages[0].icon, MessageIcon::Warning);
  ExpectDefaults(r);
}

TEST_F(Ruler, MissingFilesFallBack) {
  CRulerData r;
  EXPECT_TRUE(r.Load("latest"));  // a fresh folder: defaults, no message
  EXPECT_TRUE(messages.messages.empty());

  // A stored "latest" is what a failed load falls back to.
  CRulerData stored;
  stored.GetPoints() = {{0, 10}, {100, -10}};
  ASSERT_TRUE(stored.Save("", true));
  EXPECT_FALSE(r.Load("abc"));
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0].text.find(Path("abc") + "\r\n"), 0u);
  EXPECT_NE(messages.messages[0].text.find("最近保存されたデータを読み込みます。"), std::string::npos);
  EXPECT_EQ(r.GetName(), "latest");
  EXPECT_EQ(r.GetPoints(), stored.GetPoints());
}

TEST_F(Ruler, CorruptFilesTakeTheErrorPathWithoutOverreading) {
  const std::vector<std::pair<Bytes, std::string>> cases = {
      {{}, "ファイルが途中で切れているか、壊れています。"},
      {Bytes(kDefaultRulerFile.begin(), kDefaultRulerFile.begin() + 30),
       "ファイルが途中で切れているか、壊れています。"},
      {{8, 0, '.', 'q', 'm', 'f', 'r', 'u', 'l', 'e', 'r'}, "未対応形式のファイルです。"},
      {{9, 0, '.', 'q', 'm', 'f', 'l', 'a', 'y', 'o', 'u', 0xE8, 3, 0, 0}, "未対応形式のファイルです。"},
  };
  for (const auto& [bytes, expected] : cases) {
    messages.messages.clear();
    WriteRuler("bad", bytes);
    CRulerData r;
    EXPECT_FALSE(r.Load("bad"));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, Path("bad") + "\r\n" + expected + "\r\n最近保存されたデータを読み込みます。");
    ExpectDefaults(r);
  }
  // A point count far beyond what the file holds is refused before anything is allocated.
  Bytes absurd = kDefaultRulerFile;
  absurd[16] = 0xFF, absurd[17] = 0xFF, absurd[18] = 0xFF, absurd[19] = 0x7F;
  WriteRuler("absurd", absurd);
  absurd[19] = 0xFF;  // negative
  WriteRuler("negative", absurd);
  CRulerData r;
  EXPECT_FALSE(r.Load("absurd"));
  EXPECT_FALSE(r.Load("negative"));
  ExpectDefaults(r);
}

TEST_F(Ruler, BrokenLatestFallsBackToDefaults) {
  WriteRuler("latest", {1, 2, 3});
  WriteRuler("other", {1, 2, 3});
  CRulerData r;
  r.GetPoints().clear();
  EXPECT_FALSE(r.Load("latest"));
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_NE(messages.messages[0].text.find("\r\nデフォルトのデータを読み込みます。"), std::string::npos);
  ExpectDefaults(r);
  // A broken named record falls back to the broken "latest", which falls back to the defaults.
  messages.messages.clear();
  EXPECT_FALSE(r.Load("other"));
  EXPECT_EQ(messages.messages.size(), 2u);
  ExpectDefaults(r);
}

TEST_F(Ruler, UnreadableRecordReportsTheSystemError) {
  CRulerData r;
  ASSERT_TRUE(MakeDirectory(Path("folder")));  // a directory where the file should be
  EXPECT_FALSE(r.Load("folder"));
  ASSERT_EQ(messages.messages.size(), 1u);
  const std::string& text = messages.messages[0].text;
  const std::string head = Path("folder") + "\r\n";
  ASSERT_EQ(text.find(head), 0u);
  EXPECT_GT(text.find("\r\n最近保存"), head.size());  // some error text in between
}

TEST_F(Ruler, FailedSaveReportsAndLeavesNothingBehind) {
  CRulerData r;
  ASSERT_TRUE(r.Save("", true));
  // A directory where the record goes: the finished temporary cannot replace it.
  ASSERT_TRUE(RemoveFile(Path("latest")));
  ASSERT_TRUE(MakeDirectory(Path("latest")));
  WriteBytes(Path("latest") + PathSeparator() + "inside", {1, 2});
  r.GetPoints().push_back({1, 1});
  EXPECT_FALSE(r.Save("", true));
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0].caption, "ファイル書き込みエラー");
  EXPECT_EQ(messages.messages[0].icon, MessageIcon::Error);
  EXPECT_EQ(messages.messages[0].text.find(Path("latest") + "\r\n"), 0u);
  EXPECT_EQ(ReadBytes(Path("latest") + PathSeparator() + "inside"), (Bytes{1, 2}));
  EXPECT_EQ(ListFiles(data.Path() + "ruler"), std::vector<std::string>{});  // no temporary left
}

TEST_F(Ruler, SavesUseTheirOwnTemporaryAndClearWhatKilledSavesLeft) {
  CRulerData r;
  // What a killed save left: one from a process that no longer runs, one in the name earlier
  // versions used; a planted link where a temporary might go is never followed.
  MakeDirectory(data.Path() + "ruler");
  WriteBytes(Path("x") + ".saving-999999999-0", {1});
  WriteBytes(Path("x") + ".saving", {1});
  WriteBytes(Path("x") + ".saving-" + std::to_string(CurrentProcessId()) + "-7", {1});  // a running save's
  ASSERT_TRUE(r.Save("x", false));
  EXPECT_FALSE(FileExists(Path("x") + ".saving-999999999-0"));
  EXPECT_FALSE(FileExists(Path("x") + ".saving"));
  EXPECT_TRUE(FileExists(Path("x") + ".saving-" + std::to_string(CurrentProcessId()) + "-7"));
  EXPECT_EQ(ReadBytes(Path("x")), kDefaultRulerFile);
}

TEST_F(Ruler, DataFolderThatCannotBeCreatedGivesAWriteError) {
  WriteBytes(data.File("blocker"), {0});
  SetDataFolder(data.File("blocker") + PathSeparator() + "sub");
  CRulerData r;
  EXPECT_FALSE(r.Save("x", false));
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0].caption, "ファイル書き込みエラー");
  SetDataFolder(data.Path());
}

TEST_F(Ruler, CopyToCarriesEverything) {
  CRulerData a, b;
  a.GetPoints() = {{0, 0}, {30, 40}, {100, 0}};
  a.SetMode(CRulerData::kCurve);
  a.SetMillPen(false);
  a.SetFixedTaper(true);
  a.SetTaperStart(20);
  a.SetLengthPercent(70);
  WriteRuler("named", kDefaultRulerFile);
  a.Load("named");
  a.GetPoints() = {{0, 0}, {30, 40}, {100, 0}};
  a.CopyTo(b);
  EXPECT_EQ(b.GetName(), "named");
  EXPECT_EQ(b.GetPoints(), a.GetPoints());
  EXPECT_FALSE(b.GetMillPen());
  EXPECT_TRUE(b.GetFixedTaper());
  EXPECT_EQ(b.GetTaperStart(), 20.0f);
  EXPECT_EQ(b.GetLengthPercent(), 70.0f);
}

TEST_F(Ruler, PreviewKeepsOnlyTheFirstPointOfAScreenColumn) {
  CRulerData r;
  // Box 5..105: one percent is one pixel; x 50 and 50 share a column, 0 and 1 do not.
  r.GetPoints() = {{0, 0}, {1, 0}, {50, 10}, {50, 90}, {100, 0}};
  const auto preview = r.PreviewPointsFor(5, 100, 105, 150);
  EXPECT_EQ(preview.kept, (std::vector<Point>{{0, 0}, {1, 0}, {50, 10}, {100, 0}}));
  ASSERT_EQ(preview.screen.size(), 4u);
  EXPECT_EQ(preview.screen[2], (PointF{55, 105}));
  // Narrow box: 0..100 percent over 10 pixels, integer division decides the columns.
  r.GetPoints() = {{0, 0}, {5, 0}, {9, 0}, {10, 0}};
  EXPECT_EQ(r.PreviewPointsFor(0, 0, 10, 10).kept, (std::vector<Point>{{0, 0}, {10, 0}}));
}

TEST_F(Ruler, PreviewDrawsOutlineGuidesAndHandles) {
  CRulerData r;
  r.SetMillPen(false);
  Bitmap canvas(300, 200);
  ASSERT_TRUE(canvas.Ok());
  // left 5, top 100 (the axis), right 295, bottom 195.
  r.DrawPreview(canvas, 1, 5, 100, 295, 195);
  EXPECT_EQ(canvas.GetPixel(2, 2), 0xFFFFFFFFu);              // background
  EXPECT_EQ(canvas.GetPixel(60, 95), 0xFFD3D3D3u);            // inside the stroke (thickness 20)
  EXPECT_EQ(canvas.GetPixel(20, 100 - 95 / 2), 0xFFFFA500u);  // upper guide
  EXPECT_EQ(canvas.GetPixel(150, 150), 0xFFFFA500u);          // centre guide
  EXPECT_EQ(canvas.GetPixel(5, 60), 0xFF00FFFFu);             // the frame's left side
  EXPECT_EQ(canvas.GetPixel(295, 100), 0xFF0000FFu);          // the selected handle (second point)
  EXPECT_EQ(canvas.GetPixel(5, 100), 0xFF000000u);            // the first handle
}

}  // namespace
}  // namespace lumbra
