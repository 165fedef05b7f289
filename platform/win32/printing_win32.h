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

// The system's table answers every number but those of the network and
// internet ranges, whose texts are in message modules of their own
// (netmsg.dll, wininet.dll).
class Win32MessageTable : public MessageTable {
 public:
  std::string ErrorText(int32_t code) override;
};

// The message module that holds the texts of `code`, or null for the
// system's table.
const wchar_t* MessageModuleFor(int32_t code);

}  // namespace quelmar
