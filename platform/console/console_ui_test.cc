#include "platform/console/console_ui.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/run_state.h"
#include "app/run_trace.h"

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
  ConsoleUserInterface ui(out.get(), err.get());
  RunSettings settings;
  settings.Mode = "N";
  RunTrace trace(settings, ui.MainWindow());
  // A first line that itself starts with a line break keeps it: only the
  // break that ends the previous line is the console's own.
  trace.Trace("\r\nEntrée", true, true);
  trace.Trace("Connexion de \\\\srv\\A...", true, true);
  trace.Trace("OK.", false, false);
  trace.Trace("Fin", true, true);
  EXPECT_EQ(out.Text(),
            "\nEntrée\n\nConnexion de \\\\srv\\A...\n   -> OK.\n\nFin\n");
  EXPECT_EQ(err.Text(), "");
}

TEST(ConsoleUserInterface, WritesBoxesToStandardErrorAsTitleAndText) {
  CapturedStream out, err;
  ConsoleUserInterface ui(out.get(), err.get());
  ui.MessageBox("Une erreur...\r\n\r\n\tErreur 5 : x", "Erreur",
                BoxIcon::kExclamation);
  ui.MessageBox("Traitement terminé.", "Quelmar v1.0.6", BoxIcon::kInformation);
  EXPECT_EQ(err.Text(),
            "[Erreur] Une erreur...\n\n\tErreur 5 : x\n"
            "[Quelmar v1.0.6] Traitement terminé.\n");
  EXPECT_EQ(out.Text(), "");
}

TEST(ConsoleWindow, SilentRunsWriteNothing) {
  CapturedStream out, err;
  ConsoleUserInterface ui(out.get(), err.get());
  RunSettings settings;
  settings.Mode = "M";
  settings.ModeLog = "C";
  RunTrace trace(settings, ui.MainWindow());
  trace.Trace("Connexion de \\\\srv\\A...", true, true);
  EXPECT_EQ(out.Text(), "");
  EXPECT_EQ(settings.LogBuffer, "Connexion de \\\\srv\\A...");
}

}  // namespace
}  // namespace quelmar
