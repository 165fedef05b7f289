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

#include "report/fleet.h"
#include "report/journal_reader.h"
#include "report/report_writers.h"

namespace {

using namespace quelmar;

constexpr char kUsage[] =
    "usage : quelmar-report [--csv] [--html FICHIER] [--since DATE] "
    "[--workstation MOTIF] JOURNAL...\n"
    "  --csv                une ligne par poste, en CSV, sur la sortie\n"
    "  --html FICHIER       une page HTML autonome, avec ses graphiques\n"
    "  --since DATE         les passages depuis DATE (AAAA-MM-JJ ou "
    "\"AAAA-MM-JJ HH:MM:SS\")\n"
    "  --workstation MOTIF  les postes dont le nom correspond au motif (* ? # "
    "[...]), sans égard à la casse\n";

struct Options {
  bool csv = false;
  std::string html;
  ReportFilter filter;
  std::vector<std::string> journals;
};

// A one-line message on standard error; false for the caller to return.
bool Refuse(const std::string& text) {
  std::fprintf(stderr, "quelmar-report : %s\n", text.c_str());
  return false;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  int i = 1;
  for (; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--csv") {
      options.csv = true;
    } else if (option == "--html" && hasValue) {
      options.html = argv[++i];
    } else if (option == "--workstation" && hasValue) {
      options.filter.workstationPattern = argv[++i];
    } else if (option == "--since" && hasValue) {
      JournalTime since;
      if (!ParseIsoTime(argv[++i], since))
        return Refuse(std::string("date invalide : ") + argv[i] +
                      " (AAAA-MM-JJ ou \"AAAA-MM-JJ HH:MM:SS\")");
      options.filter.since = since;
    } else if (option == "--") {
      ++i;
      break;
    } else if (option.size() > 1 && option[0] == '-') {
      return Refuse("option inconnue ou sans valeur : " + option +
                    " (voir --help)");
    } else {
      break;
    }
  }
  options.journals.assign(argv + i, argv + argc);
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
  if (options.journals.empty()) {
    std::fputs(kUsage, stderr);
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
