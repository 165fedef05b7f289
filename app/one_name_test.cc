// A printer with two spellings (on CUPS, \\srv:631\X is \\srv\X): whichever
// the script writes, the run finds the one printer, traces the script's
// spelling and counts what was done.
#include <gtest/gtest.h>

#include "app/action_execution.h"
#include "platform/fake/fakes.h"
#include "services/printer_services.h"
#include "services/text_utils.h"

namespace quelmar {
namespace {

using Lines = std::vector<std::string>;

const std::string kOk = "   -> OK.";

class TwoSpellingsWorkstation : public SimWorkstation {
 public:
  using SimWorkstation::SimWorkstation;
  std::string OneName(const std::string& name) override {
    return ReplaceAll(name, ":631\\", "\\");
  }
};

struct SpelledRun {
  explicit SpelledRun(WorkstationState state) : workstation(std::move(state)) {
    settings.Mode = "N";
  }
  Lines TraceLines() const { return CrLfLines(ui.window.text); }
  void ExpectCounters(int success, int skipped, int errors) const {
    EXPECT_EQ(run.counters.SuccessCount.value(), success);
    EXPECT_EQ(run.counters.SkippedCount.value(), skipped);
    EXPECT_EQ(run.counters.MigrationErrorCount.value(), errors);
  }

  FakeHost host;
  FakeFileSystem files;
  TwoSpellingsWorkstation workstation;
  RecordingUserInterface ui;
  Platform platform{host, files, workstation, workstation, workstation, ui};
  RunSettings settings;
  RunContext run{platform, settings};
  ActionExecution execution{run};
};

WorkstationState Laser(bool isDefault) {
  WorkstationState state;
  state.printers = {"\\\\srv\\Laser", "PDF"};
  if (isDefault) state.device = "\\\\srv\\Laser,,";
  state.shares = {"\\\\srv\\Laser", "\\\\new\\Laser"};
  return state;
}

TEST(OneNameTest, DisconnectFindsThePrinterUnderItsOtherSpelling) {
  SpelledRun spelled(Laser(false));
  spelled.execution.RunDisconnect("\\\\srv:631\\Laser");
  EXPECT_EQ(spelled.TraceLines(),
            (Lines{"Déconnexion de \\\\srv:631\\Laser...", kOk}));
  spelled.ExpectCounters(1, 0, 0);
  EXPECT_EQ(spelled.workstation.state().printers, Lines{"PDF"});
}

TEST(OneNameTest, ConnectingAnInstalledPrinterAgainIsSkipped) {
  SpelledRun spelled(Laser(false));
  spelled.execution.RunConnect("\\\\SRV:631\\laser");
  spelled.ExpectCounters(0, 1, 0);
  EXPECT_EQ(spelled.workstation.state().printers.size(), 2u);
}

TEST(OneNameTest, ReplacementHandsTheDefaultOver) {
  SpelledRun spelled(Laser(true));
  spelled.execution.RunReplace("\\\\srv:631\\Laser", "\\\\new:631\\Laser");
  spelled.ExpectCounters(1, 0, 0);
  EXPECT_EQ(spelled.workstation.state().printers,
            (Lines{"PDF", "\\\\new\\Laser"}));
  EXPECT_EQ(spelled.workstation.state().device.value_or(""),
            "\\\\new\\Laser,,");
  EXPECT_EQ(spelled.TraceLines().at(2),
            "Et reconnexion de \\\\new:631\\Laser...");
}

TEST(OneNameTest, RolledBackPrinterGetsTheDefaultBack) {
  WorkstationState state = Laser(true);
  state.shares = {"\\\\srv\\Laser"};
  SpelledRun spelled(state);
  spelled.execution.RunReplace("\\\\srv:631\\Laser", "\\\\new\\Laser");
  spelled.ExpectCounters(0, 0, 1);
  EXPECT_EQ(spelled.workstation.state().device.value_or(""),
            "\\\\srv\\Laser,,");
}

TEST(OneNameTest, SetDefaultReadsBackTheOneName) {
  SpelledRun spelled(Laser(false));
  spelled.execution.RunSetDefault("\\\\srv:631\\Laser");
  spelled.ExpectCounters(1, 0, 0);
  EXPECT_EQ(spelled.workstation.state().device.value_or(""),
            "\\\\srv\\Laser,,");
}

TEST(OneNameTest, PatternsMatchWhateverTheSpelling) {
  SpelledRun spelled(Laser(false));
  EXPECT_EQ(MatchInstalledPrinters(spelled.workstation, "\\\\srv:631\\*"),
            Lines{"\\\\srv\\Laser"});
}

}  // namespace
}  // namespace quelmar
