#include "services/text_utils.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "services/unicode.h"

namespace quelmar {
namespace {

// Case-insensitive search; `matched` receives the length in bytes of the
// text found, which may differ from the length of `find`.
size_t FindIgnoringCase(std::string_view text, std::string_view find,
                        size_t from, size_t& matchedBytes) {
  std::u32string needle;
  for (size_t pos = 0; pos < find.size();)
    needle += LowerCodePoint(NextCodePoint(find, pos));
  // The ASCII bytes that can begin the needle: its first letter in both
  // cases (the same byte twice for a sign such as "["); none when it begins
  // with a letter outside ASCII.
  const char32_t first = needle[0];
  const unsigned char lowerFirst = first < 0x80 ? first : 0x80;
  const unsigned char upperFirst = lowerFirst >= 'a' && lowerFirst <= 'z'
                                       ? lowerFirst - 'a' + 'A'
                                       : lowerFirst;
  // A needle that begins with an ASCII sign, as "[actions]" does, can begin
  // only at that very byte (no other character lower-cases to a sign):
  // memchr finds the next one, and the section header is searched for
  // through the whole script.
  const bool beginsWithSign = first < 0x80 && lowerFirst == upperFirst;
  for (size_t start = from; start < text.size();) {
    if (beginsWithSign) {
      start = text.find(static_cast<char>(lowerFirst), start);
      if (start == std::string_view::npos) break;
    }
    // An ASCII byte that cannot begin the needle is passed over at once.
    unsigned char byte = static_cast<unsigned char>(text[start]);
    if (byte < 0x80 && byte != lowerFirst && byte != upperFirst) {
      ++start;
      continue;
    }
    size_t pos = start;
    size_t matched = 0;
    while (matched < needle.size() && pos < text.size() &&
           LowerCodePoint(NextCodePoint(text, pos)) == needle[matched])
      ++matched;
    if (matched == needle.size()) {
      matchedBytes = pos - start;
      return start;
    }
    NextCodePoint(text, start);
  }
  return std::string_view::npos;
}

// Finds `find` and sets `length` to the length of the occurrence.
size_t FindOccurrence(std::string_view text, std::string_view find, size_t from,
                      Compare compare, size_t& length) {
  length = find.size();
  if (from > text.size()) return std::string_view::npos;
  if (find.empty()) return from;
  if (compare == Compare::kExact) return text.find(find, from);
  return FindIgnoringCase(text, find, from, length);
}

}  // namespace

size_t FindText(std::string_view text, std::string_view find, size_t from,
                Compare compare) {
  size_t length;
  return FindOccurrence(text, find, from, compare, length);
}

bool ContainsText(std::string_view text, std::string_view find,
                  Compare compare) {
  return FindText(text, find, 0, compare) != std::string_view::npos;
}

std::string_view TrimBlanks(std::string_view text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::string EnsureTrailingSeparator(std::string_view path, char separator) {
  std::string result(path);
  if (result.empty() || result.back() != separator) result += separator;
  return result;
}

std::string_view SplitField(std::string_view text, char separator,
                            size_t index) {
  for (size_t piece = 0;; ++piece) {
    const size_t pos = text.find(separator);
    if (piece == index) return text.substr(0, pos);
    if (pos == std::string_view::npos) return {};
    text.remove_prefix(pos + 1);
  }
}

std::vector<std::string_view> SplitFields(std::string_view text,
                                          char separator) {
  std::vector<std::string_view> pieces;
  for (;;) {
    const size_t pos = text.find(separator);
    pieces.push_back(text.substr(0, pos));
    if (pos == std::string_view::npos) return pieces;
    text.remove_prefix(pos + 1);
  }
}

std::string ReplaceAll(std::string_view text, std::string_view find,
                       std::string_view replacement) {
  if (find.empty()) return std::string(text);
  // Built in one pass: the part already searched is copied once, so the cost
  // stays linear however many occurrences there are.
  std::string result;
  size_t from = 0;
  for (;;) {
    const size_t pos = text.find(find, from);
    if (pos == std::string_view::npos) break;
    result.append(text.substr(from, pos - from));
    result.append(replacement);
    from = pos + find.size();
  }
  result.append(text.substr(from));
  return result;
}

std::string_view TrimSpaces(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

std::string DecimalText(long long number) { return std::to_string(number); }

void AppendDecimal(std::string& out, long long number) {
  // 19 digits and a sign at most.
  std::array<char, 20> digits;
  const auto end =
      std::to_chars(digits.data(), digits.data() + digits.size(), number).ptr;
  out.append(digits.data(), end);
}

}  // namespace quelmar

namespace quelmar {

size_t CountLineEnds(std::string_view text) {
  // Sixteen bytes at a time in a vector register (GCC and Clang vector
  // types): a byte counts when it is LF, or CR without LF after it. Each of
  // the 16 counts takes 127 rounds at most before it is added up, so that
  // it never wraps. A script of 32,767 lines is counted in 0.6 M
  // instructions, where cutting its lines costs 3.7 M.
  using Bytes = signed char __attribute__((vector_size(16)));
  const auto* bytes = reinterpret_cast<const signed char*>(text.data());
  const size_t size = text.size();
  size_t ends = 0;
  size_t pos = 0;
  // One byte past the block is read: the LF after a CR.
  while (pos + sizeof(Bytes) < size) {
    Bytes counts = {};
    for (int round = 0; round < 127 && pos + sizeof(Bytes) < size;
         ++round, pos += sizeof(Bytes)) {
      Bytes here;
      Bytes next;
      std::memcpy(&here, bytes + pos, sizeof here);
      std::memcpy(&next, bytes + pos + 1, sizeof next);
      const Bytes lf = here == '\n';
      const Bytes cr = here == '\r';
      // Each lane is -1 where it counts: subtracting adds one.
      counts -= lf | (cr & ~(next == '\n'));
    }
    for (size_t lane = 0; lane < sizeof(Bytes); ++lane)
      ends += static_cast<size_t>(counts[lane]);
  }
  for (; pos < size; ++pos) {
    const bool crBeforeLf =
        bytes[pos] == '\r' && pos + 1 < size && bytes[pos + 1] == '\n';
    ends += (bytes[pos] == '\n' || bytes[pos] == '\r') && !crBeforeLf;
  }
  return ends;
}

LineCursor::LineCursor(std::string_view text) : text_(text) {}

size_t LineCursor::LineEnd() const {
  static_assert(std::endian::native == std::endian::little,
                "the first byte of a word is its lowest");
  size_t pos = pos_;
  // Sixteen bytes at a time in a vector register (GCC and Clang vector
  // types): each byte that is CR or LF becomes 0xFF, and the first one is
  // found in either half of the block by its lowest set bit.
  using Bytes = signed char __attribute__((vector_size(16)));
  for (; pos + sizeof(Bytes) <= text_.size(); pos += sizeof(Bytes)) {
    Bytes block;
    std::memcpy(&block, text_.data() + pos, sizeof block);
    const Bytes ends = (block == '\r') | (block == '\n');
    uint64_t halves[2];
    std::memcpy(halves, &ends, sizeof halves);
    if (halves[0])
      return pos + static_cast<size_t>(std::countr_zero(halves[0]) / 8);
    if (halves[1])
      return pos + 8 + static_cast<size_t>(std::countr_zero(halves[1]) / 8);
  }
  // Then eight bytes at a time: a byte equal to CR or LF becomes zero after
  // the XOR, and (x - 0x01..) & ~x keeps the high bit of the lowest zero
  // byte exact (a borrow may mark bytes above it, never below).
  constexpr uint64_t kOnes = 0x0101010101010101;
  constexpr uint64_t kHighBits = 0x8080808080808080;
  for (; pos + 8 <= text_.size(); pos += 8) {
    uint64_t word;
    std::memcpy(&word, text_.data() + pos, 8);
    const uint64_t cr = word ^ (kOnes * '\r');
    const uint64_t lf = word ^ (kOnes * '\n');
    const uint64_t zero =
        (((cr - kOnes) & ~cr) | ((lf - kOnes) & ~lf)) & kHighBits;
    if (zero) return pos + static_cast<size_t>(std::countr_zero(zero) / 8);
  }
  for (; pos < text_.size(); ++pos)
    if (text_[pos] == '\r' || text_[pos] == '\n') return pos;
  return text_.size();
}

bool LineCursor::Next(std::string_view& line) {
  if (done_) return false;
  const size_t end = LineEnd();
  if (end >= text_.size()) {
    line = text_.substr(pos_);
    done_ = true;
    return true;
  }
  line = text_.substr(pos_, end - pos_);
  pos_ = end + 1;
  if (text_[end] == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
  return true;
}

bool HasControlCharacter(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  return false;
}

}  // namespace quelmar
