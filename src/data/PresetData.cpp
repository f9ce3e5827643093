#include "data/PresetData.h"

#include <algorithm>
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

// The settings that came after the first version of the format follow its settings block as
// extension blocks: a four-byte tag, an int32 length and that many bytes. Readers that know only
// the first version stop before them; a block of an unknown tag is skipped (and kept), and a
// block longer than its tag's fields has them first.
constexpr char kEdgeTag[4] = {'e', 'd', 'g', 'e'};     // int32 width, int32 COLORREF, byte mode
constexpr char kBundleTag[4] = {'b', 'n', 'd', 'l'};   // int32 lines, int32 gap, byte variation
constexpr int32_t kEdgeBlockSize = 9, kBundleBlockSize = 9;

void WriteBlockHeader(RecordWriter& writer, const char (&tag)[4], int32_t size) {
  writer.Write(tag, 4);
  writer.WriteInt32(size);
}

void ReadExtensions(RecordReader& reader, CPresetData& preset) {
  while (reader.Remaining() > 0) {
    char tag[4];
    reader.Read(tag, 4);
    const int32_t size = reader.ReadInt32();
    if (size < 0 || static_cast<uint64_t>(size) > reader.Remaining()) throw FileError(text::kTruncatedFile);
    const auto is = [&](const char (&known)[4]) { return std::equal(tag, tag + 4, known); };
    int32_t read = 0;
    if (is(kEdgeTag) && size >= kEdgeBlockSize) {
      preset.edgeWidth = reader.ReadInt32();
      preset.edgeColor = ArgbFromColorref(static_cast<uint32_t>(reader.ReadInt32()));
      preset.edgeMode = reader.ReadByte();
      read = kEdgeBlockSize;
    } else if (is(kBundleTag) && size >= kBundleBlockSize) {
      preset.bundleLines = reader.ReadInt32();
      preset.bundleGap = reader.ReadInt32();
      preset.bundleVariation = reader.ReadByte();
      read = kBundleBlockSize;
    }
    std::string rest(static_cast<size_t>(size - read), '\0');
    reader.Read(rest.data(), rest.size());
    if (read == 0) {
      preset.unknownExtensions.append(tag, 4);
      const auto n = static_cast<uint32_t>(size);
      const char length[4] = {char(n), char(n >> 8), char(n >> 16), char(n >> 24)};
      preset.unknownExtensions.append(length, 4).append(rest);
    }
  }
}

// Only what differs from a preset of the first version is written, so that such a preset is
// written back byte for byte.
void WriteExtensions(RecordWriter& writer, const CPresetData& preset) {
  if (preset.edgeWidth != 0 || preset.edgeColor != 0xFFFFFFFF || preset.edgeMode != CPresetData::kEdgeSeparate) {
    WriteBlockHeader(writer, kEdgeTag, kEdgeBlockSize);
    writer.WriteInt32(preset.edgeWidth);
    writer.WriteInt32(static_cast<int32_t>(ColorrefFromArgb(preset.edgeColor)));
    writer.WriteByte(preset.edgeMode);
  }
  if (preset.bundleLines != 1 || preset.bundleGap != 0 || preset.bundleVariation != 0) {
    WriteBlockHeader(writer, kBundleTag, kBundleBlockSize);
    writer.WriteInt32(preset.bundleLines);
    writer.WriteInt32(preset.bundleGap);
    writer.WriteByte(preset.bundleVariation);
  }
  writer.Write(preset.unknownExtensions.data(), preset.unknownExtensions.size());
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
  SetExtensionDefaults();
}

void CPresetData::SetExtensionDefaults() {
  edgeWidth = 0;
  edgeColor = 0xFFFFFFFF;
  edgeMode = kEdgeSeparate;
  bundleLines = 1;
  bundleGap = 0;
  bundleVariation = 0;
  unknownExtensions.clear();
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
    next.SetExtensionDefaults();  // a file without extension blocks has none of these
    ReadExtensions(reader, next);
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
    WriteExtensions(writer, *this);
  });
}

}  // namespace lumbra
