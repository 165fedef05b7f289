#include "services/unicode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quelmar {
namespace {

TEST(IsValidUtf8Test, AcceptsWellFormedTextUpToTheLastCodePoint) {
  for (const char* text : {
           "", "Quelmar", "é",  // U+00E9
           "\xC2\x80",          // U+0080, the smallest two-byte form
           "\xDF\xBF",          // U+07FF
           "\xE0\xA0\x80",      // U+0800, the smallest three-byte form
           "\xE2\x82\xAC",      // U+20AC euro sign
           "\xED\x9F\xBF",      // U+D7FF, just below the surrogates
           "\xEE\x80\x80",      // U+E000, just above them
           "\xEF\xBB\xBF",      // the byte-order mark itself
           "\xEF\xBF\xBF",      // U+FFFF
           "\xF0\x90\x80\x80",  // U+10000, the smallest four-byte form
           "\xF4\x8F\xBF\xBF",  // U+10FFFF, the last code point
       })
    EXPECT_TRUE(IsValidUtf8(text)) << testing::PrintToString(text);
  EXPECT_TRUE(IsValidUtf8(std::string("a\0b", 3)));
}

TEST(IsValidUtf8Test, RejectsOverlongsSurrogatesAndTruncatedSequences) {
  for (const char* text : {
           "\xC0\x80",
           "\xC1\xBF",  // overlong ASCII
           "\xE0\x80\xAF",
           "\xE0\x9F\xBF",  // overlong two-byte
           "\xF0\x80\x80\xAF",
           "\xF0\x8F\xBF\xBF",  // overlong three-byte
           "\xED\xA0\x80",
           "\xED\xBF\xBF",      // surrogates D800, DFFF
           "\xF4\x90\x80\x80",  // U+110000
           "\xF5\x80\x80\x80",
           "\xF8\x88\x80\x80\x80",
           "\xFE",
           "\xFF",
           "\x80",
           "a\xBF",  // continuation without a lead
           "\xC3",
           "a\xE2\x82",
           "\xF0\x9D\x84",  // cut at the end of the text
           "\xC3z",
           "\xE2\x82z",
           "\xF0\x9D\x84z",  // cut before an ASCII byte
           "\xE2\xC3\xA9",   // a lead in place of a tail
           "caf\xE9",        // Windows-1252 "café"
           "\xE9t\xE9",
       })
    EXPECT_FALSE(IsValidUtf8(text)) << testing::PrintToString(text);
}

TEST(IsValidUtf8Test, FindsABadByteAtAnyPlaceInALongText) {
  // Long runs of ASCII are read eight bytes at a time: a bad byte or a
  // cut sequence at each offset of a word, and at the very end.
  for (size_t at = 0; at <= 20; ++at) {
    std::string text(20, 'a');
    EXPECT_TRUE(IsValidUtf8(text.substr(0, at) + "é" + text.substr(at)));
    EXPECT_FALSE(IsValidUtf8(text.substr(0, at) + "\xE9" + text.substr(at)))
        << at;
    EXPECT_FALSE(IsValidUtf8(text.substr(0, at) + "\xC3")) << at;
  }
}

TEST(NextCodePointTest, ReadsMalformedBytesOneAtATime) {
  const std::string text = "\xE2\x82z\xC3\xA9\xF0\x9F\x96\xA8";
  std::vector<char32_t> read;
  for (size_t pos = 0; pos < text.size();)
    read.push_back(NextCodePoint(text, pos));
  EXPECT_EQ(read, (std::vector<char32_t>{0xFFFD, 0xFFFD, U'z', U'é', 0x1F5A8}));
}

TEST(AppendUtf8Test, RoundTripsAtEveryLengthBoundary) {
  for (char32_t c :
       {0x00u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xFFFFu, 0x10000u, 0x10FFFFu}) {
    std::string out;
    AppendUtf8(out, c);
    size_t pos = 0;
    EXPECT_EQ(NextCodePoint(out, pos), c);
    EXPECT_EQ(pos, out.size());
    EXPECT_TRUE(IsValidUtf8(out));
  }
}

struct CaseMapping {
  const char* upper;
  const char* lower;
};

class CaseMappingTest : public testing::TestWithParam<CaseMapping> {};

TEST_P(CaseMappingTest, LowerAndUpperAreInverse) {
  EXPECT_EQ(ToLowerUtf8(GetParam().upper), GetParam().lower);
  EXPECT_EQ(ToUpperUtf8(GetParam().lower), GetParam().upper);
  EXPECT_TRUE(EqualsIgnoreCase(GetParam().upper, GetParam().lower));
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, CaseMappingTest,
    testing::Values(CaseMapping{"\\\\SRV\\LASER-2", "\\\\srv\\laser-2"},
                    CaseMapping{"ÉCOLE", "école"},
                    CaseMapping{"ŒUVRE", "œuvre"},
                    CaseMapping{"ÀÂÄÇÈÊËÎÏÔÖÙÛÜÆ", "àâäçèêëîïôöùûüæ"},
                    CaseMapping{"Ÿ", "ÿ"},  // U+0178, far from U+00FF
                    CaseMapping{"ŠŽ", "šž"}, CaseMapping{"ΑΒΓΔΩ", "αβγδω"},
                    CaseMapping{"ПРИВЕТ ЁЖ", "привет ёж"},
                    CaseMapping{"ĞŞ", "ğş"}));

TEST(CaseMappingTest, KeepsWhatHasNoSimpleMappingAndMalformedBytes) {
  EXPECT_EQ(ToUpperUtf8("ß"), "ß");
  EXPECT_EQ(ToLowerUtf8("ẞ"), "ß");
  EXPECT_EQ(ToUpperUtf8("ς"), "Σ");
  EXPECT_EQ(ToLowerUtf8("1€;\\_ -"), "1€;\\_ -");
  EXPECT_EQ(ToLowerUtf8("A\xFF"
                        "B\xC3"),
            "a\xFF"
            "b\xC3");
  EXPECT_EQ(ToLowerUtf8("\xE2\x84\xAA"), "k");  // KELVIN SIGN
  // U+023A lower-cases to U+2C65, which is a byte longer.
  EXPECT_EQ(ToLowerUtf8("\xC8\xBA"), "\xE2\xB1\xA5");
}

// ASCII is lower-cased eight bytes at a time, the last eight overlapping
// the ones before: every length around the word size, with an accented
// letter at every place, and every ASCII byte beside "@[`{" (the bytes
// next to the letters).
TEST(CaseMappingTest, LowersAsciiOfEveryLengthAroundAnAccentedLetter) {
  const std::string upper = "\\\\SRV-@[`{Z~A\\Prn 7 Laser_QX";
  const std::string lower = "\\\\srv-@[`{z~a\\prn 7 laser_qx";
  for (size_t n = 0; n <= upper.size(); ++n) {
    EXPECT_EQ(ToLowerUtf8(upper.substr(0, n)), lower.substr(0, n)) << n;
    for (size_t at = 0; at <= n; ++at) {
      const std::string text =
          upper.substr(0, at) + "É" + upper.substr(at, n - at);
      EXPECT_EQ(ToLowerUtf8(text),
                lower.substr(0, at) + "é" + lower.substr(at, n - at))
          << n << " " << at;
    }
  }
  std::string everyByte;
  std::string everyLower;
  for (int c = 0; c < 0x80; ++c) {
    everyByte += static_cast<char>(c);
    everyLower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  EXPECT_EQ(ToLowerUtf8(everyByte), everyLower);
  // A buffer kept from a longer name holds only the shorter one's bytes.
  std::string kept;
  ToLowerUtf8(everyByte, kept);
  ToLowerUtf8("\\\\SRV\\É", kept);
  EXPECT_EQ(kept, "\\\\srv\\é");
}

TEST(EqualsIgnoreCaseTest, AccentsStayDistinct) {
  EXPECT_TRUE(
      EqualsIgnoreCase("\\\\Srv\\Imprimante-É", "\\\\SRV\\imprimante-é"));
  EXPECT_FALSE(EqualsIgnoreCase("é", "e"));
  EXPECT_FALSE(EqualsIgnoreCase("\\\\srv\\a", "\\\\srv\\a "));
  EXPECT_TRUE(EqualsIgnoreCase("", ""));
}

TEST(Windows1252Test, DecodesTheBytes80To9F) {
  const std::string bytes =
      "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E"
      "\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F";
  EXPECT_EQ(Windows1252ToUtf8(bytes), "€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
}

TEST(Windows1252Test, UndefinedBytesBecomeControlsAndTheRestIsLatin1) {
  EXPECT_EQ(Windows1252ToUtf8("\x81\x8D\x8F\x90\x9D"),
            "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
  EXPECT_EQ(Windows1252ToUtf8("L'imprimante \xE9tait d\xE9j\xE0 l\xE0\xA0!"),
            "L'imprimante était déjà là\u00A0!");
  EXPECT_EQ(Windows1252ToUtf8("\xA0\xC9\xFF"), "\u00A0Éÿ");
  EXPECT_EQ(Windows1252ToUtf8(std::string("\\\\a\0b", 5)),
            std::string("\\\\a\0b", 5));
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  EXPECT_TRUE(IsValidUtf8(Windows1252ToUtf8(all)));
}

// Decodes as Windows-1252 and records that it was asked.
struct RecordingDecoder {
  std::vector<std::string>* calls;
  std::string operator()(std::string_view bytes) const {
    calls->emplace_back(bytes);
    return Windows1252ToUtf8(bytes);
  }
};

TEST(DecodeScriptBytesTest, ByteOrderMarkOrValidTextIsUtf8) {
  std::vector<std::string> calls;
  RecordingDecoder decoder{&calls};
  EXPECT_EQ(DecodeScriptBytes("\xEF\xBB\xBF[Config]\r\nLog=été", decoder),
            "[Config]\r\nLog=été");
  EXPECT_EQ(DecodeScriptBytes("\xEF\xBB\xBF", decoder), "");
  EXPECT_EQ(DecodeScriptBytes("", decoder), "");
  EXPECT_EQ(DecodeScriptBytes("[actions]\r\n+\\\\srv\\Écran", decoder),
            "[actions]\r\n+\\\\srv\\Écran");
  // A mark further on is text, not a mark.
  EXPECT_EQ(DecodeScriptBytes("a\xEF\xBB\xBF", decoder), "a\xEF\xBB\xBF");
  EXPECT_TRUE(calls.empty());
}

TEST(DecodeScriptBytesTest, AnyInvalidByteMakesTheWholeFileAnsi) {
  std::vector<std::string> calls;
  RecordingDecoder decoder{&calls};
  // Valid UTF-8 for "é" first, then a lone Windows-1252 byte: the whole file
  // is read in the code page, the valid pair included.
  EXPECT_EQ(DecodeScriptBytes("\xC3\xA9 caf\xE9 \x80", decoder), "Ã© café €");
  // A truncated sequence at the very end is enough.
  EXPECT_EQ(DecodeScriptBytes("Log=x\xC3", decoder), "Log=xÃ");
  // So is an overlong form.
  EXPECT_EQ(DecodeScriptBytes("\xC0\xAF", decoder), "À¯");
  EXPECT_EQ(calls, (std::vector<std::string>{"\xC3\xA9 caf\xE9 \x80",
                                             "Log=x\xC3", "\xC0\xAF"}));
}

// A script saved as "Unicode" by Notepad: UTF-16 with its byte-order mark.
TEST(DecodeScriptBytesTest, Utf16ByItsByteOrderMark) {
  auto decoder = [](std::string_view) { return std::string("ANSI"); };
  const std::string little("\xFF\xFE[\0C\0]\0\r\0\n\0\xE9\0\xAC\x20", 16);
  EXPECT_EQ(DecodeScriptBytes(little, decoder), "[C]\r\né€");
  const std::string big("\xFE\xFF\0[\0C\0]\0\xE9\x20\xAC", 12);
  EXPECT_EQ(DecodeScriptBytes(big, decoder), "[C]é€");
  // A pair of surrogates is one character; a lone one, or an odd last
  // byte, is U+FFFD.
  const std::string pair("\xFF\xFE\x3D\xD8\x00\xDE", 6);
  EXPECT_EQ(DecodeScriptBytes(pair, decoder), "\xF0\x9F\x98\x80");
  const std::string lone(
      "\xFF\xFE\x3D\xD8"
      "a\0"
      "\x00\xDE"
      "b",
      9);
  EXPECT_EQ(DecodeScriptBytes(lone, decoder),
            "\xEF\xBF\xBD"
            "a"
            "\xEF\xBF\xBD"
            "\xEF\xBF\xBD");
  EXPECT_EQ(DecodeScriptBytes("\xFF\xFE", decoder), "");
}

}  // namespace
}  // namespace quelmar
