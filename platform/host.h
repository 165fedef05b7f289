// The process as the run sees it: its command line, its folder, its
// environment, the clock and the conversions of the ANSI code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quelmar {

struct CommandLine {
  // The argument text after the program's own name.
  std::string text;
  // Where every absolute path begins with "/", an obsolete switch is a whole
  // argument, never a piece of a path; `arguments` then holds them.
  bool switchesAreWholeArguments = false;
  std::vector<std::string> arguments;
};

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class Host {
 public:
  virtual ~Host() = default;
  virtual CommandLine GetCommandLine() = 0;
  virtual std::string ProgramFolder() = 0;
  // "\" on Windows, "/" elsewhere.
  virtual char PathSeparator() = 0;
  virtual std::optional<std::string> Environment(const std::string& name) = 0;
  virtual LocalTime Now() = 0;
  // The name of this computer for the journal.
  virtual std::string ComputerName() = 0;
  // Text in the ANSI code page (the system's on Windows, Windows-1252
  // elsewhere) turned into UTF-8.
  virtual std::string AnsiToUtf8(std::string_view bytes) = 0;
};

}  // namespace quelmar
