#include "app/startup.h"

#include <gtest/gtest.h>

#include "app/frm_quelmar.h"
#include "platform/fake/fakes.h"

namespace quelmar {
namespace {

// The warnings as the user must read them, written out here so that a typo
// in the program's own copy shows.
const std::string kW1 =
    "L'utilisation des paramètres /d et /m n'est plus autorisée, veuillez "
    "désormais renseigner l'entrée 'Mode=' dans le fichier script...";
const std::string kW2 =
    "La valeur de l'entrée Mode du fichier script est erronée et ne sera pas "
    "prise en compte...";
const std::string kW3 =
    "La valeur de l'entrée ModeLog du fichier script est erronée et ne sera "
    "pas prise en compte...";
const std::string kW4 =
    "La valeur de l'entrée ModeLog du fichier script étant à la valeur "
    "'A(ucun)', la journalisation n'aura pas lieu malgré le fait qu'un nom de "
    "fichier log a été renseigné...";
const std::string kW5 =
    "Le nom du fichier log n'a pas été spécifié dans le fichier script, la "
    "journalisation n'aura pas lieu malgré la valeur de l'entrée ModeLog...";
const std::string kW6 =
    "La valeur de l'entrée ModeLog du fichier script étant à la valeur "
    "'A(ucun)', la journalisation n'aura pas lieu malgré la présence d'une "
    "valeur dans l'entrée LogInfos...";

std::vector<std::string> BoxTexts(const RecordingUserInterface& ui) {
  std::vector<std::string> texts;
  for (const RecordedBox& box : ui.boxes) texts.push_back(box.text);
  return texts;
}

void ExpectWarningsOnly(const RecordingUserInterface& ui) {
  for (const RecordedBox& box : ui.boxes) {
    EXPECT_EQ(box.title, "Attention");
    EXPECT_EQ(box.icon, BoxIcon::kExclamation);
  }
}

TEST(CaptionTest, RevisionOnlyWhenAboveZero) {
  EXPECT_EQ(Caption({1, 0, 6}), "Quelmar v1.0.6");
  EXPECT_EQ(Caption({1, 0, 0}), "Quelmar v1.0");
  EXPECT_EQ(Caption({2, 10, 12}), "Quelmar v2.10.12");
}

struct PathCase {
  std::string commandLine;
  std::string scriptPath;
  bool warned;
};

// Shows the case, not its bytes, when a test fails.
void PrintTo(const PathCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.commandLine);
}

class WindowsScriptPathTest : public testing::TestWithParam<PathCase> {};

TEST_P(WindowsScriptPathTest, Resolves) {
  const PathCase& c = GetParam();
  FakeHost host;
  RecordingUserInterface ui;
  RunCounters counters;
  counters.ScriptErrorCount.Set(3);
  CommandLine commandLine;
  commandLine.text = c.commandLine;
  EXPECT_EQ(ResolveScriptPath(commandLine, host, ui, counters), c.scriptPath);
  if (c.warned) {
    EXPECT_EQ(BoxTexts(ui), std::vector<std::string>{kW1});
    // Set to 1, not raised.
    EXPECT_EQ(counters.ScriptErrorCount.value(), 1);
  } else {
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(counters.ScriptErrorCount.value(), 3);
  }
  ExpectWarningsOnly(ui);
}

INSTANTIATE_TEST_SUITE_P(
    CharacterRule, WindowsScriptPathTest,
    testing::Values(PathCase{"", "C:\\Prog\\Quelmar.txt", false},
                    PathCase{"lot2.txt", "C:\\Prog\\lot2.txt", false},
                    PathCase{"..\\scripts\\lot2.txt", "..\\scripts\\lot2.txt",
                             false},
                    // One pair of quotes around the whole text goes.
                    PathCase{"\"C:\\a b\\s.txt\"", "C:\\a b\\s.txt", false},
                    PathCase{"\"\\\\srv\\netlogon\\mes scripts\\lot.txt\" ",
                             "\\\\srv\\netlogon\\mes scripts\\lot.txt", false},
                    PathCase{"\"lot 2.txt\"", "C:\\Prog\\lot 2.txt", false},
                    PathCase{"/m \"C:\\a b\\s.txt\"", "C:\\a b\\s.txt", true},
                    PathCase{"\"\"", "C:\\Prog\\Quelmar.txt", false},
                    // Only that pair: quotes inside stay.
                    PathCase{"\"C:\\a\" \"b\"", "C:\\a\" \"b", false},
                    // Quotes that do not enclose the whole text stay.
                    PathCase{"\"C:\\a b\\s.txt", "\"C:\\a b\\s.txt", false},
                    PathCase{"\"", "C:\\Prog\\\"", false},
                    // Not trimmed when no switch was found.
                    PathCase{" lot2.txt", "C:\\Prog\\ lot2.txt", false},
                    PathCase{"/d", "C:\\Prog\\Quelmar.txt", true},
                    PathCase{"/d /m", "C:\\Prog\\Quelmar.txt", true},
                    PathCase{" /m  D:\\s\\lot.txt /d ", "D:\\s\\lot.txt", true},
                    // Capitals warn and count but stay in the text.
                    PathCase{"/D", "C:\\Prog\\/D", true},
                    PathCase{"/M lot.txt", "C:\\Prog\\/M lot.txt", true},
                    // The switch is cut wherever it stands, inside a path too.
                    PathCase{"/mnt/dossier/script.txt",
                             "C:\\Prog\\ntossier/script.txt", true}));

struct ArgumentsCase {
  std::vector<std::string> arguments;
  std::string scriptPath;
  bool warned;
};

void PrintTo(const ArgumentsCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.arguments);
}

