#include "data/PresetData.h"

#include <optional>

#include "data/Messages.h"
#include "data/RecordFile.h"
#include "platform/Encoding.h"

namespace lumbra {
namespace {

// The names inside preset files are code page 932.
std::string NameFromFile(const std::string& cp932) {
  std::optional<std::string> utf8 = Cp932ToUtf8(cp932);
  if (!utf8) throw FileError(text::kTruncatedFile);
  return *utf8;
}

void WriteName(RecordWriter& writer, const std::string& utf8) {
  std::optional<std::string> cp932 = Utf8ToCp932(utf8);
  if (!cp932) throw FileError(text::kNameNotStorable);
  WriteRecordString(writer, *cp932);
}

// The settings block, in file order.
struct Settings {
  uint32_t color;
  uint8_t antialias, lengthFromMask, drawSide;
  int16_t angle;
  int32_t interval;
  uint8_t jitter;
  int32_t overshoot;
  uint8_t pathPosition, penTip;
  int32_t height, length;
  uint8_t minLengthPercent;
  int32_t thickness;
  uint8_t minThicknessPercent, taperStart, fixedTaper;
};

uint32_t ArgbFromColorref(uint32_t colorref) {
  const uint32_t r = colorref & 0xFF, g = (colorref >> 8) & 0xFF, b = (colorref >> 16) & 0xFF;
  return 0xFF000000u | r << 16 | g << 8 | b;
}

uint32_t ColorrefFromArgb(uint32_t argb) {
  const uint32_t r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
  return r | g << 8 | b << 16;
}

}  // namespace

CPresetData::CPresetData() {
  EnsureRecordFolder(RecordKind::Preset);
  SetDefaults();
}

void CPresetData::SetDefaults() {
  layout.SetDefaults();
  ruler.SetDefaults();
  color = 0xFF000000;
  antialias = 0;
  lengthFromMask = 0;
  drawSide = 1;
  angle = kAngleFollowsPath;
  interval = 10;
  jitter = 0;
  overshoot = 0;
  pathPosition = 0;
  penTip = 0;
  height = 40;
  length = 200;
  minLengthPercent = 70;
  thickness = 10;
  minThicknessPercent = 100;
  taperStart = 50;
  fixedTaper = 1;
}

bool CPresetData::Load(const std::string& name) {
  return LoadRecordFile(RecordKind::Preset, name,
                        {[this](const std::string& path) { ReadFile(path); }, [this] { SetDefaults(); },
                         [this] { Load(kLatestName); }});
}

void CPresetData::ReadFile(const std::string& path, std::string* layoutNameOut, std::string* rulerNameOut) {
  std::string layoutName, rulerName;
  Settings s{};
  // Everything is read before anything changes, so a short file leaves the preset as it was.
  ReadRecordFile(RecordKind::Preset, path, [&](RecordReader& reader) {
    layoutName = NameFromFile(ReadRecordString(reader));
    rulerName = NameFromFile(ReadRecordString(reader));
    s.color = static_cast<uint32_t>(reader.ReadInt32());
    s.antialias = reader.ReadByte();
    s.lengthFromMask = reader.ReadByte();
    s.drawSide = reader.ReadByte();
    const uint8_t a0 = reader.ReadByte(), a1 = reader.ReadByte();
    s.angle = static_cast<int16_t>(a0 | a1 << 8);
    s.interval = reader.ReadInt32();
    s.jitter = reader.ReadByte();
    s.overshoot = reader.ReadInt32();
    s.pathPosition = reader.ReadByte();
    s.penTip = reader.ReadByte();
    s.height = reader.ReadInt32();
    s.length = reader.ReadInt32();
    s.minLengthPercent = reader.ReadByte();
    s.thickness = reader.ReadInt32();
    s.minThicknessPercent = reader.ReadByte();
    s.taperStart = reader.ReadByte();
    s.fixedTaper = reader.ReadByte();
  });
  // The layout and the ruler load by name with their own messages and fallbacks.
  if (layoutNameOut && rulerNameOut) {
    *layoutNameOut = layoutName;
    *rulerNameOut = rulerName;
  } else {
    layout.Load(layoutName);
    ruler.Load(rulerName);
  }
  color = ArgbFromColorref(s.color);
  antialias = s.antialias;
  lengthFromMask = s.lengthFromMask;
  drawSide = s.drawSide;
  angle = s.angle;
  interval = s.interval;
  jitter = s.jitter;
  overshoot = s.overshoot;
  pathPosition = s.pathPosition;
  penTip = s.penTip;
  height = s.height;
  length = s.length;
  minLengthPercent = s.minLengthPercent;
  thickness = s.thickness;
  minThicknessPercent = s.minThicknessPercent;
  taperStart = s.taperStart;
  fixedTaper = s.fixedTaper;
}

bool CPresetData::Save(const std::string& name, bool asLatest) {
  return SaveRecordFile(RecordKind::Preset, name, asLatest, [this](RecordWriter& writer) {
    WriteName(writer, layout.GetName());
    WriteName(writer, ruler.GetName());
    writer.WriteInt32(static_cast<int32_t>(ColorrefFromArgb(color)));
    writer.WriteByte(antialias);
    writer.WriteByte(lengthFromMask);
    writer.WriteByte(drawSide);
    const auto a = static_cast<uint16_t>(angle);
    writer.WriteByte(static_cast<uint8_t>(a));
    writer.WriteByte(static_cast<uint8_t>(a >> 8));
    writer.WriteInt32(interval);
    writer.WriteByte(jitter);
    writer.WriteInt32(overshoot);
    writer.WriteByte(pathPosition);
    writer.WriteByte(penTip);
    writer.WriteInt32(height);
    writer.WriteInt32(length);
    writer.WriteByte(minLengthPercent);
    writer.WriteInt32(thickness);
    writer.WriteByte(minThicknessPercent);
    writer.WriteByte(taperStart);
    writer.WriteByte(fixedTaper);
  });
}

}  // namespace lumbra
