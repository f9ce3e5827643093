#include "testhost/Resources.h"

#include <cstring>

namespace lumbra::testhost {

namespace {

// Little-endian reads that report running off the end instead of reading past it.
class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  bool Ok() const { return ok_; }
  size_t Position() const { return position_; }
  size_t Left() const { return bytes_.size() - position_; }

  uint32_t U(int size) {
    if (Left() < static_cast<size_t>(size)) {
      ok_ = false;
      position_ = bytes_.size();
      return 0;
    }
    uint32_t v = 0;
    for (int i = 0; i < size; ++i) v |= uint32_t(bytes_[position_ + i]) << (8 * i);
    position_ += size;
    return v;
  }
  std::string Pascal() {
    const size_t n = U(1);
    if (Left() < n) {
      ok_ = false;
      return {};
    }
    std::string s(reinterpret_cast<const char*>(bytes_.data() + position_), n);
    position_ += n;
    return s;
  }
  std::vector<uint8_t> Take(size_t n) {
    if (Left() < n) {
      ok_ = false;
      return {};
    }
    std::vector<uint8_t> v(bytes_.begin() + position_, bytes_.begin() + position_ + n);
    position_ += n;
    return v;
  }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t position_ = 0;
  bool ok_ = true;
};

}  // namespace

std::vector<uint8_t> ResourceBytes(HMODULE module, const wchar_t* type, int id) {
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (!resource) return {};
  HGLOBAL loaded = LoadResource(module, resource);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return {};
  const auto* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + SizeofResource(module, resource));
}

const PiplProperty* Pipl::Find(uint32_t key) const {
  for (const PiplProperty& p : properties)
    if (p.key == key) return &p;
  return nullptr;
}

std::string Pipl::PascalString(uint32_t key) const {
  const PiplProperty* p = Find(key);
  if (!p || p->data.empty() || p->data[0] + 1u > p->data.size()) return {};
  return std::string(reinterpret_cast<const char*>(p->data.data() + 1), p->data[0]);
}

std::string Pipl::CString(uint32_t key) const {
  const PiplProperty* p = Find(key);
  if (!p) return {};
  const char* s = reinterpret_cast<const char*>(p->data.data());
  return std::string(s, strnlen(s, p->data.size()));
}

Pipl ParsePipl(const std::vector<uint8_t>& bytes) {
  Pipl pipl;
  Reader in(bytes);
  const uint32_t lead = in.U(2);
  const uint32_t version = in.U(4);
  const uint32_t count = in.U(4);
  if (!in.Ok() || lead != 1 || version != 0) {
    pipl.error = "bad PiPL header";
    return pipl;
  }
  for (uint32_t i = 0; i < count; ++i) {
    PiplProperty p;
    p.vendor = in.U(4);
    p.key = in.U(4);
    p.id = static_cast<int32_t>(in.U(4));
    const uint32_t length = in.U(4);
    if (length % 4 != 0) pipl.error = "a property length is not a multiple of 4";
    p.data = in.Take(length);
    if (!in.Ok()) {
      pipl.error = "the properties run past the end of the resource";
      return pipl;
    }
    pipl.properties.push_back(std::move(p));
  }
  if (in.Left() != 0 && pipl.error.empty()) pipl.error = "bytes left after the last property";
  return pipl;
}

Aete ParseAete(const std::vector<uint8_t>& bytes) {
  Aete a;
  Reader in(bytes);
  if (in.U(2) != 1 || in.U(1) != 1 || in.U(1) != 0) a.error = "bad terminology header";
  in.U(2);  // language
  in.U(2);  // script
  if (in.U(2) != 1) a.error = "not one suite";
  a.suiteName = in.Pascal();
  a.suiteDescription = in.Pascal();
  a.suiteId = in.U(4);
  a.suiteLevel = static_cast<int16_t>(in.U(2));
  a.suiteVersion = static_cast<int16_t>(in.U(2));
  if (in.U(2) != 1) a.error = "not one event";
  a.eventName = in.Pascal();
  a.eventDescription = in.Pascal();
  a.eventClass = in.U(4);
  a.eventId = in.U(4);
  a.replyType = in.U(4);
  in.Pascal();
  a.replyFlags = static_cast<uint16_t>(in.U(2));
  a.directType = in.U(4);
  in.Pascal();
  a.directFlags = static_cast<uint16_t>(in.U(2));
  const uint32_t parameterCount = in.U(2);
  for (uint32_t i = 0; i < parameterCount && in.Ok(); ++i) {
    AeteParameter p;
    p.name = in.Pascal();
    p.key = in.U(4);
    p.type = in.U(4);
    p.description = in.Pascal();
    p.flags = static_cast<uint16_t>(in.U(2));
    a.parameters.push_back(p);
  }
  a.classCount = static_cast<int16_t>(in.U(2));
  a.comparisonCount = static_cast<int16_t>(in.U(2));
  a.enumerationCount = static_cast<int16_t>(in.U(2));
  if (!in.Ok()) a.error = "the terminology runs past the end of the resource";
  else if (in.Left() != 0 && a.error.empty()) a.error = "bytes left after the terminology";
  return a;
}

}  // namespace lumbra::testhost
