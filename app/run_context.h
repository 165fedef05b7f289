// One run's state, handed from step to step: the system, the settings read
// from the script, the caption, the counters and the trace.
#pragma once

#include <string>

#include "app/run_state.h"
#include "app/run_trace.h"
#include "platform/platform.h"

namespace quelmar {

struct RunContext {
  RunContext(Platform& system, RunSettings& runSettings)
      : platform(system),
        settings(runSettings),
        trace(runSettings, system.ui.MainWindow()) {}

  Platform& platform;
  RunSettings& settings;
  std::string caption;
  RunCounters counters;
  RunTrace trace;
};

}  // namespace quelmar
