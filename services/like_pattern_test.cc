#include "services/like_pattern.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace quelmar {
namespace {

struct PatternCase {
  const char* text;
  const char* pattern;
  bool matches;
};

bool MatchesCaseless(std::string_view text, std::string_view pattern) {
  return CaseInsensitivePattern(pattern).Matches(text);
}

void PrintTo(const PatternCase& c, std::ostream* os) {
  *os << '"' << c.text << "\" like \"" << c.pattern << '"';
}

class CaseInsensitivePatternCasesTest
    : public testing::TestWithParam<PatternCase> {};

TEST_P(CaseInsensitivePatternCasesTest, WholeTextAgainstWholePattern) {
  EXPECT_EQ(MatchesCaseless(GetParam().text, GetParam().pattern),
            GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    Star, CaseInsensitivePatternCasesTest,
    testing::Values(
        PatternCase{"\\\\srv\\laser", "\\\\srv\\*", true},
        PatternCase{"\\\\srv\\", "\\\\srv\\*", true},
        PatternCase{"\\\\srv2\\laser", "\\\\srv\\*", false},
        PatternCase{"\\\\other\\srv\\a", "\\\\srv\\*", false},
        // After the prefix, anything: letters outside ASCII, a byte that is
        // not UTF-8, the prefix itself.
        PatternCase{"\\\\SRV\\é\xFF\\srv\\", "\\\\srv\\*", true},
        PatternCase{"A", "a*", true}, PatternCase{"bA", "a*", false},
        PatternCase{"", "*", true}, PatternCase{"", "**", true},
        PatternCase{"", "", true}, PatternCase{"a", "", false},
        PatternCase{"abcxyz", "a*z", true}, PatternCase{"abcxy", "a*z", false},
        PatternCase{"azbz", "a*z", true}, PatternCase{"abcbcd", "a*bcd", true},
        PatternCase{"mississippi", "m*iss*ppi", true},
        PatternCase{"mississippi", "m*iss*ipi", false},
        PatternCase{"aXbXc", "*X*X*", true},
        PatternCase{"aXbc", "*X*X*", false}, PatternCase{"a1b", "*#b", true},
        PatternCase{"ab", "*#b", false}));

INSTANTIATE_TEST_SUITE_P(
    OneCharacter, CaseInsensitivePatternCasesTest,
    testing::Values(
        PatternCase{"abc", "a?c", true}, PatternCase{"ac", "a?c", false},
        PatternCase{"abbc", "a?c", false}, PatternCase{"", "?", false},
        // One character, not one byte.
        PatternCase{"\\\\srv\\école", "\\\\srv\\?cole", true},
        PatternCase{"€", "?", true}, PatternCase{"p7", "p#", true},
        PatternCase{"pa", "p#", false}, PatternCase{"p12", "p#", false},
        PatternCase{"p12", "p##", true}, PatternCase{"p#", "p#", false}));

INSTANTIATE_TEST_SUITE_P(
    Lists, CaseInsensitivePatternCasesTest,
    testing::Values(
        PatternCase{"b", "[a-c]", true}, PatternCase{"d", "[a-c]", false},
        PatternCase{"-", "[a-c]", false}, PatternCase{"q3", "q[0-9]", true},
        PatternCase{"x", "[a-cx-z]", true}, PatternCase{"b", "[abc]", true},
        PatternCase{"ab", "[abc]", false}, PatternCase{"", "[abc]", false},
        PatternCase{"x", "[!x]", false}, PatternCase{"y", "[!x]", true},
        PatternCase{"", "[!x]", false}, PatternCase{"b", "[!a-c]", false},
        PatternCase{"!", "[!a-c]", true},
        // A hyphen first or last stands for itself.
        PatternCase{"-", "[a-]", true}, PatternCase{"-", "[-a]", true},
        PatternCase{"-", "[!-a]", false}, PatternCase{"é", "[à-ê]", true},
        PatternCase{"ô", "[à-ê]", false}, PatternCase{"*", "[*]", true},
        PatternCase{"a", "[*]", false}, PatternCase{"?", "[?]", true},
        PatternCase{"#", "[#]", true},
        PatternCase{"\\\\srv\\lp2b", "\\\\srv\\lp[1-3]*", true}));

// Printer names with "#", "?" or "[" in them, used as patterns, are read by
// the pattern rules; an unclosed "[" stands for itself.
INSTANTIATE_TEST_SUITE_P(
    SpecialCharactersInNames, CaseInsensitivePatternCasesTest,
    testing::Values(PatternCase{"\\\\srv\\[old", "\\\\srv\\[old", true},
                    PatternCase{"\\\\srv\\x", "\\\\srv\\[", false},
                    PatternCase{"[", "[", true},
                    PatternCase{"a[b", "a[b", true},
                    PatternCase{"a[b", "a[b*", true},
                    PatternCase{"a[bcd", "a[b?d", true},
                    PatternCase{"\\\\srv\\p#1", "\\\\srv\\p#1", false},
                    PatternCase{"\\\\srv\\p51", "\\\\srv\\p#1", true},
                    PatternCase{"\\\\srv\\what?", "\\\\srv\\what?", true},
                    PatternCase{"\\\\srv\\whatx", "\\\\srv\\what?", true},
                    PatternCase{"\\\\srv\\[a]", "\\\\srv\\[a]", false},
                    PatternCase{"\\\\srv\\a", "\\\\srv\\[a]", true},
                    // Case is folded on both sides.
                    PatternCase{"\\\\SRV\\A", "\\\\srv\\a", true}));

// The characters before the first wildcard, lower-cased and spelled in
// UTF-8 again (a byte that is not UTF-8 as U+FFFD, as it is matched), and
// whether a final "*" is the only wildcard.
TEST(CaseInsensitivePatternTest, LowerPrefixBeforeTheFirstWildcard) {
  struct PrefixCase {
    const char* pattern;
    const char* prefix;
    bool prefixThenStar;
  };
  for (const PrefixCase& c : {
           PrefixCase{"\\\\SRV\\*", "\\\\srv\\", true},
           PrefixCase{"\\\\ÉCOLE\\Salle*", "\\\\école\\salle", true},
           PrefixCase{"\\\\srv\\a?*", "\\\\srv\\a", false},
           PrefixCase{"\\\\srv\\[ab]*", "\\\\srv\\", false},
           PrefixCase{"\\\\srv\\#", "\\\\srv\\", false},
           PrefixCase{"\\\\srv\\*x", "\\\\srv\\", false},
           PrefixCase{"\\\\Srv\\A", "\\\\srv\\a", false},
           PrefixCase{"*", "", true},
           PrefixCase{"", "", false},
           PrefixCase{"\\\\S\xFF\\*", "\\\\s\xEF\xBF\xBD\\", true},
       }) {
    SCOPED_TRACE(c.pattern);
    CaseInsensitivePattern like(c.pattern);
    EXPECT_EQ(like.LowerLiteralPrefix(), c.prefix);
    EXPECT_EQ(like.IsPrefixThenStar(), c.prefixThenStar);
  }
}

TEST(CaseInsensitivePatternTest, ManyStarsAgainstALongTextTakeLinearTime) {
  // Backtracking into every "*" would try about C(5000, 9) ways here.
  const std::string text(5000, 'a');
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_FALSE(MatchesCaseless(text, "*a*a*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(MatchesCaseless(text + "b", "*a*a*a*a*a*a*a*a*a*b"));
  EXPECT_FALSE(MatchesCaseless(text, "*a*a*a*a*b"));
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(2));
}

}  // namespace
}  // namespace quelmar
