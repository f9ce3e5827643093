#include "data/PresetData.h"

#include <optional>

#include "text/Text.h"
#include "data/RecordFile.h"
#include "platform/Encoding.h"

namespace lumbra {
namespace {

// The names inside preset files are code page 932. Bytes that are no code page 932 text come back
// written as \xNN escapes: never a record name, so loading it is refused with a message that
// shows the bytes, and the rest of the preset still loads.
std::string NameFromFile(const std::string& cp932) {
  if (std::optional<std::string> utf8 = Cp932ToUtf8(cp932)) return *utf8;
  return DisplayName(cp932, true);
}

void WriteName(RecordWriter& writer, const std::string& utf8) {
  std::optional<std::string> cp932 = Utf8ToCp932(utf8);
  if (!cp932) throw FileError(text::kNameNotStorable);
  WriteRecordString(writer, *cp932);
}

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
  return LoadRecordFile(
      RecordKind::Preset, name,
      {[this](const std::string& path) { ReadFile(path); }, [this] { SetDefaults(); }, [this] { Load(kLatestName); }});
}

void CPresetData::ReadFile(const std::string& path, std::string* layoutNameOut, std::string* rulerNameOut) {
  // Read into a copy, so that a short file leaves this preset as it was.
  CPresetData next = *this;
  std::string layoutName, rulerName;
  ReadRecordFile(RecordKind::Preset, path, [&](RecordReader& reader) {
    layoutName = NameFromFile(ReadRecordString(reader));
    rulerName = NameFromFile(ReadRecordString(reader));
    next.color = ArgbFromColorref(static_cast<uint32_t>(reader.ReadInt32()));
    next.antialias = reader.ReadByte();
    next.lengthFromMask = reader.ReadByte();
    next.drawSide = reader.ReadByte();
    const uint8_t a0 = reader.ReadByte(), a1 = reader.ReadByte();
    next.angle = static_cast<int16_t>(a0 | a1 << 8);
    next.interval = reader.ReadInt32();
    next.jitter = reader.ReadByte();
    next.overshoot = reader.ReadInt32();
    next.pathPosition = reader.ReadByte();
    next.penTip = reader.ReadByte();
    next.height = reader.ReadInt32();
    next.length = reader.ReadInt32();
    next.minLengthPercent = reader.ReadByte();
    next.thickness = reader.ReadInt32();
    next.minThicknessPercent = reader.ReadByte();
    next.taperStart = reader.ReadByte();
    next.fixedTaper = reader.ReadByte();
  });
  // The layout and the ruler load by name with their own messages and fallbacks.
  if (layoutNameOut && rulerNameOut) {
    *layoutNameOut = layoutName;
    *rulerNameOut = rulerName;
  } else {
    next.layout.Load(layoutName);
    next.ruler.Load(rulerName);
  }
  *this = std::move(next);
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
