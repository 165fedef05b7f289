// The print servers behind \\server\printer: a CUPS server reached over IPP
// or a Windows or Samba print server reached over SMB, found out once per
// server and run; a server that could not be reached is remembered, so
// that a run waits for it once.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/run_error.h"
#include "platform/posix/cups_workstation.h"
#include "platform/posix/server_probe.h"
#include "platform/posix/smb_shares.h"
#include "services/unicode.h"

namespace quelmar {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// A name look-up that takes longer is a dead server for the run.
constexpr milliseconds kLookupTimeout(2000);
// The look-up and the connections to the print ports together.
constexpr milliseconds kProbeTimeout(3000);
// How long the IPP port may still take to answer once the SMB one has.
constexpr milliseconds kPreferIppGrace(300);
// The listing of a server's shares and the opening of one.
constexpr milliseconds kSmbCheckTimeout(4000);

std::string Seconds(milliseconds duration) {
  return std::to_string(duration.count() / 1000);
}

std::string ConnectionFailureText(const std::string& server,
                                  const std::vector<int>& ports, int error,
                                  milliseconds waited) {
  std::string portList;
  for (int port : ports)
    portList += (portList.empty() ? "" : " ni ") + std::to_string(port);
  switch (error) {
    case ECONNREFUSED:
      return "le serveur d'impression " + server +
             " refuse les connexions (port " + portList + ").";
    case ETIMEDOUT:
      return "le serveur d'impression " + server + " ne répond pas (port " +
             portList + ", délai de " + Seconds(waited) + " secondes dépassé).";
    case EHOSTUNREACH:
    case ENETUNREACH:
      return "le serveur d'impression " + server +
             " est injoignable (aucune route vers lui).";
    default:
      return "le serveur d'impression " + server + " est injoignable (" +
             std::strerror(error) + ").";
  }
}

}  // namespace

const ServerKindSettings& CupsWorkstation::KindSettings() {
  if (!kindSettings_) {
    const char* value = std::getenv(kServerKindVariable);
    kindSettings_ = ServerKindSettings::Parse(value ? value : "");
    if (!kindSettings_)
      throw RunError(kInvalidArgument,
                     RunError(kInvalidArgument).description() + " (" +
                         kServerKindVariable + "=" + value + ")");
  }
  return *kindSettings_;
}

SpoolerResult CupsWorkstation::Unreachable(PrintServer& server, int status,
                                           const std::string& text) {
  server.unreachable = ServerFailure{status, text};
  return Failure(status, text);
}

void CupsWorkstation::FindServerKind(const SharedPrinter& printer,
                                     PrintServer& server) {
  const ServerAddress address = AddressOf(printer.server);
  // A port in the name is an IPP port: SMB names never carry one.
  ServerKind fixed = address.portGiven ? ServerKind::kIpp
                                       : KindSettings().KindOf(address.host);
  std::vector<int> ports;
  if (fixed != ServerKind::kSmb) ports.push_back(address.port);
  if (fixed != ServerKind::kIpp) ports.push_back(kSmbPort);
  const auto start = steady_clock::now();
  ProbeResult probe = ProbeServer(address.host, ports, start + kLookupTimeout,
                                  start + kProbeTimeout, kPreferIppGrace);
  const auto unavailable = IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
  switch (probe.outcome) {
    case ProbeResult::Outcome::kUnknownName:
      Unreachable(
          server, unavailable,
          "le nom du serveur d'impression " + printer.server + " est inconnu.");
      return;
    case ProbeResult::Outcome::kLookupTimedOut:
      Unreachable(server, unavailable,
                  "le nom du serveur d'impression " + printer.server +
                      " n'a pas été trouvé dans le délai de " +
                      Seconds(kLookupTimeout) + " secondes.");
      return;
    case ProbeResult::Outcome::kProbed:
      break;
  }
  if (probe.open.empty()) {
    Unreachable(server, unavailable,
                ConnectionFailureText(printer.server, ports, probe.error,
                                      kProbeTimeout));
    return;
  }
  // A port of the name's own is an IPP one.
  server.kind = KindFromOpenPorts(probe.open).value_or(ServerKind::kIpp);
}

