#include <windows.h>

#include "text/SystemLanguage.h"

namespace lumbra::text {

Language SystemLanguage() {
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::Japanese : Language::English;
}

// Read from the process's environment block, not the C library's copy of it, so that a value
// set after the library started (by the host, or a test) counts.
std::string ForcedLanguageName() {
  char value[32] = {};
  const DWORD n = GetEnvironmentVariableA("LUMBRA_LANG", value, sizeof value);
  return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

}  // namespace lumbra::text
