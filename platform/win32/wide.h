// Conversions at the Win32 boundary: the program keeps UTF-8, the system's
// wide functions take UTF-16, and the journal goes out in the ANSI code page.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32/win32_api.h"

namespace quelmar {

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

// The system's ANSI code page; characters it cannot hold become its default
// character, "?".
std::string AnsiToUtf8Text(std::string_view bytes);
std::string Utf8ToAnsiText(std::string_view text);
// `text` in `codePage`, each letter it lacks as "?"; empty when the code
// page cannot be used.
std::string Utf8ToCodePage(std::string_view text, UINT codePage);

}  // namespace quelmar
