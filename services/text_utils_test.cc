#include "services/text_utils.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace quelmar {
namespace {

using Pieces = std::vector<std::string>;

TEST(AppendDecimalTest, WritesWhatDecimalTextGives) {
  for (long long number : {0LL, 7LL, -1LL, 32766LL, -32768LL, 1LL << 62,
                           std::numeric_limits<long long>::min()}) {
    std::string out = "ligne ";
    AppendDecimal(out, number);
    EXPECT_EQ(out, "ligne " + DecimalText(number));
  }
}

TEST(EnsureTrailingSeparatorTest, AddsTheSeparatorOnlyWhenMissing) {
  EXPECT_EQ(EnsureTrailingSeparator("C:\\Prog", '\\'), "C:\\Prog\\");
  EXPECT_EQ(EnsureTrailingSeparator("C:\\Prog\\", '\\'), "C:\\Prog\\");
  EXPECT_EQ(EnsureTrailingSeparator("", '\\'), "\\");
  EXPECT_EQ(EnsureTrailingSeparator("C:\\Prog/", '\\'), "C:\\Prog/\\");
  EXPECT_EQ(EnsureTrailingSeparator("/opt/q", '/'), "/opt/q/");
  EXPECT_EQ(EnsureTrailingSeparator("/opt/q/", '/'), "/opt/q/");
  EXPECT_EQ(EnsureTrailingSeparator("", '/'), "/");
}

struct SplitCase {
  const char* text;
  char separator;
  size_t index;
  const char* expected;
};

class SplitFieldTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitFieldTest, GivesThePieceOrTheEmptyText) {
  const SplitCase& c = GetParam();
  EXPECT_EQ(SplitField(c.text, c.separator, c.index), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, SplitFieldTest,
    testing::Values(
        // No separator: one piece, the whole text.
        SplitCase{"Mode", ';', 0, "Mode"}, SplitCase{"Mode", ';', 1, ""},
        SplitCase{"", ';', 0, ""}, SplitCase{"a;b;c", ';', 1, "b"},
        SplitCase{"a;b;c", ';', 2, "c"}, SplitCase{"a;b;c", ';', 3, ""},
        SplitCase{"a;b;c", ';', 99, ""},
        // Leading, doubled and trailing separators give empty pieces.
        SplitCase{";a", ';', 0, ""}, SplitCase{";a", ';', 1, "a"},
        SplitCase{"a;;b", ';', 1, ""}, SplitCase{"a;;b", ';', 2, "b"},
        SplitCase{"a;", ';', 1, ""}, SplitCase{"a;", ';', 2, ""},
        SplitCase{"D ; mode discret", ';', 0, "D "},
        // The pieces of a printer name.
        SplitCase{"\\\\srv\\prn", '\\', 0, ""},
        SplitCase{"\\\\srv\\prn", '\\', 1, ""},
        SplitCase{"\\\\srv\\prn", '\\', 2, "srv"},
        SplitCase{"\\\\srv\\prn", '\\', 3, "prn"},
        SplitCase{"\\\\srv\\prn", '\\', 4, ""},
        SplitCase{"\\\\Srv\\Laser,winspool,Ne01:", ',', 0, "\\\\Srv\\Laser"}));

TEST(SplitFieldsTest, EverySeparatorGivesOneMorePiece) {
  using Views = std::vector<std::string_view>;
  EXPECT_EQ(SplitFields("", '\r'), Views{""});
  EXPECT_EQ(SplitFields("a", '\r'), Views{"a"});
  EXPECT_EQ(SplitFields("a\rb\r", '\r'), (Views{"a", "b", ""}));
  EXPECT_EQ(SplitFields("\r\r", '\r'), (Views{"", "", ""}));
  EXPECT_EQ(SplitFields("\\\\srv\\prn", '\\'), (Views{"", "", "srv", "prn"}));
  EXPECT_EQ(SplitFields("a;;b", ';'), (Views{"a", "", "b"}));
}

struct ReplaceCase {
  const char* text;
  const char* find;
  const char* replacement;
  const char* expected;
};

class ReplaceAllTest : public testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceAllTest, ReplacesEveryOccurrence) {
  const ReplaceCase& c = GetParam();
  EXPECT_EQ(ReplaceAll(c.text, c.find, c.replacement), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Occurrences, ReplaceAllTest,
    testing::Values(
        ReplaceCase{"\tD\t", "\t", "", "D"},
        ReplaceCase{"ligne 1§ligne 2", "§", "\r\n", "ligne 1\r\nligne 2"},
        ReplaceCase{"§§", "§", "\r\n", "\r\n\r\n"},
        ReplaceCase{"a\r\nb\nc\n", "\n", "", "a\rbc"},
        // The inserted text is never searched again.
        ReplaceCase{"a", "a", "aa", "aa"},
        ReplaceCase{"aaa", "a", "aa", "aaaaaa"},
        ReplaceCase{"ab", "b", "bb", "abb"},
        // Occurrences do not overlap; the search goes on after each.
        ReplaceCase{"aaa", "aa", "b", "ba"},
        // Exact case leaves the capital switch in place.
        ReplaceCase{"/d x /D", "/d", "", " x /D"},
        ReplaceCase{"Élan élan", "é", "e", "Élan elan"},
        // Nothing to find.
        ReplaceCase{"abc", "x", "y", "abc"},
        ReplaceCase{"ab", "abc", "y", "ab"}, ReplaceCase{"", "a", "y", ""},
        // An empty `find` ends at once and changes nothing.
        ReplaceCase{"abc", "", "y", "abc"}));

TEST(FindTextTest, ByteOffsetsAndCaseModes) {
  constexpr size_t npos = std::string_view::npos;
  EXPECT_EQ(FindText("abcabc", "c", 0, Compare::kExact), 2u);
  EXPECT_EQ(FindText("abcabc", "c", 3, Compare::kExact), 5u);
  EXPECT_EQ(FindText("abcabc", "c", 6, Compare::kExact), npos);
  EXPECT_EQ(FindText("abcabc", "c", 60, Compare::kIgnoreCase), npos);
  EXPECT_EQ(FindText("abc", "C", 0, Compare::kExact), npos);
  EXPECT_EQ(FindText("abc", "C", 0, Compare::kIgnoreCase), 2u);
  EXPECT_EQ(FindText("ÀÉcole", "écOLE", 0, Compare::kIgnoreCase), 2u);
  EXPECT_EQ(FindText("ПРИВЕТ", "вет", 0, Compare::kIgnoreCase), 6u);
  EXPECT_EQ(FindText("ab", "abc", 0, Compare::kIgnoreCase), npos);
  EXPECT_TRUE(ContainsText("\\\\srv\\*", "*"));
  EXPECT_FALSE(ContainsText("Quelmar", "q"));
  EXPECT_TRUE(ContainsText("Quelmar", "q", Compare::kIgnoreCase));
}

TEST(FindTextTest, NeedleBeginningWithASignWithoutRegardToCase) {
  constexpr size_t npos = std::string_view::npos;
  // Signs that are no beginning, then the one that is; the text after it
  // in another case, with letters outside ASCII before and inside.
  EXPECT_EQ(FindText("é[x] [a [ACTIONS]", "[actions]", 0, Compare::kIgnoreCase),
            9u);
  EXPECT_EQ(
      FindText("[actions][ActionS]", "[actions]", 1, Compare::kIgnoreCase), 9u);
  EXPECT_EQ(FindText("[actions", "[actions]", 0, Compare::kIgnoreCase), npos);
  EXPECT_EQ(FindText("x[ÉTÉ]", "[été]", 0, Compare::kIgnoreCase), 1u);
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
  // Long lines, and CR and LF each far from the other.
  const std::string a(100, 'a');
  const std::string b(70, 'b');
  EXPECT_EQ(Lines(a + "\r" + b + "\r\n" + a + "\n" + b + "\n\r"),
            (Pieces{a, b, a, b, "", ""}));
  // Each line end at every place in blocks of sixteen and eight bytes, among
  // the bytes next to CR and LF in value and bytes of accented letters, which
  // are never line ends.
  const std::string filler = "\x0b\x0c\x0e\x8a\x8d\xc3\xa9x\x09";
  for (size_t length = 0; length < 40; ++length) {
    std::string line;
    for (size_t k = 0; k < length; ++k) line += filler[k % filler.size()];
    for (const char* end : {"\r", "\n", "\r\n"}) {
      std::string text = line;
      text.append(end).append(line);
      EXPECT_EQ(Lines(text), (Pieces{line, line}))
          << length << " bytes, then " << (end[0] == '\r' ? "CR" : "LF");
    }
  }
}

// The count agrees with the lines the cursor cuts, over texts of CR, LF and
// other bytes long enough for many blocks of 16 bytes and a count kept past
// its 127 rounds: CR LF across two blocks, CR last, LF first.
TEST(CountLineEndsTest, OneLessThanTheLinesCut) {
  const char kBytes[] = "\r\na\x8d\x8a";
  uint32_t seed = 12345;
  for (size_t size : {0, 1, 2, 15, 16, 17, 31, 33, 2031, 2032, 2033, 5000}) {
    for (int trial = 0; trial < 20; ++trial) {
      std::string text;
      for (size_t k = 0; k < size; ++k) {
        seed = seed * 1103515245 + 12345;
        text += kBytes[(seed >> 16) % (sizeof kBytes - 1)];
      }
      EXPECT_EQ(CountLineEnds(text) + 1, Lines(text).size()) << size;
    }
  }
  EXPECT_EQ(CountLineEnds(std::string(15, 'a') + "\r\n" + std::string(15, 'a')),
            1u);
  EXPECT_EQ(CountLineEnds(std::string(4000, '\n')), 4000u);
  EXPECT_EQ(CountLineEnds(std::string(4000, '\r')), 4000u);
}

}  // namespace
}  // namespace quelmar
