// The workstation's CUPS as the run sees it: the installed printers are its
// queues, named by their device URIs; a printer connection is a local raw
// queue for a printer that a print server offers; the default printer is
// the user's own (lpoptions), or the machine-wide one when run by root;
// error numbers are IPP status codes and their texts CUPS's own.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/cups_connection.h"
#include "platform/posix/cups_names.h"
#include "platform/posix/cups_queue_watch.h"
#include "platform/posix/print_server_kinds.h"
#include "platform/posix/smb_shares.h"
#include "platform/spooler.h"

namespace quelmar {

class CupsWorkstation : public Spooler,
                        public DefaultPrinterSetting,
                        public MessageTable {
 public:
  CupsWorkstation();
  // Ends the subscription that watched the queues.
  ~CupsWorkstation() override;
  CupsWorkstation(const CupsWorkstation&) = delete;
  CupsWorkstation& operator=(const CupsWorkstation&) = delete;

  // In CUPS's order, read afresh.
  const std::vector<std::string>& InstalledPrinters() override;
  // The queues as last read, once the cupsd said that no other program
  // changed them since; read afresh otherwise.
  bool IsInstalled(std::string_view name) override;
  // The IPP port written in a printer name's server part dropped.
  std::string OneName(const std::string& name) override {
    return OnePrinterName(name);
  }
  SpoolerResult AddPrinterConnection(const std::string& name) override;
  SpoolerResult DeletePrinterConnection(const std::string& name) override;
  // Also reads the queue's attributes first, for a rollback to give back.
  SpoolerResult DeleteReplacedConnection(const std::string& name) override;

  std::string DefaultPrinterName() override;
  void MakeDefaultPrinter(const std::string& name) override;

  std::string ErrorText(int32_t code) override;

  // Asks the print server whether it offers the printer, on `server`
  // (connected first when null), as a connection does first; on success
  // `printer` and `uri` are the printer's own spelling and device URI.
  // Changes nothing.
  IppReply QueryPrintServer(SharedPrinter& printer, std::string& uri,
                            std::unique_ptr<IppConnection>& server);

  // The server's kind as the run finds it (probed once, then remembered);
  // nothing when it cannot be reached, and then ErrorText(`error`) says
  // why, as it does for every later operation on it. Changes nothing.
  std::optional<ServerKind> PrintServerKind(const std::string& server,
                                            int32_t& error);
  // Checks that the printer's server offers it, over IPP or SMB, with the
  // run's waits, memory of dead servers and error texts; on success
  // `printer` and `uri` are the printer's own spelling and device URI.
  // Changes nothing.
  SpoolerResult LocatePrinter(SharedPrinter& printer, std::string& uri);

 private:
  struct Queue {
    std::string name;
    std::string deviceName;
  };

  // The workstation's queues in CUPS's order, read afresh (after the
  // watch's events, which the reading makes old news, are taken). The
  // workstation's own CUPS that cannot be reached is a RunError.
  const std::vector<Queue>& ReadQueues();
  // The reading itself (CUPS-Get-Printers).
  const std::vector<Queue>& ReadList();
  // The queues as this program last read or changed them, when the watch
  // of the queues says that no other program changed them since; read
  // afresh otherwise (and the watch started for the next operations when
  // the run has more than one). Their order is CUPS's in a reading, and
  // the queues this program added since come last.
  const std::vector<Queue>& CheckedQueues();
  // The queues as found by the check that the current operation made just
  // before (whether its printer is installed), when this program changed
  // none since; checked again otherwise.
  std::vector<Queue> Queues();
  // A change that this program made, with the cupsd's answer that it is
  // done: the list of queues follows it.
  void Changed(QueueChangeWatch::Change change, const Queue& queue);
  std::optional<Queue> FindQueue(const std::string& deviceName);
  // A request to the workstation's CUPS; a RunError when it does not answer.
  IppReply SendLocal(IppMessage request, const char* resource,
                     std::string_view document = {});
  // Runs libcups calls on the workstation's CUPS within the deadline of a
  // request; a RunError when it does not answer.
  void RunLocal(const std::function<void(http_t*)>& call);

  // What the run learnt of a print server: its kind once found, and, once
  // it did not answer, the failure that every later operation on it gives
  // at once.
  struct ServerFailure {
    int status;
    std::string text;
  };
  struct PrintServer {
    std::optional<ServerKind> kind;
    std::optional<ServerFailure> unreachable;
    // A CUPS server's connection, kept for the run.
    std::unique_ptr<IppConnection> ipp;
  };
  // Probes the server: sets its kind, or remembers why it cannot be
  // reached.
  void FindServerKind(const SharedPrinter& printer, PrintServer& server);
  SpoolerResult LocateSmbPrinter(SharedPrinter& printer, std::string& uri,
                                 PrintServer& server);
  SpoolerResult Unreachable(PrintServer& server, int status,
                            const std::string& text);
  const ServerKindSettings& KindSettings();
  // LocatePrinter and, when no recent reading of the queues can serve,
  // the queues read at the same time.
  SpoolerResult LocateAndList(SharedPrinter& printer, std::string& uri,
                              std::vector<Queue>& queues);
  // What a removed queue had that a rollback gives back: its attributes
  // (description, location, sharing, policies, default options) and its
  // PPD (empty for a raw queue).
  struct RemovedQueue {
    std::string name;
    IppMessage attributes;
    std::string ppd;
  };
  // Creates the queue, raw; with `saved`, with what a queue removed before
  // had instead of the new queue's own.
  SpoolerResult CreateQueue(const std::string& queue, const std::string& uri,
                            const std::string& deviceName,
                            const RemovedQueue* saved = nullptr);
  // After the queue came back with its PPD, which gave it its default
  // options: the saved ones that differ, set again.
  void RestoreDefaultOptions(const std::string& queue, ipp_t* saved);
  // The attributes of a queue that a rollback gives back; nothing when the
  // workstation's CUPS does not give them.
  IppMessage QueueAttributes(const std::string& queue);
  // The queue's PPD as the workstation's CUPS serves it; empty for a raw
  // queue, or when CUPS does not give it.
  std::string QueuePpd(const std::string& queue);
  // Removes the queue of the printer `name`, remembering its name, and with
  // `keepAttributes` its attributes (one request more), for the printer's
  // next connection in this run.
  SpoolerResult RemoveQueue(const std::string& name, bool keepAttributes);
  // A printer name holding a control character, refused whole.
  SpoolerResult InvalidName();
  // Keeps CUPS's text of the failure for SystemErrorText.
  SpoolerResult Failure(int status, const std::string& text);
  // A failure of the workstation's cupsd to add or delete a queue; a
  // refusal of this user is said in full.
  SpoolerResult LocalFailure(const IppReply& reply);

  // The default queue as programs see it: LPDEST or PRINTER first, then
  // lpoptions.
  std::optional<std::string> UserDefaultQueue();
  // Whether the removal of `queue` must clear the user's lpoptions default:
  // it names that queue. Run by root, never: the default is the cupsd's,
  // which drops it together with the queue. Reads no request.
  bool LpoptionsDefaultIs(const std::string& queue);
  // Makes `queue` the user's default printer; no default when empty.
  void SetUserDefaultQueue(const std::string& queue);
  // The same, while another run-time error is being reported: a service
  // that still does not answer leaves it undone.
  void RestoreUserDefaultQueue(const std::string& queue);

  // Run by root: the machine-wide default, which every user sees unless
  // they chose their own: the Default line of the machine-wide lpoptions
  // when it has one (a line naming no queue leaves every user without a
  // default, as libcups reads it), else the cupsd's own default.
  std::optional<std::string> MachineDefaultQueue();
  // The cupsd's own default (CUPS-Get-Default, CUPS-Set-Default).
  std::optional<std::string> ServerDefaultQueue();
  void SetServerDefaultQueue(const std::string& queue);

  IppConnection local_;
  std::optional<ServerKindSettings> kindSettings_;
  std::map<std::string, PrintServer> servers_;  // by lower-case server part
  SmbShareChecker smb_;
  std::map<int32_t, std::string> texts_;
  QueueChangeWatch watch_;
  struct QueueList {
    std::vector<Queue> queues;
    // When they were last found as this program left them (read, or
    // checked through the watch); none once it changed one since.
    std::optional<std::chrono::steady_clock::time_point> checkedAt;
  };
  std::optional<QueueList> lastList_;
  std::vector<std::string> installed_;
  // The queues this run removed, by lower-cased device name: a printer
  // connected again comes back under its queue's name, so that the user's
  // options for it (lpoptions, by queue name) apply again, and, after the
  // removal of a replacement (its rollback), with its queue's attributes
  // and PPD.
  std::map<std::string, RemovedQueue> removed_;
};

}  // namespace quelmar
