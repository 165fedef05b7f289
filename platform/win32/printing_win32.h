// The print spooler, the default-printer profile and the message texts of
// Windows, through the wide functions.
#pragma once

#include "platform/spooler.h"

namespace quelmar {

class Win32Spooler : public Spooler {
 public:
  std::vector<std::string> InstalledPrinters() override;
  SpoolerResult AddPrinterConnection(const std::string& name) override;
  SpoolerResult DeletePrinterConnection(const std::string& name) override;
};

class Win32DefaultPrinterProfile : public DefaultPrinterProfile {
 public:
  std::string ReadDevice() override;
  void WriteDevice(const std::string& value) override;
  void BroadcastSettingsChange() override;
};

class Win32MessageTable : public MessageTable {
 public:
  std::string FormatMessage(int32_t code, const std::string& module) override;
};

}  // namespace quelmar
