#include "app/action_section.h"

#include <algorithm>

#include "services/printer_services.h"
#include "services/text_utils.h"
#include "services/unicode.h"

namespace quelmar {
namespace {

constexpr std::string_view kHeader = "[actions]";
constexpr std::string_view kCommands = "-+*=";
// Line numbers are 16-bit: 0 to 32,766 inclusive.
constexpr size_t kMaxLines = 32767;
// Room reserved in the journal's text per line of the section: a line of
// the benchmark's mix traces 110 bytes on average, the replacement of the
// default printer about 220; a wildcard line may trace more, and the text
// then grows as it must.
constexpr size_t kJournalBytesPerLine = 256;
constexpr char kOpeningBanner[] =
    "###############   Début de traitement multiple  ###############";

// The pieces of a name "\\server\printer": the server between the second
// and third backslashes, the printer after the third, up to a fourth.
// Searched from the third byte when the name begins with its two
// backslashes, as every name these are asked about does.
std::string_view ServerPart(std::string_view name) {
  if (!name.starts_with("\\\\")) return SplitField(name, '\\', 2);
  const size_t third = name.find('\\', 2);
  return name.substr(2, third == std::string_view::npos ? third : third - 2);
}

std::string_view PrinterPart(std::string_view name) {
  if (!name.starts_with("\\\\")) return SplitField(name, '\\', 3);
  const size_t third = name.find('\\', 2);
  if (third == std::string_view::npos) return {};
  const std::string_view printer = name.substr(third + 1);
  return printer.substr(0, printer.find('\\'));
}

// Whether a name that passed IsValidPrinterName stands for every printer
// of a server ("\\server\*"): the checks leave a "*" only as the whole
// printer part, after the third backslash, and a name of "=" without a
// backslash is never one.
bool IsWildcard(std::string_view validName) {
  return validName.ends_with("\\*");
}

// Writes the message of a rejected line over `message`; false, for the
// check that fails.
bool SyntaxError(int16_t lineNumber, std::string_view tail,
                 std::string& message) {
  message.assign("Erreur de syntaxe (ligne ");
  AppendDecimal(message, lineNumber);
  message.append(tail);
  return false;
}

bool FormatError(int16_t lineNumber, std::string_view param,
                 std::string& message) {
  SyntaxError(lineNumber, "), le nom de l'imprimante '", message);
  message.append(param).append(
      "' ne correspond pas au format autorisé (\\\\serveur\\imprimante)...");
  return false;
}

std::string_view SectionText(std::string_view scriptText) {
  size_t start = FindText(scriptText, kHeader, 0, Compare::kIgnoreCase);
  if (start == std::string_view::npos) return {};
  start += kHeader.size();  // "[actions]" has no letter that changes size
  const size_t end = FindText(scriptText, kHeader, start, Compare::kIgnoreCase);
  return scriptText.substr(start, end == std::string_view::npos
                                      ? std::string_view::npos
                                      : end - start);
}

// The text after the last line end is one more line, unless it is empty
// after a line: the empty piece after a final line break is no line of the
// file (counted, it would take a line number and make a full section of
// 32,767 lines overflow).
size_t CountLines(std::string_view section) {
  const size_t ends = CountLineEnds(section);
  const bool endsWithBreak =
      !section.empty() && (section.back() == '\n' || section.back() == '\r');
  return ends > 0 && endsWithBreak ? ends : ends + 1;
}

}  // namespace

ActionLines::ActionLines(std::string_view scriptText)
    : section_(SectionText(scriptText)),
      cursor_(section_),
      count_(CountLines(section_)) {}

bool ActionLines::Next(std::string_view& line) {
  if (read_ == count_ || !cursor_.Next(line)) return false;
  ++read_;
  return true;
}

std::optional<ActionLine> ParseActionLine(std::string_view raw,
                                          int16_t lineNumber) {
  std::string_view uncommented = raw.substr(0, raw.find(';'));
  ActionLine line;
  if (uncommented.find('\t') != std::string_view::npos) {
    line.WithoutTabs =
        std::make_shared<const std::string>(ReplaceAll(uncommented, "\t", ""));
    uncommented = *line.WithoutTabs;
  }
  std::string_view cleaned = TrimSpaces(uncommented);
  if (cleaned.empty()) return std::nullopt;
  size_t afterCommand = 0;
  NextCodePoint(cleaned, afterCommand);
  std::string_view rest = cleaned.substr(afterCommand);
  line.LineNumber = lineNumber;
  line.Command = cleaned.substr(0, afterCommand);
  // The pieces before the first comma and between it and the next one.
  const size_t comma = rest.find(',');
  line.Param1 = TrimSpaces(rest.substr(0, comma));
  if (comma != std::string_view::npos) {
    const std::string_view afterComma = rest.substr(comma + 1);
    line.Param2 = TrimSpaces(afterComma.substr(0, afterComma.find(',')));
  }
  return line;
}

// Whether `name` has the shape \\server\printer: two backslashes, a third
// one after them and no fourth; "*" nowhere in the server, and in the
// printer only as the whole of it, which "+" and "=" do not take. "=" also
// takes the name of a local printer, without a backslash. One pass over
// the name: it is checked on every line.
bool IsValidPrinterName(std::string_view name, char command) {
  if (command == '=' && name.find('\\') == std::string_view::npos) return true;
  if (!name.starts_with("\\\\")) return false;
  size_t third = std::string_view::npos;
  size_t printerStars = 0;
  for (size_t k = 2; k < name.size(); ++k) {
    if (name[k] == '\\') {
      if (third != std::string_view::npos) return false;
      third = k;
    } else if (name[k] == '*') {
      if (third == std::string_view::npos) return false;
      ++printerStars;
    }
  }
  if (third == std::string_view::npos) return false;
  if (printerStars == 0) return true;
  const bool wholePrinter = printerStars == 1 && name.size() == third + 2;
  return wholePrinter && command != '+' && command != '=';
}

bool CheckActionLine(const ActionLine& line, std::string& message) {
  const int16_t number = line.LineNumber;
  if (line.Command.size() != 1 ||
      kCommands.find(line.Command[0]) == std::string_view::npos)
    return SyntaxError(number, "), commande inconnue...", message);
  const char command = line.Command[0];
  const bool replace = command == '*';
  if (!IsValidPrinterName(line.Param1, command))
    return FormatError(number, line.Param1, message);
  if (!line.Param2.empty() && !replace)
    return SyntaxError(
        number, "), cette commande n'accepte qu'un seul paramètre.", message);
  if (line.Param2.empty() && replace)
    return SyntaxError(number, "), cette commande requiert deux paramètres.",
                       message);
  if (replace && !IsValidPrinterName(line.Param2, command))
    return FormatError(number, line.Param2, message);
  if (replace && IsWildcard(line.Param1) != IsWildcard(line.Param2))
    return SyntaxError(number,
                       "), quand '*' est utilisé pour un paramètre, il doit "
                       "l'être aussi pour l'autre...",
                       message);
  return true;
}

void BuildNameLists(const ActionLine& line, Spooler& spooler, RunTrace& trace,
                    NameLists& lists) {
  if (!IsWildcard(line.Param1)) {
    lists.OldNames.resize(1);
    lists.NewNames.resize(1);
    lists.OldNames[0] = line.Param1;
    lists.NewNames[0] = line.Param2;
    lists.IsMultiple = false;
    return;
  }
  lists.OldNames = MatchInstalledPrinters(spooler, std::string(line.Param1));
  lists.NewNames.resize(lists.OldNames.size());
  const std::string_view server = ServerPart(line.Param2);
  for (size_t k = 0; k < lists.OldNames.size(); ++k) {
    std::string& name = lists.NewNames[k];
    name.clear();
    if (line.Command == "*")
      name.append("\\\\").append(server).append("\\").append(
          PrinterPart(lists.OldNames[k]));
  }
  lists.IsMultiple = true;
  trace.Opening(kOpeningBanner);
}

void ProcessActionSection(std::string_view scriptText, RunContext& run,
                          ActionExecution& execution) {
  RunTrace& trace = run.trace;
  RunCounters& counters = run.counters;
  ActionLines lines(scriptText);
  // Checked before any line runs, so that an over-long section changes
  // nothing on the workstation.
  if (lines.count() > kMaxLines) throw RunError(kOverflow);
  trace.ReserveJournal(lines.count() * kJournalBytesPerLine);
  if (!run.settings.LogInfos.empty()) trace.Opening(run.settings.LogInfos);
  std::string message;
  NameLists lists;
  std::string_view raw;
  for (int16_t number = 0; lines.Next(raw); ++number) {
    std::optional<ActionLine> line = ParseActionLine(raw, number);
    if (!line) continue;
    if (!CheckActionLine(*line, message)) {
      trace.Line(message);
      counters.ScriptErrorCount.Raise();
      continue;
    }
    counters.ActionCount.Raise();
    BuildNameLists(*line, run.platform.spooler, trace, lists);
    execution.ExecuteActionLine(line->Command[0], lists.OldNames,
                                lists.NewNames, lists.IsMultiple);
  }
}

}  // namespace quelmar
