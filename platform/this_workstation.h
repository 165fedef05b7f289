// The real workstation as a rehearsal reads it, without changing anything:
// its printers, its default printer, and what its print servers offer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quelmar {

// What a print server answered when asked for its printers, within the
// wait the real run allows for it.
struct ServerListing {
  bool answered = false;
  std::vector<std::string> printers;  // the printer parts, its spelling
  // When it did not answer: the error and text a connection gets.
  int32_t error = 0;
  std::string text;
};

// How a connection to one printer would end, asked the way the run asks
// before it connects: refused with the error and the system's text, or
// offered under the server's spelling of the name.
struct ConnectionProbe {
  bool offered = false;
  std::string spelling;
  int32_t error = 0;
  std::string text;
};

class ThisWorkstation {
 public:
  virtual ~ThisWorkstation() = default;
  // As the run sees them; a print service that does not answer is a
  // RunError, as in the run.
  virtual std::vector<std::string> InstalledPrinters() = 0;
  // The default printer's name as the system spells it; empty when there
  // is none.
  virtual std::string DefaultPrinterName() = 0;
  // `server` as a script spells it.
  virtual ServerListing ListServer(const std::string& server) = 0;
  virtual ConnectionProbe ProbeConnection(const std::string& name) = 0;
};

// The system's own, read-only.
std::unique_ptr<ThisWorkstation> CreateThisWorkstation();

}  // namespace quelmar
