#include "services/printer_services.h"

#include "services/like_pattern.h"
#include "services/text_utils.h"
#include "services/unicode.h"

namespace quelmar {
namespace {

// The profile value as a 254-character buffer with its terminating null
// would hold it: at most 253 characters, up to the first null.
std::string ProfileBufferText(const std::string& value) {
  std::string_view text(value);
  text = text.substr(0, text.find('\0'));
  size_t pos = 0;
  for (int count = 0; count < 253 && pos < text.size(); ++count)
    NextCodePoint(text, pos);
  return std::string(text.substr(0, pos));
}

// The message module that holds the texts of a number range.
std::string MessageModuleFor(int32_t code) {
  if (code >= 2100 && code <= 2999) return "netmsg.dll";
  if (code >= 12000 && code <= 12171) return "wininet.dll";
  return {};
}

}  // namespace

bool IsPrinterInstalled(Spooler& spooler, const std::string& name) {
  for (const std::string& printer : spooler.InstalledPrinters())
    if (EqualsIgnoreCase(printer, name)) return true;
  return false;
}

std::vector<std::string> MatchInstalledPrinters(Spooler& spooler,
                                                const std::string& pattern) {
  CaseInsensitivePattern like(pattern);
  std::vector<std::string> matches;
  for (std::string& printer : spooler.InstalledPrinters())
    if (like.Matches(printer)) matches.push_back(std::move(printer));
  if (matches.empty()) matches.emplace_back();
  return matches;
}

std::string GetDefaultPrinter(DefaultPrinterProfile& profile) {
  std::string value = ProfileBufferText(profile.ReadDevice());
  return ToLowerUtf8(SplitField(value, ",", 0, Compare::kExact, false));
}

bool SetDefaultPrinter(Spooler& spooler, DefaultPrinterProfile& profile,
                       const std::string& name, const std::string& driver,
                       const std::string& port) {
  if (!IsPrinterInstalled(spooler, name)) return false;
  profile.WriteDevice(name + "," + driver + "," + port);
  profile.BroadcastSettingsChange();
  return GetDefaultPrinter(profile) == ToLowerUtf8(name);
}

std::string SystemErrorText(MessageTable& messages, int32_t code) {
  // Only failed calls ask for a text. One that set no error number (Wine's
  // AddPrinterConnection never does) must not read as the system's text for
  // 0, which says that the operation succeeded.
  if (code != 0) {
    std::string text(
        TrimSpaces(messages.FormatMessage(code, MessageModuleFor(code))));
    if (!text.empty()) return text;
  }
  return "Erreur inconnue (" + DecimalText(code) + ")";
}

}  // namespace quelmar
