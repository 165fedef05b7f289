#include "platform/console/console_ui.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/fake/fakes.h"

namespace quelmar {
namespace {

// A stream in memory that can be read back.
class CapturedStream {
 public:
  CapturedStream() : file_(std::tmpfile()) {}
  ~CapturedStream() { std::fclose(file_); }
  std::FILE* get() { return file_; }
  std::string Text() {
    std::fflush(file_);
    std::rewind(file_);
    std::string text;
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0)
      text.append(buffer, n);
    return text;
  }

 private:
  std::FILE* file_;
};

TEST(ConsoleWindow, WritesEachTracedLineWithItsEmptyLineBefore) {
  CapturedStream out, err;
  FakeTerminal terminal;
  ConsoleUserInterface ui(out.get(), err.get(), terminal);
  Window& window = ui.MainWindow();
  // The chunks a visible run traces: each after the first starts with the
  // break that ends the previous line. A first line that itself starts with
  // a line break keeps it.
  for (const char* chunk : {"\r\nEntrée", "\r\n\r\nConnexion de \\\\srv\\A...",
                            "\r\n   -> OK.", "\r\n\r\nFin"})
    window.AppendTrace(chunk);
  EXPECT_EQ(out.Text(),
            "\nEntrée\n\nConnexion de \\\\srv\\A...\n   -> OK.\n\nFin\n");
  EXPECT_EQ(err.Text(), "");
}

TEST(ConsoleUserInterface, WritesBoxesToStandardErrorAsTitleAndText) {
  CapturedStream out, err;
  FakeTerminal terminal;
  ConsoleUserInterface ui(out.get(), err.get(), terminal);
  ui.MessageBox("Une erreur...\r\n\r\n\tErreur 5 : x", "Erreur",
                BoxIcon::kExclamation);
  ui.MessageBox("Traitement terminé.", "Quelmar v1.0.6", BoxIcon::kInformation);
  EXPECT_EQ(err.Text(),
            "[Erreur] Une erreur...\n\n\tErreur 5 : x\n"
            "[Quelmar v1.0.6] Traitement terminé.\n");
  EXPECT_EQ(out.Text(), "");
}

// A reason that counts how often its text is composed.
class CountedReason : public SessionEndReason {
 public:
  std::string Text() const override {
    ++composed;
    return "Remplacement de \\\\a\\p par \\\\b\\p en cours...";
  }
  mutable int composed = 0;
};

// No session asks the console to end: holding it shows nothing and never
// composes the reason, which a rehearsal would otherwise build for each of
// thousands of replacements.
TEST(ConsoleUserInterface, HoldsTheSessionEndWithoutComposingItsReason) {
  CapturedStream out, err;
  FakeTerminal terminal;
  ConsoleUserInterface ui(out.get(), err.get(), terminal);
  CountedReason reason;
  ui.HoldSessionEnd(reason);
  ui.ReleaseSessionEnd();
  EXPECT_EQ(reason.composed, 0);
  EXPECT_EQ(out.Text(), "");
  EXPECT_EQ(err.Text(), "");
}

TEST(ConsoleUserInterface, WaitsForEnterOnlyWhenSomeoneIsThere) {
  CapturedStream out, err;
  FakeTerminal terminal;
  ConsoleUserInterface ui(out.get(), err.get(), terminal);
  ui.MessageBox("Sans terminal", "Erreur", BoxIcon::kCritical);
  ui.MainWindow().RunUntilClosed();
  EXPECT_EQ(terminal.linesRead, 0);
  terminal.inputIsTerminal = true;
  ui.MessageBox("Au terminal", "Erreur", BoxIcon::kCritical);
  ui.MainWindow().RunUntilClosed();
  EXPECT_EQ(terminal.linesRead, 2);
}

}  // namespace
}  // namespace quelmar
