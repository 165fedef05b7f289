// quelmar [SCRIPT ARGUMENT TEXT]
// Runs a script on the workstation's CUPS, console front end included.
#include <csignal>
#include <cstdio>

#include "app/frm_quelmar.h"
#include "platform/console/console_ui.h"
#include "platform/native_host.h"
#include "platform/posix/cups_workstation.h"
#include "quelmar_version.h"

int main(int argc, char** argv) {
  using namespace quelmar;
  // A print server or the local cupsd that closes its end must fail the
  // request, not end the program.
  std::signal(SIGPIPE, SIG_IGN);
  std::unique_ptr<Host> host =
      CreateNativeHost(std::vector<std::string>(argv + 1, argv + argc));
  std::unique_ptr<FileSystem> files = CreateNativeFileSystem();
  std::unique_ptr<Terminal> terminal = CreateNativeTerminal();
  ConsoleUserInterface ui(stdout, stderr, *terminal);
  CupsWorkstation workstation;
  Platform platform{*host, *files, workstation, workstation, workstation, ui};
  int status = RunProgram(platform, kQuelmarVersion);
  std::fflush(stdout);
  return status;
}
