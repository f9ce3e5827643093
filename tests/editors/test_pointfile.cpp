#include <gtest/gtest.h>

#include <string>

#include "platform/FileSystem.h"
#include "support/TestSupport.h"
#include "ui/editors/model/PointFile.h"

namespace lumbra {
namespace {

using Points = std::vector<Point>;

Points Parse(std::string_view text) {
  const PointFileContents c = ParsePointText(text);
  EXPECT_EQ(c.error, "");
  return c.points;
}

TEST(PointText, ValuesFollowTheCLibraryDecimalConversion) {
  EXPECT_EQ(Parse("10,20\n30,40\n"), (Points{{10, 20}, {30, 40}}));
  EXPECT_EQ(Parse("x,y\n10,20"), (Points{{0, 0}, {10, 20}}));      // header line: (0, 0)
  EXPECT_EQ(Parse("  +5,\t-7\n"), (Points{{5, -7}}));              // blanks and signs
  EXPECT_EQ(Parse("1,2,99999999999999999999"), (Points{{1, 2}}));  // after a second comma: ignored
  EXPECT_EQ(Parse("12abc,3.9xyz\n,\n- 4,+"), (Points{{12, 3}, {0, 0}, {0, 0}}));
  EXPECT_EQ(Parse("-600,100000"), (Points{{-600, 100000}}));  // no range limit
  EXPECT_EQ(Parse("2147483647,-2147483648"), (Points{{2147483647, -2147483647 - 1}}));
  EXPECT_EQ(Parse("000000000000000000000000012,-0000000000000000000000007"), (Points{{12, -7}}));
}

TEST(PointText, ReadingStopsAtTheFirstBlankLineOrLineWithoutAComma) {
  PointFileContents c = ParsePointText("10,20\n30, 40\n\n50,60\n");
  EXPECT_EQ(c.points, (Points{{10, 20}, {30, 40}}));
  EXPECT_EQ(c.stop, PointFileStop::BlankLine);
  EXPECT_EQ(c.stopLine, 3);

  c = ParsePointText("1,1\n2 2\n3,3");
  EXPECT_EQ(c.points, (Points{{1, 1}}));
  EXPECT_EQ(c.stop, PointFileStop::NoComma);
  EXPECT_EQ(c.stopLine, 2);

  c = ParsePointText("1,1\n2,2");  // last line without a line end still counts
  EXPECT_EQ(c.points.size(), 2u);
  EXPECT_EQ(c.stop, PointFileStop::EndOfText);
  EXPECT_EQ(c.stopLine, 0);

  EXPECT_TRUE(ParsePointText("").points.empty());
  EXPECT_EQ(ParsePointText("   \n1,1").stop, PointFileStop::NoComma);  // blanks only: no comma
}

TEST(PointText, LineEndsByteOrderMarkAndTextModeBytes) {
  EXPECT_EQ(Parse("10,20\r\n30,40\r\n"), (Points{{10, 20}, {30, 40}}));
  EXPECT_EQ(Parse("10,20\r30,40\r"), (Points{{10, 20}, {30, 40}}));  // lone CR
  EXPECT_EQ(Parse("10,20\r\n\r\n30,40"), (Points{{10, 20}}));        // CRLF blank line
  EXPECT_EQ(Parse("\xEF\xBB\xBF"
                  "10,20\n30,40"),
            (Points{{10, 20}, {30, 40}}));
  EXPECT_EQ(Parse("10,20\n30,40\x1A"
                  "50,60\n"),
            (Points{{10, 20}, {30, 40}}));  // Ctrl-Z ends the text
  using namespace std::string_view_literals;
  EXPECT_EQ(Parse("10,20\n30\0,40\n50,60"sv), (Points{{10, 20}}));  // zero byte ends its line
  EXPECT_EQ(Parse("10,2\0"
                  "5\n50,60"sv),
            (Points{{10, 2}, {50, 60}}));
}

TEST(PointText, RefusesNumbersBeyondThirtyTwoBitsAndUtf16) {
  for (const char* text : {"1,1\n2147483648,0", "1,1\n0,-2147483649", "1,1\n99999999999999999999999,1"}) {
    const PointFileContents c = ParsePointText(text);
    EXPECT_TRUE(c.points.empty()) << text;
    EXPECT_EQ(c.error.rfind("2行目の数値が大きすぎます。", 0), 0u) << text;
  }
  using namespace std::string_view_literals;
  EXPECT_NE(ParsePointText("\xFF\xFE"
                           "1\0,\0"
                           "2\0"sv)
                .error.find("UTF-16"),
            std::string::npos);
  EXPECT_NE(ParsePointText("\xFE\xFF\0"
                           "1\0,\0"
                           "2"sv)
                .error.find("UTF-16"),
            std::string::npos);
}

class PointFile : public ::testing::Test {
 protected:
  test::TempDataFolder data;
  CLayoutData layout;
  std::string Write(const std::string& text) {
    const std::string path = data.File("points.csv");
    test::WriteBytes(path, std::vector<unsigned char>(text.begin(), text.end()));
    return path;
  }
  void ExpectDefaultPath() {
    EXPECT_EQ(layout.GetMode(), CLayoutData::kLine);
    EXPECT_EQ(layout.GetPoints(), (Points{{0, 0}, {0, 100}}));
    EXPECT_EQ(layout.GetName(), "latest");
  }
  void ExpectUnchangedCircle(const PointFileResult& r) {
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(layout.GetMode(), CLayoutData::kCircle);
    EXPECT_EQ(layout.GetPoints(), (Points{{50, 50}, {73, 73}, {0, 360}}));
  }
};

TEST_F(PointFile, ImportReplacesTheLayoutWithALinePath) {
  layout.SetDefaultCircle();
  const PointFileResult r = ImportPointFile(Write("10,20\n30, 40\n\n50,60\n"), layout);
  EXPECT_TRUE(r.ok);
  EXPECT_FALSE(r.usedDefaults);
  EXPECT_EQ(r.pointsRead, 2u);
  EXPECT_EQ(layout.GetMode(), CLayoutData::kLine);
  EXPECT_EQ(layout.GetPoints(), (Points{{10, 20}, {30, 40}}));
  EXPECT_EQ(r.Summary(), "2 個の点を読み込みました。3行目が空行のため、そこで読み込みを終えました。");
}

TEST_F(PointFile, FewerThanTwoPointsGiveTheDefaultPath) {
  for (const std::string text : {"10,20", "10,20\n", "", "\n10,20\n30,40", "x y\n10,20\n30,40", "\xEF\xBB\xBF"}) {
    layout.SetDefaultCircle();
    const PointFileResult r = ImportPointFile(Write(text), layout);
    EXPECT_TRUE(r.ok) << text;
    EXPECT_TRUE(r.usedDefaults) << text;
    ExpectDefaultPath();
  }
  const PointFileResult r = ImportPointFile(Write("x y\n"), layout);
  EXPECT_EQ(r.Summary(),
            "0 個の点を読み込みました。1行目にカンマがないため、そこで読み込みを終えました。"
            "点が 2 個未満のため、既定の配置 (0, 0) - (0, 100) にしました。");
}

TEST_F(PointFile, FailuresLeaveTheLayoutAsItWas) {
  layout.SetDefaultCircle();
  PointFileResult r = ImportPointFile(data.File("missing.csv"), layout);
  ExpectUnchangedCircle(r);
  EXPECT_EQ(r.error.rfind("ファイルを開けませんでした。\r\n", 0), 0u);
  EXPECT_GT(r.error.size(), std::string("ファイルを開けませんでした。\r\n").size());  // the system's reason

  ExpectUnchangedCircle(ImportPointFile(data.Path(), layout));  // a folder
  ExpectUnchangedCircle(ImportPointFile(Write("1,2\n3,4\n5,4294967296\n"), layout));
  ExpectUnchangedCircle(ImportPointFile(Write("\xFF\xFE"), layout));
}

TEST_F(PointFile, SizeIsCappedAtOneMebibyte) {
  // Exactly 1 MiB of padded lines (fewer points than a layout may hold).
  std::string text;
  const std::string line = "1," + std::string(22, ' ') + "2\n";
  size_t lines = 0;
  while (text.size() + 2 * line.size() <= kMaxPointFileBytes) text += line, ++lines;
  text += "1," + std::string(kMaxPointFileBytes - text.size() - 4, ' ') + "2\n";
  ASSERT_EQ(text.size(), kMaxPointFileBytes);
  PointFileResult r = ImportPointFile(Write(text), layout);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(layout.GetPoints().size(), lines + 1);

  layout.SetDefaultCircle();
  r = ImportPointFile(Write(text + "\n"), layout);
  ExpectUnchangedCircle(r);
  EXPECT_EQ(r.error.rfind("ファイルが大きすぎます。", 0), 0u);
  EXPECT_EQ(r.Summary(), r.error);
}

TEST_F(PointFile, PointsAreKeptToTheLayoutsRangeAndCount) {
  // Points beyond [-500, 500] are moved to the range's end, and the summary says how many.
  PointFileResult r = ImportPointFile(Write("0,0\n600,-20\n-9000,9000\n500,-500\n"), layout);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(layout.GetPoints(), (std::vector<Point>{{0, 0}, {500, -20}, {-500, 500}, {500, -500}}));
  EXPECT_EQ(r.clamped, 2u);
  EXPECT_NE(r.Summary().find("2 個の点が範囲 (-500～500) の外にあったため"), std::string::npos) << r.Summary();
  // At most kMaxLayoutPoints points; one more is refused and the layout stays as it was.
  std::string text;
  for (size_t i = 0; i < kMaxLayoutPoints; ++i) text += "1,2\n";
  r = ImportPointFile(Write(text), layout);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(layout.GetPoints().size(), kMaxLayoutPoints);
  layout.SetDefaultCircle();
  r = ImportPointFile(Write(text + "3,4\n"), layout);
  ExpectUnchangedCircle(r);
  EXPECT_NE(r.error.find("50000 個まで"), std::string::npos) << r.error;
}

TEST(ClampedDecimal, ReadsAFieldAsTheCLibraryDoesAndKeepsItInRange) {
  EXPECT_EQ(ClampedDecimal("600", -500, 500), 500);
  EXPECT_EQ(ClampedDecimal("  -42abc", -500, 500), -42);
  EXPECT_EQ(ClampedDecimal("abc", 5, 100), 5);  // no digits: 0, then the range
  EXPECT_EQ(ClampedDecimal("", -500, 500), 0);
  EXPECT_EQ(ClampedDecimal("+7", -500, 500), 7);
  EXPECT_EQ(ClampedDecimal("99999999999", -500, 500), 500);
  EXPECT_EQ(ClampedDecimal(" -99999999999", -500, 500), -500);
}

}  // namespace
}  // namespace lumbra
