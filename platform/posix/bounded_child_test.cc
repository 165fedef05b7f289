#include "platform/posix/bounded_child.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
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

// What the child prints must not reach the parent's standard output, which
// carries the run's trace.
TEST(BoundedChildTest, ChildPrintsNothingOnTheParentsOutput) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  ChildOutcome outcome = RunInBoundedChild(
      [] {
        std::printf("noise\n");
        std::fflush(stdout);
        std::fprintf(stderr, "noise\n");
        return std::string("result");
      },
      steady_clock::now() + milliseconds(5000));
  BoundedWorker worker([](const std::string&) {
    std::printf("noise\n");
    std::fflush(stdout);
    return std::string("answer");
  });
  EXPECT_EQ(worker.Ask("", steady_clock::now() + milliseconds(5000)).output,
            "answer");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(outcome.output, "result");
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

// The handler's state lives in the child: a counter shows whether the same
// child answered.
BoundedWorker::Handler Counter() {
  return [count = 0](const std::string& request) mutable -> std::string {
    if (request == "hang") pause();
    if (request == "die") _exit(1);
    return request + ":" + std::to_string(++count);
  };
}

ChildOutcome Ask(BoundedWorker& worker, const std::string& request) {
  return worker.Ask(request, steady_clock::now() + milliseconds(300));
}

TEST(BoundedWorkerTest, OneChildAnswersInTurnAndKeepsItsState) {
  BoundedWorker worker(Counter());
  EXPECT_EQ(Ask(worker, "a").output, "a:1");
  EXPECT_EQ(Ask(worker, "").output, ":2");
  const std::string large(200000, 'z');
  ChildOutcome outcome = Ask(worker, large);
  EXPECT_EQ(outcome.ending, ChildOutcome::Ending::kFinished);
  EXPECT_EQ(outcome.output, large + ":3");
}

TEST(BoundedWorkerTest, ChildThatHangsIsKilledAndReplaced) {
  BoundedWorker worker(Counter());
  EXPECT_EQ(Ask(worker, "a").output, "a:1");
  const auto start = steady_clock::now();
  EXPECT_EQ(Ask(worker, "hang").ending, ChildOutcome::Ending::kTimedOut);
  EXPECT_LT(steady_clock::now() - start, milliseconds(2000));
  EXPECT_EQ(Ask(worker, "b").output, "b:1");
}

TEST(BoundedWorkerTest, ChildThatDiesHasFailedAndIsReplaced) {
  BoundedWorker worker(Counter());
  EXPECT_EQ(Ask(worker, "a").output, "a:1");
  ChildOutcome outcome = Ask(worker, "die");
  EXPECT_EQ(outcome.ending, ChildOutcome::Ending::kFailed);
  EXPECT_EQ(outcome.output, "");
  EXPECT_EQ(Ask(worker, "b").output, "b:1");
}

}  // namespace
}  // namespace quelmar
