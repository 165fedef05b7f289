#include "report/fleet.h"

#include <gtest/gtest.h>

#include "report/report_writers.h"

namespace quelmar {
namespace {

JournalEntry Entry(const std::string& name, int day, int migrationErrors = 0,
                   std::vector<Failure> failures = {}) {
  JournalEntry e;
  e.workstation = name;
  e.time = {2026, 12, day, 8, 0, 0};
  e.counts = {2, 2 - migrationErrors, 0, migrationErrors, 0};
  e.level = failures.empty() ? 'S' : 'C';
  e.failures = std::move(failures);
  return e;
}

JournalEntry Cut(const std::string& name, int day) {
  JournalEntry e = Entry(name, day);
  e.level = 'C';
  e.completed = false;
  return e;
}

std::vector<std::string> Names(const Fleet& fleet) {
  std::vector<std::string> names;
  for (const WorkstationRun* run : fleet.Workstations())
    names.push_back(run->last.workstation + "@" +
                    std::to_string(run->last.time.day));
  return names;
}

TEST(FleetTest, LastRunByTimeStampThenByOrderAndNameCase) {
  Fleet fleet({});
  fleet.OnEntry(Entry("B", 9));
  fleet.OnEntry(Entry("a", 5, 1));
  fleet.OnEntry(Entry("B", 8));  // older, read later: ignored
  fleet.OnEntry(Entry("A", 5));  // same second, read later: wins
  fleet.OnEntry(Entry("Poste", 3));
  EXPECT_EQ(Names(fleet), (std::vector<std::string>{"A@5", "B@9", "Poste@3"}));
  FleetSummary s = fleet.Summary();
  EXPECT_EQ(s.workstations, 3);
  EXPECT_EQ(s.clean, 3);
  EXPECT_EQ(fleet.figures().entriesS, 5);
}

TEST(FleetTest, SinceAndPatternNarrowTheFleet) {
  ReportFilter filter;
  filter.since = JournalTime{2026, 12, 6, 0, 0, 0};
  filter.workstationPattern = "poste-#*";
  Fleet fleet(filter);
  fleet.OnEntry(Entry("POSTE-1", 5));  // before: left out
  fleet.OnEntry(Entry("POSTE-2", 6));
  fleet.OnEntry(Entry("poste-3a", 7));
  fleet.OnEntry(Entry("SERVEUR", 7));  // another name
  fleet.OnEntry(Entry("POSTE-X", 7));
  EXPECT_EQ(Names(fleet),
            (std::vector<std::string>{"POSTE-2@6", "poste-3a@7"}));
  EXPECT_EQ(fleet.figures().entriesS, 5);  // every entry was read
}

TEST(FleetTest, SummaryByExitClass) {
  Fleet fleet({});
  fleet.OnEntry(Entry("A", 1));
  fleet.OnEntry(Entry("B", 1, 1));
  fleet.OnEntry(Entry("C", 1));
  fleet.OnEntry(Cut("C", 2));
  fleet.OnEntry(Cut("D", 1));
  fleet.OnEntry(Entry("D", 2));
  FleetSummary s = fleet.Summary();
  EXPECT_EQ(s.workstations, 4);
  EXPECT_EQ(s.clean, 2);
  EXPECT_EQ(s.withErrors, 1);
  EXPECT_EQ(s.notCompleted, 1);
  EXPECT_EQ(fleet.figures().incompleteEntries, 2);
}

TEST(FleetTest, FailuresOfLastRunsByPrinterAndText) {
  Fleet fleet({});
  fleet.OnEntry(Entry("W1", 1, 1, {{"\\\\s\\Old", "Refusé."}}));
  fleet.OnEntry(Entry(
      "W1", 2, 2, {{"\\\\s\\Laser", "Refusé."}, {"\\\\S\\LASER", "Absent."}}));
  fleet.OnEntry(Entry("W2", 1, 1, {{"\\\\S\\laser", "Refusé."}}));
  fleet.OnEntry(Entry("W3", 1, 1, {{"\\\\s\\Jet", "Absent."}}));
  std::vector<FailureGroup> printers = fleet.FailuresByPrinter();
  ASSERT_EQ(printers.size(), 2u);  // W1's older failure is gone
  EXPECT_EQ(printers[0].name, "\\\\s\\Laser");
  EXPECT_EQ(printers[0].failures, 3);
  EXPECT_EQ(printers[0].workstations, (std::vector<std::string>{"W1", "W2"}));
  EXPECT_EQ(printers[1].name, "\\\\s\\Jet");
  std::vector<FailureGroup> texts = fleet.FailuresByErrorText();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].failures, 2);
  EXPECT_EQ(texts[1].failures, 2);
  EXPECT_EQ(texts[0].name, "Absent.");  // a tie: by name
  EXPECT_EQ(texts[0].workstations, (std::vector<std::string>{"W1", "W3"}));
}

