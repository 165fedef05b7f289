// The print spooler and the user's default-printer profile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quelmar {

struct SpoolerResult {
  bool succeeded = false;
  // The system's error number of a failure, taken right after the call.
  int32_t error = 0;
};

class Spooler {
 public:
  virtual ~Spooler() = default;
  // Device names of the installed printers (local printers and
  // connections), in the system's order, read afresh at every call.
  virtual std::vector<std::string> InstalledPrinters() = 0;
  virtual SpoolerResult AddPrinterConnection(const std::string& name) = 0;
  virtual SpoolerResult DeletePrinterConnection(const std::string& name) = 0;
};

// The `device` value of the profile's `windows` section: "name,driver,port".
class DefaultPrinterProfile {
 public:
  virtual ~DefaultPrinterProfile() = default;
  // The value, or ",,," when it is absent.
  virtual std::string ReadDevice() = 0;
  virtual void WriteDevice(const std::string& value) = 0;
  // Tells the other programs that the setting changed.
  virtual void BroadcastSettingsChange() = 0;
};

// The system's message texts by error number.
class MessageTable {
 public:
  virtual ~MessageTable() = default;
  // The system's text for the error number `code`, on one line; empty when
  // the system has none.
  virtual std::string ErrorText(int32_t code) = 0;
};

}  // namespace quelmar
