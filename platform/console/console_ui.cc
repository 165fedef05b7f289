#include "platform/console/console_ui.h"

#include <iostream>

#include "services/text_utils.h"

namespace quelmar {
namespace {

void WriteText(std::FILE* stream, const std::string& text) {
  std::string lines = ReplaceAll(text, "\r\n", "\n", 0, Compare::kExact);
  std::fwrite(lines.data(), 1, lines.size(), stream);
}

// Holds the run as a modal box or the OK button would, when someone is there
// to press Enter.
void WaitForEnter() {
  if (!StandardInputIsTerminal()) return;
  std::string ignored;
  std::getline(std::cin, ignored);
}

}  // namespace

void ConsoleWindow::AppendTrace(const std::string& text) {
  // Each chunk after the first starts with the line break that ends the
  // previous line; a console line ends with its own.
  std::string_view chunk(text);
  if (wroteLine_ && chunk.substr(0, 2) == "\r\n") chunk.remove_prefix(2);
  wroteLine_ = true;
  WriteText(out_, std::string(chunk) + "\n");
}

void ConsoleWindow::ProcessPendingEvents() {
  // Line by line on a terminal; buffered when the output goes to a file.
  if (StandardOutputIsTerminal()) std::fflush(out_);
}

void ConsoleWindow::RunUntilClosed() {
  std::fflush(out_);
  WaitForEnter();
}

void ConsoleUserInterface::MessageBox(const std::string& text,
                                      const std::string& title, BoxIcon) {
  std::fflush(window_.out());
  WriteText(err_, "[" + title + "] " + text + "\n");
  std::fflush(err_);
  WaitForEnter();
}

}  // namespace quelmar
