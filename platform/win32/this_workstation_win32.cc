// This workstation for a rehearsal, read through the wide spooler calls:
// the user's printers (EnumPrintersW), the profile's default, the printers
// each print server shares (EnumPrintersW with PRINTER_ENUM_NAME) and
// whether a printer can be opened. Nothing is written.
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>

#include "platform/this_workstation.h"
#include "platform/win32/printing_win32.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_api.h"

namespace quelmar {
namespace {

// A server that does not answer holds EnumPrintersW and OpenPrinterW for
// the network's own time-outs (20 s and more); the rehearsal gives up after
// this long, as the Linux run does.
constexpr auto kPrintServerTimeout = std::chrono::seconds(5);

struct CallOutcome {
  bool succeeded = false;
  DWORD error = 0;
  std::vector<std::string> names;
};

// Runs `call` on a thread of its own and waits for it up to the limit; a
// call still going on is left to finish on its own, its outcome dropped.
std::optional<CallOutcome> WithinTimeout(std::function<CallOutcome()> call) {
  auto task = std::make_shared<std::packaged_task<CallOutcome()>>(call);
  std::future<CallOutcome> outcome = task->get_future();
  std::thread([task] { (*task)(); }).detach();
  if (outcome.wait_for(kPrintServerTimeout) != std::future_status::ready)
    return std::nullopt;
  return outcome.get();
}

// The printers a server shares, by their printer part.
CallOutcome EnumerateServer(const std::wstring& server) {
  CallOutcome outcome;
  std::vector<BYTE> buffer;
  DWORD needed = 0, count = 0;
  std::wstring name = server;
  while (!EnumPrintersW(PRINTER_ENUM_NAME, name.data(), 1, buffer.data(),
                        static_cast<DWORD>(buffer.size()), &needed, &count)) {
    outcome.error = GetLastError();
    if (outcome.error != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size())
      return outcome;
    buffer.resize(needed);
  }
  const auto* printers =
      reinterpret_cast<const PRINTER_INFO_1W*>(buffer.data());
  // A server's shares come as \\server\name; a bare name is a printer of
  // this workstation (Wine answers any server name with its own).
  for (DWORD i = 0; i < count; ++i) {
    if (!printers[i].pName) continue;
    std::string full = WideToUtf8(printers[i].pName);
    const size_t cut = full.rfind('\\');
    if (full.rfind("\\\\", 0) != 0 || cut < 3) continue;
    outcome.names.push_back(full.substr(cut + 1));
  }
  outcome.succeeded = true;
  return outcome;
}

CallOutcome OpenAndClose(const std::wstring& printer) {
  CallOutcome outcome;
  HANDLE handle = nullptr;
  std::wstring name = printer;
  SetLastError(0);
  if (!OpenPrinterW(name.data(), &handle, nullptr)) {
    outcome.error = GetLastError();
    return outcome;
  }
  ClosePrinter(handle);
  outcome.succeeded = true;
  return outcome;
}

class Win32ThisWorkstation : public ThisWorkstation {
 public:
  std::vector<std::string> InstalledPrinters() override {
    return spooler_.InstalledPrinters();
  }
  std::string DefaultPrinterName() override {
    return defaultPrinter_.DefaultPrinterName();
  }

  ServerListing ListServer(const std::string& server) override {
    ServerListing listing;
    std::optional<CallOutcome> outcome = WithinTimeout(
        [wide = Utf8ToWide("\\\\" + server)] { return EnumerateServer(wide); });
    Describe(outcome, listing.error, listing.text);
    listing.answered = outcome && outcome->succeeded;
    if (listing.answered) listing.printers = std::move(outcome->names);
    return listing;
  }

  ConnectionProbe ProbeConnection(const std::string& name) override {
    ConnectionProbe probe;
    std::optional<CallOutcome> outcome =
        WithinTimeout([wide = Utf8ToWide(name)] { return OpenAndClose(wide); });
    Describe(outcome, probe.error, probe.text);
    probe.offered = outcome && outcome->succeeded;
    probe.spelling = name.substr(name.rfind('\\') + 1);
    return probe;
  }

 private:
  // The error of a failed or abandoned call, and the system's text for it.
  void Describe(const std::optional<CallOutcome>& outcome, int32_t& error,
                std::string& text) {
    error = static_cast<int32_t>(outcome ? outcome->error : ERROR_TIMEOUT);
    text = messages_.ErrorText(error);
  }

  // Only read: no connection is made, so neither a window to own a
  // driver prompt nor AddPrinterConnection2W.
  Win32Spooler spooler_{nullptr, nullptr};
  Win32DefaultPrinter defaultPrinter_;
  Win32MessageTable messages_;
};

}  // namespace

std::unique_ptr<ThisWorkstation> CreateThisWorkstation() {
  return std::make_unique<Win32ThisWorkstation>();
}

}  // namespace quelmar
