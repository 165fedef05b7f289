#include "services/retry_backoff.h"

#include <algorithm>

namespace quelmar {

std::chrono::milliseconds RetryBackoff::NextPause() {
  std::uniform_int_distribution<int64_t> draw(step_.count() / 2, step_.count());
  std::chrono::milliseconds pause(draw(random_));
  step_ = std::min(step_ * 2, kLastStep);
  return pause;
}

}  // namespace quelmar
