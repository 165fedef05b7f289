// The default printer of the CUPS workstation: the user's own choice in
// lpoptions, read and written through libcups on the workstation's CUPS;
// run by root, the machine-wide default.
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "platform/posix/cups_workstation.h"
#include "services/unicode.h"

namespace quelmar {
namespace {

// Hides LPDEST and PRINTER while it lives: libcups then reads the default
// from lpoptions alone.
class DefaultVariablesHidden {
 public:
  DefaultVariablesHidden() {
    for (const char* name : {"LPDEST", "PRINTER"}) {
      if (const char* value = std::getenv(name))
        saved_.emplace_back(name, value);
      unsetenv(name);
    }
  }
  ~DefaultVariablesHidden() {
    for (const auto& [name, value] : saved_) setenv(name, value.c_str(), 1);
  }
  DefaultVariablesHidden(const DefaultVariablesHidden&) = delete;
  DefaultVariablesHidden& operator=(const DefaultVariablesHidden&) = delete;

 private:
  std::vector<std::pair<const char*, std::string>> saved_;
};

// Run by root, as a fleet engine runs it (root is the one user whom CUPS
// lets create queues for everyone), the default is the machine-wide one.
// libcups 2.4 keeps root's own choice in root's ~/.cups/lpoptions, which no
// other user reads, so that file is left out.
bool RunByRoot() { return geteuid() == 0; }

bool DefaultVariableSet() {
  for (const char* name : {"LPDEST", "PRINTER"})
    if (const char* value = std::getenv(name); value && *value) return true;
  return false;
}

// The queue named by the Default line of the machine-wide options file
// (CUPS_SERVERROOT/lpoptions, /etc/cups/lpoptions), without its instance.
std::optional<std::string> MachineOptionsDefault() {
  const char* root = std::getenv("CUPS_SERVERROOT");
  std::ifstream in(std::string(root && *root ? root : "/etc/cups") +
                   "/lpoptions");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string keyword, name;
    words >> keyword >> name;
    if (EqualsIgnoreCase(keyword, "Default") && !name.empty())
      return name.substr(0, name.find('/'));
  }
  return std::nullopt;
}

// A destination that the user's lpoptions names, with its instance.
struct OptionsDest {
  std::string name;
  std::string instance;
};

// The destinations of the user's own lpoptions (~/.cups/lpoptions), as
// libcups 2.4 reads it: "Dest" and "Default" lines, NAME[/INSTANCE].
std::vector<OptionsDest> UserOptionsDests() {
  std::vector<OptionsDest> dests;
  const char* home = std::getenv("HOME");
  if (!home || !*home) return dests;
  std::ifstream in(std::string(home) + "/.cups/lpoptions");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string keyword, name;
    words >> keyword >> name;
    if (name.empty() || !(EqualsIgnoreCase(keyword, "Dest") ||
                          EqualsIgnoreCase(keyword, "Default")))
      continue;
    const size_t slash = name.find('/');
    dests.push_back({name.substr(0, slash),
                     slash == std::string::npos ? "" : name.substr(slash + 1)});
  }
  return dests;
}

}  // namespace

std::optional<std::string> CupsWorkstation::MachineDefaultQueue() {
  std::optional<std::string> named = MachineOptionsDefault();
  if (!named) return ServerDefaultQueue();
  for (Queue& queue : Queues())
    if (EqualsIgnoreCase(queue.name, *named)) return queue.name;
  return std::nullopt;
}

std::optional<std::string> CupsWorkstation::UserDefaultQueue() {
  if (RunByRoot() && !DefaultVariableSet()) return MachineDefaultQueue();
  cups_dest_t* dest = nullptr;
  RunLocal(
      [&](http_t* http) { dest = cupsGetNamedDest(http, nullptr, nullptr); });
  if (!dest) return std::nullopt;
  std::string name = dest->name;
  cupsFreeDests(1, dest);
  return name;
}

std::optional<std::string> CupsWorkstation::LpoptionsDefaultQueue() {
  if (!lpoptionsDefault_) {
    if (RunByRoot()) {
      lpoptionsDefault_ = MachineDefaultQueue();
    } else {
      DefaultVariablesHidden hidden;
      lpoptionsDefault_ = UserDefaultQueue();
    }
  }
  return *lpoptionsDefault_;
}

void CupsWorkstation::SetUserDefaultQueue(const std::string& queue) {
  lpoptionsDefault_.reset();
  // The cupsd drops its default together with the queue: there is nothing
  // to clear. A Default line of the machine-wide options file is the
  // administrator's, never rewritten here; when it names another printer,
  // the read-back shows that one and the run reports the step as failed.
  if (RunByRoot()) {
    if (!queue.empty()) SetServerDefaultQueue(queue);
    return;
  }
  // cupsGetDests2 would also look for printers on the network (DNS-SD),
  // seconds on a machine that runs it: the destinations are the queues and
  // those of the user's lpoptions, each asked of the workstation's cupsd.
  const std::vector<Queue> queues = Queues();
  const std::vector<OptionsDest> named = UserOptionsDests();
  RunLocal([&](http_t* http) {
    cups_dest_t* dests = nullptr;
    int count = 0;
    auto add = [&](const std::string& name, const std::string& instance) {
      const char* instanceName = instance.empty() ? nullptr : instance.c_str();
      if (cupsGetDest(name.c_str(), instanceName, count, dests)) return;
      if (cups_dest_t* dest =
              cupsGetNamedDest(http, name.c_str(), instanceName)) {
        count = cupsCopyDest(dest, count, &dests);
        cupsFreeDests(1, dest);
      }
    };
    for (const Queue& installed : queues) add(installed.name, {});
    for (const OptionsDest& dest : named) add(dest.name, dest.instance);
    if (!queue.empty() && !cupsGetDest(queue.c_str(), nullptr, count, dests))
      count = cupsAddDest(queue.c_str(), nullptr, count, &dests);
    for (int i = 0; i < count; ++i)
      dests[i].is_default = !queue.empty() && !dests[i].instance &&
                            EqualsIgnoreCase(dests[i].name, queue);
    cupsSetDests2(http, count, dests);
    cupsFreeDests(count, dests);
  });
}

std::string CupsWorkstation::DefaultPrinterName() {
  std::optional<std::string> queue = UserDefaultQueue();
  if (!queue) return {};
  for (Queue& installed : Queues())
    if (EqualsIgnoreCase(installed.name, *queue)) return installed.deviceName;
  return {};
}

// Programs that print read lpoptions at each use: there is no one to tell.
void CupsWorkstation::MakeDefaultPrinter(const std::string& name) {
  // A name that is no queue cannot be a CUPS default: nothing is written,
  // and the read-back shows the default unchanged.
  if (std::optional<Queue> queue = FindQueue(name))
    SetUserDefaultQueue(queue->name);
}

}  // namespace quelmar
