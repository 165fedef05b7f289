#include "services/printer_services.h"

#include "services/like_pattern.h"
#include "services/text_utils.h"
#include "services/unicode.h"

namespace quelmar {

bool IsPrinterInstalled(Spooler& spooler, const std::string& name) {
  return spooler.IsInstalled(name);
}

std::vector<std::string> MatchInstalledPrinters(Spooler& spooler,
                                                const std::string& pattern) {
  CaseInsensitivePattern like(spooler.OneName(pattern));
  std::vector<std::string> matches = spooler.InstalledMatching(like);
  if (matches.empty()) matches.emplace_back();
  return matches;
}

bool IsDefaultPrinter(DefaultPrinterSetting& setting, std::string_view name) {
  return setting.IsDefault(name);
}

bool SetDefaultPrinter(Spooler& spooler, DefaultPrinterSetting& setting,
                       const std::string& name) {
  if (!IsPrinterInstalled(spooler, name)) return false;
  setting.MakeDefaultPrinter(name);
  return IsDefaultPrinter(setting, name);
}

std::string SystemErrorText(MessageTable& messages, int32_t code) {
  // Only failed calls ask for a text. One that set no error number (Wine's
  // AddPrinterConnection never does) must not read as the system's text for
  // 0, which says that the operation succeeded.
  if (code != 0) {
    std::string text = messages.ErrorText(code);
    const std::string_view trimmed = TrimSpaces(text);
    if (!trimmed.empty()) {
      // Cut in place: the system's text is handed back without a copy.
      const size_t start = static_cast<size_t>(trimmed.data() - text.data());
      text.resize(start + trimmed.size());
      text.erase(0, start);
      return text;
    }
  }
  return "Erreur inconnue (" + DecimalText(code) + ")";
}

}  // namespace quelmar
