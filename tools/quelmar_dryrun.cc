// quelmar-dryrun [--workstation FILE | --this-workstation
//                 [--save-snapshot FILE]] [--save OUT] [--journal FILE]
//                [SCRIPT ARGUMENT TEXT]
// quelmar-dryrun --help | --version
// Rehearses a script on a simulated workstation, console front end included:
// one described by a file, or a copy of this very workstation.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/frm_quelmar.h"
#include "app/startup.h"
#include "app/workstation_snapshot.h"
#include "platform/console/console_ui.h"
#include "platform/native_host.h"
#include "platform/sim/workstation.h"
#include "quelmar_version.h"
#include "tools/this_workstation_snapshot.h"

namespace {

using namespace quelmar;

constexpr char kUsage[] =
    "usage : quelmar-dryrun [--workstation FICHIER] [--save SORTIE] "
    "[--journal FICHIER] [--] [SCRIPT]\n"
    "        quelmar-dryrun --this-workstation [--save-snapshot FICHIER] "
    "[--save SORTIE]\n"
    "                       [--journal FICHIER] [--] [SCRIPT]\n"
    "        quelmar-dryrun --help | --version\n"
    "\n"
    "Répète le script SCRIPT sur un poste simulé, exactement comme quelmar\n"
    "l'exécuterait ; sans SCRIPT, Quelmar.txt dans le dossier du programme.\n"
    "\n"
    "  --workstation FICHIER    le poste avant le traitement (sans elle :\n"
    "                           aucune imprimante, aucune par défaut)\n"
    "  --this-workstation       le poste est une copie de celui-ci : ses\n"
    "                           imprimantes, celle par défaut, et ce que\n"
    "                           partage chaque serveur nommé par le script ;\n"
    "                           rien n'y est changé, pas même le journal du\n"
    "                           script\n"
    "  --save-snapshot FICHIER  écrit cette copie, au format d'un poste\n"
    "  --save SORTIE            écrit le poste après le traitement\n"
    "  --journal FICHIER        l'entrée du journal va dans FICHIER\n"
    "  --help, --version        cette aide ; la version\n"
    "\n"
    "État de sortie : 0 traitement terminé sans erreur ; 1 terminé avec des\n"
    "erreurs de migration, de script ou de journal ; 2 non terminé ou option\n"
    "invalide.\n"
    "\n"
    "Voir quelmar-dryrun(1) et quelmar-script(5).\n";

struct Options {
  std::string workstation;
  bool thisWorkstation = false;
  std::string saveSnapshot;
  std::string save;
  std::string journal;
  std::vector<std::string> arguments;
  bool help = false;
  bool version = false;
};

// A one-line message on standard error; false for the caller to return.
bool Refuse(const std::string& message) {
  std::fprintf(stderr, "quelmar-dryrun : %s\n", message.c_str());
  return false;
}

// The option that takes the value after it, or null.
std::string* ValueOf(const std::string& option, Options& options) {
  if (option == "--workstation") return &options.workstation;
  if (option == "--save") return &options.save;
  if (option == "--save-snapshot") return &options.saveSnapshot;
  if (option == "--journal") return &options.journal;
  return nullptr;
}

// False, after a one-line error on standard error, for an unknown option,
// an option without its value, or options that exclude each other.
bool ParseOptions(int argc, char** argv, Options& options) {
  int i = 1;
  for (; i < argc; ++i) {
    std::string option = argv[i];
    if (std::string* value = ValueOf(option, options)) {
      if (i + 1 == argc) return Refuse("valeur manquante après " + option);
      *value = argv[++i];
    } else if (option == "--this-workstation") {
      options.thisWorkstation = true;
    } else if (option == "--help" || option == "--version") {
      (option == "--help" ? options.help : options.version) = true;
    } else if (option == "--") {
      ++i;
      break;
    } else if (option.rfind("--", 0) == 0) {
      return Refuse("option inconnue : " + option +
                    " (voir quelmar-dryrun --help)");
    } else {
      break;
    }
  }
  options.arguments.assign(argv + i, argv + argc);
  if (options.thisWorkstation && !options.workstation.empty())
    return Refuse(
        "--workstation et --this-workstation : un seul poste à la "
        "fois");
  if (!options.thisWorkstation && !options.saveSnapshot.empty())
    return Refuse("--save-snapshot va avec --this-workstation");
  return true;
}

// The message for a workstation that cannot be read; false for the caller
// to return.
bool Unreadable(const std::string& what) {
  std::fprintf(stderr, "quelmar-dryrun : poste de travail illisible : %s\n",
               what.c_str());
  return false;
}

bool ReadFile(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  content = text.str();
  return true;
}

bool WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  out.close();
  if (out) return true;
  std::fprintf(stderr, "quelmar-dryrun : écriture impossible : %s\n",
               path.c_str());
  return false;
}

