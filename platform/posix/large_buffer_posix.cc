#include <sys/mman.h>

#include <cstdint>
#include <new>

#include "platform/large_buffer.h"

namespace quelmar {
namespace {

// The size of the system's large pages on x86-64 and arm64 Linux.
constexpr std::size_t kLargePage = std::size_t{2} << 20;

std::size_t RoundedUp(std::size_t bytes) {
  return (bytes + kLargePage - 1) & ~(kLargePage - 1);
}

}  // namespace

// A buffer of a large page or more is mapped at a large-page boundary and
// marked for large pages (the system gives them to marked memory only,
// where transparent huge pages are "madvise"); a smaller one, or one the
// system gives no large pages, is ordinary memory. Untouched pages of the
// mapping are never given memory.
void* AllocateLargeBuffer(std::size_t bytes) {
  if (bytes < kLargePage) return ::operator new(bytes);
  const std::size_t size = RoundedUp(bytes);
  const std::size_t mapped = size + kLargePage;
  void* map = mmap(nullptr, mapped, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (map == MAP_FAILED) throw std::bad_alloc();
  // The mapping is cut to the aligned part: what lies before and after it
  // goes back at once.
  const auto start = reinterpret_cast<std::uintptr_t>(map);
  const std::size_t before = RoundedUp(start) - start;
  char* buffer = static_cast<char*>(map) + before;
  if (before > 0) munmap(map, before);
  if (mapped - before > size) munmap(buffer + size, mapped - before - size);
  (void)!madvise(buffer, size, MADV_HUGEPAGE);  // a hint: refused, it is 4 KiB
  return buffer;
}

void FreeLargeBuffer(void* memory, std::size_t bytes) noexcept {
  if (bytes < kLargePage) {
    ::operator delete(memory);
    return;
  }
  munmap(memory, RoundedUp(bytes));
}

}  // namespace quelmar
