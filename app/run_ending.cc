#include "app/run_ending.h"

#include "app/journal.h"
#include "services/text_utils.h"

namespace quelmar {

RunOutcome FinishRun(RunSettings& settings, const RunCounters& counters,
                     const std::string& finalMessage,
                     const std::string& caption, RunTrace& trace,
                     Platform& platform) {
  platform.ui.SetWaitPointer(false);
  const bool journalled = WriteJournal(settings, finalMessage, platform);
  const bool clean = journalled && counters.MigrationErrorCount.value() == 0 &&
                     counters.ScriptErrorCount.value() == 0;
  const ExitStatus status = clean ? kCompleted : kCompletedWithErrors;
  if (settings.Mode == "N") {
    trace.Opening(finalMessage);
    Window& window = platform.ui.MainWindow();
    window.SetOkEnabled(true);
    window.FocusOk();
    return KeepWindowUntilClosed(platform.ui, status);
  }
  if (settings.Mode == "D")
    platform.ui.MessageBox(finalMessage, caption, BoxIcon::kInformation);
  return {false, status};
}

RunOutcome RunErrorHandler(const RunError& error, UserInterface& ui) {
  ui.SetWaitPointer(false);
  ui.MessageBox(
      "Une erreur est survenue lors du traitement...\r\n\r\n\tErreur " +
          DecimalText(error.number()) + " : " + error.description(),
      "Erreur", BoxIcon::kExclamation);
  return KeepWindowUntilClosed(ui, kNotCompleted);
}

RunOutcome KeepWindowUntilClosed(UserInterface& ui, ExitStatus status) {
  // Files are closed by their owners as soon as each operation ends, so no
  // file is open here.
  ui.SetWaitPointer(false);
  return {true, status};
}

}  // namespace quelmar
