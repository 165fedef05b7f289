#include "platform/win32/wide.h"

#include <climits>

#include "platform/win32/win32_api.h"

namespace quelmar {
namespace {

// Texts of the run stay far below INT_MAX bytes; a longer one is cut rather
// than overflowing the conversion's length argument.
int ClampedLength(size_t size) {
  return size > INT_MAX ? INT_MAX : static_cast<int>(size);
}

std::wstring ToWide(UINT codePage, DWORD flags, std::string_view text) {
  if (text.empty()) return {};
  const int length = ClampedLength(text.size());
  int count =
      MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(count), L'\0');
  MultiByteToWideChar(codePage, flags, text.data(), length, wide.data(), count);
  return wide;
}

std::string FromWide(UINT codePage, DWORD flags, std::wstring_view text) {
  if (text.empty()) return {};
  const int length = ClampedLength(text.size());
  int count = WideCharToMultiByte(codePage, flags, text.data(), length, nullptr,
                                  0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(count), '\0');
  WideCharToMultiByte(codePage, flags, text.data(), length, bytes.data(), count,
                      nullptr, nullptr);
  return bytes;
}

}  // namespace

std::wstring Utf8ToWide(std::string_view text) {
  return ToWide(CP_UTF8, 0, text);
}

std::string WideToUtf8(std::wstring_view text) {
  return FromWide(CP_UTF8, 0, text);
}

std::string AnsiToUtf8Text(std::string_view bytes) {
  return WideToUtf8(ToWide(CP_ACP, 0, bytes));
}

// No best fit: a letter the code page lacks becomes "?" rather than a
// look-alike (\\srv\Ωmega is not \\srv\Omega).
std::string Utf8ToAnsiText(std::string_view text) {
  return FromWide(CP_ACP, WC_NO_BEST_FIT_CHARS, Utf8ToWide(text));
}

}  // namespace quelmar
