// A replacement under every fault the workstation can throw at it: the old
// printer default or not, installed or not, named in the script in the
// system's letter case or another, and a failure at each step. Each outcome
// is written out in full (the journal's lines, the counters, the workstation
// left behind); over the whole matrix, one invariant: the default printer is
// never left on a printer that is gone. Every run goes through the fakes and
// the simulated workstation; the trace is read back from the full journal.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/frm_quelmar.h"
#include "platform/fake/fakes.h"
#include "services/text_utils.h"
#include "services/unicode.h"

namespace quelmar {
namespace {

enum class Fault {
  kNone,
  kRemoval,                  // the old connection cannot be removed
  kConnection,               // the replacement cannot be connected
  kConnectionReconnection,   // ... nor the old printer connected again
  kNewDefault,               // the replacement cannot be made the default
  kConnectionRestoreDefault  // the old printer cannot be made default again
};

const Fault kFaults[] = {Fault::kNone,       Fault::kRemoval,
                         Fault::kConnection, Fault::kConnectionReconnection,
                         Fault::kNewDefault, Fault::kConnectionRestoreDefault};

struct MatrixCase {
  bool isDefault;
  bool installed;
  bool otherCase;
  Fault fault;
};

const std::string kOld = "\\\\oldsrv\\Canon1";
const std::string kNew = "\\\\printsrv\\Canon1";
const std::string kLocal = "PDF local";
const std::string kLocalDevice = "PDF local,winspool,Ne00:";
const std::string kRemovalError = "Le serveur RPC n'est pas disponible.";
const std::string kConnectionError = "Accès refusé.";
const std::string kReconnectionError = "Le réseau est occupé.";
const std::string kMaybeMissing =
    "   -> erreur rencontrée : l'imprimante n'existe peut-être pas";

std::string ScriptName(const MatrixCase& c) {
  return c.otherCase ? "\\\\OLDSRV\\canon1" : kOld;
}

WorkstationState Before(const MatrixCase& c) {
  WorkstationState state;
  if (c.installed) state.printers.push_back(kOld);
  state.printers.push_back(kLocal);
  state.device = c.isDefault ? kOld + ",winspool,Ne01:" : kLocalDevice;
  state.shares = {kOld, kNew};
  state.messages = {
      {1722, kRemovalError}, {5, kConnectionError}, {54, kReconnectionError}};
  // Failures are named as the script names the printers.
  const std::string old = ScriptName(c);
  switch (c.fault) {
    case Fault::kNone:
      break;
    case Fault::kRemoval:
      state.failures = {{"disconnect", old, 1722}};
      break;
    case Fault::kConnection:
      state.failures = {{"connect", kNew, 5}};
      break;
    case Fault::kConnectionReconnection:
      state.failures = {{"connect", kNew, 5}, {"connect", old, 54}};
      break;
    case Fault::kNewDefault:
      state.failures = {{"setdefault", kNew, 0}};
      break;
    case Fault::kConnectionRestoreDefault:
      state.failures = {{"connect", kNew, 5}, {"setdefault", old, 0}};
      break;
  }
  return state;
}

struct Expected {
  std::vector<std::string> trace;
  int success = 0, skipped = 0, errors = 0;
  std::vector<std::string> printers;
  std::string device;
};

// One replacement and what it must leave, written out in full: the journal's
// lines, the counters, the installed printers and the profile's `device`.
struct LiteralCase {
  const char* name;
  MatrixCase c;
  Expected e;
};

const std::string kRemoving = "Déconnexion de " + kOld + "...";
const std::string kRemovingOtherCase = "Déconnexion de \\\\OLDSRV\\canon1...";
const std::string kOk = "   -> OK.";
const std::string kConnecting = "Et reconnexion de " + kNew + "...";
const std::string kHandOver =
    "L'imprimante désinstallée était celle définit par défaut, définir par "
    "défaut celle qui la remplace...";
const std::string kReconnecting = "Reconnexion de l'imprimante déconnectée...";
const std::string kRestoring =
    "Restauration de l'état d'imprimante par défaut...";
const std::string kOldDevice = kOld + ",winspool,Ne01:";

std::vector<LiteralCase> LiteralCases() {
  const std::string refused = "   -> erreur rencontrée : " + kConnectionError;
  return {
      {"MissingIsSkipped",
       {false, false, false, Fault::kNone},
       {{kRemoving, "   -> non effectué : l'imprimante n'est pas installée."},
        0,
        1,
        0,
        {kLocal},
        kLocalDevice}},
      {"MissingDefaultIsSkippedAndKept",
       {true, false, true, Fault::kConnection},
       {{kRemovingOtherCase,
         "   -> non effectué : l'imprimante n'est pas installée."},
        0,
        1,
        0,
        {kLocal},
        kOldDevice}},
      {"Replaced",
       {false, true, false, Fault::kNone},
       {{kRemoving, kOk, kConnecting, kOk},
        1,
        0,
        0,
        {kLocal, kNew},
        kLocalDevice}},
      {"DefaultHandedOver",
       {true, true, true, Fault::kNone},
       {{kRemovingOtherCase, kOk, kConnecting, kOk, kHandOver, kOk},
        1,
        0,
        0,
        {kLocal, kNew},
        kNew + ",,"}},
      {"RemovalRefused",
       {true, true, false, Fault::kRemoval},
       {{kRemoving, "   -> erreur rencontrée : " + kRemovalError},
        0,
        0,
        1,
        {kOld, kLocal},
        kOldDevice}},
      {"HandOverRefused",
       {true, true, false, Fault::kNewDefault},
       {{kRemoving, kOk, kConnecting, kOk, kHandOver, kMaybeMissing},
        1,
        0,
        0,
        {kLocal, kNew},
        ",,,"}},
      {"RolledBack",
       {false, true, false, Fault::kConnection},
       {{kRemoving, kOk, kConnecting, refused, kReconnecting, kOk},
        0,
        0,
        1,
        {kLocal, kOld},
        kLocalDevice}},
      // The default comes back named as the script names it; the printer as
      // the server shares it.
      {"RolledBackWithDefault",
       {true, true, true, Fault::kConnection},
       {{kRemovingOtherCase, kOk, kConnecting, refused, kReconnecting, kOk,
         kRestoring, kOk},
        0,
        0,
        1,
        {kLocal, kOld},
        "\\\\OLDSRV\\canon1,,"}},
      {"RollbackRefused",
       {true, true, false, Fault::kConnectionReconnection},
       {{kRemoving, kOk, kConnecting, refused, kReconnecting,
         "   -> erreur rencontrée : " + kReconnectionError},
        0,
        0,
        1,
        {kLocal},
        ",,,"}},
      {"DefaultNotRestored",
       {true, true, false, Fault::kConnectionRestoreDefault},
       {{kRemoving, kOk, kConnecting, refused, kReconnecting, kOk, kRestoring,
         kMaybeMissing},
        0,
        0,
        1,
        {kLocal, kOld},
        ",,,"}},
  };
}

std::string FinalMessage(const Expected& e) {
  std::string text = "Traitement terminé : 1 opération à effectuer, " +
                     DecimalText(e.success) + " imp. traitée avec succès";
  if (e.skipped) text += ", 1 imp. évitée";
  if (e.errors) text += ", 1 erreur de migration";
  return text + ".";
}

// The lines of the full journal entry between its header and its final
// message.
std::vector<std::string> TracedLines(const std::string& entry) {
  std::vector<std::string> lines = CrLfLines(entry);
  if (lines.size() < 4) return {};
  return {lines.begin() + 1, lines.end() - 3};
}

std::string DefaultName(const WorkstationState& state) {
  return std::string(SplitField(state.device.value_or(""), ',', 0));
}

bool IsInstalled(const WorkstationState& state, const std::string& name) {
  return std::any_of(
      state.printers.begin(), state.printers.end(),
      [&name](const std::string& p) { return ToLowerUtf8(p) == name; });
}

std::string CaseName(const testing::TestParamInfo<MatrixCase>& info) {
  const char* faults[] = {"None",      "Removal",    "Connection",
                          "Reconnect", "NewDefault", "RestoreDefault"};
  const MatrixCase& c = info.param;
  return std::string(c.isDefault ? "Default" : "NotDefault") +
         (c.installed ? "Installed" : "Missing") +
         (c.otherCase ? "OtherCase" : "SameCase") +
         faults[static_cast<int>(c.fault)];
}

class ReplacementTest : public testing::TestWithParam<LiteralCase> {};

TEST_P(ReplacementTest, TraceCountersAndWorkstation) {
  const MatrixCase& c = GetParam().c;
  const Expected& e = GetParam().e;
  FakePlatform fake;
  fake.workstation = SimWorkstation(Before(c));
  const int status = fake.RunScript(
      "[Config]\r\nMode=M\r\nModeLog=C\r\nLog=journal.log\r\n"
      "[actions]\r\n*" +
      ScriptName(c) + " , " + kNew + "\r\n");

  ASSERT_EQ(fake.files.appends.size(), 1u);
  const std::string& entry = fake.files.appends[0].second;
  EXPECT_EQ(TracedLines(entry), e.trace);
  EXPECT_NE(entry.find("\r\n" + FinalMessage(e) + "\r\n"), std::string::npos)
      << entry;
  EXPECT_EQ(status, e.errors ? kCompletedWithErrors : kCompleted);
  const WorkstationState& after = fake.workstation.state();
  EXPECT_EQ(after.printers, e.printers);
  EXPECT_EQ(after.device.value_or(""), e.device);
  EXPECT_TRUE(fake.ui.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(EachOutcome, ReplacementTest,
                         testing::ValuesIn(LiteralCases()),
                         [](const testing::TestParamInfo<LiteralCase>& info) {
                           return std::string(info.param.name);
                         });

class ReplaceFaultMatrixTest : public testing::TestWithParam<MatrixCase> {};

// The default never ends on a printer that is not installed, unless it
// already did before the run and the run had no step that touches it.
TEST_P(ReplaceFaultMatrixTest, DefaultNeverLeftDangling) {
  const MatrixCase& c = GetParam();
  FakePlatform fake;
  fake.workstation = SimWorkstation(Before(c));
  fake.RunScript("[Config]\r\nMode=M\r\n[actions]\r\n*" + ScriptName(c) + "," +
                 kNew + "\r\n");
  const WorkstationState& after = fake.workstation.state();
  const std::string name = ToLowerUtf8(DefaultName(after));
  if (name.empty() || IsInstalled(after, name)) return;
  EXPECT_TRUE(c.isDefault && !c.installed) << "default left on " << name;
  EXPECT_EQ(after.device, Before(c).device);
}

std::vector<MatrixCase> AllCases() {
  std::vector<MatrixCase> cases;
  for (bool isDefault : {false, true})
    for (bool installed : {false, true})
      for (bool otherCase : {false, true})
        for (Fault fault : kFaults)
          cases.push_back({isDefault, installed, otherCase, fault});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(AllFaults, ReplaceFaultMatrixTest,
                         testing::ValuesIn(AllCases()), CaseName);

}  // namespace
}  // namespace quelmar
