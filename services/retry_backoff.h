// The pauses between attempts at a file that other processes hold, as the
// journal on a share is held during a logon wave: each pause drawn at
// random between half and the whole of a step that doubles from 4 ms to
// 512 ms, so that thousands of writers neither retry in step nor wait long
// after the file is free.
#pragma once

#include <chrono>
#include <cstdint>
#include <random>

namespace quelmar {

// How long a journal that other writers hold is waited for in all.
constexpr auto kJournalPatience = std::chrono::seconds(30);

class RetryBackoff {
 public:
  static constexpr auto kFirstStep = std::chrono::milliseconds(4);
  static constexpr auto kLastStep = std::chrono::milliseconds(512);

  explicit RetryBackoff(uint32_t seed) : random_(seed) {}
  std::chrono::milliseconds NextPause();

 private:
  std::minstd_rand random_;
  std::chrono::milliseconds step_ = kFirstStep;
};

}  // namespace quelmar
