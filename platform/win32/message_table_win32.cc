#include <string>

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

// Mapped as data from System32 alone, by its full path as well as by the
// search flag (Wine honours only the path): a file of the same name in the
// program's folder, the current folder or the PATH is never loaded, and no
// code of the module runs. A module that cannot be loaded (Wine has no
// netmsg.dll) leaves the system's table to answer.
UniqueModule LoadMessageModule(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(folder, length) + L"\\" + name;
  return UniqueModule(LoadLibraryExW(path.c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE |
                                         LOAD_LIBRARY_AS_IMAGE_RESOURCE |
                                         LOAD_LIBRARY_SEARCH_SYSTEM32));
}

}  // namespace

const wchar_t* MessageModuleFor(int32_t code) {
  if (code >= 2100 && code <= 2999) return L"netmsg.dll";
  if (code >= 12000 && code <= 12171) return L"wininet.dll";
  return nullptr;
}

std::string Win32MessageTable::ErrorText(int32_t code) {
  UniqueModule library;
  if (const wchar_t* module = MessageModuleFor(code))
    library = LoadMessageModule(module);
  const DWORD flags =
      kSystemFlags | (library ? FORMAT_MESSAGE_FROM_HMODULE : 0);
  wchar_t buffer[kMessageBufferSize];
  DWORD length = FormatMessageW(flags, library.get(), static_cast<DWORD>(code),
                                0, buffer, kMessageBufferSize, nullptr);
  return WideToUtf8(std::wstring_view(buffer, length));
}

}  // namespace quelmar
