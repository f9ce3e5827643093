// Reading a filter module's PiPL and terminology resources the way a host does: property by
// property, stepping by each property's stored length.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace lumbra::testhost {

struct PiplProperty {
  uint32_t vendor = 0;
  uint32_t key = 0;
  int32_t id = 0;
  std::vector<uint8_t> data;  // exactly the stored length
};

struct Pipl {
  std::string error;  // empty when the resource is well formed
  std::vector<PiplProperty> properties;
  const PiplProperty* Find(uint32_t key) const;
  // A Pascal-string property ('name', 'catg') or a C-string property ('wx86', '8664', 'enbl').
  std::string PascalString(uint32_t key) const;
  std::string CString(uint32_t key) const;
};

// The resource bytes of type `type` and id `id` in a loaded module (also one loaded as data).
std::vector<uint8_t> ResourceBytes(HMODULE module, const wchar_t* type, int id);

// Parses a PiPL: lead word 1, version 0, count, then the properties. Every length must be a
// multiple of 4 and the properties must fill the resource exactly.
Pipl ParsePipl(const std::vector<uint8_t>& bytes);

struct AeteParameter {
  std::string name;
  uint32_t key = 0;
  uint32_t type = 0;
  std::string description;
  uint16_t flags = 0;
};

struct Aete {
  std::string error;
  std::string suiteName, suiteDescription;
  uint32_t suiteId = 0;
  int16_t suiteLevel = 0, suiteVersion = 0;
  std::string eventName, eventDescription;
  uint32_t eventClass = 0, eventId = 0, replyType = 0, directType = 0;
  uint16_t replyFlags = 0, directFlags = 0;
  std::vector<AeteParameter> parameters;
  int16_t classCount = -1, comparisonCount = -1, enumerationCount = -1;
};

// Parses a terminology resource with one suite and one event, as a filter declares it.
Aete ParseAete(const std::vector<uint8_t>& bytes);

}  // namespace lumbra::testhost
