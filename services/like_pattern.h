// The wildcard patterns of printer names: "*" any run of characters, "?" one
// character, "#" one digit, "[...]" one character of a list (with "a-z"
// ranges; "[!...]" one character outside it); every other character matches
// itself. The whole text must match the whole pattern, exactly.
#pragma once

#include <string>
#include <string_view>

namespace quelmar {

// A pattern decoded once, matched against many texts without regard to
// case, without building lower-case copies of them. An unclosed "[" stands
// for itself, so that a stray bracket in a name never stops the run.
class CaseInsensitivePattern {
 public:
  explicit CaseInsensitivePattern(std::string_view pattern);
  bool Matches(std::string_view text);
  // The characters before the first wildcard, lower-cased: every text that
  // matches starts with them once lower-cased.
  const std::string& LowerLiteralPrefix() const { return lowerPrefix_; }
  // Whether the pattern is its literal prefix and a final "*".
  bool IsPrefixThenStar() const { return prefixThenStar_; }

 private:
  std::u32string pattern_;
  size_t literalPrefix_;  // the characters before the first wildcard
  std::string lowerPrefix_;
  // The pattern is its literal prefix and a final "*", as a line's
  // "\\server\*" is: every text that starts with the prefix matches.
  bool prefixThenStar_;
  std::u32string text_;  // the text being matched, reused from one to the next
};

}  // namespace quelmar
