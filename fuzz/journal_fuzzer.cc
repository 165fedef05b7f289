// The journal reader and the fleet report on any bytes: the same entries
// and unreadable lines however the bytes are cut, line numbers in order and
// within the text, counters within the run's 16-bit range, and every form
// of the report built.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "report/fleet.h"
#include "report/journal_reader.h"
#include "report/report_writers.h"

namespace {

using namespace quelmar;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

class Collect : public JournalSink {
 public:
  ParsedJournal parsed;
  void OnEntry(const JournalEntry& entry) override {
    parsed.entries.push_back(entry);
  }
  void OnUnreadableLine(size_t line) override {
    parsed.unreadableLines.push_back(line);
  }
};

void CheckCounts(const RunCounts& c) {
  for (int value : {c.operations, c.succeeded, c.skipped, c.migrationErrors,
                    c.scriptErrors})
    Check(value >= 0 && value <= 32767);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const ParsedJournal whole = ParseJournalText(text);
  const size_t cut = size == 0 ? 0 : data[0] % size;
  Collect pieces;
  JournalReader reader(pieces);
  reader.Feed(text.substr(0, cut));
  reader.Feed(text.substr(cut));
  reader.Finish();
  Check(pieces.parsed.unreadableLines == whole.unreadableLines);
  Check(pieces.parsed.entries.size() == whole.entries.size());
  size_t lines = 1;
  for (char c : text) lines += c == '\n';
  size_t last = 0;
  for (size_t line : whole.unreadableLines) {
    Check(line > last && line <= lines);
    last = line;
  }
  Fleet fleet({});
  for (size_t k = 0; k < whole.entries.size(); ++k) {
    const JournalEntry& e = whole.entries[k];
    Check(e.line >= 1 && e.line <= lines);
    Check(e.workstation == pieces.parsed.entries[k].workstation);
    CheckCounts(e.counts);
    fleet.OnEntry(e);
  }
  const std::string csv = CsvReport(fleet);
  size_t rows = 0;
  for (char c : csv) rows += c == '\n';
  Check(rows >= fleet.Workstations().size() + 1);
  TextReport(fleet);
  HtmlReport(fleet);
  return 0;
}
