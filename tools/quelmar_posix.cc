// quelmar [SCRIPT ARGUMENT TEXT] | --help | --version
// Runs a script on the workstation's CUPS, console front end included.
#include <csignal>
#include <cstdio>
#include <string>

#include "app/frm_quelmar.h"
#include "platform/console/console_ui.h"
#include "platform/native_host.h"
#include "platform/posix/cups_workstation.h"
#include "quelmar_version.h"

namespace {

constexpr char kUsage[] =
    "usage : quelmar [SCRIPT]\n"
    "        quelmar --help | --version\n"
    "\n"
    "Exécute le script de migration SCRIPT sur les imprimantes CUPS de ce\n"
    "poste ; sans SCRIPT, Quelmar.txt dans le dossier du programme. Tout\n"
    "autre texte que --help ou --version seul est le chemin du script.\n"
    "\n"
    "État de sortie : 0 traitement terminé sans erreur ; 1 terminé avec des\n"
    "erreurs de migration, de script ou de journal ; 2 non terminé.\n"
    "\n"
    "Voir quelmar(1) et quelmar-script(5).\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace quelmar;
  // Only a command line that is exactly one of these options is one: any
  // other text, "--help" among other words included, is the script's path.
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::fputs(kUsage, stdout);
    return std::fflush(stdout) == 0 ? 0 : kNotCompleted;
  }
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::printf("quelmar %s\n", kQuelmarVersionText);
    return std::fflush(stdout) == 0 ? 0 : kNotCompleted;
  }
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
