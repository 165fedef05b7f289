// The main window frmQuelmar: loading it is the run.
#pragma once

#include <string>

#include "app/run_state.h"
#include "app/startup.h"
#include "platform/platform.h"
#include "services/shade_background.h"

namespace quelmar {

// Exit status: the run completed cleanly, completed with migration or
// script errors or an unwritten journal, or did not complete.
enum ExitStatus { kCompleted = 0, kCompletedWithErrors = 1, kNotCompleted = 2 };

struct RunOutcome {
  // The window stays (mode "N", or after a run-time error) until the user
  // unloads it; otherwise the program ends at once.
  bool keepWindow = false;
  ExitStatus status = kNotCompleted;
};

class FrmQuelmar {
 public:
  FrmQuelmar(Platform& platform, Version version)
      : platform_(platform), version_(version) {}

  // The load routine: the whole run, under one error handler.
  RunOutcome Form_Load();

  const RunSettings& settings() const { return settings_; }

 private:
  RunOutcome Run();
  // Prepares and shows the window for a visible run.
  void PrepareVisibleWindow();

  Platform& platform_;
  Version version_;
  RunSettings settings_;
  SampledBackground sampledBackground_;
};

// Runs the front end's part after the load: the window's own life when it
// stays. Returns the process exit status.
int RunProgram(Platform& platform, Version version);

}  // namespace quelmar
