// The shared base of rulers and layouts: a named, ordered list of integer points with a
// mode byte, stored as one record file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Geometry.h"
#include "data/Record.h"

namespace lumbra {

class Bitmap;
class RecordReader;
class RecordWriter;

class CLineData {
 public:
  virtual void DrawPreview(Bitmap& target, int selectedIndex, int left, int top, int right, int bottom) = 0;
  virtual bool Save(const std::string& name, bool asLatest) = 0;
  virtual bool Load(const std::string& name) = 0;
  virtual void SetDefaults() = 0;
  virtual void CopyTo(CLineData& target) const = 0;
  // Reads a record file of this object's kind from any path, without messages or fallback.
  // Throws FileError with the text the user sees; the object is unchanged on failure.
  virtual void ReadFile(const std::string& path) = 0;

  std::vector<Point>& GetPoints() { return points; }
  const std::vector<Point>& GetPoints() const { return points; }
  uint8_t GetMode() const { return mode; }
  void SetMode(uint8_t value) { mode = value; }
  std::string GetName() const { return name; }
  void SetTwoPoints(Point p0, Point p1) {
    points.clear();
    points.push_back(p0);
    points.push_back(p1);
  }

 protected:
  CLineData() = default;
  CLineData(const CLineData&) = default;
  CLineData& operator=(const CLineData&) = default;
  ~CLineData() = default;

  // Load with the shared fallbacks (see LoadRecordFile), reading through ReadFile.
  bool LoadRecord(RecordKind kind, const std::string& recordName);

  // The body both rulers and layouts store: the mode byte, the point count and the points.
  // The stored mode byte goes through modeFromByte; the object changes only once all is read.
  void ReadModeAndPoints(RecordReader& reader, uint8_t (*modeFromByte)(uint8_t));
  void WriteModeAndPoints(RecordWriter& writer) const;

  std::vector<Point> points;
  std::string name = kLatestName;
  uint8_t mode = 0;
};

}  // namespace lumbra
