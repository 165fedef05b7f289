// The default printer of the CUPS workstation: the user's own choice in
// lpoptions, read and written through libcups on the workstation's CUPS.
#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/posix/cups_workstation.h"
#include "services/text_utils.h"
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

}  // namespace

std::optional<std::string> CupsWorkstation::UserDefaultQueue() {
  cups_dest_t* dest = cupsGetNamedDest(LocalHttp(), nullptr, nullptr);
  if (!dest) return std::nullopt;
  std::string name = dest->name;
  cupsFreeDests(1, dest);
  return name;
}

std::optional<std::string> CupsWorkstation::LpoptionsDefaultQueue() {
  if (!lpoptionsDefault_) {
    DefaultVariablesHidden hidden;
    lpoptionsDefault_ = UserDefaultQueue();
  }
  return *lpoptionsDefault_;
}

void CupsWorkstation::SetUserDefaultQueue(const std::string& queue) {
  lpoptionsDefault_.reset();
  http_t* http = LocalHttp();
  cups_dest_t* dests = nullptr;
  int count = cupsGetDests2(http, &dests);
  if (!queue.empty() && !cupsGetDest(queue.c_str(), nullptr, count, dests))
    count = cupsAddDest(queue.c_str(), nullptr, count, &dests);
  for (int i = 0; i < count; ++i)
    dests[i].is_default = !queue.empty() && !dests[i].instance &&
                          EqualsIgnoreCase(dests[i].name, queue);
  cupsSetDests2(http, count, dests);
  cupsFreeDests(count, dests);
}

std::string CupsWorkstation::ReadDevice() {
  std::optional<std::string> queue = UserDefaultQueue();
  if (!queue) return ",,,";
  for (Queue& installed : Queues())
    if (EqualsIgnoreCase(installed.name, *queue))
      return installed.deviceName + ",,";
  return ",,,";
}

void CupsWorkstation::WriteDevice(const std::string& value) {
  const std::string name = SplitField(value, ",", 0, Compare::kExact, false);
  if (name.empty()) return SetUserDefaultQueue({});
  // A name that is no queue cannot be a CUPS default: nothing is written,
  // and the read-back shows the default unchanged.
  if (std::optional<Queue> queue = FindQueue(name))
    SetUserDefaultQueue(queue->name);
}

// Programs that print read lpoptions at each use: there is no one to tell.
void CupsWorkstation::BroadcastSettingsChange() {}

}  // namespace quelmar
