// EqualsIgnoreCase compares unit by unit; it must agree with comparing the
// two lower-case texts, malformed bytes included.
#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace quelmar
