// Which protocol reaches a print server: IPP (a CUPS server) or SMB (a
// Windows or Samba print server). By default each server is probed once per
// run; the administrator can fix the kind for every server or per server
// with the environment variable QUELMAR_PRINT_SERVERS, which leaves the
// scripts themselves the same on every system.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quelmar {

enum class ServerKind { kProbe, kIpp, kSmb };

constexpr const char* kServerKindVariable = "QUELMAR_PRINT_SERVERS";

// The value of QUELMAR_PRINT_SERVERS: entries separated by blanks, commas
// or semicolons, each "KIND" (every server) or "SERVER=KIND", KIND being
// "ipp", "smb" or "auto" in any letter case. A later entry for the same
// server wins; "SERVER=KIND" wins over "KIND".
class ServerKindSettings {
 public:
  // Nothing when an entry is malformed.
  static std::optional<ServerKindSettings> Parse(std::string_view text);
  // The kind fixed for `server` (its host part, compared without regard to
  // case), or kProbe.
  ServerKind KindOf(std::string_view server) const;

 private:
  ServerKind everyServer_ = ServerKind::kProbe;
  std::map<std::string, ServerKind> perServer_;
};

// The kind a probe found, given the ports that accepted a connection: IPP
// when its port answered, even when the SMB one did too.
std::optional<ServerKind> KindFromOpenPorts(const std::vector<int>& open);

// The share that `printer` names among the printer shares a server lists,
// matched without regard to case, in the server's spelling.
std::optional<std::string> FindPrinterShare(
    const std::vector<std::string>& shares, std::string_view printer);

}  // namespace quelmar
