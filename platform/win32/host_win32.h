// The process on Windows.
#pragma once

#include <string>
#include <string_view>

#include "platform/host.h"

namespace quelmar {

// The argument text of a Windows command line: what follows the program's
// name (quoted or not) and the blanks after it, unchanged.
std::wstring ArgumentText(std::wstring_view commandLine);

class Win32Host : public Host {
 public:
  // `argumentText`: the command-line argument text, UTF-8.
  explicit Win32Host(std::string argumentText)
      : argumentText_(std::move(argumentText)) {}
  // The host of the running program, its argument text taken from
  // GetCommandLineW.
  static Win32Host FromProcessCommandLine();

  CommandLine GetCommandLine() override;
  std::string ProgramFolder() override;
  char PathSeparator() override { return '\\'; }
  std::optional<std::string> Environment(const std::string& name) override;
  LocalTime Now() override;
  std::string ComputerName() override;
  std::string AnsiToUtf8(std::string_view bytes) override;

 private:
  std::string argumentText_;
};

}  // namespace quelmar
