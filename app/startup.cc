#include "app/startup.h"

#include "services/text_utils.h"
#include "services/unicode.h"

namespace quelmar {
namespace {

constexpr char kDefaultScript[] = "Quelmar.txt";

constexpr char kSwitchesRefused[] =
    "L'utilisation des paramètres /d et /m n'est plus autorisée, veuillez "
    "désormais renseigner l'entrée 'Mode=' dans le fichier script...";
constexpr char kModeInvalid[] =
    "La valeur de l'entrée Mode du fichier script est erronée et ne sera pas "
    "prise en compte...";
constexpr char kModeLogInvalid[] =
    "La valeur de l'entrée ModeLog du fichier script est erronée et ne sera "
    "pas prise en compte...";
constexpr char kLogFileWithoutJournal[] =
    "La valeur de l'entrée ModeLog du fichier script étant à la valeur "
    "'A(ucun)', la journalisation n'aura pas lieu malgré le fait qu'un nom de "
    "fichier log a été renseigné...";
constexpr char kJournalWithoutLogFile[] =
    "Le nom du fichier log n'a pas été spécifié dans le fichier script, la "
    "journalisation n'aura pas lieu malgré la valeur de l'entrée ModeLog...";
constexpr char kLogInfosWithoutJournal[] =
    "La valeur de l'entrée ModeLog du fichier script étant à la valeur "
    "'A(ucun)', la journalisation n'aura pas lieu malgré la présence d'une "
    "valeur dans l'entrée LogInfos...";

void Warn(UserInterface& ui, const char* text) {
  ui.MessageBox(text, "Attention", BoxIcon::kExclamation);
}

bool IsObsoleteSwitch(std::string_view argument) {
  return EqualsIgnoreCase(argument, "/d") || EqualsIgnoreCase(argument, "/m");
}

// Windows: the switches are cut out of the raw text, character for
// character, in their exact case.
std::string RemoveSwitchesFromText(std::string_view text) {
  std::string rest(TrimSpaces(ReplaceAll(text, "/d", "")));
  return std::string(TrimSpaces(ReplaceAll(rest, "/m", "")));
}

// Where paths begin with "/", a switch is a whole argument: a path such as
// /mnt/data/script.txt is never cut.
std::string RemoveSwitchArguments(const CommandLine& commandLine) {
  std::string rest;
  for (const std::string& argument : commandLine.arguments) {
    if (argument == "/d" || argument == "/m") continue;
    if (!rest.empty()) rest += ' ';
    rest += argument;
  }
  return std::string(TrimSpaces(rest));
}

bool HasObsoleteSwitch(const CommandLine& commandLine) {
  if (!commandLine.switchesAreWholeArguments)
    return ContainsText(commandLine.text, "/d", Compare::kIgnoreCase) ||
           ContainsText(commandLine.text, "/m", Compare::kIgnoreCase);
  for (const std::string& argument : commandLine.arguments)
    if (IsObsoleteSwitch(argument)) return true;
  return false;
}

// Accepts at most one character that occurs in `allowed`; the empty value
// too, as an empty text occurs in every text.
bool IsAcceptedLetter(const std::string& value, std::string_view allowed) {
  size_t pos = 0;
  if (!value.empty()) NextCodePoint(value, pos);
  return pos == value.size() && ContainsText(allowed, value);
}

// The position in characters of the byte at `offset`.
size_t CharacterPosition(std::string_view text, size_t offset) {
  size_t count = 0;
  for (size_t pos = 0; pos < offset; ++count) NextCodePoint(text, pos);
  return count + 1;
}

// Positions are 16-bit numbers: past 32,767 they overflow.
void CheckPosition(std::string_view text, size_t offset) {
  if (offset != std::string_view::npos && offset >= 32767 &&
      CharacterPosition(text, offset) > 32767)
    throw RunError(kOverflow);
}

// A path with spaces is written between double quotes on a command line;
// the quotes around the whole text (blanks outside them aside) are not part
// of it. Any other quote stays where it is.
std::string WithoutEnclosingQuotes(const std::string& text) {
  std::string_view inner = TrimSpaces(text);
  if (inner.size() < 2 || inner.front() != '"' || inner.back() != '"')
    return text;
  return std::string(inner.substr(1, inner.size() - 2));
}

}  // namespace

std::string Caption(const Version& version) {
  std::string caption = "Quelmar v" + DecimalText(version.major) + "." +
                        DecimalText(version.minor);
  if (version.revision > 0) caption += "." + DecimalText(version.revision);
  return caption;
}

std::string ScriptPathOf(const CommandLine& commandLine, Host& host) {
  std::string text = commandLine.text;
  if (HasObsoleteSwitch(commandLine))
    text = commandLine.switchesAreWholeArguments
               ? RemoveSwitchArguments(commandLine)
               : RemoveSwitchesFromText(text);
  text = WithoutEnclosingQuotes(text);
  const char separator = host.PathSeparator();
  const std::string folder =
      EnsureTrailingSeparator(host.ProgramFolder(), separator);
  if (text.empty()) return folder + kDefaultScript;
  if (text.find(separator) == std::string::npos) return folder + text;
  return text;
}

std::string ResolveScriptPath(const CommandLine& commandLine, Host& host,
                              UserInterface& ui, RunCounters& counters) {
  if (HasObsoleteSwitch(commandLine)) {
    Warn(ui, kSwitchesRefused);
    counters.ScriptErrorCount.Set(1);
  }
  return ScriptPathOf(commandLine, host);
}

std::string CleanConfigValue(std::string_view value) {
  return std::string(
      TrimSpaces(ReplaceAll(SplitField(value, ';', 0), "\t", "")));
}

std::string ExpandEnvironmentReferences(std::string_view original, Host& host) {
  std::string text(original);
  size_t p = text.find('%');
  while (p != std::string::npos) {
    CheckPosition(text, p);
    size_t q = text.find('%', p + 1);
    if (q == std::string::npos) throw RunError(kInvalidArgument);
    CheckPosition(text, q);
    std::string name = text.substr(p + 1, q - p - 1);
    std::string value = host.Environment(name).value_or("");
    text.replace(p, q - p + 1, value);
    p = text.find('%', p + value.size());
  }
  return text;
}

void ReadRunSettings(const ProfileText& script, Host& host, UserInterface& ui,
                     RunSettings& settings, RunCounters& counters) {
  settings.Mode = ToUpperUtf8(
      CleanConfigValue(script.ReadProfileValue("Config", "Mode", "N")));
  if (!IsAcceptedLetter(settings.Mode, "NDM")) {
    Warn(ui, kModeInvalid);
    settings.Mode = "N";
    counters.ScriptErrorCount.Raise();
  }
  settings.ModeLog = ToUpperUtf8(
      CleanConfigValue(script.ReadProfileValue("Config", "ModeLog", "A")));
  if (!IsAcceptedLetter(settings.ModeLog, "ASC")) {
    Warn(ui, kModeLogInvalid);
    settings.ModeLog = "A";
  }
  const char separator = host.PathSeparator();
  settings.LogFile =
      CleanConfigValue(script.ReadProfileValue("Config", "Log", ""));
  if (!settings.LogFile.empty()) {
    settings.LogFile = ExpandEnvironmentReferences(settings.LogFile, host);
    if (settings.LogFile.find(separator) == std::string::npos)
      settings.LogFile =
          EnsureTrailingSeparator(host.ProgramFolder(), separator) +
          settings.LogFile;
  }
  settings.LogInfos =
      CleanConfigValue(script.ReadProfileValue("Config", "LogInfos", ""));
  if (!settings.LogInfos.empty()) {
    settings.LogInfos = ExpandEnvironmentReferences(settings.LogInfos, host);
    settings.LogInfos = ReplaceAll(settings.LogInfos, "§", "\r\n");
  }
}

void CheckLogSettings(RunSettings& settings, UserInterface& ui) {
  if (!settings.LogFile.empty() && settings.ModeLog == "A") {
    Warn(ui, kLogFileWithoutJournal);
    settings.LogFile.clear();
  } else if (settings.LogFile.empty() && settings.ModeLog != "A") {
    Warn(ui, kJournalWithoutLogFile);
  } else if (!settings.LogInfos.empty() && settings.ModeLog == "A") {
    Warn(ui, kLogInfosWithoutJournal);
    settings.LogInfos.clear();
  }
}

std::string ScriptNotFoundMessage(const std::string& commandLineText,
                                  const std::string& scriptPath) {
  std::string middle =
      commandLineText.empty() ? "" : "spécifié (" + scriptPath + ")";
  return "Le fichier script à traiter " + middle +
         " n'a pas été trouvé : opération abandonnée...";
}

}  // namespace quelmar
