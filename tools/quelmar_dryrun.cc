// quelmar-dryrun [--workstation FILE | --this-workstation
//                 [--save-snapshot FILE]] [--save OUT] [--journal FILE]
//                [SCRIPT ARGUMENT TEXT]
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

namespace {

using namespace quelmar;

struct Options {
  std::string workstation;
  bool thisWorkstation = false;
  std::string saveSnapshot;
  std::string save;
  std::string journal;
  std::vector<std::string> arguments;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  int i = 1;
  for (; i < argc; ++i) {
    std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--workstation" && hasValue) {
      options.workstation = argv[++i];
    } else if (option == "--save" && hasValue) {
      options.save = argv[++i];
    } else if (option == "--save-snapshot" && hasValue) {
      options.saveSnapshot = argv[++i];
    } else if (option == "--journal" && hasValue) {
      options.journal = argv[++i];
    } else if (option == "--this-workstation") {
      options.thisWorkstation = true;
    } else if (option == "--") {
      ++i;
      break;
    } else if (option.rfind("--", 0) == 0) {
      return false;
    } else {
      break;
    }
  }
  options.arguments.assign(argv + i, argv + argc);
  // One workstation at a time; a snapshot only of this one.
  return !(options.thisWorkstation && !options.workstation.empty()) &&
         (options.thisWorkstation || options.saveSnapshot.empty());
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
  bool AppendToFile(const std::string& path, const std::string& text) override {
    if (!options_.journal.empty())
      return files_.AppendToFile(options_.journal, text);
    if (options_.thisWorkstation) return true;
    return files_.AppendToFile(path, text);
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
  std::unique_ptr<ThisWorkstation> workstation = CreateThisWorkstation();
  Snapshot snapshot = TakeSnapshot(*workstation, script);
  state = snapshot.state;
  return options.saveSnapshot.empty() ||
         WriteFile(options.saveSnapshot, FormatSnapshot(snapshot));
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage : quelmar-dryrun [--workstation FICHIER | "
                 "--this-workstation [--save-snapshot FICHIER]] [--save "
                 "SORTIE] [--journal FICHIER] [SCRIPT]\n");
    return kNotCompleted;
  }
  std::unique_ptr<Host> host = CreateNativeHost(options.arguments);
  std::unique_ptr<FileSystem> nativeFiles = CreateNativeFileSystem();
  WorkstationState state;
  if (options.thisWorkstation) {
    try {
      if (!ReadThisWorkstation(options, *host, *nativeFiles, state))
        return kNotCompleted;
    } catch (const RunError& error) {
      std::fprintf(stderr, "quelmar-dryrun : poste de travail illisible : %s\n",
                   error.description().c_str());
      return kNotCompleted;
    }
  } else if (!options.workstation.empty()) {
    std::string text;
    if (!ReadFile(options.workstation, text)) {
      std::fprintf(stderr, "quelmar-dryrun : poste de travail illisible : %s\n",
                   options.workstation.c_str());
      return kNotCompleted;
    }
    state = ParseWorkstation(text);
  }
  SimWorkstation workstation(std::move(state));
  RehearsalFiles files(*nativeFiles, options);
  ConsoleUserInterface ui(stdout, stderr);
  Platform platform{*host, files, workstation, workstation, workstation, ui};
  int status = RunProgram(platform, kQuelmarVersion);
  std::fflush(stdout);
  if (!options.save.empty() &&
      !WriteFile(options.save, FormatWorkstation(workstation.state())))
    return kNotCompleted;
  return status;
}
