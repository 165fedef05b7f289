// quelmar-dryrun [--workstation FILE] [--save OUT] [SCRIPT ARGUMENT TEXT]
// quelmar-dryrun --help | --version
// Rehearses a script on a simulated workstation, console front end included.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/frm_quelmar.h"
#include "platform/console/console_ui.h"
#include "platform/native_host.h"
#include "platform/sim/workstation.h"
#include "quelmar_version.h"

namespace {

constexpr char kUsage[] =
    "usage : quelmar-dryrun [--workstation FICHIER] [--save SORTIE] "
    "[--] [SCRIPT]\n"
    "        quelmar-dryrun --help | --version\n"
    "\n"
    "Répète le script SCRIPT sur un poste simulé, exactement comme quelmar\n"
    "l'exécuterait ; sans SCRIPT, Quelmar.txt dans le dossier du programme.\n"
    "\n"
    "  --workstation FICHIER  le poste avant le traitement (sans elle :\n"
    "                         aucune imprimante, aucune par défaut)\n"
    "  --save SORTIE          écrit le poste après le traitement\n"
    "  --help, --version      cette aide ; la version\n"
    "\n"
    "État de sortie : 0 traitement terminé sans erreur ; 1 terminé avec des\n"
    "erreurs de migration, de script ou de journal ; 2 non terminé ou option\n"
    "invalide.\n"
    "\n"
    "Voir quelmar-dryrun(1) et quelmar-script(5).\n";

struct Options {
  std::string workstation;
  std::string save;
  std::vector<std::string> arguments;
  bool help = false;
  bool version = false;
};

// False, after a one-line error on standard error, for an unknown option or
// an option without its value.
bool ParseOptions(int argc, char** argv, Options& options) {
  int i = 1;
  for (; i < argc; ++i) {
    std::string option = argv[i];
    if (option == "--workstation" || option == "--save") {
      if (i + 1 == argc) {
        std::fprintf(stderr, "quelmar-dryrun : valeur manquante après %s\n",
                     option.c_str());
        return false;
      }
      (option == "--save" ? options.save : options.workstation) = argv[++i];
    } else if (option == "--help" || option == "--version") {
      (option == "--help" ? options.help : options.version) = true;
    } else if (option == "--") {
      ++i;
      break;
    } else if (option.rfind("--", 0) == 0) {
      std::fprintf(stderr,
                   "quelmar-dryrun : option inconnue : %s (voir "
                   "quelmar-dryrun --help)\n",
                   option.c_str());
      return false;
    } else {
      break;
    }
  }
  options.arguments.assign(argv + i, argv + argc);
  return true;
}

bool ReadFile(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  content = text.str();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quelmar;
  Options options;
  if (!ParseOptions(argc, argv, options)) return kNotCompleted;
  if (options.help || options.version) {
    if (options.help) {
      std::fputs(kUsage, stdout);
    } else {
      std::printf("quelmar-dryrun %s\n", kQuelmarVersionText);
    }
    return std::fflush(stdout) == 0 ? 0 : kNotCompleted;
  }
  std::string text;
  if (!options.workstation.empty() && !ReadFile(options.workstation, text)) {
    std::fprintf(stderr, "quelmar-dryrun : poste de travail illisible : %s\n",
                 options.workstation.c_str());
    return kNotCompleted;
  }
  std::string problem;
  SimWorkstation workstation(ParseWorkstation(text, &problem));
  if (!problem.empty()) {
    std::fprintf(stderr,
                 "quelmar-dryrun : poste de travail illisible : %s (%s)\n",
                 options.workstation.c_str(), problem.c_str());
    return kNotCompleted;
  }
  KeepRunningWhenOutputCloses();
  std::unique_ptr<Host> host = CreateNativeHost(options.arguments);
  std::unique_ptr<FileSystem> files = CreateNativeFileSystem();
  std::unique_ptr<Terminal> terminal = CreateNativeTerminal();
  ConsoleUserInterface ui(stdout, stderr, *terminal);
  Platform platform{*host, *files, workstation, workstation, workstation, ui};
  int status = RunProgram(platform, kQuelmarVersion);
  std::fflush(stdout);
  if (!options.save.empty()) {
    std::ofstream out(options.save, std::ios::binary | std::ios::trunc);
    out << FormatWorkstation(workstation.state());
    if (!out) {
      std::fprintf(stderr, "quelmar-dryrun : écriture impossible : %s\n",
                   options.save.c_str());
      return kNotCompleted;
    }
  }
  return status;
}
