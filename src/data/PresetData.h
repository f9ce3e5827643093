// A preset: the layout, the ruler and every drawing setting of one effect.
#pragma once

#include <cstdint>
#include <string>

#include "data/LayoutData.h"
#include "data/RulerData.h"

namespace lumbra {

class CPresetData {
 public:
  static constexpr int16_t kAngleFollowsPath = -32768;

  CPresetData();

  void SetDefaults();
  // The settings that extension blocks carry (edge, bundles) as a file without them means.
  void SetExtensionDefaults();
  bool Load(const std::string& name);
  bool Save(const std::string& name, bool asLatest);
  // Reads a preset file from any path. Its layout and ruler load by name from the data folder,
  // with their own fallbacks, unless the names are asked for: then they are only handed out.
  // Throws FileError; the preset is unchanged on failure.
  void ReadFile(const std::string& path, std::string* layoutName = nullptr, std::string* rulerName = nullptr);

  bool grayscale = false;  // run-time only: the target is a grey picture
  CLayoutData layout;
  CRulerData ruler;
  uint32_t color = 0xFF000000;  // ARGB, always opaque
  uint8_t antialias = 0;
  uint8_t lengthFromMask = 0;
  uint8_t drawSide = 1;  // 0 right/inside, 1 left/outside, 2 both point-symmetric, 3 both mirror-symmetric
  int16_t angle = kAngleFollowsPath;
  int32_t interval = 10;
  uint8_t jitter = 0;
  int32_t overshoot = 0;
  uint8_t pathPosition = 0;  // 0 frame, 1 centre, 2 left/top, 3 right/bottom
  uint8_t penTip = 0;        // 0 G pen, 1 mill pen
  int32_t height = 40;
  int32_t length = 200;
  uint8_t minLengthPercent = 70;
  int32_t thickness = 10;
  uint8_t minThicknessPercent = 100;
  uint8_t taperStart = 50;
  uint8_t fixedTaper = 1;

  // A rim around every stroke: its own outline widened by edgeWidth pixels (0: none), in
  // edgeColor; kEdgeSeparate draws each stroke's rim just before it, kEdgeMerged every rim first.
  static constexpr uint8_t kEdgeSeparate = 0, kEdgeMerged = 1;
  static constexpr int32_t kMaxEdgeWidth = 50;
  int32_t edgeWidth = 0;
  uint32_t edgeColor = 0xFFFFFFFF;  // ARGB, always opaque
  uint8_t edgeMode = kEdgeSeparate;
  // Lines in bundles: bundleLines placement steps placed (1: no bundles), then bundleGap steps
  // left empty; each bundle's count and gap vary by up to bundleVariation percent.
  static constexpr int32_t kMaxBundleLines = 1000, kMaxBundleGap = 100;
  int32_t bundleLines = 1;
  int32_t bundleGap = 0;
  uint8_t bundleVariation = 0;
  // Extension blocks of the file this preset was read from that this version does not know:
  // written back as they were.
  std::string unknownExtensions;
};

}  // namespace lumbra
