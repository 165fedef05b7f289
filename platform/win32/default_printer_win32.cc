#include <string>

#include "platform/win32/printing_win32.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_api.h"

namespace quelmar {
namespace {

// The default printer is kept in the profile's `device` value, which
// programs read through a 254-character buffer: 253 characters and the
// terminating null.
constexpr size_t kProfileBufferCharacters = 253;
// Each top-level window gets this long to take the change in; a hung one is
// skipped at once, so that it cannot hold the run for ever.
constexpr UINT kBroadcastTimeoutMs = 1000;

}  // namespace

std::wstring CutAtProfileBuffer(std::wstring_view name) {
  name = name.substr(0, name.find(L'\0'));
  if (name.size() <= kProfileBufferCharacters) return std::wstring(name);
  size_t length = kProfileBufferCharacters;
  // Never half of a surrogate pair.
  if (IS_HIGH_SURROGATE(name[length - 1])) --length;
  return std::wstring(name.substr(0, length));
}

void AnnounceDefaultPrinterChange() {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(
      HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>(L"windows"),
      SMTO_NORMAL | SMTO_ABORTIFHUNG, kBroadcastTimeoutMs, &result);
}

std::string Win32DefaultPrinter::DefaultPrinterName() {
  DWORD size = 0;
  // The first call asks for the size; with no default printer it fails
  // with ERROR_FILE_NOT_FOUND and leaves the size at 0.
  GetDefaultPrinterW(nullptr, &size);
  if (size == 0) return {};
  std::wstring name(size, L'\0');
  if (!GetDefaultPrinterW(name.data(), &size)) return {};
  return WideToUtf8(CutAtProfileBuffer(name));
}

void Win32DefaultPrinter::MakeDefaultPrinter(const std::string& name) {
  // A refusal (a printer removed meanwhile, a policy) shows in the read-back
  // that follows, which decides the outcome; its number is not reported.
  if (!SetDefaultPrinterW(Utf8ToWide(name).c_str())) return;
  // SetDefaultPrinterW is not documented to tell the running programs;
  // they reread the setting when told, within the bound above.
  AnnounceDefaultPrinterChange();
}

}  // namespace quelmar
