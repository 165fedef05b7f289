#include <algorithm>
#include <array>

#include "report/report_writers.h"
#include "services/text_utils.h"

namespace quelmar {
namespace {

// Characters, not bytes: the columns line up with accented names.
size_t Width(std::string_view text) {
  return std::count_if(text.begin(), text.end(),
                       [](char c) { return (c & 0xC0) != 0x80; });
}

std::string Pad(const std::string& text, size_t width, bool right) {
  std::string blanks(width > Width(text) ? width - Width(text) : 0, ' ');
  return right ? blanks + text : text + blanks;
}

constexpr size_t kColumns = 8;
using Row = std::array<std::string, kColumns>;

Row RowOf(const JournalEntry& entry) {
  Row row{entry.workstation, entry.time.Text()};
  for (size_t k = 2; k < 7; ++k) row[k] = "-";
  if (entry.completed) {
    const RunCounts& c = entry.counts;
    row[2] = DecimalText(c.operations);
    row[3] = DecimalText(c.succeeded);
    row[4] = DecimalText(c.skipped);
    row[5] = DecimalText(c.migrationErrors);
    row[6] = DecimalText(c.scriptErrors);
  }
  row[7] = DecimalText(ExitClass(entry));
  return row;
}

void AppendTable(const Fleet& fleet, std::string& out) {
  std::vector<Row> rows{{"Poste", "Dernier passage", "Opérations", "Succès",
                         "Évitées", "Erreurs migration", "Erreurs script",
                         "Sortie"}};
  for (const WorkstationRun* run : fleet.Workstations())
    rows.push_back(RowOf(run->last));
  std::array<size_t, kColumns> widths{};
  for (const Row& row : rows)
    for (size_t k = 0; k < kColumns; ++k)
      widths[k] = std::max(widths[k], Width(row[k]));
  for (const Row& row : rows) {
    std::string line;
    for (size_t k = 0; k < kColumns; ++k)
      line += (k ? "  " : "") + Pad(row[k], widths[k], k >= 2);
    out += line + "\n";
  }
}

void AppendGroups(const std::vector<FailureGroup>& groups,
                  const std::string& title, std::string& out) {
  out += "\n" + title + " :\n";
  if (groups.empty()) out += "aucun\n";
  for (const FailureGroup& group : groups) {
    std::string names;
    for (const std::string& name : group.workstations)
      names += (names.empty() ? "" : ", ") + name;
    out += group.name + " : " + CountOf(group.failures, "échec", "échecs") +
           " ; " + names + "\n";
  }
}

}  // namespace

std::string CountOf(int64_t count, const std::string& singular,
                    const std::string& plural) {
  return DecimalText(count) + " " + (count > 1 ? plural : singular);
}

std::string TextReport(const Fleet& fleet) {
  const ReadFigures& f = fleet.figures();
  const FleetSummary s = fleet.Summary();
  std::string out =
      "Journaux : " +
      CountOf(f.entriesS + f.entriesC, "entrée lue", "entrées lues") + " (" +
      DecimalText(f.entriesS) + " au niveau S, " + DecimalText(f.entriesC) +
      " au niveau C), " +
      CountOf(f.unreadableLines, "ligne illisible", "lignes illisibles") +
      ", " +
      CountOf(f.incompleteEntries, "entrée incomplète", "entrées incomplètes") +
      ".\n";
  out += "Parc : " + CountOf(s.workstations, "poste", "postes") + " ; " +
         DecimalText(s.clean) + " sans erreur, " + DecimalText(s.withErrors) +
         " avec erreurs, " + DecimalText(s.notCompleted) +
         (s.notCompleted > 1 ? " non terminés" : " non terminé") + ".\n\n";
  out += "Dernier passage de chaque poste :\n";
  AppendTable(fleet, out);
  AppendGroups(fleet.FailuresByPrinter(),
               "Échecs par imprimante (derniers passages journalisés au "
               "niveau C)",
               out);
  AppendGroups(fleet.FailuresByErrorText(), "Échecs par texte d'erreur", out);
  return out;
}

}  // namespace quelmar
