// The end of the run: FinishRun, the run's one error handler, and the exit
// sequence.
#pragma once

#include <string>

#include "app/frm_quelmar.h"
#include "app/run_trace.h"
#include "base/run_error.h"

namespace quelmar {

// Gives the pointer back, writes the journal and ends by mode.
RunOutcome FinishRun(RunSettings& settings, const RunCounters& counters,
                     const std::string& finalMessage,
                     const std::string& caption, RunTrace& trace,
                     Platform& platform);

// Reports a run-time error that no step handled, then ExitSequence.
RunOutcome RunErrorHandler(const RunError& error, UserInterface& ui);

// The window is shown, or stays shown, until the user unloads it.
RunOutcome ExitSequence(UserInterface& ui, ExitStatus status);

}  // namespace quelmar