TEST(ReportWritersTest, CsvRowsQuotedAndIncompleteRunsWithoutCounts) {
  Fleet fleet({});
  fleet.OnEntry(Entry("PC \"7\", salle 2", 1, 1));
  fleet.OnEntry(Cut("Z", 2));
  EXPECT_EQ(CsvReport(fleet),
            std::string(kCsvHeader) +
                "\n"
                "\"PC \"\"7\"\", salle 2\",2026-12-01 08:00:00,2,1,0,1,0,1\n"
                "Z,2026-12-02 08:00:00,,,,,,2\n");
  EXPECT_EQ(std::string(kCsvHeader),
            "workstation,last_run,operations,succeeded,skipped,"
            "migration_errors,script_errors,exit_class");
}

TEST(ReportWritersTest, CsvNamesNeverReadAsFormulas) {
  Fleet fleet({});
  fleet.OnEntry(Entry("=HYPERLINK(\"http://x\",\"y\")", 1));
  fleet.OnEntry(Entry("@SUM(A1)", 1));
  fleet.OnEntry(Entry("-2+3", 1));
  const std::string csv = CsvReport(fleet);
  EXPECT_NE(csv.find("\n\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\","),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find("\n'@SUM(A1),"), std::string::npos);
  EXPECT_NE(csv.find("\n'-2+3,"), std::string::npos);
}

TEST(ReportWritersTest, TextReportCountsAndColumns) {
  Fleet fleet({});
  fleet.OnEntry(Entry("Été", 1, 1, {{"\\\\s\\P", "Refusé."}}));
  fleet.OnEntry(Entry("B", 1));
  fleet.OnUnreadableLine(4);
  const std::string text = TextReport(fleet);
  EXPECT_NE(text.find("Journaux : 2 entrées lues (1 au niveau S, 1 au niveau "
                      "C), 1 ligne illisible, 0 entrée incomplète."),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Parc : 2 postes ; 1 sans erreur, 1 avec erreurs, 0 "
                      "non terminé."),
            std::string::npos);
  // Accented names take one column per letter.
  EXPECT_NE(text.find("\nB      2026-12-01 08:00:00"), std::string::npos);
  EXPECT_NE(text.find("\nÉté    2026-12-01 08:00:00"), std::string::npos);
  EXPECT_NE(text.find("\\\\s\\P : 1 échec ; Été\n"), std::string::npos);
}

TEST(ReportWritersTest, HtmlStandsAloneAndEscapesJournalText) {
  Fleet fleet({});
  fleet.OnEntry(Entry("<script>alert(1)</script>", 1, 1,
                      {{"\\\\s\\<img onerror=x>", "a & b"}}));
  const std::string html = HtmlReport(fleet);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_EQ(html.find("<img"), std::string::npos);
  EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"),
            std::string::npos);
  EXPECT_NE(html.find("a &amp; b"), std::string::npos);
  for (const char* external : {"src=", "href=", "url(", "@import", "<link"})
    EXPECT_EQ(html.find(external), std::string::npos) << external;
  EXPECT_NE(html.find("<svg"), std::string::npos);
}

TEST(ReportWritersTest, HtmlChartCutsLongNamesBetweenCharacters) {
  Fleet fleet({});
  const std::string name = "\\\\srv\\" + std::string(20, 'a') + "ééééé";
  fleet.OnEntry(Entry("W", 1, 1, {{name, "x"}}));
  const std::string html = HtmlReport(fleet);
  // 27 bytes would end inside the first "é": the cut comes before it.
  EXPECT_NE(html.find(">\\\\srv\\" + std::string(20, 'a') + "...<"),
            std::string::npos);
}

}  // namespace
}  // namespace quelmar
