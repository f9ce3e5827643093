#include <gtest/gtest.h>

#include "ui/settings/model/DataListMatch.h"

namespace lumbra {
namespace {

TEST(MatchingEntry, AnEqualNameWinsOverAnEarlierLongerOne) {
  // Taking "abcd" for a preset whose layout is "abc" would draw another layout.
  EXPECT_EQ(MatchingEntry({"abcd", "abc", "x"}, "abc"), 1);
  EXPECT_EQ(MatchingEntry({"abc", "abcd"}, "abc"), 0);
}

TEST(MatchingEntry, OnlyAnEqualNameIsChosenAndLatestIsTheWorkingEntry) {
  // "latest-old" stored before the working record's entry took its place: the preview drew one
  // layout while Apply saved another.
  EXPECT_EQ(MatchingEntry({"latest-old", "x"}, "latest"), -1);
  EXPECT_EQ(MatchingEntry({"Latest"}, "latest"), -1);
  EXPECT_EQ(MatchingEntry({"x", "abcd", "abce"}, "abc"), -1);
  EXPECT_EQ(MatchingEntry({"x", "y"}, "abc"), -1);
  EXPECT_EQ(MatchingEntry({}, "abc"), -1);
  EXPECT_EQ(MatchingEntry({"ab"}, "abc"), -1);
}

TEST(MatchingEntry, LatinLettersMatchIgnoringCaseOthersExactly) {
  EXPECT_EQ(MatchingEntry({"Focus-Circle"}, "focus-circle"), 0);
  EXPECT_EQ(MatchingEntry({"集中線Ａ"}, "集中線ａ"), 0);  // full-width letters fold too
  EXPECT_EQ(MatchingEntry({"集中線"}, "集中線"), 0);
  EXPECT_EQ(MatchingEntry({"ｶﾞ"}, "ｶ"), -1);
}

}  // namespace
}  // namespace lumbra
