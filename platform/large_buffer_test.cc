#include "platform/large_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace quelmar {
namespace {

// Every length a piece is copied by in its own way (none, one byte, pairs
// of 2, 4, 8 and 16 bytes, memcpy), appended after every offset: the text
// is the pieces end to end, and nothing past them is touched.
TEST(LargeTextTest, PiecesOfEveryLengthEndToEnd) {
  std::string source;
  for (int k = 0; k < 80; ++k) source += static_cast<char>('!' + k);
  for (size_t offset = 0; offset < 3; ++offset) {
    LargeText text;
    std::string expected(offset, '.');
    text += expected;
    for (size_t length = 0; length <= source.size(); ++length) {
      const std::string_view piece(source.data(), length);
      text += piece;
      expected += piece;
    }
    EXPECT_EQ(std::string_view(text), expected) << offset;
    EXPECT_EQ(text.size(), expected.size());
  }
}

// Growing past the room reserved, and past a large page, keeps the text,
// whether appended to the text or through an appender.
TEST(LargeTextTest, GrowsPastWhatWasReserved) {
  LargeText text;
  text.Reserve(10);
  std::string expected;
  const std::string line = "Connexion de \\\\srv\\imprimante...\r\n";
  while (expected.size() < (size_t{5} << 20)) {
    text += line;
    expected += line;
    // Through an appender too, which grows the text as it must.
    LargeText::Appender appender(text);
    for (int k = 0; k < 3; ++k) {
      appender += line;
      expected += line;
    }
  }
  EXPECT_EQ(std::string_view(text), expected);
}

TEST(LargeTextTest, MovedTextLeavesAnEmptyOne) {
  LargeText text;
  text += "trace";
  LargeText taken = std::move(text);
  EXPECT_EQ(std::string_view(taken), "trace");
  EXPECT_TRUE(text.empty());  // NOLINT(bugprone-use-after-move)
  text += "suite";
  taken = std::move(text);
  EXPECT_EQ(std::string_view(taken), "suite");
}

}  // namespace
}  // namespace quelmar