std::optional<ServerKind> CupsWorkstation::PrintServerKind(
    const std::string& name, int32_t& error) {
  PrintServer& server = servers_[ToLowerUtf8(name)];
  if (!server.unreachable && !server.kind)
    FindServerKind(SharedPrinter{name, {}}, server);
  if (server.unreachable) {
    error = Failure(server.unreachable->status, server.unreachable->text).error;
    return std::nullopt;
  }
  return server.kind;
}

SpoolerResult CupsWorkstation::LocatePrinter(SharedPrinter& printer,
                                             std::string& uri) {
  PrintServer& server = servers_[ToLowerUtf8(printer.server)];
  if (!server.unreachable && !server.kind) FindServerKind(printer, server);
  if (server.unreachable)
    return Failure(server.unreachable->status, server.unreachable->text);
  if (server.kind == ServerKind::kSmb)
    return LocateSmbPrinter(printer, uri, server);
  IppReply reply = QueryPrintServer(printer, uri, server.ipp);
  if (!reply.answered) return Unreachable(server, reply.status, reply.text);
  if (!reply.succeeded()) return Failure(reply.status, reply.text);
  return {true, 0};
}

SpoolerResult CupsWorkstation::LocateSmbPrinter(SharedPrinter& printer,
                                                std::string& uri,
                                                PrintServer& server) {
  const std::string host = AddressOf(printer.server).host;
  SmbShareCheck check =
      smb_.Check(host, printer.printer, steady_clock::now() + kSmbCheckTimeout);
  const std::string named = "le serveur d'impression " + printer.server;
  switch (check.outcome) {
    case SmbShareCheck::Outcome::kOffered:
      printer.printer = check.share;
      uri = SmbShareUri(host, check.share);
      return {true, 0};
    case SmbShareCheck::Outcome::kNotOffered:
      return Failure(
          IPP_STATUS_ERROR_NOT_FOUND,
          named + " ne partage pas l'imprimante " + printer.printer + ".");
    case SmbShareCheck::Outcome::kAccessDenied:
      return Failure(IPP_STATUS_ERROR_FORBIDDEN,
                     named + " refuse l'accès à l'imprimante " + check.share +
                         " (ni l'accès invité ni un ticket Kerberos ne sont "
                         "acceptés).");
    case SmbShareCheck::Outcome::kNoAnswer:
      return Unreachable(server, IPP_STATUS_ERROR_SERVICE_UNAVAILABLE,
                         named + " ne répond pas (délai de " +
                             Seconds(kSmbCheckTimeout) + " secondes dépassé).");
    case SmbShareCheck::Outcome::kNoLibrary:
      return Failure(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE,
                     std::string("le poste ne peut pas joindre ") + named +
                         " : la bibliothèque " + kSmbClientLibrary +
                         " est absente (paquet libsmbclient).");
    case SmbShareCheck::Outcome::kFailed:
      break;
  }
  if (check.error == ETIMEDOUT || check.error == ECONNREFUSED ||
      check.error == EHOSTUNREACH || check.error == ENETUNREACH)
    return Unreachable(server, IPP_STATUS_ERROR_SERVICE_UNAVAILABLE,
                       ConnectionFailureText(printer.server, {kSmbPort},
                                             check.error, kSmbCheckTimeout));
  if (check.error == EACCES || check.error == EPERM)
    return Failure(IPP_STATUS_ERROR_FORBIDDEN,
                   named +
                       " refuse de donner la liste de ses imprimantes à "
                       "cet utilisateur.");
  return Failure(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE,
                 named + " n'a pas donné la liste de ses imprimantes (" +
                     std::strerror(check.error) + ").");
}

}  // namespace quelmar
