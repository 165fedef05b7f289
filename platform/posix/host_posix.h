// The process on Linux.
#pragma once

#include <string>
#include <vector>

#include "platform/host.h"

namespace quelmar {

class PosixHost : public Host {
 public:
  // `arguments`: the program's arguments after its own name and options.
  explicit PosixHost(std::vector<std::string> arguments);

  CommandLine GetCommandLine() override;
  std::string ProgramFolder() override;
  char PathSeparator() override { return '/'; }
  std::optional<std::string> Environment(const std::string& name) override;
  LocalTime Now() override;
  std::string ComputerName() override;
  std::string AnsiToUtf8(std::string_view bytes) override;

 private:
  std::vector<std::string> arguments_;
};

}  // namespace quelmar
