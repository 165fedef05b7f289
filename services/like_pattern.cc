#include "services/like_pattern.h"

#include <algorithm>
#include <string>

#include "services/unicode.h"

namespace quelmar {
namespace {

// Decodes `text` into `out`, lower-cased when asked; lower-casing the code
// points gives what lower-casing the text first would.
void DecodeInto(std::string_view text, bool lower, std::u32string& out) {
  out.clear();
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    char32_t c = NextCodePoint(text, pos);
    out += lower ? LowerCodePoint(c) : c;
  }
}

// Matches one character against the list that starts after "[" at `p`;
// moves `p` past the closing "]". Returns false in `closed` when the list
// never closes.
bool MatchList(const std::u32string& pattern, size_t& p, char32_t c,
               bool& closed) {
  size_t close = pattern.find(U']', p + 1);
  closed = close != std::u32string::npos;
  if (!closed) return false;
  size_t i = p + 1;
  bool negate = i < close && pattern[i] == U'!';
  if (negate) ++i;
  bool found = false;
  for (; i < close; ++i) {
    if (i + 2 < close && pattern[i + 1] == U'-') {
      found = found || (pattern[i] <= c && c <= pattern[i + 2]);
      i += 2;
    } else {
      found = found || pattern[i] == c;
    }
  }
  p = close + 1;
  return found != negate;
}

// Whether the pattern element at `p` consumes `c`; moves `p` past it.
bool MatchOne(const std::u32string& pattern, size_t& p, char32_t c) {
  char32_t element = pattern[p];
  if (element == U'?') {
    ++p;
    return true;
  }
  if (element == U'#') {
    ++p;
    return c >= U'0' && c <= U'9';
  }
  if (element == U'[') {
    bool closed;
    size_t next = p;
    bool matched = MatchList(pattern, next, c, closed);
    if (closed) {
      p = next;
      return matched;
    }
  }
  ++p;
  return element == c;
}

bool Match(const std::u32string& text, const std::u32string& pattern) {
  size_t t = 0, p = 0;
  // The last "*" seen and the text position it was tried at: on a mismatch
  // it takes one more character, so the match never backtracks further.
  size_t starP = std::u32string::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == U'*') {
      starP = ++p;
      starT = t;
      continue;
    }
    size_t next = p;
    if (p < pattern.size() && MatchOne(pattern, next, text[t])) {
      p = next;
      ++t;
      continue;
    }
    if (starP == std::u32string::npos) return false;
    p = starP;
    t = ++starT;
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size();
}

}  // namespace

CaseInsensitivePattern::CaseInsensitivePattern(std::string_view pattern) {
  DecodeInto(pattern, true, pattern_);
  literalPrefix_ = std::min(pattern_.find_first_of(U"*?#["), pattern_.size());
  prefixThenStar_ =
      literalPrefix_ + 1 == pattern_.size() && pattern_[literalPrefix_] == U'*';
}

std::string CaseInsensitivePattern::LowerLiteralPrefix() const {
  std::string prefix;
  for (size_t k = 0; k < literalPrefix_; ++k) AppendUtf8(prefix, pattern_[k]);
  return prefix;
}

bool CaseInsensitivePattern::Matches(std::string_view text) {
  // The characters before the first wildcard must be the text's first ones:
  // most names are told apart there, before the rest is decoded.
  size_t pos = 0;
  for (size_t k = 0; k < literalPrefix_; ++k)
    if (pos == text.size() ||
        LowerCodePoint(NextCodePoint(text, pos)) != pattern_[k])
      return false;
  if (prefixThenStar_) return true;
  DecodeInto(text, true, text_);
  return Match(text_, pattern_);
}

}  // namespace quelmar
