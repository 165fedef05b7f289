#include "app/action_execution.h"

#include <gtest/gtest.h>

#include "app/action_section.h"
#include "platform/fake/fakes.h"
#include "services/text_utils.h"

namespace quelmar {
namespace {

using Lines = std::vector<std::string>;

const std::string kOk = "   -> OK.";
const std::string kNotInstalled =
    "   -> non effectué : l'imprimante n'est pas installée.";
const std::string kAlreadyInstalled =
    "   -> non effectué : l'imprimante est déjà installée.";
const std::string kMaybeMissing =
    "   -> erreur rencontrée : l'imprimante n'existe peut-être pas";
const std::string kHandOver =
    "L'imprimante désinstallée était celle définit par défaut, définir par "
    "défaut celle qui la remplace...";
const std::string kRestore =
    "Restauration de l'état d'imprimante par défaut...";
const std::string kReconnect = "Reconnexion de l'imprimante déconnectée...";

struct Outcome {
  int success = 0;
  int skipped = 0;
  int migrationErrors = 0;
};

// One visible run's execution on a simulated workstation.
struct Exec : FakeRun {
  explicit Exec(WorkstationState state) : FakeRun(std::move(state)) {}

  Lines TraceLines() const { return CrLfLines(window.text); }
  void ExpectCounters(Outcome outcome) const {
    EXPECT_EQ(counters.SuccessCount.value(), outcome.success);
    EXPECT_EQ(counters.SkippedCount.value(), outcome.skipped);
    EXPECT_EQ(counters.MigrationErrorCount.value(), outcome.migrationErrors);
  }
  bool Called(const std::string& call) const {
    for (const std::string& made : workstation.calls())
      if (made == call) return true;
    return false;
  }
  std::string Device() const { return workstation.state().device.value_or(""); }
};

// A workstation: installed printers, the default's device value, shares.
WorkstationState Station(std::vector<std::string> printers,
                         std::optional<std::string> device = std::nullopt,
                         std::vector<std::string> shares = {}) {
  WorkstationState state;
  state.printers = std::move(printers);
  state.device = std::move(device);
  state.shares = std::move(shares);
  return state;
}

void Fail(WorkstationState& state, const std::string& operation,
          const std::string& printer, int32_t error) {
  state.failures.push_back({operation, printer, error});
}

TEST(RunDisconnectTest, NotInstalledIsSkippedWithoutCall) {
  Exec exec(Station({"\\\\s\\autre"}));
  exec.execution.RunDisconnect("\\\\s\\p");
  EXPECT_EQ(exec.TraceLines(),
            (Lines{"Déconnexion de \\\\s\\p...", kNotInstalled}));
  exec.ExpectCounters({0, 1, 0});
  EXPECT_FALSE(exec.Called("disconnect \\\\s\\p"));
}

TEST(RunDisconnectTest, InstalledInAnotherCaseIsRemoved) {
  Exec exec(Station({"\\\\S\\P"}, "\\\\S\\P,winspool,Ne01:"));
  exec.execution.RunDisconnect("\\\\s\\p");
  EXPECT_EQ(exec.TraceLines(), (Lines{"Déconnexion de \\\\s\\p...", kOk}));
  exec.ExpectCounters({1, 0, 0});
  EXPECT_TRUE(exec.workstation.state().printers.empty());
  // The default printer is neither read nor set.
  EXPECT_FALSE(exec.Called("read"));
}

struct FailureCase {
  int32_t error;
  std::string text;
};

// Shows the case, not its bytes, when a test fails.
void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.error);
}

class DisconnectFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(DisconnectFailureTest, TracesTheSystemText) {
  WorkstationState state = Station({"\\\\s\\p"});
  Fail(state, "disconnect", "\\\\s\\p", GetParam().error);
  state.messages = {{4000, "Texte du poste. "}, {0, "L'opération a réussi."}};
  Exec exec(state);
  exec.execution.RunDisconnect("\\\\s\\p");
  EXPECT_EQ(exec.TraceLines(),
            (Lines{"Déconnexion de \\\\s\\p...",
                   "   -> erreur rencontrée : " + GetParam().text}));
  exec.ExpectCounters({0, 0, 1});
  EXPECT_EQ(exec.workstation.state().printers, Lines{"\\\\s\\p"});
}

