// Execution of the valid action lines, one printer name after the other,
// and the run's closing sentence.
#pragma once

#include <string>
#include <vector>

#include "app/run_state.h"
#include "app/run_trace.h"
#include "platform/spooler.h"

namespace quelmar {

struct PrinterAccess {
  Spooler& spooler;
  DefaultPrinterSetting& defaultPrinter;
  MessageTable& messages;
};

class ActionExecution {
 public:
  ActionExecution(PrinterAccess printers, RunTrace& trace,
                  RunCounters& counters)
      : printers_(printers), trace_(trace), counters_(counters) {}

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

 private:
  void Opening(const std::string& text) { trace_.Trace(text, true, true); }
  void Step(const std::string& text) { trace_.Trace(text, true, false); }
  void Outcome(const std::string& text) { trace_.Trace(text, false, false); }
  void OutcomeOfError(const SpoolerResult& result);
  // Makes `name` the default and traces the outcome; counts nothing.
  void HandDefaultTo(const std::string& name);

  PrinterAccess printers_;
  RunTrace& trace_;
  RunCounters& counters_;
};

// The closing sentence built from the five counters.
std::string ComposeFinalMessage(const RunCounters& counters);

}  // namespace quelmar
