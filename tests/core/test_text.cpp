#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "support/TestSupport.h"
#include "text/Text.h"

namespace lumbra::text {
namespace {

TEST(Text, LanguageComesFromTheFirstLocaleVariableThatIsSet) {
  EXPECT_EQ(LocaleLanguage(nullptr, nullptr, nullptr), Language::English);
  EXPECT_EQ(LocaleLanguage(nullptr, nullptr, "ja_JP.UTF-8"), Language::Japanese);
  EXPECT_EQ(LocaleLanguage(nullptr, "ja_JP", "en_US.UTF-8"), Language::Japanese);
  EXPECT_EQ(LocaleLanguage("C", "ja_JP", "ja_JP"), Language::English);  // LC_ALL wins
  EXPECT_EQ(LocaleLanguage("", "", "ja"), Language::Japanese);          // empty counts as unset
  EXPECT_EQ(LocaleLanguage(nullptr, nullptr, "jv_ID"), Language::English);
  EXPECT_EQ(LanguageNamed("ja-JP"), Language::Japanese);
  EXPECT_EQ(LanguageNamed("en"), Language::English);
  EXPECT_EQ(LanguageNamed("fr_FR"), Language::English);
}

TEST(Text, ShownInTheLanguageInUse) {
  EXPECT_STREQ(kCaptionNotice.Get(), "お知らせ");
  EXPECT_EQ(Localized("キャンセル"), "キャンセル");
  EXPECT_EQ(Format(kPointFileClamped, {"3", "-10", "10"}), "3 個の点が範囲 (-10～10) の外にあったため、範囲の端に移しました。");
  test::LanguageScope english(Language::English);
  EXPECT_STREQ(kCaptionNotice.Get(), "Notice");
  EXPECT_EQ(std::string("x") + kCaptionConfirm, "xConfirm");
  EXPECT_EQ(Localized("キャンセル"), "Cancel");
  EXPECT_EQ(Localized("not in the catalogue"), "not in the catalogue");
  EXPECT_EQ(Format(kPointFileClamped, {"3", "-10", "10"}),
            " 3 points lay outside the range -10 to 10 and were moved to its edge.");
  EXPECT_EQ(Format(kPointFileRead, {}), "{1} points were read.");  // a missing argument stays visible
}

// Every entry's two texts take the same arguments, and the English is plain English.
TEST(Text, BothLanguagesOfAnEntryTakeTheSameArguments) {
  const auto placeholders = [](std::string_view s) {
    std::multiset<std::string> found;
    static const std::regex placeholder(R"(\{[1-9]\}|%s)");
    const std::string text(s);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), placeholder); it != std::sregex_iterator(); ++it)
      found.insert(it->str());
    return found;
  };
  const Text named[] = {
#define LUMBRA_TEXT(name, ja, en) name,
#define LUMBRA_RESOURCE_TEXT(ja, en)
#include "text/Catalogue.inc"
#undef LUMBRA_TEXT
#undef LUMBRA_RESOURCE_TEXT
  };
  for (const Text& t : named) {
    EXPECT_EQ(placeholders(t.ja), placeholders(t.en)) << t.en;
    EXPECT_EQ(EnglishOf(t.ja), t.en);
    for (char c : std::string_view(t.en)) EXPECT_GE(static_cast<signed char>(c), 0) << t.en;
  }
}

#ifdef LUMBRA_RESOURCES_DIR
// Each Japanese text in the dialogs' templates and string tables has its English in the
// catalogue (the version resource carries its own English block).
TEST(Text, EveryJapaneseTextOfTheResourcesHasItsEnglish) {
  static const std::regex quoted("\"([^\"]*)\"");
  int japanese = 0;
  for (const auto& entry : std::filesystem::directory_iterator(LUMBRA_RESOURCES_DIR)) {
    if (entry.path().extension() != ".rc" || entry.path().filename() == "Version.rc") continue;
    std::ifstream in(entry.path());
    std::stringstream contents;
    contents << in.rdbuf();
    const std::string script = contents.str();
    for (auto it = std::sregex_iterator(script.begin(), script.end(), quoted); it != std::sregex_iterator(); ++it) {
      const std::string s = (*it)[1].str();
      const bool ascii = std::all_of(s.begin(), s.end(), [](char c) { return static_cast<signed char>(c) >= 0; });
      if (ascii) continue;
      ++japanese;
      EXPECT_FALSE(EnglishOf(s).empty()) << entry.path().filename() << ": " << s;
    }
  }
  EXPECT_GT(japanese, 70);
}
#endif

}  // namespace
}  // namespace lumbra::text