INSTANTIATE_TEST_SUITE_P(
    Errors, DisconnectFailureTest,
    testing::Values(FailureCase{1722, "Le serveur RPC n'est pas disponible."},
                    FailureCase{4000, "Texte du poste."},
                    FailureCase{4242, "Erreur inconnue (4242)"},
                    FailureCase{0, "Erreur inconnue (0)"}));

TEST(RunConnectTest, Outcomes) {
  struct Case {
    std::vector<std::string> printers;
    std::string name;
    Lines outcome;
    Outcome counts;
  };
  const Case cases[] = {
      {{}, "\\\\srv\\Laser", {kOk}, {1, 0, 0}},
      {{"\\\\SRV\\laser"}, "\\\\srv\\Laser", {kAlreadyInstalled}, {0, 1, 0}},
      {{},
       "\\\\srv\\Absente",
       {"   -> erreur rencontrée : Le nom de l'imprimante n'est pas valide."},
       {0, 0, 1}},
      {{},
       "\\\\srv\\Bloquee",
       {"   -> erreur rencontrée : Accès refusé."},
       {0, 0, 1}},
  };
  for (const Case& c : cases) {
    WorkstationState state = Station(c.printers, std::nullopt,
                                     {"\\\\srv\\Laser", "\\\\srv\\Bloquee"});
    Fail(state, "connect", "\\\\srv\\Bloquee", 5);
    Exec exec(state);
    exec.execution.RunConnect(c.name);
    Lines expected{"Connexion de " + c.name + "..."};
    expected.insert(expected.end(), c.outcome.begin(), c.outcome.end());
    EXPECT_EQ(exec.TraceLines(), expected) << c.name;
    exec.ExpectCounters(c.counts);
  }
}

TEST(RunConnectTest, AlreadyInstalledMakesNoCall) {
  Exec exec(Station({"\\\\SRV\\laser"}, std::nullopt, {"\\\\srv\\Laser"}));
  exec.execution.RunConnect("\\\\srv\\Laser");
  EXPECT_FALSE(exec.Called("connect \\\\srv\\Laser"));
}

// The steps of a run whose spooler and default printer are the test's own
// (a simulated workstation that watches the calls).
struct RunThrough {
  RunThrough(Spooler& spooler, DefaultPrinterSetting& defaultPrinter,
             MessageTable& messages, RecordingUserInterface& ui)
      : platform{host, files, spooler, defaultPrinter, messages, ui} {}
  FakeHost host;
  FakeFileSystem files;
  Platform platform;
  RunSettings settings;
  RunContext run{platform, settings};
  ActionExecution execution{run};
};

// The simulated workstation, noting which kind of removal it was asked for.
class RemovalWatchingWorkstation : public SimWorkstation {
 public:
  using SimWorkstation::SimWorkstation;
  Lines removals;
  SpoolerResult DeletePrinterConnection(const std::string& name) override {
    removals.push_back("plain " + name);
    return SimWorkstation::DeletePrinterConnection(name);
  }
  SpoolerResult DeleteReplacedConnection(const std::string& name) override {
    removals.push_back("replaced " + name);
    return SimWorkstation::DeletePrinterConnection(name);
  }
};

// Only the removal of a replacement asks the spooler to keep what a
// rollback gives back (on CUPS, one request more per removal).
TEST(RunReplaceTest, OnlyTheReplacementsRemovalMayBeUndone) {
  RemovalWatchingWorkstation station(
      Station({"\\\\oldsrv\\Canon1", "\\\\oldsrv\\HP4050"}, std::nullopt,
              {"\\\\printsrv\\Canon1"}));
  RecordingUserInterface ui;
  RunThrough run(station, station, station, ui);
  run.execution.RunReplace("\\\\oldsrv\\Canon1", "\\\\printsrv\\Canon1");
  run.execution.RunDisconnect("\\\\oldsrv\\HP4050");
  EXPECT_EQ(station.removals,
            (Lines{"replaced \\\\oldsrv\\Canon1", "plain \\\\oldsrv\\HP4050"}));
}

