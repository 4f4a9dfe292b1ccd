// The cutting and padding rules of the text routines.
#include "support/TextRoutines.h"

#include <gtest/gtest.h>

namespace {

TEST(TextRoutinesTest, PadRightPadsShortTextsAndCutsLongOnes) {
  EXPECT_EQ(PadRight("AB", '-', 8), "AB------");
  EXPECT_EQ(PadRight("ABCDEFGHI", '-', 8), "ABCDEFGH");
  EXPECT_EQ(PadRight("", '-', 8), "--------");
}

TEST(TextRoutinesTest, TextBeforeFindsTheSeparatorIgnoringCase) {
  EXPECT_EQ(TextBefore("-", "AB------"), "AB");
  EXPECT_EQ(TextBefore("-", "ABCDEFGH"), "ABCDEFGH");
  EXPECT_EQ(TextBefore("x", "abXcd"), "ab");
  EXPECT_EQ(TextBefore("-", "--------"), "");
}

TEST(TextRoutinesTest, ZeroPadNeverCutsAndSpacePadCutsToWidth) {
  EXPECT_EQ(ZeroPad(1000, 6), "001000");
  EXPECT_EQ(ZeroPad(1234567, 6), "1234567");
  EXPECT_EQ(ZeroPad(0, 2), "00");
  EXPECT_EQ(SpacePad(42, 5), "   42");
  EXPECT_EQ(SpacePad(123456, 3), "123");
  EXPECT_EQ(SpacePad(123456, 0), "123456");
}

TEST(TextRoutinesTest, SubTextAndCopyFromCountFromOne) {
  EXPECT_EQ(SubText("ABC", 2, 0), "");
  EXPECT_EQ(SubText("ABC", 2, 5), "BC");
  EXPECT_EQ(SubText("ABC", 4, 1), "");
  EXPECT_EQ(CopyFrom("ABC", 2), "BC");
  EXPECT_EQ(CopyFrom("ABC", 1), "ABC");
  EXPECT_EQ(FirstChar(""), '\0');
  EXPECT_EQ(FirstChar("xy"), 'x');
}

TEST(TextRoutinesTest, CountOfDeletesEachFindBeforeSearchingAgain) {
  EXPECT_EQ(CountOf("ab", "xxABxab"), 2);
  // Deleting the inner "ab" joins the outer letters into a new one.
  EXPECT_EQ(CountOf("ab", "aabb"), 2);
  EXPECT_EQ(CountOf("aa", "aaa"), 1);
  EXPECT_EQ(CountOf("", "abc"), 0);
}

TEST(TextRoutinesTest, CaseRulesTouchOnlyAsciiLetters) {
  EXPECT_EQ(UpCaseChar('a'), 'A');
  EXPECT_EQ(UpCaseChar('z'), 'Z');
  EXPECT_EQ(UpCaseChar('1'), '1');
  EXPECT_EQ(UpCaseChar('\xe9'), '\xe9');
  EXPECT_TRUE(SameTextTrimmed("  MouseFull\t", "MOUSEFULL"));
  EXPECT_FALSE(SameTextTrimmed("Mouse Full", "MOUSEFULL"));
  EXPECT_TRUE(SameTextIgnoringCase("Galagabonus", "GalagaBonus"));
}

}  // namespace
