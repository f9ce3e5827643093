#include "data/RecordFile.h"

#include <cerrno>
#include <cstring>

#include "text/Text.h"
#include "platform/MessageService.h"

namespace lumbra {
namespace {

[[noreturn]] void ThrowSystemError(int errorNumber) {
  throw FileError(SystemErrorText(errorNumber ? errorNumber : EIO));
}

}  // namespace

RecordReader::RecordReader(const std::string& path) {
  errno = 0;
  file_ = OpenFile(path, "rb");
  if (!file_) ThrowSystemError(errno);
  if (std::fseek(file_.get(), 0, SEEK_END) != 0) ThrowSystemError(errno);
  const long end = std::ftell(file_.get());
  if (end < 0) ThrowSystemError(errno);
  if (std::fseek(file_.get(), 0, SEEK_SET) != 0) ThrowSystemError(errno);
  size_ = static_cast<uint64_t>(end);
}

void RecordReader::Read(void* buffer, size_t size) {
  if (size > Remaining()) throw FileError(text::kTruncatedFile);
  errno = 0;
  if (size != 0 && std::fread(buffer, 1, size, file_.get()) != size) {
    if (std::ferror(file_.get())) ThrowSystemError(errno);
    throw FileError(text::kTruncatedFile);
  }
  position_ += size;
}

uint8_t RecordReader::ReadByte() {
  uint8_t value = 0;
  Read(&value, 1);
  return value;
}

int32_t RecordReader::ReadInt32() {
  uint8_t b[4];
  Read(b, 4);
  return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                              static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
}

float RecordReader::ReadFloat() {
  const int32_t bits = ReadInt32();
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

std::string ReadRecordString(RecordReader& reader) {
  uint8_t b[2];
  reader.Read(b, 2);
  const size_t n = static_cast<size_t>(b[0] | b[1] << 8);
  std::string bytes(n, '\0');
  reader.Read(bytes.data(), n);
  return bytes;
}

RecordWriter::RecordWriter(std::string path) {
  std::string error;
  if (!file_.Open(path, ".saving", error)) throw FileError(error);
}

void RecordWriter::Write(const void* data, size_t size) {
  errno = 0;
  if (size != 0 && std::fwrite(data, 1, size, file_.File()) != size) ThrowSystemError(errno);
}

void RecordWriter::WriteByte(uint8_t value) { Write(&value, 1); }

void RecordWriter::WriteInt32(int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 24)};
  Write(b, 4);
}

void RecordWriter::WriteFloat(float value) {
  int32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  WriteInt32(bits);
}

void WriteRecordString(RecordWriter& writer, std::string_view bytes) {
  bytes = bytes.substr(0, std::min(bytes.find('\0'), size_t{0xFFFF}));
  const uint8_t count[2] = {static_cast<uint8_t>(bytes.size()), static_cast<uint8_t>(bytes.size() >> 8)};
  writer.Write(count, 2);
  writer.Write(bytes.data(), bytes.size());
}

void RecordWriter::Commit() {
  std::string error;
  if (!file_.Commit(error)) throw FileError(error);
}

namespace {
constexpr int32_t kVersion = 1000;
}  // namespace

void ReadRecordFile(RecordKind kind, const std::string& path, const std::function<void(RecordReader&)>& readBody) {
  RecordReader reader(path);
  if (ReadRecordString(reader) != RecordExtension(kind)) throw FileError(text::kUnsupportedFormat);
  if (reader.ReadInt32() < kVersion) throw FileError(text::kUnsupportedVersion);
  readBody(reader);
}

bool SaveRecordFile(RecordKind kind, const std::string& name, bool asLatest,
                    const std::function<void(RecordWriter&)>& writeBody) {
  std::string path = name;
  if (!PrepareRecordPath(static_cast<int>(kind), asLatest, path)) return false;
  try {
    RecordWriter writer(path);
    WriteRecordString(writer, RecordExtension(kind));
    writer.WriteInt32(kVersion);
    writeBody(writer);
    writer.Commit();
    return true;
  } catch (const FileError& error) {
    ShowMessage(path + "\r\n" + error.what(), text::kCaptionWriteError, MessageIcon::Error);
    return false;
  }
}

bool LoadRecordFile(RecordKind kind, const std::string& name, const RecordLoader& loader) {
  const bool isLatest = name == kLatestName;
  // A name that could lead out of the folder (or name no file) counts as a missing record.
  if (!IsRecordName(name)) {
    ShowMessage(NotARecordNameText(name) + text::kLoadingLatest, text::kCaptionReadError, MessageIcon::Warning);
    loader.loadLatest();
    return false;
  }
  const std::string path = RecordPath(kind, name);
  if (isLatest && !FileExists(path)) {
    loader.setDefaults();
    return true;
  }
  try {
    loader.readFile(path);
    return true;
  } catch (const FileError& error) {
    const std::string message =
        path + "\r\n" + error.what() + (isLatest ? text::kLoadingDefaults : text::kLoadingLatest);
    ShowMessage(message, text::kCaptionReadError, MessageIcon::Warning);
    if (isLatest) {
      loader.setDefaults();
    } else {
      loader.loadLatest();
    }
    return false;
  }
}

}  // namespace lumbra
