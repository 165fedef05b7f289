// The run trace: every line of the run goes through Trace, to the window's
// trace box in mode "N" and to LogBuffer at journal level "C".
#pragma once

#include <string_view>

#include "app/run_state.h"
#include "platform/user_interface.h"

namespace quelmar {

class RunTrace {
 public:
  RunTrace(RunSettings& settings, Window& window)
      : settings_(settings), window_(window) {}

  // A main line is written as it is; a detail line after "   -> ". With
  // `blankLineBefore` an empty line comes first, except on the first line.
  // Both the box and LogBuffer are appended to, never rebuilt, so a run
  // costs time in proportion to its trace.
  void Trace(std::string_view text, bool mainLine, bool blankLineBefore);

 private:
  RunSettings& settings_;
  Window& window_;
  bool boxEmpty_ = true;
  std::string chunk_;
};

}  // namespace quelmar
