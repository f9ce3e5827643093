#include <gtest/gtest.h>

#include "ui/editors/model/NameField.h"

namespace lumbra {
namespace {

TEST(NameField, CountsAndCutsCodePage932Bytes) {
  EXPECT_EQ(Cp932Length("latest"), 6u);
  EXPECT_EQ(Cp932Length("　集中線ｼｭｳ"), 11u);  // ideographic space and kanji 2 each, half-width kana 1
  EXPECT_EQ(Cp932Length("😀"), 2u);             // not in the code page: as wide as a kanji
  EXPECT_EQ(CutToCp932Length("ab集中線", 5), "ab集");
  EXPECT_EQ(CutToCp932Length("ab集中線", 6), "ab集中");
}

TEST(NameField, EditsKeepOnlyTheInsertedPartThatFits) {
  const std::string fifteen = "一二三四五六七八九十壱弐参肆伍";
  EXPECT_FALSE(FitNameEdit(fifteen, fifteen.substr(3)));                  // fits: stays
  EXPECT_FALSE(FitNameEdit(std::string(40, 'x'), std::string(39, 'x')));  // too long, but shortened
  EXPECT_EQ(FitNameEdit(fifteen, fifteen + "陸").value().text, fifteen);
  EXPECT_EQ(FitNameEdit(fifteen, fifteen + "a").value().caret, fifteen.size());
  // A paste in the middle of 24 units: three of four kanji fit, the caret follows them.
  const auto pasted = FitNameEdit("aaaaaazzzzzzzzzzzzzzzzzz", "aaaaaa集中線だzzzzzzzzzzzzzzzzzz");
  EXPECT_EQ(pasted.value().text, "aaaaaa集中線zzzzzzzzzzzzzzzzzz");
  EXPECT_EQ(pasted.value().caret, 6u + 9u);
  // 集 E9 9B 86, 雇 E9 9B 87, 蛆 E8 9B 86 share bytes; the edit never splits one of them.
  const std::string a28(28, 'a');
  EXPECT_EQ(FitNameEdit(a28 + "集", a28 + "雇集").value().text, a28 + "集");
  EXPECT_EQ(FitNameEdit(a28 + "蛆", a28 + "雇集").value().text, a28 + "雇");  // 蛆 selected and typed over
}

}  // namespace
}  // namespace lumbra