TEST(RunReplaceTest, NotInstalledConnectsNothing) {
  Exec exec(Station({}, std::nullopt, {"\\\\new\\p"}));
  exec.execution.RunReplace("\\\\old\\p", "\\\\new\\p");
  EXPECT_EQ(exec.TraceLines(),
            (Lines{"Déconnexion de \\\\old\\p...", kNotInstalled}));
  exec.ExpectCounters({0, 1, 0});
  EXPECT_FALSE(exec.Called("connect \\\\new\\p"));
}

TEST(RunReplaceTest, FailedRemovalAttemptsNothingElse) {
  WorkstationState state =
      Station({"\\\\old\\p"}, std::nullopt, {"\\\\new\\p"});
  Fail(state, "disconnect", "\\\\old\\p", 5);
  Exec exec(state);
  exec.execution.RunReplace("\\\\old\\p", "\\\\new\\p");
  EXPECT_EQ(exec.TraceLines(),
            (Lines{"Déconnexion de \\\\old\\p...",
                   "   -> erreur rencontrée : Accès refusé."}));
  exec.ExpectCounters({0, 0, 1});
  EXPECT_FALSE(exec.Called("connect \\\\new\\p"));
}

TEST(RunReplaceTest, PlainReplacementLeavesTheDefaultAlone) {
  Exec exec(Station({"\\\\old\\p", "\\\\x\\d"},
                    "\\\\x\\d,winspool,Ne01:", {"\\\\new\\p"}));
  exec.execution.RunReplace("\\\\old\\p", "\\\\new\\p");
  EXPECT_EQ(exec.TraceLines(), (Lines{"Déconnexion de \\\\old\\p...", kOk,
                                      "Et reconnexion de \\\\new\\p...", kOk}));
  exec.ExpectCounters({1, 0, 0});
  EXPECT_EQ(exec.workstation.state().printers,
            (Lines{"\\\\x\\d", "\\\\new\\p"}));
  EXPECT_EQ(exec.Device(), "\\\\x\\d,winspool,Ne01:");
}

// The script spells the default printer in other letters than the system.
TEST(RunReplaceTest, HandsTheDefaultOverWhateverTheCase) {
  Exec exec(Station({"\\\\OldSrv\\Canon1"}, "\\\\OldSrv\\Canon1,winspool,Ne01:",
                    {"\\\\printsrv\\Canon1"}));
  exec.execution.RunReplace("\\\\oldsrv\\CANON1", "\\\\printsrv\\Canon1");
  EXPECT_EQ(exec.TraceLines(),
            (Lines{"Déconnexion de \\\\oldsrv\\CANON1...", kOk,
                   "Et reconnexion de \\\\printsrv\\Canon1...", kOk, kHandOver,
                   kOk}));
  exec.ExpectCounters({1, 0, 0});
  EXPECT_EQ(exec.Device(), "\\\\printsrv\\Canon1,,");
}

TEST(RunReplaceTest, DefaultThatCannotBeHandedOverIsStillASuccess) {
  WorkstationState state =
      Station({"\\\\old\\p"}, "\\\\old\\p,winspool,Ne01:", {"\\\\new\\p"});
  Fail(state, "setdefault", "\\\\new\\p", 0);
  Exec exec(state);
  exec.execution.RunReplace("\\\\old\\p", "\\\\new\\p");
  EXPECT_EQ(exec.TraceLines(), (Lines{"Déconnexion de \\\\old\\p...", kOk,
                                      "Et reconnexion de \\\\new\\p...", kOk,
                                      kHandOver, kMaybeMissing}));
  exec.ExpectCounters({1, 0, 0});
  EXPECT_EQ(exec.workstation.state().printers, Lines{"\\\\new\\p"});
}

