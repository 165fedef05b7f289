#include "platform/spooler.h"

#include "services/unicode.h"

namespace quelmar {

bool Spooler::IsInstalled(std::string_view name) {
  for (const std::string& printer : InstalledPrinters())
    if (EqualsIgnoreCase(printer, name)) return true;
  return false;
}

bool DefaultPrinterSetting::IsDefault(std::string_view name) {
  return EqualsIgnoreCase(DefaultPrinterName(), name);
}

std::vector<std::string> Spooler::InstalledMatching(
    CaseInsensitivePattern& pattern) {
  std::vector<std::string> matches;
  for (const std::string& printer : InstalledPrinters())
    if (pattern.Matches(printer)) matches.push_back(printer);
  return matches;
}

}  // namespace quelmar
