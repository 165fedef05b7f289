#include "services/retry_backoff.h"

#include <gtest/gtest.h>

#include <set>

namespace quelmar {
namespace {

using std::chrono::milliseconds;

TEST(RetryBackoffTest, PausesGrowFromAFewMillisecondsToHalfASecond) {
  RetryBackoff backoff(7);
  milliseconds total(0);
  int attempts = 0;
  for (milliseconds step = RetryBackoff::kFirstStep; total < kJournalPatience;
       step = std::min(step * 2, RetryBackoff::kLastStep)) {
    milliseconds pause = backoff.NextPause();
    EXPECT_GE(pause, step / 2) << "attempt " << attempts;
    EXPECT_LE(pause, step) << "attempt " << attempts;
    total += pause;
    ++attempts;
  }
  // Over 30 s: the early attempts come fast, the rest about twice a second.
  EXPECT_GT(attempts, 60);
  EXPECT_LT(attempts, 130);
}

TEST(RetryBackoffTest, WritersWithOtherSeedsDoNotRetryInStep) {
  std::set<int64_t> tenthPauses;
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    RetryBackoff backoff(seed);
    for (int i = 0; i < 9; ++i) backoff.NextPause();
    tenthPauses.insert(backoff.NextPause().count());
  }
  EXPECT_GT(tenthPauses.size(), 15u);
}

}  // namespace
}  // namespace quelmar
