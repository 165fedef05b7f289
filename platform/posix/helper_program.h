// Another program of ours, run for its answer: quelmar-dryrun hands the
// reading of this workstation to quelmar-snapshot, so that it need not
// link libcups itself.
#pragma once

#include <string>
#include <string_view>

namespace quelmar {

struct HelperOutcome {
  // False when the program could not be started; `startError` says why
  // (an errno value).
  bool started = false;
  int startError = 0;
  // Its exit status, or -1 when a signal ended it.
  int status = -1;
  std::string output;
};

// Runs the program at `path`, without arguments, with `input` on its
// standard input and its standard output collected; its standard error is
// ours. Input and output flow at the same time, so a program that answers
// as it reads cannot block on a full pipe. Waits for the program to end:
// the program bounds its own waits.
HelperOutcome RunHelperProgram(const std::string& path, std::string_view input);

}  // namespace quelmar
