#include "data/LineData.h"

#include "text/Text.h"
#include "data/RecordFile.h"

namespace lumbra {

bool CLineData::LoadRecord(RecordKind kind, const std::string& recordName) {
  name = recordName;
  return LoadRecordFile(kind, recordName,
                        {[this](const std::string& path) { ReadFile(path); }, [this] { SetDefaults(); },
                         [this] { Load(kLatestName); }});
}

void CLineData::ReadModeAndPoints(RecordReader& reader, uint8_t (*modeFromByte)(uint8_t)) {
  const uint8_t storedMode = reader.ReadByte();
  const int32_t count = reader.ReadInt32();
  // Each point takes 8 bytes: a count that the rest of the file cannot hold is corrupt.
  if (count < 0 || static_cast<uint64_t>(count) > reader.Remaining() / 8) throw FileError(text::kTruncatedFile);
  std::vector<Point> read(static_cast<size_t>(count));
  for (Point& p : read) {
    p.x = reader.ReadInt32();
    p.y = reader.ReadInt32();
  }
  mode = modeFromByte(storedMode);
  points = std::move(read);
}

void CLineData::WriteModeAndPoints(RecordWriter& writer) const {
  writer.WriteByte(mode);
  writer.WriteInt32(static_cast<int32_t>(points.size()));
  for (const Point& p : points) {
    writer.WriteInt32(p.x);
    writer.WriteInt32(p.y);
  }
}

}  // namespace lumbra
