#include "app/workstation_snapshot.h"

#include <map>
#include <set>

#include "app/action_section.h"
#include "services/printer_services.h"
#include "services/text_utils.h"
#include "services/unicode.h"

namespace quelmar {
namespace {

std::string ServerOf(std::string_view name) {
  return std::string(SplitField(name, '\\', 2));
}

std::string PrinterOf(std::string_view name) {
  return std::string(SplitField(name, '\\', 3));
}

bool IsNetworkName(const std::string& name) {
  return name.rfind("\\\\", 0) == 0 && !ServerOf(name).empty() &&
         !PrinterOf(name).empty();
}

// The names of one valid line, a wildcard matched as the run matches it.
void AddNamesOf(const ActionLine& line, SimWorkstation& installed,
                std::vector<std::string>& names) {
  if (PrinterOf(line.Param1) != "*") {
    names.emplace_back(line.Param1);
    if (!line.Param2.empty()) names.emplace_back(line.Param2);
    return;
  }
  for (const std::string& old :
       MatchInstalledPrinters(installed, std::string(line.Param1))) {
    if (old.empty()) continue;
    names.push_back(old);
    if (line.Command == "*")
      names.push_back("\\\\" + ServerOf(line.Param2) + "\\" + PrinterOf(old));
  }
}

}  // namespace

std::vector<std::string> PrintersNamedBy(
    std::string_view scriptText, const std::vector<std::string>& installed) {
  WorkstationState state;
  state.printers = installed;
  SimWorkstation workstation(state);
  std::vector<std::string> names;
  ActionLines lines(scriptText);
  std::string message;
  std::string_view raw;
  for (int16_t number = 0; number <= 32766 && lines.Next(raw); ++number) {
    std::optional<ActionLine> line = ParseActionLine(raw, number);
    if (line && CheckActionLine(*line, message))
      AddNamesOf(*line, workstation, names);
  }
  std::vector<std::string> network;
  std::set<std::string> seen;
  for (const std::string& name : names)
    if (IsNetworkName(name) && seen.insert(ToLowerUtf8(name)).second)
      network.push_back(name);
  return network;
}

Snapshot TakeSnapshot(ThisWorkstation& workstation,
                      std::string_view scriptText) {
  Snapshot snapshot;
  WorkstationState& state = snapshot.state;
  state.printers = workstation.InstalledPrinters();
  // The simulated workstation keeps the default as a device value.
  if (std::string name = workstation.DefaultPrinterName(); !name.empty())
    state.device = name + ",,";
  const std::vector<std::string> named =
      PrintersNamedBy(scriptText, state.printers);
  // Each server once, in the script's order and spelling.
  std::map<std::string, ServerListing> listings;
  std::set<std::string> offered;  // lower-case share names
  for (const std::string& name : named) {
    const std::string server = ServerOf(name);
    const std::string key = ToLowerUtf8(server);
    if (listings.count(key)) continue;
    ServerListing& listing = listings[key] = workstation.ListServer(server);
    if (!listing.answered) {
      snapshot.comments.push_back(
          "\\\\" + server + " n'a pas répondu (" + listing.text +
          ") : rejoué comme un serveur qui ne partage aucune imprimante.");
      continue;
    }
    for (const std::string& printer : listing.printers) {
      std::string share = "\\\\" + server;
      share.append("\\").append(printer);
      if (offered.insert(ToLowerUtf8(share)).second)
        state.shares.push_back(share);
    }
  }
  std::map<int32_t, std::string> texts;
  for (const std::string& name : named) {
    if (offered.count(ToLowerUtf8(name))) continue;
    const ServerListing& listing = listings[ToLowerUtf8(ServerOf(name))];
    ConnectionProbe probe;
    if (listing.answered) {
      probe = workstation.ProbeConnection(name);
    } else {
      probe.error = listing.error;
      probe.text = listing.text;
    }
    if (probe.offered) {
      // Offered, though not listed (a server that lists nothing).
      offered.insert(ToLowerUtf8(name));
      state.shares.push_back("\\\\" + ServerOf(name) + "\\" + probe.spelling);
      continue;
    }
    state.failures.push_back({"connect", name, probe.error});
    // Without a text of its own, the rehearsal says what the run says of
    // an error it has no text for.
    if (!probe.text.empty()) texts[probe.error] = probe.text;
  }
  for (auto& [code, text] : texts) state.messages.emplace_back(code, text);
  return snapshot;
}

std::string FormatSnapshot(const Snapshot& snapshot) {
  std::string out = "; Relevé du poste de travail pour une répétition.\n";
  for (const std::string& comment : snapshot.comments)
    out += "; " + comment + "\n";
  return out + FormatWorkstation(snapshot.state);
}

}  // namespace quelmar
