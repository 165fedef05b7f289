// quelmar-snapshot: reads this workstation for quelmar-dryrun
// --this-workstation, which runs it (Linux). The script's text comes on
// standard input; the snapshot goes to standard output (EncodeSnapshot)
// with status 0, or the reason the workstation could not be read with
// status 1. It alone links the CUPS layer, so that quelmar-dryrun does not.
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

#include "app/snapshot_encoding.h"
#include "base/run_error.h"
#include "platform/this_workstation.h"

int main() {
  using namespace quelmar;
  std::ios::sync_with_stdio(false);
  const std::string script{std::istreambuf_iterator<char>(std::cin),
                           std::istreambuf_iterator<char>()};
  std::string answer;
  int status = 0;
  try {
    std::unique_ptr<ThisWorkstation> workstation = CreateThisWorkstation();
    answer = EncodeSnapshot(TakeSnapshot(*workstation, script));
  } catch (const RunError& error) {
    answer = error.description();
    status = 1;
  }
  std::cout << answer << std::flush;
  return std::cout ? status : 2;
}
