// The print spooler, the default-printer profile and the message texts of
// Windows, through the wide functions.
#pragma once

#include "platform/spooler.h"
#include "platform/win32/win32_api.h"

namespace quelmar {

using AddPrinterConnection2Function = BOOL(WINAPI*)(HWND window, LPCWSTR name,
                                                    DWORD level,
                                                    PVOID connectionInfo);

// AddPrinterConnection2W of winspool.drv, or null where the system lacks it
// (Wine 8): looked up at run time, so that the program starts everywhere.
AddPrinterConnection2Function FindAddPrinterConnection2();

class Win32Spooler : public Spooler {
 public:
  // A connection may raise a driver prompt (Point and Print). While `window`
  // is visible the prompt is owned by it; otherwise nobody could answer it,
  // and the connection fails with its error number instead of asking.
  // Without `addConnection2`, AddPrinterConnectionW, which may ask.
  Win32Spooler(HWND window, AddPrinterConnection2Function addConnection2)
      : window_(window), addConnection2_(addConnection2) {}

  std::vector<std::string> InstalledPrinters() override;
  SpoolerResult AddPrinterConnection(const std::string& name) override;
  SpoolerResult DeletePrinterConnection(const std::string& name) override;

 private:
  HWND window_;
  AddPrinterConnection2Function addConnection2_;
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
