// quelmar-report [--csv] [--html FILE] [--since DATE] [--workstation PATTERN]
//                JOURNAL...
// Reads the journals of a fleet and reports the last run of every
// workstation, the fleet's summary and the failures by printer and by error
// text.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "quelmar_version.h"
#include "report/fleet.h"
#include "report/journal_reader.h"
#include "report/report_writers.h"

namespace {

using namespace quelmar;

constexpr char kUsage[] =
    "usage : quelmar-report [--csv] [--html FICHIER] [--since DATE] "
    "[--workstation MOTIF] [--] JOURNAL...\n"
    "        quelmar-report --help | --version\n"
    "\n"
    "Lit les journaux de Quelmar et donne, pour chaque poste, son dernier\n"
    "passage, l'état du parc, et les échecs par imprimante et par texte\n"
    "d'erreur.\n"
    "\n"
    "  --csv                une ligne par poste, en CSV, sur la sortie\n"
    "  --html FICHIER       une page HTML autonome, avec ses graphiques\n"
    "  --since DATE         les passages depuis DATE (AAAA-MM-JJ ou\n"
    "                       \"AAAA-MM-JJ HH:MM:SS\")\n"
    "  --workstation MOTIF  les postes dont le nom correspond au motif\n"
    "                       (* ? # [...]), sans égard à la casse\n"
    "  --help, --version    cette aide ; la version\n"
    "\n"
    "État de sortie : 0 ; 1 si un journal n'a pu être lu ou la page écrite ;\n"
    "2 pour une option invalide.\n"
    "\n"
    "Voir quelmar-report(1).\n";

struct Options {
  bool help = false;
  bool version = false;
  bool csv = false;
  std::string html;
  std::string since;
  ReportFilter filter;
  std::vector<std::string> journals;
};

// A one-line message on standard error; false for the caller to return.
bool Refuse(const std::string& text) {
  std::fprintf(stderr, "quelmar-report : %s\n", text.c_str());
  return false;
}

// The option that takes the value after it, or null.
std::string* ValueOf(const std::string& option, Options& options) {
  if (option == "--html") return &options.html;
  if (option == "--workstation") return &options.filter.workstationPattern;
  if (option == "--since") return &options.since;
  return nullptr;
}

// False, after a one-line error on standard error, for an unknown option,
// an option without its value or a date that is not one.
bool ParseOptions(int argc, char** argv, Options& options) {
  int i = 1;
  for (; i < argc; ++i) {
    const std::string option = argv[i];
    if (std::string* value = ValueOf(option, options)) {
      if (i + 1 == argc) return Refuse("valeur manquante après " + option);
      *value = argv[++i];
    } else if (option == "--csv") {
      options.csv = true;
    } else if (option == "--help" || option == "--version") {
      (option == "--help" ? options.help : options.version) = true;
    } else if (option == "--") {
      ++i;
      break;
    } else if (option.size() > 1 && option[0] == '-') {
      return Refuse("option inconnue : " + option +
                    " (voir quelmar-report --help)");
    } else {
      break;
    }
  }
  options.journals.assign(argv + i, argv + argc);
  if (!options.since.empty()) {
    JournalTime since;
    if (!ParseIsoTime(options.since, since))
      return Refuse("date invalide : " + options.since +
                    " (AAAA-MM-JJ ou \"AAAA-MM-JJ HH:MM:SS\")");
    options.filter.since = since;
  }
  return true;
}

// Reports where each unreadable line and each incomplete entry is, once,
// and hands everything on to the fleet.
class LocatingSink : public JournalSink {
 public:
  LocatingSink(Fleet& fleet, const std::string& path)
      : fleet_(fleet), path_(path) {}
  void OnEntry(const JournalEntry& entry) override {
    if (!entry.completed)
      Note(entry.line, "entrée sans phrase de clôture (passage non terminé)");
    fleet_.OnEntry(entry);
  }
  void OnUnreadableLine(size_t line) override {
    Note(line, "ligne illisible");
    fleet_.OnUnreadableLine(line);
  }

 private:
  void Note(size_t line, const char* what) {
    std::fprintf(stderr, "quelmar-report : %s, ligne %zu : %s\n", path_.c_str(),
                 line, what);
  }
  Fleet& fleet_;
  const std::string& path_;
};

// Reads the file in pieces: memory does not grow with its size.
bool ReadJournal(const std::string& path, Fleet& fleet) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error))
    return Refuse("journal illisible : " + path);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return Refuse("journal illisible : " + path);
  LocatingSink sink(fleet, path);
  JournalReader reader(sink);
  std::vector<char> buffer(1 << 20);
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), file)) > 0)
    reader.Feed(std::string_view(buffer.data(), n));
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  reader.Finish();
  return failed ? Refuse("lecture interrompue : " + path) : true;
}

bool IsOneOfTheJournals(const std::string& path, const Options& options) {
  for (const std::string& journal : options.journals) {
    std::error_code error;
    if (std::filesystem::equivalent(path, journal, error)) return true;
  }
  return false;
}

bool WriteAll(std::FILE* stream, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), stream) == text.size() &&
         std::fflush(stream) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;
  if (options.help || options.version) {
    if (options.help) {
      std::fputs(kUsage, stdout);
    } else {
      std::printf("quelmar-report %s\n", kQuelmarVersionText);
    }
    return std::fflush(stdout) == 0 ? 0 : 2;
  }
  if (options.journals.empty()) {
    Refuse("aucun journal à lire (voir quelmar-report --help)");
    return 2;
  }
  // The page must never take the place of a journal it reports on.
  if (!options.html.empty() && IsOneOfTheJournals(options.html, options)) {
    Refuse("la page HTML ne peut pas remplacer un journal : " + options.html);
    return 2;
  }
  Fleet fleet(options.filter);
  int status = 0;
  for (const std::string& journal : options.journals)
    if (!ReadJournal(journal, fleet)) status = 1;
  if (!options.html.empty()) {
    std::ofstream out(options.html, std::ios::binary | std::ios::trunc);
    out << HtmlReport(fleet);
    out.close();
    if (!out) {
      Refuse("écriture impossible : " + options.html);
      status = 1;
    }
  }
  if (!WriteAll(stdout, options.csv ? CsvReport(fleet) : TextReport(fleet)))
    status = 1;
  return status;
}
