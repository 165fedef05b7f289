// The console front end: message boxes on standard error as "[TITLE] TEXT",
// the trace of a visible run on standard output, and Enter for OK when
// standard input is a terminal.
#pragma once

#include <cstdio>
#include <string>

#include "platform/terminal.h"
#include "platform/user_interface.h"

namespace quelmar {

class ConsoleWindow : public Window {
 public:
  ConsoleWindow(std::FILE* out, Terminal& terminal)
      : out_(out),
        terminal_(terminal),
        outputIsTerminal_(terminal.OutputIsTerminal()) {}
  void SetCaption(const std::string&) override {}
  void Show() override {}
  void SetOkEnabled(bool) override {}
  void FocusOk() override {}
  void AppendTrace(const std::string& text) override;
  void ProcessPendingEvents() override;
  Picture* Banner() override { return nullptr; }
  void RunUntilClosed() override;
  std::FILE* out() const { return out_; }

 private:
  std::FILE* out_;
  Terminal& terminal_;
  // Asked once: the question costs a system call, and a run traces one
  // line per step.
  bool outputIsTerminal_;
  bool wroteLine_ = false;
};

class ConsoleUserInterface : public UserInterface {
 public:
  ConsoleUserInterface(std::FILE* out, std::FILE* err, Terminal& terminal)
      : window_(out, terminal), err_(err), terminal_(terminal) {}
  Window& MainWindow() override { return window_; }
  void MessageBox(const std::string& text, const std::string& title,
                  BoxIcon icon) override;
  void SetWaitPointer(bool) override {}
  void HoldSessionEnd(const SessionEndReason&) override {}
  void ReleaseSessionEnd() override {}

 private:
  ConsoleWindow window_;
  std::FILE* err_;
  Terminal& terminal_;
};

}  // namespace quelmar
