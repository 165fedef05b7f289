// The print spooler, the default printer and the message texts of Windows,
// through the wide functions.
#pragma once

#include <string>
#include <string_view>

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

  const std::vector<std::string>& InstalledPrinters() override;
  SpoolerResult AddPrinterConnection(const std::string& name) override;
  SpoolerResult DeletePrinterConnection(const std::string& name) override;

 private:
  HWND window_;
  AddPrinterConnection2Function addConnection2_;
  std::vector<std::string> printers_;
};

// GetDefaultPrinterW and SetDefaultPrinterW, the change announced to the
// running programs.
class Win32DefaultPrinter : public DefaultPrinterSetting {
 public:
  std::string DefaultPrinterName() override;
  void MakeDefaultPrinter(const std::string& name) override;
};

// The name as the profile's 254-character buffer holds it: up to the first
// null, at most 253 characters, never half of a surrogate pair. A longer
// name never reads back whole, so making it the default reports a failure.
std::wstring CutAtProfileBuffer(std::wstring_view name);

// WM_WININICHANGE for the "windows" section to every top-level window, each
// given at most a second.
void AnnounceDefaultPrinterChange();

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
