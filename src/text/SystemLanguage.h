// The language of the system's user interface, as far as the texts go.
#pragma once

#include <string>

#include "text/Text.h"

namespace lumbra::text {

// Windows: Japanese when the user's UI language is Japanese. Elsewhere: the locale's language
// by the POSIX rule (LocaleLanguage).
Language SystemLanguage();
// The value of LUMBRA_LANG in this process's environment; empty when it is not set.
std::string ForcedLanguageName();

}  // namespace lumbra::text
