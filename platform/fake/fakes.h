// Test fakes of the platform seams: they keep what they are given in memory
// and record what the run asks of them; and the fixtures every test file
// shares (a platform, a run on it). The one place under platform/ that
// includes the run: the fixtures run its steps.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/action_execution.h"
#include "app/run_context.h"
#include "platform/platform.h"
#include "platform/sim/workstation.h"
#include "platform/terminal.h"

namespace quelmar {

class FakeHost : public Host {
 public:
  CommandLine commandLine;
  std::string programFolder = "C:\\Prog";
  char separator = '\\';
  std::map<std::string, std::string> environment;
  LocalTime now{2026, 3, 4, 5, 6, 7};
  std::string computerName = "PC01";

  CommandLine GetCommandLine() override { return commandLine; }
  std::string ProgramFolder() override { return programFolder; }
  char PathSeparator() override { return separator; }
  std::optional<std::string> Environment(const std::string& name) override;
  LocalTime Now() override { return now; }
  std::string ComputerName() override { return computerName; }
  std::string AnsiToUtf8(std::string_view bytes) override;
};

class FakeFileSystem : public FileSystem {
 public:
  std::map<std::string, std::string> files;
  // Paths whose appends fail (a read-only share, say).
  std::set<std::string> readOnly;
  std::vector<std::pair<std::string, std::string>> appends;

  bool IsOrdinaryFile(const std::string& path) override;
  std::string ReadWholeFile(const std::string& path) override;
  bool AppendToFile(const std::string& path, TextPieces pieces) override;
};

// A terminal with no one at it unless a test says so; it counts the Enter
// presses waited for.
class FakeTerminal : public Terminal {
 public:
  bool inputIsTerminal = false;
  bool outputIsTerminal = false;
  int linesRead = 0;

  bool InputIsTerminal() override { return inputIsTerminal; }
  bool OutputIsTerminal() override { return outputIsTerminal; }
  void ReadLine() override { ++linesRead; }
};

struct RecordedBox {
  std::string text;
  std::string title;
  BoxIcon icon;
};

class RecordingWindow : public Window {
 public:
  std::string caption;
  bool shown = false;
  bool okEnabled = true;
  bool okFocused = false;
  std::string text;
  size_t caret = 0;
  int pendingEventRounds = 0;
  int runs = 0;
  Picture* banner = nullptr;

  void SetCaption(const std::string& value) override { caption = value; }
  void Show() override { shown = true; }
  void SetOkEnabled(bool enabled) override { okEnabled = enabled; }
  void FocusOk() override { okFocused = true; }
  void AppendTrace(const std::string& chunk) override;
  void ProcessPendingEvents() override { ++pendingEventRounds; }
  Picture* Banner() override { return banner; }
  void RunUntilClosed() override;
};

class RecordingUserInterface : public UserInterface {
 public:
  RecordingWindow window;
  std::vector<RecordedBox> boxes;
  // Every pointer change, true for the wait pointer.
  std::vector<bool> pointer;
  // The reason while the end of the session is held, empty otherwise, and
  // every hold ("hold REASON") and release ("release") in order.
  std::string sessionEndHold;
  std::vector<std::string> sessionEndCalls;

  Window& MainWindow() override { return window; }
  void MessageBox(const std::string& text, const std::string& title,
                  BoxIcon icon) override {
    boxes.push_back({text, title, icon});
  }
  void SetWaitPointer(bool wait) override { pointer.push_back(wait); }
  void HoldSessionEnd(const SessionEndReason& reason) override {
    sessionEndHold = reason.Text();
    sessionEndCalls.push_back("hold " + sessionEndHold);
  }
  void ReleaseSessionEnd() override {
    sessionEndHold.clear();
    sessionEndCalls.push_back("release");
  }
};

// The lines of a trace or journal text, cut at CR LF.
std::vector<std::string> CrLfLines(std::string_view text);

// A whole platform over the fakes and a simulated workstation.
struct FakePlatform {
  FakeHost host;
  FakeFileSystem files;
  SimWorkstation workstation{WorkstationState{}};
  RecordingUserInterface ui;
  Platform platform{host, files, workstation, workstation, workstation, ui};

  // Puts a script at the default path and runs it.
  int RunScript(const std::string& script);
  std::string DefaultScriptPath() const { return "C:\\Prog\\Quelmar.txt"; }
};

// The steps of a visible run (mode "N") on a simulated workstation, for the
// tests of the action pass and its execution.
struct FakeRun {
  explicit FakeRun(WorkstationState state = {});

  FakePlatform fake;
  RunSettings settings;
  RunContext run{fake.platform, settings};
  ActionExecution execution{run};
  RecordingUserInterface& ui = fake.ui;
  RecordingWindow& window = fake.ui.window;
  SimWorkstation& workstation = fake.workstation;
  RunCounters& counters = run.counters;
  RunTrace& trace = run.trace;
};

}  // namespace quelmar
