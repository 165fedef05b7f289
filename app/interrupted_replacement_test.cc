// A replacement interrupted by a run-time error after the removal (the
// workstation's print service stops): the removed printer is connected
// again and given back the default before the run's error handler, and the
// journal says what happened.
#include <gtest/gtest.h>

#include "app/frm_quelmar.h"
#include "base/run_error.h"
#include "platform/fake/fakes.h"

namespace quelmar {
namespace {

// The simulated workstation whose print service stops answering for the
// `failing` calls to connect (counted from 1), then answers again.
class StallingWorkstation : public SimWorkstation {
 public:
  StallingWorkstation(WorkstationState state, std::vector<int> failing)
      : SimWorkstation(std::move(state)), failing_(std::move(failing)) {}
  SpoolerResult AddPrinterConnection(const std::string& name) override {
    ++connections_;
    for (int call : failing_)
      if (call == connections_)
        throw RunError(kDeviceUnavailable, "Périphérique non disponible");
    return SimWorkstation::AddPrinterConnection(name);
  }

 private:
  std::vector<int> failing_;
  int connections_ = 0;
};

struct Interrupted {
  FakePlatform fake;
  std::unique_ptr<StallingWorkstation> station;
  int status = 0;

  explicit Interrupted(std::vector<int> failing) {
    WorkstationState state;
    state.printers = {"\\\\old\\Laser", "PDF"};
    state.device = "\\\\old\\Laser,winspool,Ne01:";
    state.shares = {"\\\\old\\Laser", "\\\\new\\Laser"};
    station = std::make_unique<StallingWorkstation>(state, std::move(failing));
    Platform platform{fake.host, fake.files, *station,
                      *station,  *station,   fake.ui};
    fake.files.files[fake.DefaultScriptPath()] =
        "[Config]\r\nMode=M\r\nModeLog=C\r\nLog=q.log\r\n[actions]\r\n"
        "*\\\\old\\Laser,\\\\new\\Laser\r\n+\\\\new\\Other\r\n";
    status = RunProgram(platform, Version{1, 0, 6});
  }
  std::string journal() { return fake.files.files["C:\\Prog\\q.log"]; }
};

TEST(InterruptedReplacementTest, RemovedPrinterAndDefaultComeBack) {
  Interrupted run({1});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.station->state().printers,
            (std::vector<std::string>{"PDF", "\\\\old\\Laser"}));
  EXPECT_EQ(run.station->state().device, "\\\\old\\Laser,,");
  EXPECT_NE(run.journal().find(
                "Et reconnexion de \\\\new\\Laser...\r\n"
                "   -> erreur rencontrée : Périphérique non disponible\r\n"
                "Reconnexion de l'imprimante déconnectée...\r\n   -> OK.\r\n"
                "Restauration de l'état d'imprimante par défaut...\r\n"
                "   -> OK.\r\n"
                "Traitement interrompu par l'erreur 68 : Périphérique non "
                "disponible\r\n"),
            std::string::npos)
      << run.journal();
  // The line after the interrupted one never ran.
  EXPECT_EQ(run.journal().find("Other"), std::string::npos);
  ASSERT_EQ(run.fake.ui.boxes.size(), 1u);
  EXPECT_NE(run.fake.ui.boxes[0].text.find("Erreur 68 : "), std::string::npos);
}

// The service still does not answer for the putting back: the run says so
// and ends with the first error.
TEST(InterruptedReplacementTest, PuttingBackThatFailsIsTraced) {
  Interrupted run({1, 2});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.station->state().printers, (std::vector<std::string>{"PDF"}));
  EXPECT_NE(run.journal().find(
                "Reconnexion de l'imprimante déconnectée...\r\n"
                "   -> erreur rencontrée : Périphérique non disponible\r\n"
                "Traitement interrompu par l'erreur 68"),
            std::string::npos)
      << run.journal();
}

// An error before any action line runs changes no printer: no journal.
TEST(InterruptedReplacementTest, ErrorBeforeTheActionsWritesNoJournal) {
  FakePlatform fake;
  fake.RunScript("[Config]\r\nModeLog=S\r\nLog=q%.log\r\n[actions]\r\n");
  EXPECT_EQ(fake.files.files.count("C:\\Prog\\q%.log"), 0u);
  EXPECT_EQ(fake.files.appends.size(), 0u);
}

}  // namespace
}  // namespace quelmar
