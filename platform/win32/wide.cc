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

// No best fit: a letter the code page lacks becomes "?" rather than a
// look-alike (\\srv\Ωmega is not \\srv\Omega). UTF-8 (the ANSI code page
// of "UTF-8 for worldwide language support"), GB 18030, UTF-7, ISO-2022 and
// ISCII take no flag at all: with one, the conversion gives nothing.
DWORD ConversionFlags(UINT codePage) {
  switch (codePage) {
    case CP_UTF8:
    case CP_UTF7:
    case 54936:
    case 50220:
    case 50221:
    case 50222:
    case 50225:
    case 50227:
    case 50229:
    case 42:
      return 0;
  }
  if (codePage >= 57002 && codePage <= 57011) return 0;
  return WC_NO_BEST_FIT_CHARS;
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

std::string Utf8ToCodePage(std::string_view text, UINT codePage) {
  return FromWide(codePage, ConversionFlags(codePage), Utf8ToWide(text));
}

std::string Utf8ToAnsiText(std::string_view text) {
  return Utf8ToCodePage(text, GetACP());
}

}  // namespace quelmar
