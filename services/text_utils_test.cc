#include "services/text_utils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quelmar {
namespace {

using Pieces = std::vector<std::string>;

// U+212A KELVIN SIGN (three bytes) lower-cases to "k" (one byte), so a
// case-insensitive occurrence can be longer than the text searched for.
constexpr const char* kKelvin = "\xE2\x84\xAA";

TEST(EnsureTrailingBackslashTest, AddsTheSeparatorOnlyWhenMissing) {
  EXPECT_EQ(EnsureTrailingBackslash("C:\\Prog"), "C:\\Prog\\");
  EXPECT_EQ(EnsureTrailingBackslash("C:\\Prog\\"), "C:\\Prog\\");
  EXPECT_EQ(EnsureTrailingBackslash(""), "\\");
  EXPECT_EQ(EnsureTrailingBackslash("C:\\Prog/"), "C:\\Prog/\\");
  EXPECT_EQ(EnsureTrailingBackslash("/opt/q", '/'), "/opt/q/");
  EXPECT_EQ(EnsureTrailingBackslash("/opt/q/", '/'), "/opt/q/");
  EXPECT_EQ(EnsureTrailingBackslash("", '/'), "/");
}

struct SplitCase {
  const char* text;
  const char* separator;
  int index;
  bool keepRest;
  const char* expected;
};

class SplitFieldExactTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitFieldExactTest, GivesThePieceOrTheEmptyText) {
  const SplitCase& c = GetParam();
  EXPECT_EQ(
      SplitField(c.text, c.separator, c.index, Compare::kExact, c.keepRest),
      c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, SplitFieldExactTest,
    testing::Values(
        // No separator: one piece, the whole text.
        SplitCase{"Mode", ";", 0, false, "Mode"},
        SplitCase{"Mode", ";", 1, false, ""}, SplitCase{"", ";", 0, false, ""},
        SplitCase{"a;b;c", ";", 1, false, "b"},
        SplitCase{"a;b;c", ";", 2, false, "c"},
        SplitCase{"a;b;c", ";", 3, false, ""},
        SplitCase{"a;b;c", ";", 99, false, ""},
        SplitCase{"a;b;c", ";", -2, false, ""},
        // keepRest: the piece runs to the end, separators included.
        SplitCase{"a;b;c", ";", 1, true, "b;c"},
        SplitCase{"a;b;c", ";", 0, true, "a;b;c"},
        SplitCase{"a;b;c", ";", 2, true, "c"},
        SplitCase{"a;b;c", ";", 3, true, ""},
        // Leading, doubled and trailing separators give empty pieces.
        SplitCase{";a", ";", 0, false, ""}, SplitCase{";a", ";", 1, false, "a"},
        SplitCase{"a;;b", ";", 1, false, ""},
        SplitCase{"a;;b", ";", 2, false, "b"},
        SplitCase{"a;", ";", 1, false, ""}, SplitCase{"a;", ";", 2, false, ""},
        SplitCase{"D ; mode discret", ";", 0, false, "D "},
        // The pieces of a printer name.
        SplitCase{"\\\\srv\\prn", "\\", 0, false, ""},
        SplitCase{"\\\\srv\\prn", "\\", 1, false, ""},
        SplitCase{"\\\\srv\\prn", "\\", 2, false, "srv"},
        SplitCase{"\\\\srv\\prn", "\\", 3, false, "prn"},
        SplitCase{"\\\\srv\\prn", "\\", 4, false, ""},
        SplitCase{"\\\\Srv\\Laser,winspool,Ne01:", ",", 0, false,
                  "\\\\Srv\\Laser"},
        // A separator of several characters is taken whole.
        SplitCase{"a<>b<c>d", "<>", 1, false, "b<c>d"},
        SplitCase{"a<><>b", "<>", 1, false, ""},
        // Exact comparison: another case is no separator.
        SplitCase{"x[ACTIONS]y", "[actions]", 1, false, ""},
        SplitCase{"aÉb", "é", 1, false, ""},
        // An empty separator ends at once, the whole text as its only piece.
        SplitCase{"abc", "", 0, false, "abc"},
        SplitCase{"abc", "", 1, false, ""}));

TEST(SplitFieldTest, ActionsHeaderFoundInAnyCaseUpToTheNextHeader) {
  EXPECT_EQ(SplitField("[Config]\rMode=N\r[ACTIONS]\r+\\\\a\\b\r", "[actions]",
                       1, Compare::kText, false),
            "\r+\\\\a\\b\r");
  EXPECT_EQ(SplitField("[actions]\r-\\\\a\\b\r[Actions]\r+\\\\c\\d",
                       "[actions]", 1, Compare::kText, false),
            "\r-\\\\a\\b\r");
  EXPECT_EQ(
      SplitField("[Config]\rMode=N\r", "[actions]", 1, Compare::kText, false),
      "");
}

TEST(SplitFieldTest, CaseInsensitiveSeparatorOfAnotherByteLength) {
  EXPECT_EQ(SplitField("aÉb", "é", 1, Compare::kText, false), "b");
  EXPECT_EQ(SplitField("ÉCOLE", "é", 1, Compare::kText, false), "COLE");
  const std::string text = std::string("a") + kKelvin + "b" + kKelvin + "c";
  EXPECT_EQ(SplitField(text, "k", 0, Compare::kText, false), "a");
  EXPECT_EQ(SplitField(text, "k", 1, Compare::kText, false), "b");
  EXPECT_EQ(SplitField(text, "k", 1, Compare::kText, true),
            std::string("b") + kKelvin + "c");
  EXPECT_EQ(SplitField(text, "k", 2, Compare::kText, false), "c");
}

TEST(SplitFieldsTest, EverySeparatorGivesOneMorePiece) {
  EXPECT_EQ(SplitFields("", "\r", Compare::kExact), Pieces{""});
  EXPECT_EQ(SplitFields("a", "\r", Compare::kExact), Pieces{"a"});
  EXPECT_EQ(SplitFields("a\rb\r", "\r", Compare::kExact),
            (Pieces{"a", "b", ""}));
  EXPECT_EQ(SplitFields("\r\r", "\r", Compare::kExact), (Pieces{"", "", ""}));
  EXPECT_EQ(SplitFields("\\\\srv\\prn", "\\", Compare::kExact),
            (Pieces{"", "", "srv", "prn"}));
  EXPECT_EQ(SplitFields("a;;b", ";", Compare::kExact), (Pieces{"a", "", "b"}));
  EXPECT_EQ(SplitFields("xAyaz", "a", Compare::kText), (Pieces{"x", "y", "z"}));
  EXPECT_EQ(SplitFields("xAyaz", "a", Compare::kExact), (Pieces{"xAy", "z"}));
  EXPECT_EQ(SplitFields("abc", "", Compare::kExact), Pieces{"abc"});
}

struct ReplaceCase {
  const char* text;
  const char* find;
  const char* replacement;
  size_t start;
  Compare compare;
  const char* expected;
};

class ReplaceAllTest : public testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceAllTest, ReplacesEveryOccurrenceFromStart) {
  const ReplaceCase& c = GetParam();
  EXPECT_EQ(ReplaceAll(c.text, c.find, c.replacement, c.start, c.compare),
            c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Occurrences, ReplaceAllTest,
    testing::Values(
        ReplaceCase{"\tD\t", "\t", "", 0, Compare::kExact, "D"},
        ReplaceCase{"ligne 1§ligne 2", "§", "\r\n", 0, Compare::kExact,
                    "ligne 1\r\nligne 2"},
        ReplaceCase{"§§", "§", "\r\n", 0, Compare::kExact, "\r\n\r\n"},
        ReplaceCase{"a\r\nb\nc\n", "\n", "", 0, Compare::kExact, "a\rbc"},
        // The inserted text is never searched again.
        ReplaceCase{"a", "a", "aa", 0, Compare::kExact, "aa"},
        ReplaceCase{"aaa", "a", "aa", 0, Compare::kExact, "aaaaaa"},
        ReplaceCase{"ab", "b", "bb", 0, Compare::kExact, "abb"},
        // Occurrences do not overlap; the search goes on after each.
        ReplaceCase{"aaa", "aa", "b", 0, Compare::kExact, "ba"},
        // Exact case leaves the capital switch in place.
        ReplaceCase{"/d x /D", "/d", "", 0, Compare::kExact, " x /D"},
        ReplaceCase{"/d x /D", "/d", "", 0, Compare::kText, " x "},
        ReplaceCase{"Élan élan", "é", "e", 0, Compare::kText, "elan elan"},
        ReplaceCase{"ŒUVRE", "œ", "oe", 0, Compare::kText, "oeUVRE"},
        // Occurrences before `start` (a byte offset) stay.
        ReplaceCase{"abab", "a", "x", 1, Compare::kExact, "abxb"},
        ReplaceCase{"abab", "a", "x", 2, Compare::kExact, "abxb"},
        ReplaceCase{"abab", "a", "x", 3, Compare::kExact, "abab"},
        ReplaceCase{"abab", "a", "x", 4, Compare::kExact, "abab"},
        ReplaceCase{"abab", "a", "x", 50, Compare::kExact, "abab"},
        ReplaceCase{"aAaA", "a", "-", 1, Compare::kText, "a---"},
        // Nothing to find.
        ReplaceCase{"abc", "x", "y", 0, Compare::kExact, "abc"},
        ReplaceCase{"ab", "abc", "y", 0, Compare::kExact, "ab"},
        ReplaceCase{"", "a", "y", 0, Compare::kExact, ""},
        // An empty `find` ends at once and changes nothing.
        ReplaceCase{"abc", "", "y", 0, Compare::kExact, "abc"},
        ReplaceCase{"abc", "", "y", 0, Compare::kText, "abc"}));

TEST(ReplaceAllTest, CaseInsensitiveOccurrenceOfAnotherByteLength) {
  const std::string text = std::string("1") + kKelvin + "2" + kKelvin + "3";
  EXPECT_EQ(ReplaceAll(text, "k", "-", 0, Compare::kText), "1-2-3");
  EXPECT_EQ(ReplaceAll(text, "k", "-", 0, Compare::kExact), text);
}

TEST(FindTextTest, ByteOffsetsAndCaseModes) {
  constexpr size_t npos = std::string_view::npos;
  EXPECT_EQ(FindText("abcabc", "c", 0, Compare::kExact), 2u);
  EXPECT_EQ(FindText("abcabc", "c", 3, Compare::kExact), 5u);
  EXPECT_EQ(FindText("abcabc", "c", 6, Compare::kExact), npos);
  EXPECT_EQ(FindText("abcabc", "c", 60, Compare::kText), npos);
  EXPECT_EQ(FindText("abc", "C", 0, Compare::kExact), npos);
  EXPECT_EQ(FindText("abc", "C", 0, Compare::kText), 2u);
  EXPECT_EQ(FindText("ÀÉcole", "écOLE", 0, Compare::kText), 2u);
  EXPECT_EQ(FindText("ПРИВЕТ", "вет", 0, Compare::kText), 6u);
  EXPECT_EQ(FindText("ab", "abc", 0, Compare::kText), npos);
  EXPECT_TRUE(ContainsText("\\\\srv\\*", "*"));
  EXPECT_FALSE(ContainsText("Quelmar", "q"));
  EXPECT_TRUE(ContainsText("Quelmar", "q", Compare::kText));
}

TEST(HasControlCharacterTest, BytesBelowSpaceAndDelete) {
  EXPECT_FALSE(HasControlCharacter("\\\\srv\\Salle de réunion €"));
  EXPECT_FALSE(HasControlCharacter(""));
  EXPECT_TRUE(HasControlCharacter(std::string("a\0b", 3)));
  EXPECT_TRUE(HasControlCharacter("a\tb"));
  EXPECT_TRUE(HasControlCharacter("a\x1F"));
  EXPECT_TRUE(HasControlCharacter("\x7F"));
}

TEST(TrimSpacesTest, RemovesOnlySpacesAtBothEnds) {
  EXPECT_EQ(TrimSpaces("  a b  "), "a b");
  EXPECT_EQ(TrimSpaces("   "), "");
  EXPECT_EQ(TrimSpaces(""), "");
  EXPECT_EQ(TrimSpaces("\ta\t"), "\ta\t");
}

Pieces Lines(std::string_view text) {
  LineCursor cursor(text);
  Pieces lines;
  std::string_view line;
  while (cursor.Next(line)) lines.emplace_back(line);
  return lines;
}

TEST(LineCursorTest, EndsLinesAtCrLfCrOrLf) {
  EXPECT_EQ(Lines(""), Pieces{""});
  EXPECT_EQ(Lines("a"), Pieces{"a"});
  EXPECT_EQ(Lines("a\r\nb\rc\nd"), (Pieces{"a", "b", "c", "d"}));
  EXPECT_EQ(Lines("a\r\n"), (Pieces{"a", ""}));
  // CR then CR LF is two line ends; LF then CR also.
  EXPECT_EQ(Lines("a\r\r\nb"), (Pieces{"a", "", "b"}));
  EXPECT_EQ(Lines("a\n\rb"), (Pieces{"a", "", "b"}));
  EXPECT_EQ(Lines("\n\n"), (Pieces{"", "", ""}));
}

}  // namespace
}  // namespace quelmar
