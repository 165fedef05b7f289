#include "platform/large_buffer.h"

#include <algorithm>

namespace quelmar {

void LargeText::Grow(std::size_t more) {
  MoveTo(std::max(size_ + more, std::max<std::size_t>(capacity_ * 2, 256)));
}

void LargeText::MoveTo(std::size_t capacity) {
  char* moved = static_cast<char*>(AllocateLargeBuffer(capacity));
  if (size_ > 0) std::memcpy(moved, data_, size_);
  Release();
  data_ = moved;
  capacity_ = capacity;
}

void LargeText::Release() noexcept {
  if (data_ != nullptr) FreeLargeBuffer(data_, capacity_);
  data_ = nullptr;
  capacity_ = 0;
}

void LargeText::TakeFrom(LargeText& other) noexcept {
  data_ = other.data_;
  size_ = other.size_;
  capacity_ = other.capacity_;
  other.data_ = nullptr;
  other.size_ = 0;
  other.capacity_ = 0;
}

}  // namespace quelmar
