#include "report/report_writers.h"
#include "services/text_utils.h"

namespace quelmar {
namespace {

// A field with a comma, a quote or a line break is quoted, its quotes
// doubled.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  return "\"" + ReplaceAll(text, "\"", "\"\"", 0, Compare::kExact) + "\"";
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
