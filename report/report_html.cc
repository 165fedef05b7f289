#include <algorithm>

#include "report/report_writers.h"
#include "services/text_utils.h"

namespace quelmar {
namespace {

std::string Escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Num(int64_t n) { return DecimalText(n); }

constexpr char kStyle[] =
    "body{font-family:sans-serif;margin:24px;color:#222;background:#fff}"
    "h1{font-size:22px}h2{font-size:17px;margin-top:28px}"
    "table{border-collapse:collapse;font-size:13px}"
    "th,td{border:1px solid #ccc;padding:3px 8px;text-align:left}"
    "td.n{text-align:right}th{background:#eee}"
    ".c0{color:#1b7f3b}.c1{color:#b35c00}.c2{color:#b00020}"
    ".charts{display:flex;flex-wrap:wrap;gap:32px}"
    "svg text{font-family:sans-serif;font-size:12px}";

struct Bar {
  std::string label;
  int64_t value;
  std::string colour;
};

// Horizontal bars scaled to the largest value, each with its label and
// value.
std::string BarChart(const std::string& title, const std::vector<Bar>& bars) {
  constexpr int kLabel = 190, kBar = 260, kRow = 26;
  int64_t largest = 1;
  for (const Bar& bar : bars) largest = std::max(largest, bar.value);
  const int height =
      30 + kRow * static_cast<int>(std::max<size_t>(1, bars.size()));
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                    Num(kLabel + kBar + 60) + "\" height=\"" + Num(height) +
                    "\" role=\"img\"><title>" + Escape(title) +
                    "</title><text x=\"0\" y=\"16\" font-weight=\"bold\">" +
                    Escape(title) + "</text>";
  if (bars.empty()) svg += "<text x=\"0\" y=\"44\">aucun</text>";
  int y = 30;
  for (const Bar& bar : bars) {
    // A value above zero shows at least a sliver; zero shows no bar.
    const int64_t width =
        bar.value == 0 ? 0 : std::max<int64_t>(2, bar.value * kBar / largest);
    // Long names are cut at a character boundary to fit the label column.
    std::string label = bar.label;
    if (label.size() > 30) {
      size_t cut = 27;
      while (cut > 0 && (label[cut] & 0xC0) == 0x80) --cut;
      label = label.substr(0, cut) + "...";
    }
    svg +=
        "<text x=\"0\" y=\"" + Num(y + 14) + "\">" + Escape(label) + "</text>";
    if (width > 0)
      svg += "<rect x=\"" + Num(kLabel) + "\" y=\"" + Num(y + 2) +
             "\" width=\"" + Num(width) + "\" height=\"16\" fill=\"" +
             bar.colour + "\"/>";
    svg += "<text x=\"" + Num(kLabel + width + 6) + "\" y=\"" + Num(y + 14) +
           "\">" + Num(bar.value) + "</text>";
    y += kRow;
  }
  return svg + "</svg>";
}

std::string Cell(const std::string& text, bool number = false) {
  return std::string(number ? "<td class=\"n\">" : "<td>") + Escape(text) +
         "</td>";
}

std::string WorkstationTable(const Fleet& fleet) {
  std::string out =
      "<table><tr><th>Poste</th><th>Dernier passage</th><th>Opérations</th>"
      "<th>Succès</th><th>Évitées</th><th>Erreurs de migration</th>"
      "<th>Erreurs de script</th><th>Sortie</th></tr>";
  for (const WorkstationRun* run : fleet.Workstations()) {
    const JournalEntry& e = run->last;
    const int exitClass = ExitClass(e);
    out += "<tr class=\"c" + Num(exitClass) + "\">" + Cell(e.workstation) +
           Cell(e.time.Text());
    const RunCounts& c = e.counts;
    for (int value : {c.operations, c.succeeded, c.skipped, c.migrationErrors,
                      c.scriptErrors})
      out += Cell(e.completed ? Num(value) : "-", true);
    out += Cell(Num(exitClass), true) + "</tr>";
  }
  return out + "</table>";
}

std::string GroupTable(const std::vector<FailureGroup>& groups,
                       const std::string& what) {
  if (groups.empty()) return "<p>aucun échec</p>";
  std::string out =
      "<table><tr><th>" + what + "</th><th>Échecs</th><th>Postes</th></tr>";
  for (const FailureGroup& group : groups) {
    std::string names;
    for (const std::string& name : group.workstations)
      names += (names.empty() ? "" : ", ") + name;
    out += "<tr>" + Cell(group.name) + Cell(Num(group.failures), true) +
           Cell(names) + "</tr>";
  }
  return out + "</table>";
}

}  // namespace

std::string HtmlReport(const Fleet& fleet) {
  const ReadFigures& f = fleet.figures();
  const FleetSummary s = fleet.Summary();
  const std::vector<FailureGroup> printers = fleet.FailuresByPrinter();
  std::vector<Bar> outcomes{{"sans erreur", s.clean, "#2e9d57"},
                            {"avec erreurs", s.withErrors, "#e08a1e"},
                            {"non terminés", s.notCompleted, "#c62839"}};
  std::vector<Bar> worst;
  for (size_t k = 0; k < printers.size() && k < 10; ++k)
    worst.push_back({printers[k].name, printers[k].failures, "#4a6fb5"});
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"fr\"><head><meta charset=\"utf-8\">"
      "<title>Quelmar : état du parc</title><style>";
  out += kStyle;
  out +=
      "</style></head><body><h1>Quelmar : état du parc</h1><p>" +
      CountOf(s.workstations, "poste", "postes") + " : " + Num(s.clean) +
      " sans erreur, " + Num(s.withErrors) + " avec erreurs, " +
      Num(s.notCompleted) +
      (s.notCompleted > 1 ? " non terminés" : " non terminé") +
      ".<br>Journaux : " +
      CountOf(f.entriesS + f.entriesC, "entrée lue", "entrées lues") + " (" +
      Num(f.entriesS) + " au niveau S, " + Num(f.entriesC) + " au niveau C), " +
      CountOf(f.unreadableLines, "ligne illisible", "lignes illisibles") +
      ", " +
      CountOf(f.incompleteEntries, "entrée incomplète", "entrées incomplètes") +
      ".</p><div class=\"charts\">" +
      BarChart("Issue du dernier passage", outcomes) +
      BarChart("Imprimantes qui échouent le plus", worst) + "</div>";
  out += "<h2>Échecs par imprimante</h2>" + GroupTable(printers, "Imprimante");
  out += "<h2>Échecs par texte d'erreur</h2>" +
         GroupTable(fleet.FailuresByErrorText(), "Erreur");
  out += "<h2>Dernier passage de chaque poste</h2>" + WorkstationTable(fleet);
  return out + "</body></html>\n";
}

}  // namespace quelmar
