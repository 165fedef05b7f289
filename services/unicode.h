// UTF-8 text inside the program: validation, case mapping and the decoding
// of script files that come in the ANSI code page.
#pragma once

#include <string>
#include <string_view>

namespace quelmar {

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);

// Appends the UTF-8 form of one code point beyond ASCII.
void AppendUtf8Sequence(std::string& out, char32_t codePoint);
// Appends the UTF-8 form of one code point; an ASCII one, the most common,
// without a call.
inline void AppendUtf8(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80)
    out += static_cast<char>(codePoint);
  else
    AppendUtf8Sequence(out, codePoint);
}

// Reads the code point that starts at `pos` and moves `pos` past it. Bytes
// that are not well-formed UTF-8 are read one at a time as U+FFFD.
char32_t NextCodePoint(std::string_view text, size_t& pos);

// Simple (one-to-one) Unicode case mappings: "É" and "é" are one letter.
char32_t LowerCodePoint(char32_t c);
// The same for an ASCII character, which only "A" to "Z" change.
constexpr char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string ToLowerUtf8(std::string_view text);
// The same, written over `out`: a caller that lower-cases a name at every
// operation keeps one buffer and allocates nothing once it is large enough.
// `text` must not be a view of `out`.
void ToLowerUtf8(std::string_view text, std::string& out);
std::string ToUpperUtf8(std::string_view text);

// Equality without regard to case: the lower-case texts are equal.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// A hash of the lower-case text: texts that EqualsIgnoreCase finds equal
// have the same hash. An ASCII text is hashed straight from its bytes,
// without a lower-case copy.
size_t HashIgnoreCase(std::string_view text);

// The hash and equality of a hash map keyed by names without regard to
// case, which a string_view finds without a std::string being made.
struct IgnoreCaseHash {
  using is_transparent = void;
  size_t operator()(std::string_view text) const {
    return HashIgnoreCase(text);
  }
};
struct IgnoreCaseEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    return EqualsIgnoreCase(a, b);
  }
};

// Windows-1252, the code page these scripts come from on Linux. The five
// bytes that code page leaves undefined map to the C1 controls of the same
// value, as the Windows conversion does.
std::string Windows1252ToUtf8(std::string_view bytes);

// UTF-16 code units, two bytes each in the order given, as UTF-8. A
// surrogate without its pair becomes U+FFFD, as does an odd last byte.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);

// Editors on Windows often begin UTF-8 files with it.
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Decodes a whole script file once: UTF-16 when it starts with the UTF-16
// byte-order mark of either order (a script saved as "Unicode"); UTF-8 when
// it starts with the UTF-8 byte-order mark or when all its bytes are valid
// UTF-8 (the marks are dropped); otherwise the ANSI code page, through
// `decodeAnsi`. UTF-8 bytes are handed back as they came, not copied: a
// script can be megabytes long.
template <typename AnsiDecoder>
std::string DecodeScriptBytes(std::string bytes, AnsiDecoder decodeAnsi) {
  constexpr std::string_view kLittleEndianBom = "\xFF\xFE";
  constexpr std::string_view kBigEndianBom = "\xFE\xFF";
  const std::string_view start = std::string_view(bytes).substr(0, 2);
  if (start == kLittleEndianBom || start == kBigEndianBom)
    return Utf16ToUtf8(std::string_view(bytes).substr(2),
                       bytes[0] == kBigEndianBom[0]);
  if (bytes.starts_with(kUtf8ByteOrderMark)) {
    bytes.erase(0, kUtf8ByteOrderMark.size());
    return bytes;
  }
  if (IsValidUtf8(bytes)) return bytes;
  return decodeAnsi(bytes);
}

}  // namespace quelmar
