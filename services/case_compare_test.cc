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
    if (pair.equal) {
      EXPECT_EQ(HashIgnoreCase(pair.a), HashIgnoreCase(pair.b));
    }
  }
}

// ASCII names are compared and hashed eight bytes at a time, the last word
// overlapping the one before: a difference in any byte, at every length,
// still tells them apart, and a difference of case alone never does.
TEST(EqualsIgnoreCaseTest, EveryByteOfEveryLengthCounts) {
  const std::string upper = "\\\\PRINTSRV01\\FLOOR2-ROOM";
  const std::string lower = "\\\\printsrv01\\floor2-room";
  for (size_t size = 0; size <= upper.size(); ++size) {
    const std::string name = upper.substr(0, size);
    const std::string same = lower.substr(0, size);
    SCOPED_TRACE(name);
    EXPECT_TRUE(EqualsIgnoreCase(name, same));
    EXPECT_EQ(HashIgnoreCase(name), HashIgnoreCase(same));
    for (size_t at = 0; at < size; ++at) {
      std::string other = same;
      other[at] = '#';
      EXPECT_FALSE(EqualsIgnoreCase(name, other)) << at;
      EXPECT_NE(HashIgnoreCase(name), HashIgnoreCase(other)) << at;
    }
    EXPECT_FALSE(EqualsIgnoreCase(name, same + '\0'));
    EXPECT_NE(HashIgnoreCase(name), HashIgnoreCase(same + '\0'));
  }
}

// A name with a letter outside ASCII is lower-cased whole before it is
// hashed: it meets its other spellings, whatever their sizes.
TEST(EqualsIgnoreCaseTest, AccentedNamesHashAsTheirOtherSpellings) {
  const ComparePair kPairs[] = {
      {"\\\\SRV\\ÉTÉ-2", "\\\\srv\\été-2", true},
      {"\\\\ÉCOLE\\Imprimante du couloir", "\\\\école\\IMPRIMANTE DU COULOIR",
       true},
      {"\\\\srv\\\xE2\x84\xAA", "\\\\SRV\\K", true},  // Kelvin sign, k
      {"\\\\srv\\é", "\\\\srv\\e", false},
  };
  for (const ComparePair& pair : kPairs) {
    SCOPED_TRACE(pair.a + " / " + pair.b);
    EXPECT_EQ(EqualsIgnoreCase(pair.a, pair.b), pair.equal);
    EXPECT_EQ(HashIgnoreCase(pair.a) == HashIgnoreCase(pair.b), pair.equal);
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
