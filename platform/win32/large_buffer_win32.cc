#include <new>

#include "platform/large_buffer.h"

namespace quelmar {

// Windows gives large pages only to a process holding the right to lock
// memory, which a user's run does not: ordinary memory.
void* AllocateLargeBuffer(std::size_t bytes) { return ::operator new(bytes); }

void FreeLargeBuffer(void* memory, std::size_t /*bytes*/) noexcept {
  ::operator delete(memory);
}

}  // namespace quelmar
