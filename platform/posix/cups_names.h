// How printer names map onto CUPS queues. A connection to \\server\printer
// is a local raw queue whose device URI is the printer's queue on that
// server, ipp://server/printers/printer; the device name of any queue is
// derived from its device URI alone.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quelmar {

// The two parts of \\server\printer. `server` is a host name, with ":port"
// when the server does not listen on the IPP port.
struct SharedPrinter {
  std::string server;
  std::string printer;
};

// The device name of a queue: \\host[:port]\name when its device URI is a
// printer or class of a print server (ipp, ipps, http, https) or an SMB
// share (smb://[group/]host/name), the port shown only when it is not the
// scheme's own; the queue name for any other device.
std::string DeviceNameOf(std::string_view queueName,
                         std::string_view deviceUri);

// \\server\printer split into its parts; nothing for a name of any other
// shape or with a server part that cannot be a host name. The IPP port
// written in the server part is dropped: each printer has one name.
std::optional<SharedPrinter> ParseSharedPrinter(std::string_view name);

// The one name of the printer that `name` spells: \\server\printer with
// the IPP port written in the server part dropped (\\srv:631\a is
// \\srv\a); any other name as it is. Patterns too: \\srv:631\* is
// \\srv\*.
std::string OnePrinterName(std::string_view name);

// The host and port to reach a server part of a printer name at.
struct ServerAddress {
  std::string host;
  int port = 0;
  // False when the server part names no port and `port` is IPP's.
  bool portGiven = false;
};
ServerAddress AddressOf(std::string_view server);

// The device URI of a printer (or, with `isClass`, a class) of a server.
std::string SharedPrinterUri(const SharedPrinter& printer, bool isClass);

// The URI of a printer share of an SMB server, smb://host/share, the share
// name percent-encoded.
std::string SmbShareUri(std::string_view host, std::string_view share);

// The URI of a queue of the workstation's own CUPS.
std::string LocalQueueUri(std::string_view queueName);
// The resource of that queue's PPD (its driver) on the workstation's CUPS.
std::string LocalQueuePpdResource(std::string_view queueName);

// The local queue for a shared printer: its printer part with every
// character outside [A-Za-z0-9._-] made "_" (and "." or ".." made of "_"),
// then "@server" when that name is taken, then a number; queue names are
// compared without regard to case.
std::string QueueNameFor(const SharedPrinter& printer,
                         const std::vector<std::string>& takenNames);

}  // namespace quelmar
