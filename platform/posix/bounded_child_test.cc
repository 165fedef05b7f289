#include "platform/posix/bounded_child.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

namespace quelmar {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

TEST(BoundedChildTest, HandsBackWhatTheChildReturned) {
  const std::string large(100000, 'x');  // more than a pipe holds
  ChildOutcome outcome = RunInBoundedChild(
      [&] { return "a\nb" + large; }, steady_clock::now() + milliseconds(5000));
  EXPECT_EQ(outcome.ending, ChildOutcome::Ending::kFinished);
  EXPECT_EQ(outcome.output, "a\nb" + large);
}

TEST(BoundedChildTest, KilledAtTheDeadline) {
  const auto start = steady_clock::now();
  ChildOutcome outcome = RunInBoundedChild(
      [] {
        pause();
        return std::string("never");
      },
      start + milliseconds(200));
  EXPECT_EQ(outcome.ending, ChildOutcome::Ending::kTimedOut);
  EXPECT_EQ(outcome.output, "");
  EXPECT_LT(steady_clock::now() - start, milliseconds(2000));
}

TEST(BoundedChildTest, ChildThatDiesHalfWayHasFailed) {
  ChildOutcome outcome =
      RunInBoundedChild([]() -> std::string { _exit(3); },
                        steady_clock::now() + milliseconds(5000));
  EXPECT_EQ(outcome.ending, ChildOutcome::Ending::kFailed);
  EXPECT_EQ(outcome.output, "");
}

}  // namespace
}  // namespace quelmar
