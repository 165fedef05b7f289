#include "app/journal.h"

#include <gtest/gtest.h>

#include "app/frm_quelmar.h"
#include "platform/fake/fakes.h"

namespace quelmar {
namespace {

const std::string kLog = "C:\\Logs\\quelmar.log";

std::string FailureText(const std::string& logFile) {
  return "L'écriture dans le fichier journal (" + logFile +
         ") a déclenché une erreur qui peut avoir plusieurs origines : \r\n"
         "\r\n"
         "   - emplacement/nom du fichier incorrect (utilisation de "
         "caractères non-autorisés, disque ou partage inexistant, etc.)\r\n"
         "   - pas de droits d'écriture à cet emplacement\r\n"
         "   - disque saturé ou défectueux\r\n"
         "\r\n"
         "La journalisation ne peut donc être effectuée...";
}

TEST(TimeStampTest, TwoDigitsAndFourDigitYear) {
  EXPECT_EQ(TimeStamp({2026, 3, 4, 5, 6, 7}), "04/03/2026 à 05:06:07");
  EXPECT_EQ(TimeStamp({999, 12, 31, 23, 59, 0}), "31/12/0999 à 23:59:00");
}

TEST(AppendToLogFileTest, OneWriteEndingWithALineBreak) {
  FakeFileSystem files;
  EXPECT_TRUE(AppendToLogFile(files, kLog, "a\r\nb"));
  ASSERT_EQ(files.appends.size(), 1u);
  EXPECT_EQ(files.appends[0].first, kLog);
  EXPECT_EQ(files.appends[0].second, "a\r\nb\r\n");
}

TEST(AppendToLogFileTest, EmptyPathOrRefusedWriteFails) {
  FakeFileSystem files;
  files.readOnly.insert(kLog);
  EXPECT_FALSE(AppendToLogFile(files, "", "x"));
  EXPECT_FALSE(AppendToLogFile(files, kLog, "x"));
  EXPECT_TRUE(files.appends.empty());
}

// The system would read the path up to the NUL and write elsewhere.
TEST(AppendToLogFileTest, PathWithAControlCharacterIsNeverWritten) {
  FakeFileSystem files;
  for (const std::string& path :
       {std::string("C:\\Logs\\q.log\0.txt", 18),
        std::string("C:\\Logs\\\x1Bq.log"), std::string("C:\\Logs\\q\x7F.log")})
    EXPECT_FALSE(AppendToLogFile(files, path, "x")) << path;
  EXPECT_TRUE(files.appends.empty());
}

struct Journal {
  FakePlatform fake;
  RunSettings settings;
  std::string traced;

  Journal(const std::string& mode, const std::string& modeLog) {
    settings.Mode = mode;
    settings.ModeLog = modeLog;
    settings.LogFile = kLog;
  }
  bool Write(const std::string& finalMessage) {
    return WriteJournal(settings, traced, finalMessage, fake.platform);
  }
  std::string File() { return fake.files.files[kLog]; }
};

TEST(WriteJournalTest, LevelSIsOneLinePerRun) {
  Journal journal("N", "S");
  EXPECT_TRUE(journal.Write("Premier."));
  journal.fake.host.now = {2026, 12, 25, 18, 0, 1};
  journal.fake.host.computerName = "POSTE-02";
  EXPECT_TRUE(journal.Write("Second."));
  EXPECT_EQ(journal.File(),
            "04/03/2026 à 05:06:07 sur PC01 : Premier.\r\n"
            "25/12/2026 à 18:00:01 sur POSTE-02 : Second.\r\n");
  EXPECT_EQ(journal.fake.files.appends.size(), 2u);
  EXPECT_TRUE(journal.fake.ui.boxes.empty());
}

TEST(WriteJournalTest, EmptyLevelWritesTheShortEntry) {
  Journal journal("N", "");
  EXPECT_TRUE(journal.Write("Fin."));
  EXPECT_EQ(journal.File(), "04/03/2026 à 05:06:07 sur PC01 : Fin.\r\n");
}

TEST(WriteJournalTest, LevelCIsTheWholeTrace) {
  Journal journal("M", "C");
  journal.traced =
      "Lot 1\r\n\r\nDéconnexion de \\\\s\\p...\r\n"
      "   -> OK.";
  EXPECT_TRUE(journal.Write("Fin."));
  const std::string entry =
      "--- Traitement du 04/03/2026 à 05:06:07 sur PC01 ---\r\n"
      "Lot 1\r\n\r\nDéconnexion de \\\\s\\p...\r\n   -> OK.\r\n"
      "Fin.\r\n";
  EXPECT_EQ(journal.File(), entry + "\r\n");
}

// Two entries of level C are separated by one empty line; an entry of a
// run that traced nothing still has its empty line after the header.
TEST(WriteJournalTest, LevelCEntriesFollowEachOther) {
  Journal journal("N", "C");
  EXPECT_TRUE(journal.Write("Un."));
  journal.traced = "x";
  EXPECT_TRUE(journal.Write("Deux."));
  EXPECT_EQ(journal.File(),
            "--- Traitement du 04/03/2026 à 05:06:07 sur PC01 ---\r\n"
            "\r\nUn.\r\n\r\n"
            "--- Traitement du 04/03/2026 à 05:06:07 sur PC01 ---\r\n"
            "x\r\nDeux.\r\n\r\n");
}

TEST(WriteJournalTest, LevelAWritesNothing) {
  Journal journal("N", "A");
  EXPECT_TRUE(journal.Write("Fin."));
  EXPECT_TRUE(journal.fake.files.appends.empty());
  EXPECT_TRUE(journal.fake.ui.boxes.empty());
}

struct FailureCase {
  std::string mode;
  std::string logFile;
  bool readOnly;
  bool boxShown;
};

// Shows the case, not its bytes, when a test fails.
void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.mode + " (" + c.logFile + ")");
}

class JournalFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(JournalFailureTest, ReportedUnlessModeM) {
  const FailureCase& c = GetParam();
  for (const std::string modeLog : {"S", "C"}) {
    Journal journal(c.mode, modeLog);
    journal.settings.LogFile = c.logFile;
    if (c.readOnly) journal.fake.files.readOnly.insert(c.logFile);
    EXPECT_FALSE(journal.Write("Fin."));
    EXPECT_TRUE(journal.fake.files.appends.empty());
    if (!c.boxShown) {
      EXPECT_TRUE(journal.fake.ui.boxes.empty());
      continue;
    }
    ASSERT_EQ(journal.fake.ui.boxes.size(), 1u);
    const RecordedBox& box = journal.fake.ui.boxes[0];
    EXPECT_EQ(box.text, FailureText(c.logFile));
    EXPECT_EQ(box.title, "Erreur");
    EXPECT_EQ(box.icon, BoxIcon::kExclamation);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, JournalFailureTest,
                         testing::Values(FailureCase{"N", "", false, true},
                                         FailureCase{"D", "", false, true},
                                         FailureCase{"", "", false, true},
                                         FailureCase{"M", "", false, false},
                                         FailureCase{"N", kLog, true, true},
                                         FailureCase{"D", kLog, true, true},
                                         FailureCase{"M", kLog, true, false}));

// A read-only journal in a whole run: one failure box at the end, then the
// run's own closing as usual.
TEST(JournalInARunTest, ReadOnlyJournalThenTheClosing) {
  for (const std::string mode : {"N", "D"}) {
    FakePlatform fake;
    fake.files.readOnly.insert("C:\\Prog\\q.log");
    const int status = fake.RunScript("[Config]\r\nMode=" + mode +
                                      "\r\nModeLog=S\r\nLog=q.log\r\n"
                                      "[actions]\r\n=\r\n");
    EXPECT_EQ(status, kCompletedWithErrors);
    const std::string finalMessage =
        "Traitement terminé : 1 opération à effectuer, 0 imp. traitée avec "
        "succès.";
    if (mode == "N") {
      ASSERT_EQ(fake.ui.boxes.size(), 1u);
      EXPECT_TRUE(fake.ui.window.text.ends_with("\r\n\r\n" + finalMessage));
    } else {
      ASSERT_EQ(fake.ui.boxes.size(), 2u);
      EXPECT_EQ(fake.ui.boxes[1].text, finalMessage);
    }
    EXPECT_EQ(fake.ui.boxes[0].text, FailureText("C:\\Prog\\q.log"));
  }
}

// At level C in a visible run, the journal holds the trace up to the
// journal step, LogInfos first; the closing line reaches only the window.
TEST(JournalInARunTest, LevelCHoldsTheTraceOfTheRun) {
  FakePlatform fake;
  WorkstationState state;
  state.printers = {"\\\\s\\p"};
  fake.workstation = SimWorkstation(state);
  fake.RunScript(
      "[Config]\r\nMode=N\r\nModeLog=C\r\nLog=q.log\r\n"
      "LogInfos=Lot 1§Site A\r\n[actions]\r\n-\\\\s\\p\r\n");
  const std::string finalMessage =
      "Traitement terminé : 1 opération à effectuer, 1 imp. traitée avec "
      "succès.";
  const std::string trace =
      "Lot 1\r\nSite A\r\n\r\nDéconnexion de \\\\s\\p...\r\n   -> OK.";
  EXPECT_EQ(fake.files.files["C:\\Prog\\q.log"],
            "--- Traitement du 04/03/2026 à 05:06:07 sur PC01 ---\r\n" + trace +
                "\r\n" + finalMessage + "\r\n\r\n");
  EXPECT_EQ(fake.ui.window.text, trace + "\r\n\r\n" + finalMessage);
}

}  // namespace
}  // namespace quelmar
