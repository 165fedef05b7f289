#include "app/frm_quelmar.h"

#include <gtest/gtest.h>

#include "app/journal.h"
#include "platform/fake/fakes.h"

namespace quelmar {
namespace {

const std::string kNoValidInstruction =
    "Le fichier à traiter ne possédait pas de section [actions] ou celle-ci "
    "ne contenait aucune instruction valide à exécuter...";
const std::string kW5 =
    "Le nom du fichier log n'a pas été spécifié dans le fichier script, la "
    "journalisation n'aura pas lieu malgré la valeur de l'entrée ModeLog...";
const std::string kLog = "C:\\Prog\\q.log";

std::string ErrorBoxText(int number, const std::string& description) {
  return "Une erreur est survenue lors du traitement...\r\n\r\n\tErreur " +
         std::to_string(number) + " : " + description;
}

// A fake platform whose workstation has these printers and shares.
struct WholeRun {
  FakePlatform fake;
  int status = -1;

  explicit WholeRun(std::vector<std::string> printers = {},
                    std::vector<std::string> shares = {}) {
    WorkstationState state;
    state.printers = std::move(printers);
    state.shares = std::move(shares);
    fake.workstation = SimWorkstation(state);
  }
  WholeRun& Script(const std::string& script) {
    status = fake.RunScript(script);
    return *this;
  }
  const RecordingWindow& window() const { return fake.ui.window; }
  const std::vector<RecordedBox>& boxes() const { return fake.ui.boxes; }
  const std::vector<std::string>& printers() const {
    return fake.workstation.state().printers;
  }
};

TEST(ModeNTest, WindowAtTheEnd) {
  WholeRun run({"\\\\s\\p"});
  run.Script("[Config]\r\nMode=N\r\n[actions]\r\n-\\\\s\\p\r\n");
  const RecordingWindow& window = run.window();
  EXPECT_EQ(window.caption, "Quelmar v1.0.6");
  EXPECT_TRUE(window.shown);
  EXPECT_TRUE(window.okEnabled);
  EXPECT_TRUE(window.okFocused);
  EXPECT_EQ(window.runs, 1);
  EXPECT_EQ(window.text,
            "Déconnexion de \\\\s\\p...\r\n   -> OK.\r\n\r\n"
            "Traitement terminé : 1 opération à effectuer, 1 imp. traitée "
            "avec succès.");
  ASSERT_FALSE(run.fake.ui.pointer.empty());
  EXPECT_TRUE(run.fake.ui.pointer.front());
  EXPECT_FALSE(run.fake.ui.pointer.back());
  EXPECT_TRUE(run.boxes().empty());
  EXPECT_EQ(run.status, kCompleted);
}

TEST(ModeDTest, InformationBoxTitledWithTheCaption) {
  WholeRun run;
  run.Script("[Config]\r\nMode=d\r\n[actions]\r\n");
  ASSERT_EQ(run.boxes().size(), 1u);
  EXPECT_EQ(run.boxes()[0].text, kNoValidInstruction);
  EXPECT_EQ(run.boxes()[0].title, "Quelmar v1.0.6");
  EXPECT_EQ(run.boxes()[0].icon, BoxIcon::kInformation);
  EXPECT_FALSE(run.window().shown);
  EXPECT_EQ(run.window().runs, 0);
  EXPECT_EQ(run.window().text, "");
  EXPECT_FALSE(run.fake.ui.pointer.back());
}

TEST(ModeMTest, SilentEvenWhenTheJournalFails) {
  WholeRun run;
  run.Script("[Config]\r\nMode=M\r\nModeLog=S\r\n[actions]\r\n=\r\n");
  // The start-up warning is shown in every mode; the failure is not.
  ASSERT_EQ(run.boxes().size(), 1u);
  EXPECT_EQ(run.boxes()[0].text, kW5);
  EXPECT_FALSE(run.window().shown);
  EXPECT_EQ(run.window().text, "");
  EXPECT_EQ(run.status, kCompletedWithErrors);
}

TEST(EmptyModeTest, ReportsTheJournalFailureOnly) {
  WholeRun run;
  run.Script("[Config]\r\nMode=\r\nModeLog=C\r\n[actions]\r\n=\r\n");
  ASSERT_EQ(run.boxes().size(), 2u);
  EXPECT_EQ(run.boxes()[0].text, kW5);
  EXPECT_EQ(run.boxes()[1].text, JournalFailureMessage(""));
  EXPECT_FALSE(run.window().shown);
  EXPECT_EQ(run.window().runs, 0);
  EXPECT_EQ(run.status, kCompletedWithErrors);
}

// An error in mode "D": the error box, then the window with an enabled OK
// and an empty trace; no information box.
TEST(RunErrorTest, ModeDKeepsTheWindow) {
  WholeRun run;
  run.Script("[Config]\r\nMode=D\r\nModeLog=S\r\nLog=%TEMP\r\n[actions]\r\n");
  ASSERT_EQ(run.boxes().size(), 1u);
  EXPECT_EQ(run.boxes()[0].text,
            ErrorBoxText(5, "Appel de procédure ou argument incorrect"));
  EXPECT_EQ(run.boxes()[0].title, "Erreur");
  EXPECT_EQ(run.boxes()[0].icon, BoxIcon::kExclamation);
  EXPECT_EQ(run.window().runs, 1);
  EXPECT_TRUE(run.window().okEnabled);
  EXPECT_EQ(run.window().text, "");
  EXPECT_FALSE(run.fake.ui.pointer.back());
  EXPECT_EQ(run.status, kNotCompleted);
}

// Line numbers are 16-bit: a section holds lines 0 to 32,766.
std::string Section(const std::string& config, size_t lines,
                    const std::string& first, const std::string& middle,
                    const std::string& last) {
  std::string script = config + "[actions]" + first;
  for (size_t i = 1; i + 1 < lines; ++i) script += "\r\n" + middle;
  return script + "\r\n" + last;
}

TEST(LongSectionTest, LastPossibleLineRuns) {
  WholeRun run({"\\\\s\\p"});
  run.Script(Section("[Config]\r\nMode=M\r\n", 32767, "", "", "-\\\\s\\p"));
  EXPECT_TRUE(run.printers().empty());
  EXPECT_TRUE(run.boxes().empty());
  EXPECT_EQ(run.status, kCompleted);
}

// One line too many: error 6 before any printer is touched; the window
// stays with OK disabled, as the start-up left it.
TEST(LongSectionTest, OneLineMoreIsOverflowBeforeAnyPrinter) {
  WholeRun run({"\\\\s\\p"});
  run.Script(Section("[Config]\r\nModeLog=S\r\nLog=q.log\r\n", 32768,
                     "-\\\\s\\p", "-\\\\s\\p", "-\\\\s\\p"));
  ASSERT_EQ(run.boxes().size(), 1u);
  EXPECT_EQ(run.boxes()[0].text, ErrorBoxText(6, "Dépassement de capacité"));
  EXPECT_TRUE(run.fake.workstation.calls().empty());
  EXPECT_EQ(run.printers(), std::vector<std::string>{"\\\\s\\p"});
  EXPECT_TRUE(run.fake.files.appends.empty());
  EXPECT_EQ(run.window().text, "");
  EXPECT_FALSE(run.window().okEnabled);
  EXPECT_EQ(run.window().runs, 1);
  EXPECT_EQ(run.status, kNotCompleted);
}

// A rejected Mode counts one script error; with every line of the longest
// section rejected as well, the 16-bit count passes 32,767.
TEST(CounterOverflowTest, ScriptErrorsPastTheLimit) {
  WholeRun run;
  run.Script(Section("[Config]\r\nMode=X\r\nModeLog=S\r\nLog=q.log\r\n", 32767,
                     "?", "?", "?"));
  ASSERT_EQ(run.boxes().size(), 2u);
  EXPECT_EQ(run.boxes()[1].text, ErrorBoxText(6, "Dépassement de capacité"));
  EXPECT_TRUE(run.fake.files.appends.empty());
  EXPECT_EQ(run.status, kNotCompleted);
}

TEST(CounterOverflowTest, ScriptErrorsUpToTheLimit) {
  WholeRun run;
  run.Script(Section("[Config]\r\nMode=X\r\nModeLog=S\r\nLog=q.log\r\n", 32767,
                     "=", "?", "?"));
  EXPECT_EQ(run.status, kCompletedWithErrors);
  EXPECT_TRUE(run.window().text.ends_with(
      "Traitement terminé : 1 opération à effectuer, 0 imp. traitée avec "
      "succès, 32767 erreurs de script."));
}

struct StatusCase {
  std::string name;
  std::string script;
  int status;
};

// Shows the case, not its bytes, when a test fails.
void PrintTo(const StatusCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.name);
}

class ExitStatusTest : public testing::TestWithParam<StatusCase> {};

TEST_P(ExitStatusTest, Status) {
  WholeRun run({"\\\\s\\p"}, {"\\\\s\\q"});
  EXPECT_EQ(run.Script(GetParam().script).status, GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ExitStatusTest,
    testing::Values(
        StatusCase{"Clean", "[actions]\r\n-\\\\s\\p\r\n+\\\\s\\q\r\n", 0},
        StatusCase{"CleanWithJournal",
                   "[Config]\r\nModeLog=S\r\nLog=q.log\r\n[actions]\r\n"
                   "-\\\\s\\p\r\n",
                   0},
        // A skipped printer is no failure.
        StatusCase{"Skipped", "[actions]\r\n+\\\\s\\p\r\n", 0},
        StatusCase{"NoValidLine", "", 0},
        StatusCase{"MigrationError", "[actions]\r\n+\\\\s\\absente\r\n", 1},
        StatusCase{"RejectedLine", "[actions]\r\n-\\\\s\\p\r\n?\r\n", 1},
        StatusCase{"RejectedMode", "[Config]\r\nMode=X\r\n[actions]\r\n", 1},
        StatusCase{"JournalNotWritten", "[Config]\r\nModeLog=S\r\n", 1},
        StatusCase{"RunError", "[Config]\r\nLogInfos=%\r\n", 2}),
    [](const testing::TestParamInfo<StatusCase>& info) {
      return info.param.name;
    });

TEST(MissingScriptTest, IsNotCompleted) {
  FakePlatform fake;
  EXPECT_EQ(RunProgram(fake.platform, {1, 0, 6}), kNotCompleted);
}

// The same script in UTF-8 with and without its byte-order mark and in
// Windows-1252 gives the same accented names and the same "§".
TEST(ScriptEncodingTest, SameRunInEveryEncoding) {
  const std::string utf8 =
      "[Config]\r\nMode=M\r\nModeLog=C\r\nLog=q.log\r\n"
      "LogInfos=Début§Fin\r\n[actions]\r\n+\\\\srv\\Imprimante été\r\n";
  const std::string ansi =
      "[Config]\r\nMode=M\r\nModeLog=C\r\nLog=q.log\r\n"
      "LogInfos=D\xE9"
      "but\xA7"
      "Fin\r\n[actions]\r\n+\\\\srv\\Imprimante \xE9t\xE9\r\n";
  const std::string journal =
      "--- Traitement du 04/03/2026 à 05:06:07 sur PC01 ---\r\n"
      "Début\r\nFin\r\n\r\nConnexion de \\\\srv\\Imprimante été...\r\n"
      "   -> OK.\r\n"
      "Traitement terminé : 1 opération à effectuer, 1 imp. traitée avec "
      "succès.\r\n\r\n";
  for (const std::string& script : {utf8, "\xEF\xBB\xBF" + utf8, ansi}) {
    WholeRun run({}, {"\\\\SRV\\Imprimante ÉTÉ"});
    run.Script(script);
    EXPECT_EQ(run.fake.files.files[kLog], journal);
    EXPECT_EQ(run.printers(),
              std::vector<std::string>{"\\\\SRV\\Imprimante ÉTÉ"});
    EXPECT_FALSE(run.window().shown);
    EXPECT_EQ(run.status, kCompleted);
  }
}

TEST(ScriptLineEndTest, LineFeedsOnlyRunEveryLine) {
  WholeRun run({"\\\\s\\p"}, {"\\\\s\\q"});
  run.Script("[Config]\nMode=M\n[actions]\n-\\\\s\\p\n+\\\\s\\q\n");
  EXPECT_EQ(run.printers(), std::vector<std::string>{"\\\\s\\q"});
  EXPECT_FALSE(run.window().shown);
  EXPECT_EQ(run.status, kCompleted);
}

// The settings are read wherever the section stands; below the header its
// lines are action lines as well, and rejected as such.
TEST(ConfigAfterActionsTest, SettingsStillApply) {
  WholeRun run;
  run.Script("[actions]\r\n=\r\n[Config]\r\nMode=D\r\n");
  ASSERT_EQ(run.boxes().size(), 1u);
  EXPECT_EQ(run.boxes()[0].text,
            "Traitement terminé : 1 opération à effectuer, 0 imp. traitée "
            "avec succès, 2 erreurs de script.");
  EXPECT_FALSE(run.window().shown);
}

// A value longer than the reader's buffer is cut to 31,999 characters.
TEST(LongValueTest, LogPathIsCut) {
  WholeRun run;
  run.Script("[Config]\r\nMode=M\r\nModeLog=S\r\nLog=" +
             std::string(40000, 'j') + "\r\n[actions]\r\n");
  ASSERT_EQ(run.fake.files.appends.size(), 1u);
  EXPECT_EQ(run.fake.files.appends[0].first,
            "C:\\Prog\\" + std::string(31999, 'j'));
}

TEST(EmptyScriptTest, ZeroBytesHasNoValidInstruction) {
  WholeRun run;
  run.Script("");
  EXPECT_TRUE(run.window().shown);
  EXPECT_EQ(run.window().text, kNoValidInstruction);
  EXPECT_TRUE(run.boxes().empty());
}

}  // namespace
}  // namespace quelmar