struct RollBackCase {
  std::string name;
  bool wasDefault;
  bool oldCanReconnect;
  bool restoreFails;
  Lines tail;  // the lines after "Reconnexion de l'imprimante déconnectée..."
};

void PrintTo(const RollBackCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.name);
}

class RollBackTest : public testing::TestWithParam<RollBackCase> {};

// A replacement that cannot be connected: the old printer comes back (and
// the default with it), and the line counts one migration error whatever
// the roll-back gives.
TEST_P(RollBackTest, OneMigrationErrorAndNoSuccess) {
  const RollBackCase& c = GetParam();
  WorkstationState state = Station({"\\\\oldsrv\\Canon1"});
  if (c.wasDefault) state.device = "\\\\oldsrv\\Canon1,winspool,Ne01:";
  if (c.oldCanReconnect) state.shares.push_back("\\\\oldsrv\\Canon1");
  if (c.restoreFails) Fail(state, "setdefault", "\\\\oldsrv\\Canon1", 0);
  Fail(state, "connect", "\\\\printsrv\\Canon1", 5);
  Exec exec(state);
  exec.execution.RunReplace("\\\\oldsrv\\Canon1", "\\\\printsrv\\Canon1");
  Lines expected{"Déconnexion de \\\\oldsrv\\Canon1...", kOk,
                 "Et reconnexion de \\\\printsrv\\Canon1...",
                 "   -> erreur rencontrée : Accès refusé.", kReconnect};
  expected.insert(expected.end(), c.tail.begin(), c.tail.end());
  EXPECT_EQ(exec.TraceLines(), expected);
  exec.ExpectCounters({0, 0, 1});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RollBackTest,
    testing::Values(
        RollBackCase{
            "DefaultRestored", true, true, false, {kOk, kRestore, kOk}},
        RollBackCase{
            "RestoreFails", true, true, true, {kOk, kRestore, kMaybeMissing}},
        RollBackCase{"NotDefault", false, true, false, {kOk}},
        RollBackCase{"ReconnectionFails",
                     true,
                     false,
                     false,
                     {"   -> erreur rencontrée : Le nom de l'imprimante n'est "
                      "pas valide."}}),
    [](const testing::TestParamInfo<RollBackCase>& info) {
      return info.param.name;
    });

TEST(RunReplaceTest, RolledBackDefaultIsTheOldPrinterAgain) {
  WorkstationState state =
      Station({"\\\\oldsrv\\Canon1"},
              "\\\\oldsrv\\Canon1,winspool,Ne01:", {"\\\\oldsrv\\Canon1"});
  Fail(state, "connect", "\\\\printsrv\\Canon1", 5);
  Exec exec(state);
  exec.execution.RunReplace("\\\\oldsrv\\Canon1", "\\\\printsrv\\Canon1");
  EXPECT_EQ(exec.workstation.state().printers, Lines{"\\\\oldsrv\\Canon1"});
  EXPECT_EQ(exec.Device(), "\\\\oldsrv\\Canon1,,");
}

// The workstation, noting for each change whether the end of the session
// was held while it was made. With `failAfterConnecting`, every listing after
// a connection fails, as a spooler that stops answering would.
class HoldWatchingWorkstation : public Spooler, public DefaultPrinterSetting {
 public:
  HoldWatchingWorkstation(SimWorkstation& station, RecordingUserInterface& ui)
      : station_(station), ui_(ui) {}
  Lines changes;
  bool failAfterConnecting = false;

  const std::vector<std::string>& InstalledPrinters() override {
    if (listingFails_) throw RunError(68, "Le spouleur ne répond pas");
    return station_.InstalledPrinters();
  }
  SpoolerResult AddPrinterConnection(const std::string& name) override {
    Note("connect " + name);
    listingFails_ = failAfterConnecting;
    return station_.AddPrinterConnection(name);
  }
  SpoolerResult DeletePrinterConnection(const std::string& name) override {
    Note("disconnect " + name);
    return station_.DeletePrinterConnection(name);
  }
  std::string DefaultPrinterName() override {
    return station_.DefaultPrinterName();
  }
  void MakeDefaultPrinter(const std::string& name) override {
    Note("setdefault " + name);
    station_.MakeDefaultPrinter(name);
  }

