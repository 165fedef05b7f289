#include "platform/console/console_ui.h"

#include <algorithm>
#include <string_view>

namespace quelmar {
namespace {

// Writes `text` with each CR LF as a newline, piece by piece: a visible run
// writes every line of its trace through here.
void WriteText(std::FILE* stream, std::string_view text) {
  for (;;) {
    size_t lineBreak = text.find("\r\n");
    std::fwrite(text.data(), 1, std::min(lineBreak, text.size()), stream);
    if (lineBreak == std::string_view::npos) return;
    std::fputc('\n', stream);
    text.remove_prefix(lineBreak + 2);
  }
}

// Holds the run as a modal box or the OK button would, when someone is there
// to press Enter.
void WaitForEnter(Terminal& terminal) {
  if (terminal.InputIsTerminal()) terminal.ReadLine();
}

}  // namespace

void ConsoleWindow::AppendTrace(const std::string& text) {
  // Each chunk after the first starts with the line break that ends the
  // previous line; a console line ends with its own.
  std::string_view chunk(text);
  if (wroteLine_ && chunk.substr(0, 2) == "\r\n") chunk.remove_prefix(2);
  wroteLine_ = true;
  WriteText(out_, chunk);
  std::fputc('\n', out_);
}

void ConsoleWindow::ProcessPendingEvents() {
  // Line by line on a terminal; buffered when the output goes to a file.
  if (outputIsTerminal_) std::fflush(out_);
}

void ConsoleWindow::RunUntilClosed() {
  std::fflush(out_);
  WaitForEnter(terminal_);
}

void ConsoleUserInterface::MessageBox(const std::string& text,
                                      const std::string& title, BoxIcon) {
  std::fflush(window_.out());
  WriteText(err_, "[" + title + "] " + text + "\n");
  std::fflush(err_);
  WaitForEnter(terminal_);
}

}  // namespace quelmar
