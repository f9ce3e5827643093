#include <cstdlib>

#include "text/SystemLanguage.h"

namespace lumbra::text {

Language SystemLanguage() {
  return LocaleLanguage(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

std::string ForcedLanguageName() {
  const char* value = std::getenv("LUMBRA_LANG");
  return value ? value : "";
}

}  // namespace lumbra::text
