// The shared base of rulers and layouts: a named, ordered list of integer points with a
// mode byte, stored as one record file.
#pragma once

#include <cstdint>
#include <functional>
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

  // Reads a record file of this object's kind from any path, without messages or fallback.
  // Throws FileError with the text the user sees; the object is unchanged on failure.
  virtual void ReadFile(const std::string& path) = 0;

 protected:
  // The load and save steps shared by every kind: path, magic and version checks, the
  // fallback to "latest" and then to the defaults with their messages, and the safe write.
  // readBody reads what follows the version; writeBody writes it.
  bool LoadRecord(RecordKind kind, const std::string& recordName);
  // Opens `path` and checks the magic and the version, then hands over to readBody.
  static void ReadRecord(RecordKind kind, const std::string& path, const std::function<void(RecordReader&)>& readBody);
  bool SaveRecord(RecordKind kind, const std::string& recordName, bool asLatest,
                  const std::function<void(RecordWriter&)>& writeBody) const;

  std::vector<Point> points;
  std::string name = kLatestName;
  uint8_t mode = 0;
};

}  // namespace lumbra
