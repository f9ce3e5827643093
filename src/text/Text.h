// Every text a person reads, in Japanese and in English, and the choice between them.
//
// The texts live in one place, Catalogue.inc. The code names its texts there (text::kX); the
// texts of the resource templates and string tables are found by their Japanese, which stays in
// the templates, so Japanese users see exactly what the templates say.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace lumbra::text {

enum class Language { Japanese, English };

// The language every text is shown in: the one LUMBRA_LANG names ("ja…" Japanese, anything
// else English) when it is set and not empty, else the system's (SystemLanguage). Decided once.
Language CurrentLanguage();
// Overrides the decision for this module (tests).
void SetLanguage(Language language);
// LUMBRA_LANG's value read as a language; Japanese for "ja", "ja_JP", "ja-JP.UTF-8" and so on.
Language LanguageNamed(std::string_view name);
// The POSIX rule: the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty decides;
// Japanese when it starts with "ja". Null arguments are unset.
Language LocaleLanguage(const char* lcAll, const char* lcMessages, const char* lang);

// One text in both languages (UTF-8).
struct Text {
  const char* ja;
  const char* en;
  const char* Get() const { return CurrentLanguage() == Language::Japanese ? ja : en; }
  operator const char*() const { return Get(); }
  operator std::string_view() const { return Get(); }
};

inline std::string operator+(std::string left, const Text& right) { return left += right.Get(); }
inline std::string operator+(const Text& left, std::string_view right) { return std::string(left.Get()).append(right); }

// The text in the language in use with {1}, {2}, … replaced by the arguments in turn.
std::string Format(const Text& text, std::initializer_list<std::string_view> args);

// A text of the templates given by its Japanese: the English of its catalogue entry when English
// is in use, else (Japanese in use, or a text the catalogue does not hold) the text itself.
std::string_view Localized(std::string_view japanese);
// The catalogue's English for `japanese`; empty when the catalogue does not hold it.
std::string_view EnglishOf(std::string_view japanese);

#define LUMBRA_TEXT(name, ja, en) inline constexpr Text name{ja, en};
#define LUMBRA_RESOURCE_TEXT(ja, en)
#include "text/Catalogue.inc"
#undef LUMBRA_TEXT
#undef LUMBRA_RESOURCE_TEXT

}  // namespace lumbra::text
