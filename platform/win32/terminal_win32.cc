#include <iostream>
#include <string>

#include "platform/native_host.h"
#include "platform/win32/win32_api.h"

namespace quelmar {
namespace {

bool IsConsole(DWORD which) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

// The console front end writes UTF-8; the console shows it as such for the
// life of the program and gets its own code page back at the end.
class Utf8ConsoleOutput {
 public:
  Utf8ConsoleOutput() : previous_(GetConsoleOutputCP()) {
    SetConsoleOutputCP(CP_UTF8);
  }
  ~Utf8ConsoleOutput() {
    if (previous_ != 0) SetConsoleOutputCP(previous_);
  }

 private:
  UINT previous_;
};

const Utf8ConsoleOutput kUtf8ConsoleOutput;

class Win32Terminal : public Terminal {
 public:
  bool InputIsTerminal() override { return IsConsole(STD_INPUT_HANDLE); }
  bool OutputIsTerminal() override { return IsConsole(STD_OUTPUT_HANDLE); }
  void ReadLine() override {
    std::string ignored;
    std::getline(std::cin, ignored);
  }
};

}  // namespace

std::unique_ptr<Terminal> CreateNativeTerminal() {
  return std::make_unique<Win32Terminal>();
}

}  // namespace quelmar
