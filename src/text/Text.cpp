#include "text/Text.h"

#include <atomic>

#include "text/SystemLanguage.h"

namespace lumbra::text {
namespace {

constexpr Text kCatalogue[] = {
#define LUMBRA_TEXT(name, ja, en) {ja, en},
#define LUMBRA_RESOURCE_TEXT(ja, en) {ja, en},
#include "text/Catalogue.inc"
#undef LUMBRA_TEXT
#undef LUMBRA_RESOURCE_TEXT
};

// 0 undecided, else the language + 1.
std::atomic<int> g_language{0};

Language Decide() {
  const std::string forced = ForcedLanguageName();
  return forced.empty() ? SystemLanguage() : LanguageNamed(forced);
}

}  // namespace

Language CurrentLanguage() {
  int language = g_language.load(std::memory_order_relaxed);
  if (language == 0) {
    language = static_cast<int>(Decide()) + 1;
    g_language.store(language, std::memory_order_relaxed);
  }
  return static_cast<Language>(language - 1);
}

void SetLanguage(Language language) { g_language.store(static_cast<int>(language) + 1); }

Language LanguageNamed(std::string_view name) {
  return name.substr(0, 2) == "ja" ? Language::Japanese : Language::English;
}

Language LocaleLanguage(const char* lcAll, const char* lcMessages, const char* lang) {
  for (const char* value : {lcAll, lcMessages, lang})
    if (value && *value) return LanguageNamed(value);
  return Language::English;
}

std::string Format(const Text& text, std::initializer_list<std::string_view> args) {
  const std::string_view pattern = text.Get();
  std::string result;
  result.reserve(pattern.size() + 16);
  for (size_t i = 0; i < pattern.size(); ++i) {
    const size_t n = pattern[i] == '{' && i + 2 < pattern.size() && pattern[i + 2] == '}'
                         ? static_cast<size_t>(pattern[i + 1] - '1')
                         : args.size();
    if (n < args.size()) {
      result.append(args.begin()[n]);
      i += 2;
    } else {
      result.push_back(pattern[i]);
    }
  }
  return result;
}

std::string_view EnglishOf(std::string_view japanese) {
  for (const Text& entry : kCatalogue)
    if (japanese == entry.ja) return entry.en;
  return {};
}

std::string_view Localized(std::string_view japanese) {
  if (CurrentLanguage() == Language::Japanese) return japanese;
  const std::string_view english = EnglishOf(japanese);
  return english.empty() ? japanese : english;
}

}  // namespace lumbra::text
