#include <gtest/gtest.h>

#include "core/Random.h"
#include "platform/Encoding.h"

namespace lumbra {
namespace {

TEST(Random, FollowsTheClassicSequence) {
  Random random(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478};
  for (int value : expected) EXPECT_EQ(random.Next(), value);
}

TEST(Random, ReseedingRepeatsAndValuesStayInRange) {
  Random a(12345), b(0);
  b.Seed(12345);
  for (int i = 0; i < 10000; ++i) {
    const int v = a.Next();
    ASSERT_EQ(v, b.Next());
    ASSERT_GE(v, 0);
    ASSERT_LE(v, Random::kMax);
  }
  // The state wraps modulo 2^32.
  Random wrap(0xFFFFFFFFu);
  wrap.Next();
  EXPECT_EQ(wrap.State(), 0xFFFFFFFFu * 214013u + 2531011u);
}

TEST(Encoding, RoundTripsJapaneseAndAscii) {
  const std::string utf8 = "日本語の定規 abc";
  const auto cp932 = Utf8ToCp932(utf8);
  ASSERT_TRUE(cp932.has_value());
  EXPECT_EQ(cp932->substr(0, 6), "\x93\xFA\x96\x7B\x8C\xEA");
  EXPECT_EQ(Cp932ToUtf8(*cp932), utf8);
  EXPECT_EQ(Utf8ToCp932(""), std::string());
  EXPECT_EQ(Utf8ToCp932("ソ"), std::string("\x83\x5C"));  // trail byte is a backslash
}

TEST(Encoding, RefusesWhatTheOtherSideCannotHold) {
  EXPECT_FALSE(Utf8ToCp932("한국어").has_value());            // Hangul has no code page 932 form
  EXPECT_FALSE(Utf8ToCp932("\xF0\x9F\x98\x80").has_value());  // emoji
  EXPECT_FALSE(Utf8ToCp932("\xFF\xFE").has_value());          // not UTF-8
  EXPECT_FALSE(Cp932ToUtf8("\x83").has_value());              // lead byte without its trail
  EXPECT_EQ(IsCp932LeadByte(0x83), true);
  EXPECT_EQ(IsCp932LeadByte(0x5C), false);
}

}  // namespace
}  // namespace lumbra
