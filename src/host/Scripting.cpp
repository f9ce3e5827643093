#include "host/Scripting.h"

#include <cstring>

#include "platform/Encoding.h"

namespace lumbra {

using namespace host;

std::string DecodeRecordedName(const unsigned char (&value)[256]) {
  const size_t length = value[0];
  const unsigned char* counted = value + 1;
  const void* zero = std::memchr(counted, 0, length);
  std::string cp932;
  if (zero) {
    cp932.assign(reinterpret_cast<const char*>(value), strnlen(reinterpret_cast<const char*>(value), 256));
  } else {
    cp932.assign(reinterpret_cast<const char*>(counted), length);
  }
  return Cp932ToUtf8(cp932).value_or(std::string());
}

std::string ReadPresetName(FilterRecord& record) {
  std::string result;
  PIDescriptorParameters* parameters = record.descriptorParameters;
  if (!parameters) return result;
  ReadDescriptorProcs* procs = parameters->readDescriptorProcs;
  if (!procs || !procs->openReadDescriptorProc || !procs->getKeyProc || !procs->closeReadDescriptorProc) return result;
  DescriptorKeyID keys[] = {keyPresetName, 0};  // the host marks the keys it returned
  PIReadDescriptor token = procs->openReadDescriptorProc(parameters->descriptor, keys);
  if (!token) return result;

  OSErr status = noErr;
  DescriptorKeyID key = 0;
  DescriptorTypeID type = 0;
  int32 flags = 0;
  while (status == noErr && procs->getKeyProc(token, &key, &type, &flags)) {
    if (key != keyPresetName) continue;
    if (!procs->getStringProc) {
      status = readErr;
      break;
    }
    unsigned char value[256] = {};
    status = procs->getStringProc(token, reinterpret_cast<Str255*>(&value));
    result = status == noErr ? DecodeRecordedName(value) : std::string();
  }
  procs->closeReadDescriptorProc(token);
  if (record.handleProcs && record.handleProcs->disposeProc && parameters->descriptor) {
    record.handleProcs->disposeProc(parameters->descriptor);
    parameters->descriptor = nullptr;
  }
  return result;
}

void WritePresetName(FilterRecord& record, const std::string& name) {
  PIDescriptorParameters* parameters = record.descriptorParameters;
  if (!parameters) return;
  WriteDescriptorProcs* procs = parameters->writeDescriptorProcs;
  if (!procs || !procs->openWriteDescriptorProc || !procs->closeWriteDescriptorProc) return;
  // A descriptor still in place that cannot be freed stays the host's: writing a new one over
  // it would lose the host's handle. Nothing is recorded then.
  const bool canDispose = record.handleProcs && record.handleProcs->disposeProc;
  if (parameters->descriptor && !canDispose) return;
  PIWriteDescriptor token = procs->openWriteDescriptorProc();
  if (!token) return;

  const std::string cp932 = Utf8ToCp932(name).value_or(std::string());
  if (!cp932.empty() && cp932.size() <= 255 && procs->putStringProc) {
    unsigned char value[256] = {};
    value[0] = static_cast<unsigned char>(cp932.size());
    std::memcpy(value + 1, cp932.data(), cp932.size());
    procs->putStringProc(token, keyPresetName, value);
  }
  if (parameters->descriptor) record.handleProcs->disposeProc(parameters->descriptor);
  parameters->descriptor = nullptr;
  PIDescriptorHandle written = nullptr;
  procs->closeWriteDescriptorProc(token, &written);
  parameters->descriptor = written;
  parameters->recordInfo = plugInDialogOptional;
}

}  // namespace lumbra
