// Reading and writing record files. Every failure throws FileError with the text the user sees.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "data/Record.h"
#include "platform/FileSystem.h"

namespace lumbra {

class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads little-endian fields from a file whose size is known up front, so that no count
// read from the file can make it allocate more than the file holds.
class RecordReader {
 public:
  explicit RecordReader(const std::string& path);

  void Read(void* buffer, size_t size);
  uint8_t ReadByte();
  int32_t ReadInt32();
  float ReadFloat();
  uint64_t Remaining() const { return size_ - position_; }

 private:
  FilePtr file_;
  uint64_t size_ = 0;
  uint64_t position_ = 0;
};

// Writes a record into a temporary file of its own beside its path; Commit replaces the record in
// one step, so a failed save never destroys the record that was there before, and concurrent
// saves leave one whole record.
class RecordWriter {
 public:
  explicit RecordWriter(std::string path);
  ~RecordWriter() = default;  // the temporary file goes unless committed
  RecordWriter(const RecordWriter&) = delete;
  RecordWriter& operator=(const RecordWriter&) = delete;

  void Write(const void* data, size_t size);
  void WriteByte(uint8_t value);
  void WriteInt32(int32_t value);
  void WriteFloat(float value);
  void Commit();

 private:
  ReplacingFile file_;
};

// A record string: unsigned 16-bit little-endian byte count, then the bytes (code page 932,
// passed through as they are). Writing keeps the bytes up to the first zero, at most 65535.
void WriteRecordString(RecordWriter& writer, std::string_view bytes);
std::string ReadRecordString(RecordReader& reader);

// Opens a record file of `kind`, checks its magic and version, then hands over to readBody.
void ReadRecordFile(RecordKind kind, const std::string& path, const std::function<void(RecordReader&)>& readBody);

// Saves a record: the path through PrepareRecordPath (which may refuse or ask), then the magic,
// the version and writeBody, into a temporary file that replaces the record only when complete.
// A failure shows the write-error message; the record that was there is kept.
bool SaveRecordFile(RecordKind kind, const std::string& name, bool asLatest,
                    const std::function<void(RecordWriter&)>& writeBody);

// Loads a record with the fallbacks every kind shares: a missing "latest" gives the defaults
// silently; any failure is told, then a named record falls back to "latest" and "latest" to
// the defaults. True when the record itself was read (or a missing "latest" defaulted).
struct RecordLoader {
  std::function<void(const std::string& path)> readFile;  // throws FileError
  std::function<void()> setDefaults;
  std::function<void()> loadLatest;
};
bool LoadRecordFile(RecordKind kind, const std::string& name, const RecordLoader& loader);

}  // namespace lumbra
