// The run trace: every line of the run goes to the window's trace box in
// mode "N" and to the journal's text at journal level "C".
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "app/run_state.h"
#include "platform/large_buffer.h"
#include "platform/user_interface.h"

namespace quelmar {

class RunTrace {
 public:
  RunTrace(const RunSettings& settings, Window& window)
      : settings_(settings), window_(window) {}

  // Each line goes to the box and the journal's text alike, appended, never
  // rebuilt, so a run costs time in proportion to its trace. No line break
  // comes before the first line. A line made of several pieces is given as
  // its pieces, each appended where the line goes: a line per operation is
  // then copied once, not joined first and copied again.
  using Pieces = std::initializer_list<std::string_view>;

  // A line that opens a part of the run, after an empty line.
  void Opening(Pieces pieces) { Trace<true, true>(pieces); }
  void Opening(std::string_view text) { Opening({text}); }
  // A line of its own, right after the previous one.
  void Line(Pieces pieces) { Trace<true, false>(pieces); }
  void Line(std::string_view text) { Line({text}); }
  // The outcome of the line before, after "   -> ".
  void Outcome(Pieces pieces) { Trace<false, false>(pieces); }
  void Outcome(std::string_view text) { Outcome({text}); }

  // Reserves room for `bytes` of journal text at level "C", so that the text
  // is not copied each time it outgrows its buffer. Room never written is
  // never given memory by the system.
  void ReserveJournal(size_t bytes);

  // The lines traced for a level-"C" journal, handed over once, at the end.
  std::string_view journalText() const { return journalText_; }
  LargeText TakeJournalText() { return std::move(journalText_); }

 private:
  // One function per kind of line, its layout decided when it is compiled:
  // the trace is called about three times per line of a script.
  template <bool kMainLine, bool kBlankLineBefore>
  void Trace(Pieces pieces);
  // Mode "N": the line laid out in `chunk_` and handed to the window.
  void ShowInBox(Pieces pieces, bool mainLine, bool blankLineBefore);

  const RunSettings& settings_;
  Window& window_;
  bool boxEmpty_ = true;
  std::string chunk_;
  LargeText journalText_;
};

}  // namespace quelmar
