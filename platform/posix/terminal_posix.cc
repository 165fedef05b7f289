#include <unistd.h>

#include <iostream>
#include <string>

#include "platform/native_host.h"

namespace quelmar {
namespace {

class PosixTerminal : public Terminal {
 public:
  bool InputIsTerminal() override { return isatty(STDIN_FILENO) == 1; }
  bool OutputIsTerminal() override { return isatty(STDOUT_FILENO) == 1; }
  void ReadLine() override {
    std::string ignored;
    std::getline(std::cin, ignored);
  }
};

}  // namespace

std::unique_ptr<Terminal> CreateNativeTerminal() {
  return std::make_unique<PosixTerminal>();
}

}  // namespace quelmar
