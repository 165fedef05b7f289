// The default printer of the CUPS workstation: the user's own choice in
// lpoptions, read and written through libcups on the workstation's CUPS;
// run by root, the machine-wide default.
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/posix/cups_workstation.h"
#include "services/unicode.h"

namespace quelmar {
namespace {

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

// The queue named by the first Default line of an options file, without
// its instance, as libcups reads it; nothing when the file has none.
std::optional<std::string> OptionsFileDefault(const std::string& path) {
  std::ifstream in(path);
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

// The Default line of the machine-wide options file (CUPS_SERVERROOT/
// lpoptions, /etc/cups/lpoptions).
std::optional<std::string> MachineOptionsDefault() {
  const char* root = std::getenv("CUPS_SERVERROOT");
  return OptionsFileDefault(std::string(root && *root ? root : "/etc/cups") +
                            "/lpoptions");
}

// The Default line of the user's own options file (~/.cups/lpoptions).
std::optional<std::string> UserOptionsDefault() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) return std::nullopt;
  return OptionsFileDefault(std::string(home) + "/.cups/lpoptions");
}

// Destinations that libcups allocated, freed with them whatever way the
// code that holds them is left.
class OwnedDests {
 public:
  OwnedDests() = default;
  // One destination from cupsGetNamedDest; none when it found nothing.
  explicit OwnedDests(cups_dest_t* one) : count_(one ? 1 : 0), dests_(one) {}
  ~OwnedDests() { cupsFreeDests(count_, dests_); }
  OwnedDests(const OwnedDests&) = delete;
  OwnedDests& operator=(const OwnedDests&) = delete;

  int count() const { return count_; }
  cups_dest_t* begin() const { return dests_; }
  cups_dest_t* end() const { return dests_ + count_; }
  bool Has(const char* name, const char* instance) const {
    return cupsGetDest(name, instance, count_, dests_) != nullptr;
  }
  // cupsCopyDest and cupsAddDest reallocate the array and return the new
  // count; the owner follows them.
  void Copy(cups_dest_t* dest) { count_ = cupsCopyDest(dest, count_, &dests_); }
  void Add(const char* name) {
    count_ = cupsAddDest(name, nullptr, count_, &dests_);
  }

 private:
  int count_ = 0;
  cups_dest_t* dests_ = nullptr;
};

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
  std::optional<std::string> name;
  RunLocal([&](http_t* http) {
    OwnedDests dest(cupsGetNamedDest(http, nullptr, nullptr));
    if (dest.count() == 1) name = dest.begin()->name;
  });
  return name;
}

bool CupsWorkstation::LpoptionsDefaultIs(const std::string& queue) {
  if (RunByRoot()) return false;
  // Read from the files at each removal, as libcups reads them whatever
  // the environment says: the user's own options file first, then the
  // machine-wide one. A default that neither names is the cupsd's, which
  // drops it together with the queue.
  std::optional<std::string> named = UserOptionsDefault();
  if (!named) named = MachineOptionsDefault();
  return named && EqualsIgnoreCase(*named, queue);
}

void CupsWorkstation::SetUserDefaultQueue(const std::string& queue) {
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
    OwnedDests dests;
    auto add = [&](const std::string& name, const std::string& instance) {
      const char* instanceName = instance.empty() ? nullptr : instance.c_str();
      if (dests.Has(name.c_str(), instanceName)) return;
      OwnedDests dest(cupsGetNamedDest(http, name.c_str(), instanceName));
      if (dest.count() == 1) dests.Copy(dest.begin());
    };
    for (const Queue& installed : queues) add(installed.name, {});
    for (const OptionsDest& dest : named) add(dest.name, dest.instance);
    if (!queue.empty() && !dests.Has(queue.c_str(), nullptr))
      dests.Add(queue.c_str());
    for (cups_dest_t& dest : dests)
      dest.is_default = !queue.empty() && !dest.instance &&
                        EqualsIgnoreCase(dest.name, queue);
    // cupsSetDests2 fails when lpoptions cannot be written (a home folder
    // without write access) and leaves the file as it was: the read-back
    // that follows a change of the default then shows the old one, and the
    // step is reported as failed.
    if (cupsSetDests2(http, dests.count(), dests.begin()) != 0) return;
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
