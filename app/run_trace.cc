#include "app/run_trace.h"

namespace quelmar {
namespace {

// Compared as views, which compare sizes before bytes: the modes are read
// at every traced line.
constexpr std::string_view kModeWithTrace = "N";
constexpr std::string_view kFullJournal = "C";
constexpr std::string_view kDetailPrefix = "   -> ";
constexpr std::string_view kLineBreak = "\r\n";

// Appends one traced line to `out`, which already holds `wasEmpty` lines.
void AppendLine(std::string& out, bool wasEmpty, std::string_view text,
                bool mainLine, bool blankLineBefore) {
  if (!wasEmpty) {
    out += kLineBreak;
    if (blankLineBefore) out += kLineBreak;
  }
  if (!mainLine) out += kDetailPrefix;
  out += text;
}

}  // namespace

void RunTrace::ReserveJournal(size_t bytes) {
  if (settings_.ModeLog == kFullJournal) journalText_.reserve(bytes);
}

void RunTrace::Trace(std::string_view text, bool mainLine,
                     bool blankLineBefore) {
  if (settings_.Mode == kModeWithTrace) {
    chunk_.clear();
    AppendLine(chunk_, boxEmpty_, text, mainLine, blankLineBefore);
    // An empty first line leaves the box empty, as it leaves the journal's
    // text.
    if (!chunk_.empty()) boxEmpty_ = false;
    window_.AppendTrace(chunk_);
    window_.ProcessPendingEvents();
  }
  if (settings_.ModeLog == kFullJournal) {
    AppendLine(journalText_, journalText_.empty(), text, mainLine,
               blankLineBefore);
  }
}

}  // namespace quelmar
