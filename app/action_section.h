// The [actions] section: read, cut into numbered lines, each line cleaned,
// checked and, when valid, executed at once.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/action_execution.h"
#include "app/run_state.h"
#include "app/run_trace.h"
#include "services/text_utils.h"

namespace quelmar {

// A cleaned line: its command and parameters are views of the script's
// line, or of the line without its tabs when it had any, so that reading a
// line copies no text.
struct ActionLine {
  int16_t LineNumber = 0;
  std::string_view Command;
  std::string_view Param1;
  std::string_view Param2;
  // The line without its tabs, which the views read when it had tabs;
  // shared, so that they stay valid when the line is copied or moved.
  std::shared_ptr<const std::string> WithoutTabs;
};

struct NameLists {
  std::vector<std::string> OldNames;
  std::vector<std::string> NewNames;
  bool IsMultiple = false;
};

// The raw lines of the section, read one after the other as a run reads
// them, without a list of them (that of a full section would take half a
// megabyte): line 0 is the rest of the header's line. Lines end at CR LF,
// CR or LF. Without a section, a single empty line.
class ActionLines {
 public:
  explicit ActionLines(std::string_view scriptText);
  // How many lines the section has, known before any is read.
  size_t count() const { return count_; }
  // The next line; false after the last.
  bool Next(std::string_view& line);

 private:
  std::string_view section_;
  LineCursor cursor_;
  size_t count_;
  size_t read_ = 0;
};

// The cleaned line split into its command and parameters; nothing when the
// cleaned line is empty. The line views `raw`, which must outlive it.
std::optional<ActionLine> ParseActionLine(std::string_view raw,
                                          int16_t lineNumber);

// True when the line passes every check; otherwise false, with the message
// of the first check that fails written over `message` (a buffer the caller
// keeps: a script may have thousands of rejected lines).
bool CheckActionLine(const ActionLine& line, std::string& message);

bool IsValidPrinterName(std::string_view name, char command);

// The names the line acts on, written over `lists`: a wildcard is matched
// against the installed printers (and the opening banner traced). The
// caller keeps `lists` from one line to the next, so that a line of one
// printer allocates nothing.
void BuildNameLists(const ActionLine& line, Spooler& spooler, RunTrace& trace,
                    NameLists& lists);

// The whole pass over the section.
void ProcessActionSection(std::string_view scriptText, RunContext& run,
                          ActionExecution& execution);

}  // namespace quelmar
