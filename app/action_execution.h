// Execution of the valid action lines, one printer name after the other,
// and the run's closing sentence.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/run_context.h"

namespace quelmar {

class ActionExecution {
 public:
  // The run's user interface holds the end of the session during each
  // replacement.
  explicit ActionExecution(RunContext& run)
      : printers_(run.platform),
        trace_(run.trace),
        counters_(run.counters),
        ui_(run.platform.ui) {}

  // Runs `command` on every entry of `oldNames` (with the entry of
  // `newNames` of the same index for "*"); an empty first entry means that
  // the line concerns no printer.
  void ExecuteActionLine(char command, const std::vector<std::string>& oldNames,
                         const std::vector<std::string>& newNames,
                         bool isMultiple);

  void RunDisconnect(const std::string& name);
  void RunConnect(const std::string& name);
  void RunReplace(const std::string& name, const std::string& replacement);
  void RunSetDefault(const std::string& name);

  // True when a run-time error cut a replacement short after its removal.
  bool interruptedReplacement() const { return interruptedReplacement_; }

 private:
  // kDisconnectReplaced: the removal of a replacement, which a rollback
  // may undo.
  enum class Change { kDisconnect, kDisconnectReplaced, kConnect };
  // The opening line (with `name` as the script spells it) and the
  // presence check of `printer` (its one name) for a disconnection or a
  // connection; counts a skipped printer. True when the change is to be made.
  bool CheckPresence(Change change, const std::string& name,
                     const std::string& printer);
  // The spooler's call of the change and its outcome; counts a migration
  // error. True when the spooler did it.
  bool CallSpooler(Change change, const std::string& name);
  void OutcomeOfError(const SpoolerResult& result);
  // Makes `name` the default and traces the outcome; counts nothing.
  void HandDefaultTo(const std::string& name);
  // The replacement's part after the removal of `printer` (the old
  // printer's one name); `replaced` tells whether the replacement was
  // connected.
  void ConnectReplacement(const std::string& printer,
                          const std::string& replacement, bool wasDefault,
                          bool& replaced);
  // After a run-time error in the middle of a replacement: connects the
  // removed printer again and gives it back the default, tracing what
  // happened; a second run-time error is traced, not thrown.
  void PutBack(const std::string& name, bool wasDefault);

  Platform& printers_;
  RunTrace& trace_;
  RunCounters& counters_;
  UserInterface& ui_;
  bool interruptedReplacement_ = false;
};

// The closing sentence built from the five counters.
std::string ComposeFinalMessage(const RunCounters& counters);

}  // namespace quelmar
