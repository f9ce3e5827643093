#include <gtest/gtest.h>

#include "data/LayoutData.h"
#include "data/PresetData.h"
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

class Records : public ::testing::Test {
 protected:
  TempDataFolder data;
  RecordingMessageService messages;
  std::string Path(const char* kind, const std::string& name, const char* ext) {
    return data.Path() + kind + PathSeparator() + name + ext;
  }
  std::string LayoutPath(const std::string& name) { return Path("layout", name, ".qmflayout"); }
  std::string PresetPath(const std::string& name) { return Path("preset", name, ".qmfpreset"); }
};

TEST_F(Records, LayoutFilesAndModes) {
  CLayoutData layout;
  EXPECT_EQ(layout.GetPoints(), (std::vector<Point>{{0, 0}, {0, 100}}));
  ASSERT_TRUE(layout.Save("path", false));
  const Bytes path = ReadBytes(LayoutPath("path"));
  ASSERT_EQ(path.size(), 37u);
  EXPECT_EQ(Bytes(path.begin(), path.begin() + 12), (Bytes{10, 0, '.', 'q', 'm', 'f', 'l', 'a', 'y', 'o', 'u', 't'}));
  EXPECT_EQ(path[16], 0);  // line mode

  layout.SetDefaultCircle();
  ASSERT_TRUE(layout.Save("circle", false));
  Bytes circle = ReadBytes(LayoutPath("circle"));
  ASSERT_EQ(circle.size(), 45u);
  CLayoutData back;
  ASSERT_TRUE(back.Load("circle"));
  EXPECT_EQ(back.GetMode(), CLayoutData::kCircle);
  EXPECT_EQ(back.GetPoints(), (std::vector<Point>{{50, 50}, {73, 73}, {0, 360}}));

  circle[16] = 2;  // any non-zero mode byte is a circle
  WriteBytes(LayoutPath("two"), circle);
  ASSERT_TRUE(back.Load("two"));
  EXPECT_EQ(back.GetMode(), CLayoutData::kCircle);
  EXPECT_TRUE(messages.messages.empty());

  circle[17] = 4;  // four entries announced, three stored
  WriteBytes(LayoutPath("short"), circle);
  EXPECT_FALSE(back.Load("short"));
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0].text.find(LayoutPath("short") + "\r\n"), 0u);
  EXPECT_EQ(back.GetName(), "latest");
}

TEST_F(Records, LayoutPreviewDrawsPathMarkersAndArc) {
  CLayoutData layout;
  Bitmap canvas(200, 200);
  // Box 50..150: the path runs down the left edge of the frame.
  layout.DrawPreview(canvas, 1, 50, 50, 150, 150);
  EXPECT_EQ(canvas.GetPixel(10, 10), 0xFFFFFFFFu);
  EXPECT_EQ(canvas.GetPixel(10, 100), 0xFFFFA500u);  // horizontal guide
  EXPECT_EQ(canvas.GetPixel(120, 50), 0xFF00FFFFu);  // top of the frame
  EXPECT_EQ(canvas.GetPixel(50, 100), 0xFFFF0000u);  // the path
  EXPECT_EQ(canvas.GetPixel(50, 150), 0xFF0000FFu);  // the selected (last) point
  EXPECT_EQ(canvas.GetPixel(50, 50), 0xFF000000u);   // the first point's handle

  layout.SetCircle(50, 50, 50, 50, 0, 360);
  layout.DrawPreview(canvas, -1, 50, 50, 150, 150);
  int red = 0;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 200; ++x) red += canvas.GetPixel(x, y) == 0xFFFF0000u;
  EXPECT_GT(red, 250);  // about the circumference of a circle of radius 50
  EXPECT_LT(red, 450);
  EXPECT_EQ(canvas.GetPixel(100, 100), 0xFFFFA500u);  // the centre is not filled
  // Malformed circles draw the frame and guides only.
  layout.GetPoints().pop_back();
  layout.DrawPreview(canvas, 0, 50, 50, 150, 150);
  EXPECT_EQ(canvas.GetPixel(100, 50), 0xFF00FFFFu);
}

TEST_F(Records, DefaultPresetIsSixtyEightBytes) {
  CPresetData preset;
  ASSERT_TRUE(preset.Save("", true));
  const Bytes bytes = ReadBytes(PresetPath("latest"));
  ASSERT_EQ(bytes.size(), 68u);
  const Bytes head(bytes.begin() + 16, bytes.begin() + 32);
  EXPECT_EQ(head, (Bytes{6, 0, 'l', 'a', 't', 'e', 's', 't', 6, 0, 'l', 'a', 't', 'e', 's', 't'}));
  const Bytes block(bytes.begin() + 32, bytes.begin() + 45);
  EXPECT_EQ(block, (Bytes{0, 0, 0, 0, 0, 0, 1, 0x00, 0x80, 0x0A, 0, 0, 0}));
}

