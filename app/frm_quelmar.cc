#include "app/frm_quelmar.h"

#include <new>

#include "app/action_execution.h"
#include "app/action_section.h"
#include "app/journal.h"
#include "app/run_context.h"
#include "app/run_ending.h"
#include "services/profile.h"
#include "services/text_utils.h"
#include "services/unicode.h"

namespace quelmar {

RunOutcome FrmQuelmar::Form_Load() {
  try {
    return Run();
  } catch (const RunError& error) {
    return RunErrorHandler(error, platform_.ui);
  } catch (const std::bad_alloc&) {
    return RunErrorHandler(RunError(kOutOfMemory), platform_.ui);
  }
}

void FrmQuelmar::PrepareVisibleWindow() {
  Window& window = platform_.ui.MainWindow();
  window.SetOkEnabled(false);
  if (Picture* banner = window.Banner())
    ShadeBackground(*banner, sampledBackground_);
  window.Show();
}

RunOutcome FrmQuelmar::Run() {
  UserInterface& ui = platform_.ui;
  Host& host = platform_.host;
  RunContext run(platform_, settings_);
  run.caption = Caption(version_);
  ui.MainWindow().SetCaption(run.caption);

  RunCounters& counters = run.counters;
  const CommandLine commandLine = host.GetCommandLine();
  settings_.ScriptPath = ResolveScriptPath(commandLine, host, ui, counters);
  if (!platform_.files.IsOrdinaryFile(settings_.ScriptPath)) {
    ui.SetWaitPointer(false);
    ui.MessageBox(ScriptNotFoundMessage(commandLine.text, settings_.ScriptPath),
                  "Erreur", BoxIcon::kCritical);
    return {false, kNotCompleted};
  }
  // The script is read and decoded once; the settings and the actions are
  // both read from this one text.
  const std::string script = DecodeScriptBytes(
      platform_.files.ReadWholeFile(settings_.ScriptPath),
      [&host](std::string_view bytes) { return host.AnsiToUtf8(bytes); });
  ReadRunSettings(ProfileText(script), host, ui, settings_, counters);
  CheckLogSettings(settings_, ui);
  if (settings_.Mode == "N") PrepareVisibleWindow();
  ui.SetWaitPointer(true);

  ActionExecution execution(run);
  try {
    ProcessActionSection(script, run, execution);
  } catch (const RunError& error) {
    // A replacement cut short has changed the printers and put back what
    // it could: the journal says so before the error handler ends the run.
    if (execution.interruptedReplacement())
      WriteJournal(settings_, run.trace.TakeJournalText(),
                   "Traitement interrompu par l'erreur " +
                       DecimalText(error.number()) + " : " +
                       error.description(),
                   platform_);
    throw;
  }
  return FinishRun(run, ComposeFinalMessage(counters));
}

int RunProgram(Platform& platform, Version version) {
  FrmQuelmar form(platform, version);
  RunOutcome outcome = form.Form_Load();
  if (outcome.keepWindow) platform.ui.MainWindow().RunUntilClosed();
  return outcome.status;
}

}  // namespace quelmar
