#include "app/run_ending.h"

#include "app/journal.h"
#include "services/text_utils.h"

namespace quelmar {

RunOutcome FinishRun(RunContext& run, const std::string& finalMessage) {
  UserInterface& ui = run.platform.ui;
  ui.SetWaitPointer(false);
  const bool journalled = WriteJournal(
      run.settings, run.trace.TakeJournalText(), finalMessage, run.platform);
  const bool clean = journalled &&
                     run.counters.MigrationErrorCount.value() == 0 &&
                     run.counters.ScriptErrorCount.value() == 0;
  const ExitStatus status = clean ? kCompleted : kCompletedWithErrors;
  if (run.settings.Mode == "N") {
    run.trace.Opening(finalMessage);
    Window& window = ui.MainWindow();
    window.SetOkEnabled(true);
    window.FocusOk();
    return KeepWindowUntilClosed(ui, status);
  }
  if (run.settings.Mode == "D")
    ui.MessageBox(finalMessage, run.caption, BoxIcon::kInformation);
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