 private:
  void Note(const std::string& change) {
    changes.push_back(change + (ui_.sessionEndHold.empty() ? "" : " (held)"));
  }
  SimWorkstation& station_;
  RecordingUserInterface& ui_;
  bool listingFails_ = false;
};

struct HoldRun {
  explicit HoldRun(WorkstationState state) : station(std::move(state)) {}
  SimWorkstation station;
  RecordingUserInterface ui;
  HoldWatchingWorkstation watched{station, ui};
  RunThrough through{watched, watched, station, ui};
  ActionExecution& execution = through.execution;
};

const std::string kHoldOldByNew =
    "hold Remplacement de \\\\old\\p par \\\\new\\p en cours...";

// A logoff between the removal of the old printer and the connection of its
// replacement would leave the user with neither: the session's end is held
// from the removal to the end of the replacement, default included.
TEST(RunReplaceTest, HoldsTheSessionEndFromRemovalToTheEnd) {
  HoldRun run(Station({"\\\\old\\p"}, "\\\\old\\p,,", {"\\\\new\\p"}));
  run.execution.RunReplace("\\\\old\\p", "\\\\new\\p");
  EXPECT_EQ(run.watched.changes,
            (Lines{"disconnect \\\\old\\p (held)", "connect \\\\new\\p (held)",
                   "setdefault \\\\new\\p (held)"}));
  EXPECT_EQ(run.ui.sessionEndCalls, (Lines{kHoldOldByNew, "release"}));
}

TEST(RunReplaceTest, HoldsTheSessionEndThroughTheRollBack) {
  HoldRun run(Station({"\\\\old\\p"}, "\\\\old\\p,,", {"\\\\old\\p"}));
  run.execution.RunReplace("\\\\old\\p", "\\\\new\\p");
  EXPECT_EQ(
      run.watched.changes,
      (Lines{"disconnect \\\\old\\p (held)", "connect \\\\new\\p (held)",
             "connect \\\\old\\p (held)", "setdefault \\\\old\\p (held)"}));
  EXPECT_EQ(run.ui.sessionEndCalls, (Lines{kHoldOldByNew, "release"}));
}

TEST(RunReplaceTest, NothingToReplaceHoldsNothing) {
  HoldRun run(Station({}, std::nullopt, {"\\\\new\\p"}));
  run.execution.RunReplace("\\\\old\\p", "\\\\new\\p");
  EXPECT_EQ(run.ui.sessionEndCalls, Lines{});
  run.execution.RunDisconnect("\\\\x\\p");
  run.execution.RunConnect("\\\\new\\p");
  EXPECT_EQ(run.ui.sessionEndCalls, Lines{});
}

TEST(RunReplaceTest, ARunErrorLetsTheSessionEndGo) {
  HoldRun run(Station({"\\\\old\\p"}, "\\\\old\\p,,", {"\\\\new\\p"}));
  run.watched.failAfterConnecting = true;
  // The hand-over of the default lists the printers again, and fails.
  EXPECT_THROW(run.execution.RunReplace("\\\\old\\p", "\\\\new\\p"), RunError);
  EXPECT_EQ(run.ui.sessionEndCalls, (Lines{kHoldOldByNew, "release"}));
  EXPECT_EQ(run.ui.sessionEndHold, "");
}

TEST(RunReplaceTest, NoDefaultPrinterNoDefaultLine) {
  for (bool replacementConnects : {true, false}) {
    WorkstationState state =
        Station({"\\\\old\\p"}, std::nullopt, {"\\\\old\\p"});
    if (replacementConnects) state.shares.push_back("\\\\new\\p");
    Exec exec(state);
    exec.execution.RunReplace("\\\\old\\p", "\\\\new\\p");
    for (const std::string& line : exec.TraceLines()) {
      EXPECT_NE(line, kHandOver);
      EXPECT_NE(line, kRestore);
    }
  }
}