class LinuxScriptPathTest : public testing::TestWithParam<ArgumentsCase> {};

TEST_P(LinuxScriptPathTest, Resolves) {
  const ArgumentsCase& c = GetParam();
  FakeHost host;
  host.separator = '/';
  host.programFolder = "/opt/quelmar";
  RecordingUserInterface ui;
  RunCounters counters;
  CommandLine commandLine;
  commandLine.switchesAreWholeArguments = true;
  commandLine.arguments = c.arguments;
  for (const std::string& argument : c.arguments)
    commandLine.text += (commandLine.text.empty() ? "" : " ") + argument;
  EXPECT_EQ(ResolveScriptPath(commandLine, host, ui, counters), c.scriptPath);
  EXPECT_EQ(BoxTexts(ui), c.warned ? std::vector<std::string>{kW1}
                                   : std::vector<std::string>{});
  EXPECT_EQ(counters.ScriptErrorCount.value(), c.warned ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    WholeArgumentRule, LinuxScriptPathTest,
    testing::Values(
        ArgumentsCase{{}, "/opt/quelmar/Quelmar.txt", false},
        ArgumentsCase{
            {"/mnt/dossier/script.txt"}, "/mnt/dossier/script.txt", false},
        ArgumentsCase{{"/data/x.txt"}, "/data/x.txt", false},
        ArgumentsCase{{"lot.txt"}, "/opt/quelmar/lot.txt", false},
        ArgumentsCase{{"mon", "lot.txt"}, "/opt/quelmar/mon lot.txt", false},
        ArgumentsCase{{"/d"}, "/opt/quelmar/Quelmar.txt", true},
        ArgumentsCase{{"/m", "/mnt/dossier/script.txt", "/d"},
                      "/mnt/dossier/script.txt",
                      true},
        // Any case warns; only the exact switch is removed.
        ArgumentsCase{{"/D"}, "/D", true},
        ArgumentsCase{
            {"/d", "mon", "lot.txt"}, "/opt/quelmar/mon lot.txt", true}));

// The not-found stop, through a whole load: the box, and nothing after it.
struct NotFoundCase {
  std::string commandLine;
  std::string text;
};

void PrintTo(const NotFoundCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.commandLine);
}

class ScriptNotFoundTest : public testing::TestWithParam<NotFoundCase> {};

