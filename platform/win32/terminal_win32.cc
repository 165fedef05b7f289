#include "platform/console/console_ui.h"
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

}  // namespace

bool StandardInputIsTerminal() { return IsConsole(STD_INPUT_HANDLE); }
bool StandardOutputIsTerminal() { return IsConsole(STD_OUTPUT_HANDLE); }

}  // namespace quelmar
