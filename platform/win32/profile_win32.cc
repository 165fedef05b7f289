#include "platform/win32/printing_win32.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_api.h"

namespace quelmar {
namespace {

constexpr DWORD kDeviceBufferSize = 254;
// Each top-level window gets this long to take the change in; a hung one is
// skipped at once, so that it cannot hold the run for ever.
constexpr UINT kBroadcastTimeoutMs = 1000;

}  // namespace

std::string Win32DefaultPrinterProfile::ReadDevice() {
  wchar_t buffer[kDeviceBufferSize] = {};
  DWORD length = GetProfileStringW(L"windows", L"device", L",,,", buffer,
                                   kDeviceBufferSize);
  return WideToUtf8(std::wstring_view(buffer, length));
}

void Win32DefaultPrinterProfile::WriteDevice(const std::string& value) {
  WriteProfileStringW(L"windows", L"Device", Utf8ToWide(value).c_str());
}

void Win32DefaultPrinterProfile::BroadcastSettingsChange() {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(
      HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>(L"windows"),
      SMTO_NORMAL | SMTO_ABORTIFHUNG, kBroadcastTimeoutMs, &result);
}

}  // namespace quelmar
