#include "services/unicode.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

namespace quelmar {
namespace {

struct CaseRun {
  char32_t first;
  char32_t last;
  int stride;
  int delta;
};

#include "services/case_table.inc"

template <size_t N>
constexpr char32_t MapCase(const CaseRun (&runs)[N], char32_t c) {
  const CaseRun* end = runs + N;
  const CaseRun* run = std::upper_bound(
      runs, end, c, [](char32_t v, const CaseRun& r) { return v < r.first; });
  if (run == runs) return c;
  --run;
  if (c > run->last || (c - run->first) % run->stride != 0) return c;
  return static_cast<char32_t>(static_cast<int32_t>(c) + run->delta);
}

using AsciiMap = std::array<char32_t, 0x80>;

// The mapping of the ASCII characters, looked up directly: names and keys
// are mostly ASCII, and they are compared many times per printer operation.
template <size_t N>
constexpr AsciiMap MapAscii(const CaseRun (&runs)[N]) {
  AsciiMap map{};
  for (char32_t c = 0; c < 0x80; ++c) map[c] = MapCase(runs, c);
  return map;
}

constexpr bool StaysAscii(const AsciiMap& map) {
  return std::all_of(map.begin(), map.end(),
                     [](char32_t c) { return c < 0x80; });
}

constexpr AsciiMap kAsciiLower = MapAscii(kLowerRuns);
constexpr AsciiMap kAsciiUpper = MapAscii(kUpperRuns);

constexpr bool LowerAsciiAsTheTable() {
  for (int c = 0; c < 0x80; ++c)
    if (static_cast<char32_t>(LowerAscii(static_cast<char>(c))) !=
        kAsciiLower[c])
      return false;
  return true;
}
static_assert(LowerAsciiAsTheTable());
// So that an ASCII byte is mapped to one byte.
static_assert(StaysAscii(kAsciiLower) && StaysAscii(kAsciiUpper));

constexpr uint64_t kHighBits = 0x8080808080808080;

// The eight bytes of `word`, all ASCII, in lower case: 0x20 is set in each
// byte from 'A' to 'Z'. A byte below 0x80 plus at most 0x3F carries into no
// other byte, so each byte's high bit tells its own comparison.
constexpr uint64_t LowerAsciiWord(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101;
  const uint64_t fromA = word + kOnes * (0x80 - 'A');
  const uint64_t afterZ = word + kOnes * (0x80 - 'Z' - 1);
  return word | ((fromA & ~afterZ & kHighBits) >> 2);
}

constexpr bool LowersAsTheTable() {
  for (uint64_t c = 0; c < 0x80; ++c)
    if (LowerAsciiWord(c * 0x0101010101010101) !=
        kAsciiLower[c] * 0x0101010101010101)
      return false;
  return true;
}
static_assert(LowersAsTheTable());

// Lower-cases the leading ASCII bytes of `text` into `dst`, eight at a
// time, and returns how many it wrote: all of them when `text` is ASCII and
// at least eight bytes long (the last word overlaps the one before). Names
// are lower-cased at every operation; byte by byte costs eight
// instructions a byte.
size_t LowerAsciiWords(std::string_view text, char* dst) {
  size_t pos = 0;
  uint64_t word;
  while (pos < text.size() && text.size() >= sizeof word) {
    const size_t at = std::min(pos, text.size() - sizeof word);
    std::memcpy(&word, text.data() + at, sizeof word);
    if (word & kHighBits) break;
    word = LowerAsciiWord(word);
    std::memcpy(dst + at, &word, sizeof word);
    pos = at + sizeof word;
  }
  return pos;
}

// Whether `a` and `b`, of the same size and at least eight bytes long, are
// ASCII and equal without regard to case (true), differ (false), or hold
// other bytes (nothing): those are compared code point by code point.
std::optional<bool> EqualAsciiWords(std::string_view a, std::string_view b) {
  const size_t last = a.size() - sizeof(uint64_t);
  for (size_t pos = 0;; pos = std::min(pos + sizeof(uint64_t), last)) {
    uint64_t x, y;
    std::memcpy(&x, a.data() + pos, sizeof x);
    std::memcpy(&y, b.data() + pos, sizeof y);
    if (x != y) {  // most names are spelled alike
      if ((x | y) & kHighBits) return std::nullopt;
      if (LowerAsciiWord(x) != LowerAsciiWord(y)) return false;
    }
    if (pos == last) return true;
  }
}

// Mixes eight bytes into a hash (a multiply and a shift, as the well-known
// 64-bit mixers do): every byte of the word moves the high bits, which the
// shift brings down to the bits a hash map uses.
constexpr uint64_t MixWord(uint64_t hash, uint64_t word) {
  hash = (hash ^ word) * 0x9E3779B97F4A7C15;
  return hash ^ (hash >> 29);
}

// A hash of `text` in which every byte has its bit 0x20 set, and that bit
// alone is what lower case changes in an ASCII letter: "A" and "a" give the
// same hash (and so do "@" and "`", which a hash map then tells apart by
// comparing). It reads words of eight bytes, the last one ending with the
// text (it overlaps the one before unless the size is a multiple of eight):
// names are a dozen bytes or two, two loads read one. The size is mixed in
// first, so that texts that end in zero bytes differ. `bytes` gathers the
// bits of every byte.
uint64_t HashFoldingCase(std::string_view text, uint64_t& bytes) {
  constexpr uint64_t kCaseBits = 0x2020202020202020;
  uint64_t hash = MixWord(0, text.size());
  uint64_t word = 0;
  if (text.size() < sizeof word) {
    if (!text.empty()) std::memcpy(&word, text.data(), text.size());
    bytes |= word;
    return MixWord(hash, word | kCaseBits);
  }
  const char* last = text.data() + text.size() - sizeof word;
  for (const char* at = text.data();; at = std::min(at + sizeof word, last)) {
    std::memcpy(&word, at, sizeof word);
    bytes |= word;
    hash = MixWord(hash, word | kCaseBits);
    if (at == last) return hash;
  }
}

// Maps `text` from `pos` on into `out`, which holds text.size() bytes, the
// first `pos` of them already mapped. ASCII is mapped byte for byte, and
// printer names are mostly ASCII: the bytes before the first other one are
// written in one pass, without a growth check per byte.
template <size_t N>
void MapTextFrom(const CaseRun (&runs)[N], const AsciiMap& ascii,
                 std::string_view text, size_t pos, std::string& out) {
  for (char* dst = out.data(); pos < text.size(); ++pos) {
    const unsigned char byte = static_cast<unsigned char>(text[pos]);
    if (byte >= 0x80) break;
    dst[pos] = static_cast<char>(ascii[byte]);
  }
  out.resize(pos);
  while (pos < text.size()) {
    if (static_cast<unsigned char>(text[pos]) < 0x80) {
      out += static_cast<char>(ascii[static_cast<unsigned char>(text[pos])]);
      ++pos;
      continue;
    }
    size_t start = pos;
    char32_t c = NextCodePoint(text, pos);
    char32_t mapped = MapCase(runs, c);
    if (mapped == c)
      out.append(text.substr(start, pos - start));  // keeps invalid bytes
    else
      AppendUtf8(out, mapped);
  }
}

// The position of the first byte at or after `pos` that is not ASCII, or
// the text's size. Eight bytes are tested at once: a script is megabytes of
// mostly ASCII text, checked whole before it is read.
size_t SkipAscii(std::string_view text, size_t pos) {
  for (uint64_t word; pos + sizeof word <= text.size(); pos += sizeof word) {
    std::memcpy(&word, text.data() + pos, sizeof word);
    if (word & kHighBits) break;
  }
  while (pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80)
    ++pos;
  return pos;
}

// Length of the sequence that starts with `lead`, 0 when it cannot start one.
int SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Decodes the sequence at `pos`, or returns false when it is malformed.
bool DecodeSequence(std::string_view text, size_t pos, char32_t& c,
                    size_t& length) {
  unsigned char lead = static_cast<unsigned char>(text[pos]);
  int n = SequenceLength(lead);
  if (n == 0 || pos + n > text.size()) return false;
  static constexpr std::array<unsigned char, 5> kLeadMask = {0, 0x7F, 0x1F,
                                                             0x0F, 0x07};
  char32_t value = lead & kLeadMask[n];
  for (int i = 1; i < n; ++i) {
    unsigned char next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) return false;
    value = (value << 6) | (next & 0x3F);
  }
  static constexpr std::array<char32_t, 5> kMinimum = {0, 0, 0x80, 0x800,
                                                       0x10000};
  if (value < kMinimum[n] || value > 0x10FFFF) return false;
  if (value >= 0xD800 && value <= 0xDFFF) return false;
  c = value;
  length = static_cast<size_t>(n);
  return true;
}

// One unit of the lower-case form of `text`, as ToLowerUtf8 writes it: a
// lower-cased code point, or a byte that is not well-formed UTF-8 (kept as
// it is), numbered beyond the last code point so that it never equals one.
char32_t NextLowerUnit(std::string_view text, size_t& pos) {
  unsigned char byte = static_cast<unsigned char>(text[pos]);
  if (byte < 0x80) {
    ++pos;
    return kAsciiLower[byte];
  }
  char32_t c;
  size_t length;
  if (!DecodeSequence(text, pos, c, length)) {
    ++pos;
    return 0x110000 + byte;
  }
  pos += length;
  return MapCase(kLowerRuns, c);
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  size_t pos = 0;
  while (pos < bytes.size()) {
    pos = SkipAscii(bytes, pos);
    if (pos == bytes.size()) break;
    char32_t c;
    size_t length;
    if (!DecodeSequence(bytes, pos, c, length)) return false;
    pos += length;
  }
  return true;
}

void AppendUtf8Sequence(std::string& out, char32_t c) {
  if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char32_t NextCodePoint(std::string_view text, size_t& pos) {
  unsigned char byte = static_cast<unsigned char>(text[pos]);
  if (byte < 0x80) {
    ++pos;
    return byte;
  }
  char32_t c;
  size_t length;
  if (DecodeSequence(text, pos, c, length)) {
    pos += length;
    return c;
  }
  ++pos;
  return 0xFFFD;
}

char32_t LowerCodePoint(char32_t c) {
  if (c < 0x80) return kAsciiLower[c];
  return MapCase(kLowerRuns, c);
}

std::string ToLowerUtf8(std::string_view text) {
  std::string out;
  ToLowerUtf8(text, out);
  return out;
}

void ToLowerUtf8(std::string_view text, std::string& out) {
  out.resize(text.size());
  const size_t done = LowerAsciiWords(text, out.data());
  MapTextFrom(kLowerRuns, kAsciiLower, text, done, out);
}

std::string ToUpperUtf8(std::string_view text) {
  std::string out(text.size(), '\0');
  MapTextFrom(kUpperRuns, kAsciiUpper, text, 0, out);
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  // Names are mostly ASCII: two of the same size are compared eight bytes
  // at a time.
  if (a.size() == b.size() && a.size() >= sizeof(uint64_t))
    if (std::optional<bool> equal = EqualAsciiWords(a, b)) return *equal;
  // Unit by unit, without building the two lower-case texts: the first
  // difference ends the comparison, and nothing is allocated.
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[j]);
    if ((x | y) < 0x80) {
      if (x != y && kAsciiLower[x] != kAsciiLower[y]) return false;
      ++i;
      ++j;
    } else if (NextLowerUnit(a, i) != NextLowerUnit(b, j)) {
      return false;
    }
  }
  return i == a.size() && j == b.size();
}

