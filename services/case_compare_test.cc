// The comparisons without regard to case work code point by code point,
// without lower-case copies; they must agree with comparing or matching the
// lower-case texts, malformed bytes included.
#include <gtest/gtest.h>

#include <string>

#include "services/like_pattern.h"
#include "services/unicode.h"

namespace quelmar {
namespace {

struct ComparePair {
  std::string a;
  std::string b;
  bool equal;
};

TEST(EqualsIgnoreCaseTest, AgreesWithComparingTheLowerCaseTexts) {
  const ComparePair kPairs[] = {
      {"\\\\SRV\\Été", "\\\\srv\\éTÉ", true},
      {"", "", true},
      {"a", "", false},
      {"\\\\srv\\ab", "\\\\srv\\abc", false},
      {"é", "e", false},
      {"\xE2\x84\xAA", "k", true},      // Kelvin sign
      {"\xC3", "\xEF\xBF\xBD", false},  // lone byte, U+FFFD
      {"\xC3", "\xC4", false},          // two different lone bytes
      {"x\xC3y", "X\xC3Y", true},       // the same lone byte
      {"\xE9\x80"
       "A",
       "\xE9\x80"
       "a",
       true},  // truncated sequence
      {"\xC3"
       "\xC3\x89",
       "\xC3\xC3\xA9", true},  // lone byte, then É / é
      {"\xF0\x9F\x96\xA8", "\xF0\x9F\x96\xA8", true},
  };
  for (const ComparePair& pair : kPairs) {
    SCOPED_TRACE(pair.a + " / " + pair.b);
    EXPECT_EQ(EqualsIgnoreCase(pair.a, pair.b), pair.equal);
    EXPECT_EQ(EqualsIgnoreCase(pair.b, pair.a), pair.equal);
    EXPECT_EQ(ToLowerUtf8(pair.a) == ToLowerUtf8(pair.b), pair.equal);
  }
}

struct PatternCase {
  std::string text;
  std::string pattern;
  bool matches;
};

TEST(CaseInsensitivePatternTest, AgreesWithMatchingTheLowerCaseTexts) {
  const PatternCase kCases[] = {
      {"\\\\OLDSRV\\Canon", "\\\\oldsrv\\*", true},
      {"\\\\oldsrv\\Canon", "\\\\OLDSRV\\*", true},
      {"\\\\oldsrv2\\Canon", "\\\\oldsrv\\*", false},
      {"\\\\ÉTÉ\\x", "\\\\été\\*", true},
      {"\\\\ete\\x", "\\\\été\\*", false},
      {"\\\\S\\Q", "\\\\s\\[p-r]", true},
      {"\\\\s\\B7", "\\\\S\\b#", true},
      {"\\\\s\\\xC3X", "\\\\s\\\xC3x", true},  // lone byte, then a letter
      {"\\\\s\\\xC3x", "\\\\s\\?x", true},
      {"\\\\s\\x", "\\\\s\\", false},
      {"\\\\S\\X", "\\\\s\\x", true},  // no wildcard at all
      {"\\\\s", "\\\\s\\*", false},    // the text ends before the star
      {"\\\\s\\[", "\\\\s\\[", true},  // an unclosed "[" is itself
      {"\\\\s\\ab", "\\\\s\\a[!b]", false},
  };
  for (const PatternCase& c : kCases) {
    SCOPED_TRACE(c.text + " / " + c.pattern);
    CaseInsensitivePattern like(c.pattern);
    EXPECT_EQ(like.Matches(c.text), c.matches);
    EXPECT_EQ(like.Matches(c.text), c.matches);  // the buffer is reused
  }
}

}  // namespace
}  // namespace quelmar
