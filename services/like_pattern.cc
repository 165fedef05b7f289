#include "services/like_pattern.h"

#include <algorithm>
#include <string>

#include "services/unicode.h"

namespace quelmar {
namespace {

// Decodes `text` into `out`, lower-cased; lower-casing the code points
// gives what lower-casing the text first would. A text of n bytes has at
// most n code points: they are written in place, without a growth check
// per character, and the ASCII ones without a call.
void DecodeLowerInto(std::string_view text, std::u32string& out) {
  out.resize(text.size());
  size_t count = 0;
  for (size_t pos = 0; pos < text.size(); ++count) {
    const unsigned char byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
      out[count] = static_cast<char32_t>(LowerAscii(static_cast<char>(byte)));
      ++pos;
    } else {
      out[count] = LowerCodePoint(NextCodePoint(text, pos));
    }
  }
  out.resize(count);
}

constexpr bool IsWildcard(char32_t c) {
  return c == U'*' || c == U'?' || c == U'#' || c == U'[';
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
  DecodeLowerInto(pattern, pattern_);
  literalPrefix_ = std::find_if(pattern_.begin(), pattern_.end(), IsWildcard) -
                   pattern_.begin();
  prefixThenStar_ =
      literalPrefix_ + 1 == pattern_.size() && pattern_[literalPrefix_] == U'*';
  lowerPrefix_.reserve(literalPrefix_);
  for (size_t k = 0; k < literalPrefix_; ++k)
    AppendUtf8(lowerPrefix_, pattern_[k]);
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
  DecodeLowerInto(text, text_);
  return Match(text_, pattern_);
}

}  // namespace quelmar
