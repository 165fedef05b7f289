// The simulated workstation of the rehearsal command and the tests: its
// installed printers, the profile's default printer, the printers that the
// reachable print servers offer, forced failures and message texts. It
// records every call made to it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/spooler.h"

namespace quelmar {

struct ForcedFailure {
  std::string operation;  // "connect", "disconnect" or "setdefault"
  std::string printer;
  int32_t error = 0;
};

struct WorkstationState {
  std::vector<std::string> printers;
  std::optional<std::string> device;  // the profile's `device` value
  std::vector<std::string> shares;
  std::vector<ForcedFailure> failures;
  std::vector<std::pair<int32_t, std::string>> messages;
};

// Reads the workstation file (UTF-8, INI-like, ";" comment lines, section
// names without regard to case). Lines outside the known sections are
// ignored. A file that cannot be read as such (not UTF-8 text, a control
// character, a number that is no 32-bit number) gives the reason in
// `problem`, when asked, and what could be read.
WorkstationState ParseWorkstation(std::string_view text,
                                  std::string* problem = nullptr);
// The same format, as the run left the workstation.
std::string FormatWorkstation(const WorkstationState& state);

class SimWorkstation : public Spooler,
                       public DefaultPrinterProfile,
                       public MessageTable {
 public:
  explicit SimWorkstation(WorkstationState state);

  std::vector<std::string> InstalledPrinters() override;
  SpoolerResult AddPrinterConnection(const std::string& name) override;
  SpoolerResult DeletePrinterConnection(const std::string& name) override;

  std::string ReadDevice() override;
  void WriteDevice(const std::string& value) override;
  void BroadcastSettingsChange() override;

  std::string FormatMessage(int32_t code, const std::string& module) override;

  const WorkstationState& state() const { return state_; }
  // Every call, in order: "list", "connect NAME", "disconnect NAME",
  // "read", "write VALUE", "broadcast", "message CODE MODULE".
  const std::vector<std::string>& calls() const;

 private:
  const ForcedFailure* FindFailure(std::string_view operation,
                                   std::string_view printer) const;
  // The index of the installed printer whose lower-case name is `lower`.
  std::optional<size_t> FindInstalled(const std::string& lower) const;

  void Record(std::string_view call, std::string_view name = {});

  WorkstationState state_;
  // The calls are kept end to end in one text, which a run of thousands of
  // operations fills at little cost; calls() cuts them into a list when it
  // is asked for.
  std::string callLog_;
  std::vector<size_t> callEnds_;
  mutable std::vector<std::string> calls_;
  // Lower-case names, so that a large workstation is searched without
  // lower-casing every name at every call: the printers, in the order of
  // state_.printers, and the first share of each name.
  std::vector<std::string> lowerPrinters_;
  std::unordered_map<std::string, size_t> shareByName_;
};

}  // namespace quelmar
