#include <gtest/gtest.h>

#include <cstdint>

#include "platform/large_buffer.h"

namespace quelmar {
namespace {

// The system gives large pages only to memory at a large-page boundary.
TEST(LargeBufferTest, ALargeBufferStartsAtALargePage) {
  const size_t bytes = (size_t{2} << 20) + 1;
  void* buffer = AllocateLargeBuffer(bytes);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer) % (size_t{2} << 20), 0u);
  static_cast<char*>(buffer)[bytes - 1] = 'x';
  FreeLargeBuffer(buffer, bytes);
}

}  // namespace
}  // namespace quelmar