// The files of a rehearsal: the script is read as the run reads it; the
// journal entry goes to --journal FILE, or nowhere with --this-workstation,
// never to the script's own journal (the fleet's shared file).
class RehearsalFiles : public FileSystem {
 public:
  RehearsalFiles(FileSystem& files, const Options& options)
      : files_(files), options_(options) {}
  bool IsOrdinaryFile(const std::string& path) override {
    return files_.IsOrdinaryFile(path);
  }
  std::string ReadWholeFile(const std::string& path) override {
    return files_.ReadWholeFile(path);
  }
  bool AppendToFile(const std::string& path, TextPieces pieces) override {
    if (!options_.journal.empty())
      return files_.AppendToFile(options_.journal, pieces);
    if (options_.thisWorkstation) return true;
    return files_.AppendToFile(path, pieces);
  }

 private:
  FileSystem& files_;
  const Options& options_;
};

// This workstation, read through the system; its snapshot saved when asked.
// Nothing on the workstation changes.
bool ReadThisWorkstation(const Options& options, Host& host, FileSystem& files,
                         WorkstationState& state) {
  std::string script;
  const std::string path = ScriptPathOf(host.GetCommandLine(), host);
  if (files.IsOrdinaryFile(path)) script = files.ReadWholeFile(path);
  std::string problem;
  std::optional<Snapshot> snapshot =
      SnapshotOfThisWorkstation(script, host, problem);
  if (!snapshot) return Unreadable(problem);
  state = snapshot->state;
  return options.saveSnapshot.empty() ||
         WriteFile(options.saveSnapshot, FormatSnapshot(*snapshot));
}

// The workstation to rehearse on; false after a message when it cannot be
// read.
bool ReadWorkstation(const Options& options, Host& host, FileSystem& files,
                     WorkstationState& state) {
  if (options.thisWorkstation) {
    try {
      return ReadThisWorkstation(options, host, files, state);
    } catch (const RunError& error) {
      return Unreadable(error.description());
    }
  }
  std::string text;
  if (!options.workstation.empty() && !ReadFile(options.workstation, text))
    return Unreadable(options.workstation);
  std::string problem;
  state = ParseWorkstation(text, &problem);
  return problem.empty() ||
         Unreadable(options.workstation + " (" + problem + ")");
}

}  // namespace

int main(int argc, char** argv) {
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
  KeepRunningWhenOutputCloses();
  std::unique_ptr<Host> host = CreateNativeHost(options.arguments);
  std::unique_ptr<FileSystem> nativeFiles = CreateNativeFileSystem();
  WorkstationState state;
  if (!ReadWorkstation(options, *host, *nativeFiles, state))
    return kNotCompleted;
  SimWorkstation workstation(std::move(state), CallLog::kNone);
  RehearsalFiles files(*nativeFiles, options);
  std::unique_ptr<Terminal> terminal = CreateNativeTerminal();
  ConsoleUserInterface ui(stdout, stderr, *terminal);
  Platform platform{*host, files, workstation, workstation, workstation, ui};
  int status = RunProgram(platform, kQuelmarVersion);
  std::fflush(stdout);
  if (!options.save.empty() &&
      !WriteFile(options.save, FormatWorkstation(workstation.state())))
    return kNotCompleted;
  return status;
}
