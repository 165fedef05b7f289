#include <vector>

#include "base/run_error.h"
#include "platform/win32/printing_win32.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_api.h"
#include "services/text_utils.h"

namespace quelmar {
namespace {

// Local printers and connections only: level 4 comes from the registry and
// returns at once, even when a print server cannot be reached.
constexpr DWORD kEnumFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
constexpr DWORD kEnumLevel = 4;

// The spooler of the workstation itself cannot answer: an error of the
// printer services, never a silent "no printer installed".
[[noreturn]] void ThrowSpoolerError(DWORD error) {
  Win32MessageTable messages;
  std::string text = messages.ErrorText(static_cast<int32_t>(error));
  throw RunError(
      static_cast<int>(error),
      text.empty() ? "Le spouleur d'impression ne répond pas" : text);
}

// Reads the last error right after a connection call: a call that fails
// without setting it reports 0 rather than a stale number.
template <typename Call>
SpoolerResult CallClearingLastError(Call call) {
  SetLastError(0);
  const BOOL succeeded = call();
  const DWORD error = GetLastError();
  if (succeeded) return {true, 0};
  return {false, static_cast<int32_t>(error)};
}

}  // namespace

const std::vector<std::string>& Win32Spooler::InstalledPrinters() {
  std::vector<BYTE> buffer;
  DWORD needed = 0, count = 0;
  while (!EnumPrintersW(kEnumFlags, nullptr, kEnumLevel, buffer.data(),
                        static_cast<DWORD>(buffer.size()), &needed, &count)) {
    DWORD error = GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size())
      ThrowSpoolerError(error);
    buffer.resize(needed);
  }
  printers_.clear();
  const auto* printers =
      reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i)
    printers_.push_back(WideToUtf8(printers[i].pPrinterName));
  return printers_;
}

AddPrinterConnection2Function FindAddPrinterConnection2() {
  HMODULE winspool = GetModuleHandleW(L"winspool.drv");
  if (!winspool) return nullptr;
  return reinterpret_cast<AddPrinterConnection2Function>(
      reinterpret_cast<void (*)()>(
          GetProcAddress(winspool, "AddPrinterConnection2W")));
}

SpoolerResult Win32Spooler::AddPrinterConnection(const std::string& name) {
  if (HasControlCharacter(name)) return {false, ERROR_INVALID_PRINTER_NAME};
  std::wstring wideName = Utf8ToWide(name);
  if (!addConnection2_)
    return CallClearingLastError(
        [&] { return AddPrinterConnectionW(wideName.data()); });
  const bool visible = window_ && IsWindowVisible(window_);
  PRINTER_CONNECTION_INFO_1 info{};
  info.dwFlags = visible ? 0 : PRINTER_CONNECTION_NO_UI;
  return CallClearingLastError([&] {
    return addConnection2_(visible ? window_ : nullptr, wideName.c_str(), 1,
                           &info);
  });
}

SpoolerResult Win32Spooler::DeletePrinterConnection(const std::string& name) {
  if (HasControlCharacter(name)) return {false, ERROR_INVALID_PRINTER_NAME};
  std::wstring wideName = Utf8ToWide(name);
  return CallClearingLastError(
      [&] { return DeletePrinterConnectionW(wideName.data()); });
}

}  // namespace quelmar
