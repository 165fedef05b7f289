// The whole run on a simulated workstation, from the bytes of the script:
// settings, action lines, execution, journal and ending. The workstation is
// fixed; some of its connections fail.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/frm_quelmar.h"
#include "platform/fake/fakes.h"
#include "services/text_utils.h"
#include "services/unicode.h"

namespace {

using namespace quelmar;

WorkstationState FixedWorkstation() {
  WorkstationState state;
  state.printers = {"\\\\oldsrv\\Canon1",         "\\\\oldsrv\\HP4050",
                    "\\\\OLDSRV\\Ricoh",          "\\\\oldsrv\\Épson",
                    "\\\\comptasrv\\Facturation", "PDF local"};
  state.device = "\\\\oldsrv\\Canon1,winspool,Ne01:";
  state.shares = {"\\\\oldsrv\\Canon1",   "\\\\oldsrv\\HP4050",
                  "\\\\oldsrv\\Ricoh",    "\\\\printsrv\\Canon1",
                  "\\\\printsrv\\HP4050", "\\\\printsrv\\Épson",
                  "\\\\printsrv\\Couleur"};
  state.failures = {{"connect", "\\\\printsrv\\HP4050", 5},
                    {"connect", "\\\\oldsrv\\HP4050", 1722},
                    {"disconnect", "\\\\comptasrv\\Facturation", 1722},
                    {"setdefault", "\\\\printsrv\\Canon1", 0}};
  state.messages = {{5, "Accès refusé."}};
  return state;
}

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// The workstation starts with an installed default printer; no step may
// leave the default on a printer that is not installed.
bool DefaultIsInstalledOrNone(const WorkstationState& state) {
  const std::string name(SplitField(state.device.value_or(""), ',', 0));
  return name.empty() ||
         std::any_of(state.printers.begin(), state.printers.end(),
                     [&name](const std::string& printer) {
                       return EqualsIgnoreCase(printer, name);
                     });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string script(reinterpret_cast<const char*>(data), size);
  FakeHost host;
  host.environment = {{"USERNAME", "dupont"},
                      {"TEMP", "C:\\Temp"},
                      {"PCT", "50%"},
                      {"PARA", "a§b"},
                      {"", "vide"}};
  FakeFileSystem files;
  files.files["C:\\Prog\\Quelmar.txt"] = script;
  files.readOnly = {"C:\\Prog\\lecture.log"};
  SimWorkstation workstation(FixedWorkstation());
  RecordingUserInterface ui;
  Platform platform{host, files, workstation, workstation, workstation, ui};

  const int status = RunProgram(platform, Version{1, 0, 6});
  Check(status == kCompleted || status == kCompletedWithErrors ||
        status == kNotCompleted);
  // The script is only read (a journal named after it is appended to it, as
  // any journal), and the journal gets at most one entry, whole.
  Check(files.files["C:\\Prog\\Quelmar.txt"].compare(0, script.size(),
                                                     script) == 0);
  Check(files.appends.size() <= 1);
  for (const auto& append : files.appends)
    Check(append.second.size() >= 2 &&
          append.second.compare(append.second.size() - 2, 2, "\r\n") == 0);
  Check(DefaultIsInstalledOrNone(workstation.state()));
  return 0;
}