TEST_P(ScriptNotFoundTest, ShowsTheStopBoxAndEnds) {
  FakePlatform fake;
  fake.host.commandLine.text = GetParam().commandLine;
  EXPECT_EQ(RunProgram(fake.platform, {1, 0, 6}), kNotCompleted);
  ASSERT_FALSE(fake.ui.boxes.empty());
  const RecordedBox& box = fake.ui.boxes.back();
  EXPECT_EQ(box.text, GetParam().text);
  EXPECT_EQ(box.title, "Erreur");
  EXPECT_EQ(box.icon, BoxIcon::kCritical);
  EXPECT_FALSE(fake.ui.window.shown);
  EXPECT_EQ(fake.ui.pointer, std::vector<bool>{false});
  EXPECT_TRUE(fake.files.appends.empty());
  EXPECT_TRUE(fake.workstation.calls().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ScriptNotFoundTest,
    testing::Values(
        NotFoundCase{"",
                     "Le fichier script à traiter  n'a pas été trouvé : "
                     "opération abandonnée..."},
        NotFoundCase{"absent.txt",
                     "Le fichier script à traiter spécifié "
                     "(C:\\Prog\\absent.txt) n'a pas été trouvé : opération "
                     "abandonnée..."},
        // The command line was not empty before the switch went.
        NotFoundCase{"/d",
                     "Le fichier script à traiter spécifié "
                     "(C:\\Prog\\Quelmar.txt) n'a pas été trouvé : "
                     "opération abandonnée..."}));

TEST(ScriptNotFoundTest, SwitchWarningComesFirst) {
  FakePlatform fake;
  fake.host.commandLine.text = "/d";
  RunProgram(fake.platform, {1, 0, 6});
  ASSERT_EQ(fake.ui.boxes.size(), 2u);
  EXPECT_EQ(fake.ui.boxes[0].text, kW1);
}

struct SettingsRun {
  FakeHost host;
  RecordingUserInterface ui;
  RunSettings settings;
  RunCounters counters;

  explicit SettingsRun(const std::string& config) {
    host.environment["TEMP"] = "C:\\Temp";
    host.environment["SITE"] = "Lyon";
    const std::string script = "[Config]\r\n" + config + "\r\n[actions]\r\n";
    ReadRunSettings(ProfileText(script), host, ui, settings, counters);
  }
};

struct ModeCase {
  std::string config;
  std::string mode;
  std::string modeLog;
  std::vector<std::string> warnings;
  int scriptErrors;
};

void PrintTo(const ModeCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.config);
}

class ModeSettingTest : public testing::TestWithParam<ModeCase> {};

TEST_P(ModeSettingTest, AcceptsOrWarns) {
  const ModeCase& c = GetParam();
  SettingsRun run(c.config);
  EXPECT_EQ(run.settings.Mode, c.mode);
  EXPECT_EQ(run.settings.ModeLog, c.modeLog);
  EXPECT_EQ(BoxTexts(run.ui), c.warnings);
  EXPECT_EQ(run.counters.ScriptErrorCount.value(), c.scriptErrors);
  ExpectWarningsOnly(run.ui);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ModeSettingTest,
    testing::Values(ModeCase{"", "N", "A", {}, 0},
                    ModeCase{"Mode=d\r\nModeLog=c", "D", "C", {}, 0},
                    ModeCase{"mode=M\r\nmodelog=S", "M", "S", {}, 0},
                    // An empty value is accepted and stays empty.
                    ModeCase{"Mode=\r\nModeLog=", "", "", {}, 0},
                    ModeCase{"Mode=;M", "", "A", {}, 0},
                    ModeCase{"Mode=M ; silencieux", "M", "A", {}, 0},
                    ModeCase{"Mode=\tD\t\r\nModeLog=\tC", "D", "C", {}, 0},
                    ModeCase{"Mode=DM", "N", "A", {kW2}, 1},
                    ModeCase{"Mode=X", "N", "A", {kW2}, 1},
                    ModeCase{"Mode=é", "N", "A", {kW2}, 1},
                    // A rejected ModeLog does not count.
                    ModeCase{"ModeLog=SC", "N", "A", {kW3}, 0},
                    ModeCase{"ModeLog=N", "N", "A", {kW3}, 0},
                    ModeCase{"Mode=Z\r\nModeLog=Z", "N", "A", {kW2, kW3}, 1}));

