// The end of the run: FinishRun, the run's one error handler, and the exit
// sequence.
#pragma once

#include <string>

#include "app/frm_quelmar.h"
#include "app/run_context.h"
#include "base/run_error.h"

namespace quelmar {

// Gives the pointer back, writes the journal and ends by mode.
RunOutcome FinishRun(RunContext& run, const std::string& finalMessage);

// Reports a run-time error that no step handled, then KeepWindowUntilClosed.
RunOutcome RunErrorHandler(const RunError& error, UserInterface& ui);

// The window is shown, or stays shown, until the user unloads it.
RunOutcome KeepWindowUntilClosed(UserInterface& ui, ExitStatus status);

}  // namespace quelmar