TEST(RunSetDefaultTest, Outcomes) {
  struct Case {
    std::string name;
    std::string outcome;
    Outcome counts;
    std::string device;
  };
  const Case cases[] = {
      {"\\\\SRV\\laser", kOk, {1, 0, 0}, "\\\\SRV\\laser,,"},
      {"PDF local", kOk, {1, 0, 0}, "PDF local,,"},
      // Not installed: an error, not a skipped printer.
      {"\\\\srv\\absente", kMaybeMissing, {0, 0, 1}, "\\\\x\\d,winspool,Ne01:"},
      {"\\\\srv\\refus", kMaybeMissing, {0, 0, 1}, "\\\\x\\d,winspool,Ne01:"},
  };
  for (const Case& c : cases) {
    WorkstationState state =
        Station({"\\\\srv\\Laser", "PDF local", "\\\\srv\\refus", "\\\\x\\d"},
                "\\\\x\\d,winspool,Ne01:");
    Fail(state, "setdefault", "\\\\srv\\refus", 0);
    Exec exec(state);
    exec.execution.RunSetDefault(c.name);
    EXPECT_EQ(exec.TraceLines(),
              (Lines{"Sélection par défaut de " + c.name + "...", c.outcome}))
        << c.name;
    exec.ExpectCounters(c.counts);
    EXPECT_EQ(exec.Device(), c.device);
  }
}

TEST(ExecuteActionLineTest, EmptyFirstEntryConcernsNoPrinter) {
  Exec exec(Station({"\\\\s\\p"}));
  exec.execution.ExecuteActionLine('=', {""}, {""}, false);
  EXPECT_EQ(exec.window.text, "   -> aucune imprimante concernée.");
  exec.ExpectCounters({0, 0, 0});
}

TEST(ExecuteActionLineTest, RunsEveryNameInOrder) {
  Exec exec(Station({"\\\\s\\a", "\\\\s\\b"}));
  exec.execution.ExecuteActionLine('-', {"\\\\s\\b", "\\\\s\\a", "\\\\s\\c"},
                                   {"", "", ""}, false);
  EXPECT_EQ(exec.TraceLines(),
            (Lines{"Déconnexion de \\\\s\\b...", kOk, "",
                   "Déconnexion de \\\\s\\a...", kOk, "",
                   "Déconnexion de \\\\s\\c...", kNotInstalled}));
  exec.ExpectCounters({2, 1, 0});
}

// The pass and the execution together, as the run makes them meet.
struct Section {
  Exec exec;
  explicit Section(WorkstationState state) : exec(std::move(state)) {}
  void Run(const std::string& script) {
    ProcessActionSection(script, exec.run, exec.execution);
  }
};

TEST(WildcardExecutionTest, NoMatchTracesBothBanners) {
  Section section(Station({"\\\\s\\p"}));
  section.Run("[actions]\r\n-\\\\s\\p\r\n-\\\\vide\\*\r\n");
  EXPECT_EQ(section.exec.TraceLines(),
            (Lines{"Déconnexion de \\\\s\\p...", kOk, "",
                   "###############   Début de traitement multiple  "
                   "###############",
                   "   -> aucune imprimante concernée.", "",
                   "###################################################"}));
  EXPECT_EQ(section.exec.counters.ActionCount.value(), 2);
  section.exec.ExpectCounters({1, 0, 0});
}