struct ValueCase {
  std::string config;
  std::string logFile;
  std::string logInfos;
};

void PrintTo(const ValueCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.config);
}

class LogValueTest : public testing::TestWithParam<ValueCase> {};

TEST_P(LogValueTest, CleansAndExpands) {
  const ValueCase& c = GetParam();
  SettingsRun run(c.config);
  EXPECT_EQ(run.settings.LogFile, c.logFile);
  EXPECT_EQ(run.settings.LogInfos, c.logInfos);
}

INSTANTIATE_TEST_SUITE_P(
    Values, LogValueTest,
    testing::Values(
        ValueCase{"", "", ""},
        ValueCase{"Log=journal.log", "C:\\Prog\\journal.log", ""},
        ValueCase{"Log=jour\tnal.log ; commentaire", "C:\\Prog\\journal.log",
                  ""},
        ValueCase{"Log=\\\\srv\\logs\\q.log", "\\\\srv\\logs\\q.log", ""},
        ValueCase{"Log=logs\\q.log", "logs\\q.log", ""},
        ValueCase{"Log=%TEMP%\\q.log", "C:\\Temp\\q.log", ""},
        ValueCase{"Log=%TEMP%", "C:\\Temp", ""},
        // A missing variable vanishes with its two signs.
        ValueCase{"Log=%ABSENT%q.log", "C:\\Prog\\q.log", ""},
        ValueCase{"Log=%SITE%-%SITE%.log", "C:\\Prog\\Lyon-Lyon.log", ""},
        ValueCase{"LogInfos=Début§Fin", "", "Début\r\nFin"},
        ValueCase{"LogInfos=Site %SITE%§§fin", "", "Site Lyon\r\n\r\nfin"},
        ValueCase{"LogInfos= \tA B ;C", "", "A B"}));

TEST(ExpandEnvironmentReferencesTest, NeverSearchesAnInsertedValue) {
  FakeHost host;
  host.environment["PCT"] = "%";
  host.environment["B"] = "x";
  EXPECT_EQ(ExpandEnvironmentReferences("%PCT%%B%", host), "%x");
  EXPECT_EQ(ExpandEnvironmentReferences("a%PCT%b", host), "a%b");
  EXPECT_EQ(ExpandEnvironmentReferences("%%", host), "");
  EXPECT_EQ(ExpandEnvironmentReferences("sans", host), "sans");
}

// Positions are 16-bit character positions: a sign past position 32,767
// is an overflow, counted in characters, not bytes.
TEST(ExpandEnvironmentReferencesTest, SignsPastPosition32767Overflow) {
  FakeHost host;
  host.environment["X"] = "y";
  struct Case {
    size_t before;
    std::string filler;
    bool overflows;
  };
  for (const Case& c : {Case{32764, "a", false}, Case{32765, "a", true},
                        Case{32764, "é", false}, Case{32765, "é", true}}) {
    std::string text;
    for (size_t i = 0; i < c.before; ++i) text += c.filler;
    try {
      EXPECT_EQ(ExpandEnvironmentReferences(text + "%X%", host), text + "y");
      EXPECT_FALSE(c.overflows) << c.before << c.filler;
    } catch (const RunError& error) {
      EXPECT_TRUE(c.overflows) << c.before << c.filler;
      EXPECT_EQ(error.number(), 6);
    }
  }
}

TEST(ExpandEnvironmentReferencesTest, LoneSignIsErrorFive) {
  FakeHost host;
  for (const char* text : {"50%.log", "%B%x%", "%"}) {
    try {
      ExpandEnvironmentReferences(text, host);
      ADD_FAILURE() << text;
    } catch (const RunError& error) {
      EXPECT_EQ(error.number(), 5) << text;
    }
  }
}