size_t HashIgnoreCase(std::string_view text) {
  // An ASCII text hashes as its lower-case text; another is lower-cased
  // first.
  uint64_t bytes = 0;
  const uint64_t hash = HashFoldingCase(text, bytes);
  if (!(bytes & kHighBits)) return hash;
  return HashFoldingCase(ToLowerUtf8(text), bytes);
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  // 0x80 to 0x9F; the other bytes are the Latin-1 code points.
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (char ch : bytes) {
    unsigned char byte = static_cast<unsigned char>(ch);
    if (byte < 0x80)
      out += ch;
    else if (byte < 0xA0)
      AppendUtf8(out, kHigh[byte - 0x80]);
    else
      AppendUtf8(out, byte);
  }
  return out;
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  constexpr char32_t kReplacement = 0xFFFD;
  auto unit = [&](size_t i) -> char32_t {
    auto high = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
    auto low = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
    return static_cast<char32_t>(high << 8 | low);
  };
  auto isLead = [](char32_t u) { return u >= 0xD800 && u <= 0xDBFF; };
  auto isTrail = [](char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; };
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    char32_t u = unit(i);
    if (isLead(u) && i + 3 < bytes.size() && isTrail(unit(i + 2))) {
      u = 0x10000 + ((u - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (isLead(u) || isTrail(u)) {
      u = kReplacement;
    }
    AppendUtf8(out, u);
  }
  if (i < bytes.size()) AppendUtf8(out, kReplacement);
  return out;
}

}  // namespace quelmar
