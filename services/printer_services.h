// Printer routines of modGeneral: installed printers, wildcard matching, the
// default printer and the texts of system errors. They keep no state and
// report failure through their results.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/spooler.h"

namespace quelmar {

bool IsPrinterInstalled(Spooler& spooler, const std::string& name);

// The installed printers whose name matches `pattern` without regard to
// case, spelled as the system spells them; a single empty entry when none
// matches.
std::vector<std::string> MatchInstalledPrinters(Spooler& spooler,
                                                const std::string& pattern);

// The default printer's name in lower case; empty when there is none.
std::string GetDefaultPrinter(DefaultPrinterSetting& setting);

// Makes the installed printer `name` the default printer; true when the
// default read back afterwards is `name`.
bool SetDefaultPrinter(Spooler& spooler, DefaultPrinterSetting& setting,
                       const std::string& name);

// The system's text for the error number of a failed call, or "Erreur
// inconnue (N)"; always the latter for 0, which names no failure.
std::string SystemErrorText(MessageTable& messages, int32_t code);

}  // namespace quelmar