class LoneSignRunTest : public testing::TestWithParam<std::string> {};

// The error handler reports it and nothing after the settings runs.
TEST_P(LoneSignRunTest, EndsThroughTheHandler) {
  FakePlatform fake;
  WorkstationState state;
  state.printers = {"\\\\s\\p"};
  fake.workstation = SimWorkstation(state);
  const int status = fake.RunScript("[Config]\r\nModeLog=S\r\n" + GetParam() +
                                    "\r\n[actions]\r\n-\\\\s\\p\r\n");
  EXPECT_EQ(status, kNotCompleted);
  ASSERT_EQ(fake.ui.boxes.size(), 1u);
  EXPECT_EQ(fake.ui.boxes[0].text,
            "Une erreur est survenue lors du traitement...\r\n\r\n\tErreur 5 : "
            "Appel de procédure ou argument incorrect");
  EXPECT_EQ(fake.ui.boxes[0].title, "Erreur");
  EXPECT_TRUE(fake.workstation.calls().empty());
  EXPECT_TRUE(fake.files.appends.empty());
  EXPECT_EQ(fake.ui.window.runs, 1);
}

INSTANTIATE_TEST_SUITE_P(Keys, LoneSignRunTest,
                         testing::Values("Log=50%.log",
                                         "Log=q.log\r\nLogInfos=100 %"));

struct CheckCase {
  std::string logFile;
  std::string modeLog;
  std::string logInfos;
  std::vector<std::string> warnings;
  std::string logFileAfter;
  std::string logInfosAfter;
};

void PrintTo(const CheckCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.logFile + "|" + c.modeLog + "|" + c.logInfos);
}

class CheckLogSettingsTest : public testing::TestWithParam<CheckCase> {};

TEST_P(CheckLogSettingsTest, FirstCaseThatAppliesOnly) {
  const CheckCase& c = GetParam();
  RunSettings settings;
  settings.LogFile = c.logFile;
  settings.ModeLog = c.modeLog;
  settings.LogInfos = c.logInfos;
  RecordingUserInterface ui;
  CheckLogSettings(settings, ui);
  EXPECT_EQ(BoxTexts(ui), c.warnings);
  EXPECT_EQ(settings.LogFile, c.logFileAfter);
  EXPECT_EQ(settings.LogInfos, c.logInfosAfter);
  ExpectWarningsOnly(ui);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckLogSettingsTest,
    testing::Values(CheckCase{"f", "A", "i", {kW4}, "", "i"},
                    CheckCase{"f", "A", "", {kW4}, "", ""},
                    CheckCase{"", "S", "i", {kW5}, "", "i"},
                    CheckCase{"", "C", "", {kW5}, "", ""},
                    CheckCase{"", "", "", {kW5}, "", ""},
                    CheckCase{"", "A", "i", {kW6}, "", ""},
                    CheckCase{"", "A", "", {}, "", ""},
                    CheckCase{"f", "S", "i", {}, "f", "i"},
                    CheckCase{"f", "", "i", {}, "f", "i"}));

TEST(StartupOrderTest, WarningsComeInOrderAndCount) {
  FakePlatform fake;
  fake.host.commandLine.text = "/m";
  fake.RunScript(
      "[Config]\r\nMode=X\r\nModeLog=Q\r\nLog=q.log\r\nLogInfos=i\r\n"
      "[actions]\r\n=\r\n");
  std::vector<std::string> texts = BoxTexts(fake.ui);
  EXPECT_EQ(texts, (std::vector<std::string>{kW1, kW2, kW3, kW4}));
  // Mode fell back to "N": the run ends in the window, with the two script
  // errors (the switch and Mode) counted.
  EXPECT_TRUE(fake.ui.window.shown);
  const std::string& trace = fake.ui.window.text;
  EXPECT_TRUE(trace.ends_with(
      "\r\n\r\nTraitement terminé : 1 opération à effectuer, 0 imp. traitée "
      "avec succès, 2 erreurs de script."))
      << trace;
}

}  // namespace
}  // namespace quelmar
