// Reads journal files as the programs append to them: one-line entries
// (level "S") and whole traces (level "C") mixed, each entry in UTF-8 (Linux)
// or Windows-1252 (Windows), lines ending in CR LF. A shared file collects
// damage over months (cut entries, garbage, lines of other versions): every
// line that belongs to no entry is reported once and reading goes on.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "report/journal_entry.h"

namespace quelmar {

class JournalSink {
 public:
  virtual ~JournalSink() = default;
  virtual void OnEntry(const JournalEntry& entry) = 0;
  // `line` counts from 1.
  virtual void OnUnreadableLine(size_t line) = 0;
};

// Lines longer than this are unreadable; their bytes are dropped as they
// come, so that a file of NUL bytes without a line end (what a crash leaves
// on some file servers) costs no memory. A full-trace line is at most a
// printer name of the script (a few thousand characters in practice) or
// LogInfos (31,999).
constexpr size_t kMaxJournalLine = 1 << 20;

// A push parser: bytes in any pieces, then Finish at the end of the file.
class JournalReader {
 public:
  explicit JournalReader(JournalSink& sink) : sink_(sink) {}
  void Feed(std::string_view bytes);
  void Finish();

 private:
  void ReadLine(std::string_view raw);
  void ReadOutsideEntry(std::string_view raw);
  void ReadTraceLine(std::string_view raw);
  bool BeginsEntry(std::string_view raw);
  void NoteTraceLine(std::string_view line);
  void EndEntry(bool completed);

  JournalSink& sink_;
  std::string partial_;  // the line whose end has not come yet
  bool overlong_ = false;
  size_t lineNumber_ = 0;

  // The level "C" entry being read.
  bool inEntry_ = false;
  bool entryIsUtf8_ = true;
  JournalEntry entry_;
  bool closingRead_ = false;  // the last line read was a closing sentence
  RunCounts closingCounts_;
  int syntaxErrors_ = 0;
  std::string current_, removed_, replacement_;  // printers of the trace
  std::string decoded_;
};

// The text entry point: every entry and unreadable line of one file.
struct ParsedJournal {
  std::vector<JournalEntry> entries;
  std::vector<size_t> unreadableLines;
};
ParsedJournal ParseJournalText(std::string_view text);

// The counters of a closing sentence (UTF-8); false when `text` is not one.
// The sentence of a run without any valid line counts nothing.
bool ParseClosingSentence(std::string_view text, RunCounts& counts);

}  // namespace quelmar