TEST(WildcardExecutionTest, ThreePrintersOneAction) {
  Section section(Station({"\\\\old\\a", "\\\\old\\b", "\\\\old\\c"},
                          std::nullopt,
                          {"\\\\new\\a", "\\\\new\\b", "\\\\new\\c"}));
  section.Run("[actions]\r\n*\\\\old\\*,\\\\new\\*\r\n");
  EXPECT_EQ(ComposeFinalMessage(section.exec.counters),
            "Traitement terminé : 1 opération à effectuer, 3 imp. traitées "
            "avec succès.");
  EXPECT_EQ(section.exec.workstation.state().printers,
            (Lines{"\\\\new\\a", "\\\\new\\b", "\\\\new\\c"}));
}

// The default printer is read again for each replacement of a wildcard
// line, so it follows the printer that took it over once, and only once.
TEST(WildcardExecutionTest, DefaultHandedOverOnce) {
  Section section(
      Station({"\\\\old\\A", "\\\\old\\B"},
              "\\\\old\\A,winspool,Ne01:", {"\\\\new\\A", "\\\\new\\B"}));
  section.Run("[actions]\r\n*\\\\old\\*,\\\\new\\*\r\n");
  int handOvers = 0;
  for (const std::string& line : section.exec.TraceLines())
    handOvers += line == kHandOver;
  EXPECT_EQ(handOvers, 1);
  EXPECT_EQ(section.exec.Device(), "\\\\new\\A,,");
  section.exec.ExpectCounters({2, 0, 0});
}

TEST(CounterOverflowTest, SuccessPastTheLimitIsErrorSix) {
  Exec exec(Station({}, std::nullopt, {"\\\\s\\p"}));
  exec.counters.SuccessCount.Set(32767);
  try {
    exec.execution.RunConnect("\\\\s\\p");
    ADD_FAILURE() << "no overflow";
  } catch (const RunError& error) {
    EXPECT_EQ(error.number(), 6);
  }
}

struct MessageCase {
  int16_t actions, success, skipped, migration, script;
  std::string message;
};

void PrintTo(const MessageCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.message);
}

class ComposeFinalMessageTest : public testing::TestWithParam<MessageCase> {};

TEST_P(ComposeFinalMessageTest, Sentence) {
  const MessageCase& c = GetParam();
  RunCounters counters;
  counters.ActionCount.Set(c.actions);
  counters.SuccessCount.Set(c.success);
  counters.SkippedCount.Set(c.skipped);
  counters.MigrationErrorCount.Set(c.migration);
  counters.ScriptErrorCount.Set(c.script);
  EXPECT_EQ(ComposeFinalMessage(counters), c.message);
}

const std::string kNoValidInstruction =
    "Le fichier à traiter ne possédait pas de section [actions] ou celle-ci "
    "ne contenait aucune instruction valide à exécuter...";

INSTANTIATE_TEST_SUITE_P(
    Examples, ComposeFinalMessageTest,
    testing::Values(
        MessageCase{3, 2, 1, 0, 2,
                    "Traitement terminé : 3 opérations à effectuer, 2 imp. "
                    "traitées avec succès, 1 imp. évitée, 2 erreurs de "
                    "script."},
        MessageCase{1, 0, 0, 1, 0,
                    "Traitement terminé : 1 opération à effectuer, 0 imp. "
                    "traitée avec succès, 1 erreur de migration."},
        MessageCase{1, 3, 0, 0, 0,
                    "Traitement terminé : 1 opération à effectuer, 3 imp. "
                    "traitées avec succès."},
        MessageCase{2, 1, 2, 3, 1,
                    "Traitement terminé : 2 opérations à effectuer, 1 imp. "
                    "traitée avec succès, 2 imp. évitées, 3 erreurs de "
                    "migration, 1 erreur de script."},
        MessageCase{32767, 32767, 32767, 32767, 32767,
                    "Traitement terminé : 32767 opérations à effectuer, "
                    "32767 imp. traitées avec succès, 32767 imp. évitées, "
                    "32767 erreurs de migration, 32767 erreurs de script."},
        // Rejected lines alone do not make a summary.
        MessageCase{0, 0, 0, 0, 4, kNoValidInstruction},
        MessageCase{0, 0, 0, 0, 0, kNoValidInstruction}));

}  // namespace
}  // namespace quelmar
