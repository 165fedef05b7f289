// Memory for a text that grows to megabytes and is written once from its
// start: the journal's text of a long run. Every 4 KiB page of ordinary
// memory costs a page fault the first time it is written (about 2 µs on a
// virtual machine, more than the bytes themselves); where the system has
// 2 MiB pages, a buffer of that size or more is given them, so that filling
// megabytes costs a few faults instead of a thousand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace quelmar {

// `bytes` of memory, or std::bad_alloc.
void* AllocateLargeBuffer(std::size_t bytes);
// Gives back what AllocateLargeBuffer(bytes) gave.
void FreeLargeBuffer(void* memory, std::size_t bytes) noexcept;

// A text in such memory, to which pieces are appended (through an Appender,
// or one at a time): a check of the room left and a copy, which short
// pieces (names, the trace's fixed words) get without a call.
class LargeText {
 public:
  LargeText() = default;
  ~LargeText() { Release(); }
  LargeText(LargeText&& other) noexcept { TakeFrom(other); }
  LargeText& operator=(LargeText&& other) noexcept {
    if (this != &other) {
      Release();
      TakeFrom(other);
    }
    return *this;
  }
  LargeText(const LargeText&) = delete;
  LargeText& operator=(const LargeText&) = delete;

  // Room for `bytes` in all, so that the text is not copied as it grows.
  void Reserve(std::size_t bytes) {
    if (bytes > capacity_) MoveTo(bytes);
  }
  // Appends pieces one after the other with the text's end kept in a
  // register: appended through the text itself, its size would be read
  // again after each copy, since a store through a char pointer could
  // change it. The size is set when the appender goes.
  class Appender {
   public:
    explicit Appender(LargeText& text)
        : text_(text),
          end_(text.data_ + text.size_),
          limit_(text.data_ + text.capacity_) {}
    ~Appender() { text_.size_ = static_cast<std::size_t>(end_ - text_.data_); }
    Appender(const Appender&) = delete;
    Appender& operator=(const Appender&) = delete;
    Appender& operator+=(std::string_view piece) {
      if (piece.size() > static_cast<std::size_t>(limit_ - end_)) {
        text_.size_ = static_cast<std::size_t>(end_ - text_.data_);
        text_.Grow(piece.size());
        end_ = text_.data_ + text_.size_;
        limit_ = text_.data_ + text_.capacity_;
      }
      CopyPiece(end_, piece.data(), piece.size());
      end_ += piece.size();
      return *this;
    }

   private:
    LargeText& text_;
    char* end_;
    char* limit_;
  };
  LargeText& operator+=(std::string_view piece) {
    Appender(*this) += piece;
    return *this;
  }
  bool empty() const { return size_ == 0; }
  std::size_t size() const { return size_; }
  operator std::string_view() const { return {data_, size_}; }

 private:
  // Up to 32 bytes in two overlapping copies of a fixed size, which the
  // compiler makes moves of registers; longer pieces through memcpy.
  template <typename Word>
  static void CopyTwoWords(char* to, const char* from, std::size_t count) {
    Word head;
    Word tail;
    std::memcpy(&head, from, sizeof(Word));
    std::memcpy(&tail, from + count - sizeof(Word), sizeof(Word));
    std::memcpy(to, &head, sizeof(Word));
    std::memcpy(to + count - sizeof(Word), &tail, sizeof(Word));
  }
  struct Bytes16 {
    std::uint64_t low;
    std::uint64_t high;
  };
  static void CopyPiece(char* to, const char* from, std::size_t count) {
    if (count > 32)
      std::memcpy(to, from, count);
    else if (count >= 16)
      CopyTwoWords<Bytes16>(to, from, count);
    else if (count >= 8)
      CopyTwoWords<std::uint64_t>(to, from, count);
    else if (count >= 4)
      CopyTwoWords<std::uint32_t>(to, from, count);
    else if (count >= 2)
      CopyTwoWords<std::uint16_t>(to, from, count);
    else if (count == 1)
      *to = *from;
  }
  // Doubles the room, or more when `more` needs it.
  void Grow(std::size_t more);
  void MoveTo(std::size_t capacity);
  void Release() noexcept;
  void TakeFrom(LargeText& other) noexcept;

  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace quelmar
