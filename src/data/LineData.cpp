#include "data/LineData.h"

#include "data/Messages.h"
#include "data/RecordFile.h"
#include "platform/FileSystem.h"
#include "platform/MessageService.h"

namespace lumbra {
namespace {

constexpr int32_t kVersion = 1000;

}  // namespace

void CLineData::ReadRecord(RecordKind kind, const std::string& path,
                           const std::function<void(RecordReader&)>& readBody) {
  RecordReader reader(path);
  if (ReadRecordString(reader) != RecordExtension(kind)) throw FileError(text::kUnsupportedFormat);
  if (reader.ReadInt32() < kVersion) throw FileError(text::kUnsupportedVersion);
  readBody(reader);
}

bool CLineData::LoadRecord(RecordKind kind, const std::string& recordName) {
  const std::string path = RecordPath(kind, recordName);
  name = recordName;
  const bool isLatest = recordName == kLatestName;
  if (isLatest && !FileExists(path)) {
    SetDefaults();
    return true;
  }
  try {
    ReadFile(path);
    return true;
  } catch (const FileError& error) {
    const std::string message =
        path + "\r\n" + error.what() + (isLatest ? text::kLoadingDefaults : text::kLoadingLatest);
    ShowMessage(message, text::kCaptionReadError, MessageIcon::Warning);
    if (isLatest) {
      SetDefaults();
    } else {
      Load(kLatestName);
    }
    return false;
  }
}

bool CLineData::SaveRecord(RecordKind kind, const std::string& recordName, bool asLatest,
                           const std::function<void(RecordWriter&)>& writeBody) const {
  std::string path = recordName;
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

}  // namespace lumbra
