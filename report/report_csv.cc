#include "report/report_writers.h"
#include "services/text_utils.h"

namespace quelmar {
namespace {

// A field with a comma, a quote or a line break is quoted, its quotes
// doubled. A workstation names itself (COMPUTERNAME is the user's to set):
// a name that a spreadsheet would take for a formula ("=", "+", "-", "@",
// tab, CR) is made text by a leading "'".
std::string CsvField(const std::string& text) {
  std::string field = text;
  if (!field.empty() &&
      std::string_view("=+-@\t\r").find(field[0]) != std::string_view::npos)
    field.insert(0, "'");
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  return "\"" + ReplaceAll(field, "\"", "\"\"") + "\"";
}

}  // namespace

std::string CsvReport(const Fleet& fleet) {
  std::string out = std::string(kCsvHeader) + "\n";
  for (const WorkstationRun* run : fleet.Workstations()) {
    const JournalEntry& e = run->last;
    out += CsvField(e.workstation) + "," + e.time.Text();
    const RunCounts& c = e.counts;
    for (int value : {c.operations, c.succeeded, c.skipped, c.migrationErrors,
                      c.scriptErrors})
      out += "," + (e.completed ? DecimalText(value) : std::string());
    out += "," + DecimalText(ExitClass(e)) + "\n";
  }
  return out;
}

}  // namespace quelmar