TEST_F(Records, PresetRoundTripKeepsEverySettingAndDropsAlpha) {
  CPresetData preset;
  preset.color = 0x80123456;
  preset.antialias = 1;
  preset.lengthFromMask = 1;
  preset.drawSide = 3;
  preset.angle = -179;
  preset.interval = 5000;
  preset.jitter = 4;
  preset.overshoot = 77;
  preset.pathPosition = 2;
  preset.penTip = 1;
  preset.height = 999;
  preset.length = 10000;
  preset.minLengthPercent = 1;
  preset.thickness = 1000;
  preset.minThicknessPercent = 33;
  preset.taperStart = 0;
  preset.fixedTaper = 0;
  preset.layout.SetDefaultCircle();
  ASSERT_TRUE(preset.layout.Save("ring", false));
  ASSERT_TRUE(preset.layout.Load("ring"));
  ASSERT_TRUE(preset.Save("all", false));
  const Bytes bytes = ReadBytes(PresetPath("all"));
  EXPECT_EQ(bytes.size(), 56u + 4 + 6);
  EXPECT_EQ(Bytes(bytes.begin() + 30, bytes.begin() + 34), (Bytes{0x12, 0x34, 0x56, 0}));  // COLORREF: red first, no alpha

  CPresetData back;
  ASSERT_TRUE(back.Load("all"));
  EXPECT_EQ(back.color, 0xFF123456u);
  EXPECT_EQ(back.layout.GetName(), "ring");
  EXPECT_EQ(back.layout.GetMode(), CLayoutData::kCircle);
  EXPECT_EQ(back.ruler.GetName(), "latest");
  EXPECT_EQ(back.antialias, 1);
  EXPECT_EQ(back.lengthFromMask, 1);
  EXPECT_EQ(back.drawSide, 3);
  EXPECT_EQ(back.angle, -179);
  EXPECT_EQ(back.interval, 5000);
  EXPECT_EQ(back.jitter, 4);
  EXPECT_EQ(back.overshoot, 77);
  EXPECT_EQ(back.pathPosition, 2);
  EXPECT_EQ(back.penTip, 1);
  EXPECT_EQ(back.height, 999);
  EXPECT_EQ(back.length, 10000);
  EXPECT_EQ(back.minLengthPercent, 1);
  EXPECT_EQ(back.thickness, 1000);
  EXPECT_EQ(back.minThicknessPercent, 33);
  EXPECT_EQ(back.taperStart, 0);
  EXPECT_EQ(back.fixedTaper, 0);
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(Records, PresetFallbacks) {
  CPresetData preset;
  EXPECT_TRUE(preset.Load("latest"));  // fresh folder: defaults, silently
  EXPECT_TRUE(messages.messages.empty());

  // A preset whose ruler is gone loads with the ruler's own message and the latest ruler.
  preset.interval = 33;
  CRulerData named;
  ASSERT_TRUE(named.Save("gone", false));
  ASSERT_TRUE(preset.ruler.Load("gone"));
  ASSERT_TRUE(preset.Save("p", false));
  RemoveFile(Path("ruler", "gone", ".qmfruler"));
  CPresetData back;
  EXPECT_TRUE(back.Load("p"));
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_NE(messages.messages[0].text.find("gone.qmfruler"), std::string::npos);
  EXPECT_EQ(back.ruler.GetName(), "latest");
  EXPECT_EQ(back.interval, 33);

  // Newer versions read; older ones and short files fall back to "latest".
  Bytes bytes = ReadBytes(PresetPath("p"));
  bytes[12] = 0xD0, bytes[13] = 0x07;  // 2000
  WriteBytes(PresetPath("newer"), bytes);
  EXPECT_TRUE(back.Load("newer"));
  bytes[12] = 0xE7, bytes[13] = 0x03;  // 999
  WriteBytes(PresetPath("older"), bytes);
  messages.messages.clear();
  back.interval = 1;
  EXPECT_FALSE(back.Load("older"));
  ASSERT_GE(messages.messages.size(), 1u);
  EXPECT_NE(messages.messages[0].text.find("このソフトのバージョンでは読み込めません。\r\n最近保存されたデータを読み込みます。"),
            std::string::npos);
  EXPECT_EQ(back.interval, 10);  // the defaults, as no "latest" preset is stored
  bytes.resize(bytes.size() - 3);
  bytes[12] = 0xE8;
  WriteBytes(PresetPath("short"), bytes);
  back.interval = 1;
  EXPECT_FALSE(back.Load("short"));
  EXPECT_EQ(back.interval, 10);
}

}  // namespace
}  // namespace lumbra
