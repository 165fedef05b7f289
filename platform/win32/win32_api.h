// The Windows API headers, without the macros whose names clash with the
// names of the platform seams and of the printer services: this code calls
// the wide functions by their W names.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <shellapi.h>
#include <winspool.h>

#undef AddPrinterConnection
#undef DeletePrinterConnection
#undef FormatMessage
#undef GetCommandLine
#undef GetDefaultPrinter
#undef MessageBox
#undef SetDefaultPrinter
