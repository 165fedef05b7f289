// quelmar-dryrun [--workstation FILE] [--save OUT] [SCRIPT ARGUMENT TEXT]
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

struct Options {
  std::string workstation;
  std::string save;
  std::vector<std::string> arguments;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  int i = 1;
  for (; i < argc; ++i) {
    std::string option = argv[i];
    if ((option == "--workstation" || option == "--save") && i + 1 < argc) {
      (option == "--save" ? options.save : options.workstation) = argv[++i];
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
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage : quelmar-dryrun [--workstation FICHIER] [--save "
                 "SORTIE] [SCRIPT]\n");
    return kNotCompleted;
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
  ConsoleUserInterface ui(stdout, stderr);
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
