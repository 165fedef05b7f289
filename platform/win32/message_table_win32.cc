#include "platform/win32/handles.h"
#include "platform/win32/printing_win32.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_api.h"

namespace quelmar {
namespace {

constexpr DWORD kMessageBufferSize = 1024;
// The maximum-width value folds the message's own line breaks into one line.
constexpr DWORD kSystemFlags = FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS |
                               FORMAT_MESSAGE_MAX_WIDTH_MASK;

}  // namespace

std::string Win32MessageTable::FormatMessage(int32_t code,
                                             const std::string& module) {
  UniqueModule library;
  if (!module.empty())
    library.reset(LoadLibraryExW(Utf8ToWide(module).c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE));
  const DWORD flags =
      kSystemFlags | (library ? FORMAT_MESSAGE_FROM_HMODULE : 0);
  wchar_t buffer[kMessageBufferSize];
  DWORD length = FormatMessageW(flags, library.get(), static_cast<DWORD>(code),
                                0, buffer, kMessageBufferSize, nullptr);
  return WideToUtf8(std::wstring_view(buffer, length));
}

}  // namespace quelmar
