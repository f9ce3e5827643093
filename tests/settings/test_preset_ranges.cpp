#include <gtest/gtest.h>

#include "ui/settings/model/PresetRanges.h"

namespace lumbra {
namespace {

TEST(PresetRanges, ValuesFromAFileComeToWhatTheControlsCanShow) {
  CPresetData preset;
  EXPECT_FALSE(ClampToControls(preset));  // the defaults are all showable
  preset.drawSide = 7;
  preset.pathPosition = 200;
  preset.jitter = 9;
  preset.penTip = 2;
  preset.interval = 0;
  preset.overshoot = -5;
  preset.length = 2;
  preset.thickness = 99999;
  preset.minLengthPercent = 0;
  preset.taperStart = 255;
  preset.angle = 181;
  EXPECT_TRUE(ClampToControls(preset));
  EXPECT_EQ(preset.drawSide, 3);
  EXPECT_EQ(preset.pathPosition, 3);
  EXPECT_EQ(preset.jitter, 4);
  EXPECT_EQ(preset.penTip, 1);
  EXPECT_EQ(preset.interval, 1);
  EXPECT_EQ(preset.overshoot, 0);
  EXPECT_EQ(preset.length, 5);
  EXPECT_EQ(preset.thickness, 1000);
  EXPECT_EQ(preset.minLengthPercent, 1);
  EXPECT_EQ(preset.taperStart, 100);
  EXPECT_EQ(preset.angle, 180);
  preset.angle = -180;
  ClampToControls(preset);
  EXPECT_EQ(preset.angle, -179);
  preset.angle = CPresetData::kAngleFollowsPath;
  EXPECT_FALSE(ClampToControls(preset));
  EXPECT_EQ(preset.angle, CPresetData::kAngleFollowsPath);
}

}  // namespace
}  // namespace lumbra
