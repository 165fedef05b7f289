// A replacement under every fault the workstation can throw at it: the old
// printer default or not, installed or not, named in the script in the
// system's letter case or another, and a failure at each step. The whole run
// goes through the fakes and the simulated workstation; the trace is read
// back from the full journal.
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

bool Fails(const MatrixCase& c, Fault fault) {
  return c.fault == fault || (fault == Fault::kConnection &&
                              (c.fault == Fault::kConnectionReconnection ||
                               c.fault == Fault::kConnectionRestoreDefault));
}

// What the replacement must do, step by step, written from the rules of the
// replacement rather than from the code.
Expected Expect(const MatrixCase& c) {
  const std::string old = ScriptName(c);
  Expected e;
  e.trace = {"Déconnexion de " + old + "..."};
  const WorkstationState before = Before(c);
  e.printers = before.printers;
  e.device = *before.device;
  if (!c.installed) {
    e.trace.push_back("   -> non effectué : l'imprimante n'est pas installée.");
    e.skipped = 1;
    return e;
  }
  if (Fails(c, Fault::kRemoval)) {
    e.trace.push_back("   -> erreur rencontrée : " + kRemovalError);
    e.errors = 1;
    return e;
  }
  // The simulated spooler forgets the default with the printer removed.
  e.printers = {kLocal};
  if (c.isDefault) e.device = ",,,";
  e.trace.push_back("   -> OK.");
  e.trace.push_back("Et reconnexion de " + kNew + "...");
  if (!Fails(c, Fault::kConnection)) {
    e.trace.push_back("   -> OK.");
    e.success = 1;
    e.printers.push_back(kNew);
    if (c.isDefault) {
      e.trace.push_back(
          "L'imprimante désinstallée était celle définit par défaut, définir "
          "par défaut celle qui la remplace...");
      const bool failed = Fails(c, Fault::kNewDefault);
      e.trace.push_back(failed ? kMaybeMissing : "   -> OK.");
      if (!failed) e.device = kNew + ",,";
    }
    return e;
  }
  e.errors = 1;
  e.trace.push_back("   -> erreur rencontrée : " + kConnectionError);
  e.trace.push_back("Reconnexion de l'imprimante déconnectée...");
  if (Fails(c, Fault::kConnectionReconnection)) {
    e.trace.push_back("   -> erreur rencontrée : " + kReconnectionError);
    return e;
  }
  e.trace.push_back("   -> OK.");
  e.printers.push_back(kOld);  // spelled as the server shares it
  if (c.isDefault) {
    e.trace.push_back("Restauration de l'état d'imprimante par défaut...");
    const bool failed = Fails(c, Fault::kConnectionRestoreDefault);
    e.trace.push_back(failed ? kMaybeMissing : "   -> OK.");
    if (!failed) e.device = old + ",,";
  }
  return e;
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

class ReplaceFaultMatrixTest : public testing::TestWithParam<MatrixCase> {};

TEST_P(ReplaceFaultMatrixTest, TraceCountersAndWorkstation) {
  const MatrixCase& c = GetParam();
  FakePlatform fake;
  fake.workstation = SimWorkstation(Before(c));
  const int status = fake.RunScript(
      "[Config]\r\nMode=M\r\nModeLog=C\r\nLog=journal.log\r\n"
      "[actions]\r\n*" +
      ScriptName(c) + " , " + kNew + "\r\n");

  const Expected e = Expect(c);
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
