#include "app/run_trace.h"

#include <gtest/gtest.h>

#include "platform/fake/fakes.h"

namespace quelmar {
namespace {

// Counts what the trace hands to the window, to see that it appends.
class CountingWindow : public RecordingWindow {
 public:
  size_t bytesGiven = 0;
  void AppendTrace(const std::string& chunk) override {
    bytesGiven += chunk.size();
    RecordingWindow::AppendTrace(chunk);
  }
};

struct TraceRun {
  RunSettings settings;
  CountingWindow window;
  RunTrace trace{settings, window};

  TraceRun(const std::string& mode, const std::string& modeLog) {
    settings.Mode = mode;
    settings.ModeLog = modeLog;
  }
};

enum class Kind { kOpening, kLine, kOutcome };

struct Line {
  std::string text;
  Kind kind;
};

void TraceLine(RunTrace& trace, const Line& line) {
  switch (line.kind) {
    case Kind::kOpening:
      return trace.Opening(line.text);
    case Kind::kLine:
      return trace.Line(line.text);
    case Kind::kOutcome:
      return trace.Outcome(line.text);
  }
}

struct LayoutCase {
  std::string name;
  std::vector<Line> lines;
  std::string expected;
};

// Shows the case, not its bytes, when a test fails.
void PrintTo(const LayoutCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.name);
}

class TraceLayoutTest : public testing::TestWithParam<LayoutCase> {};

// The box and the journal's text get the same text, each by the same rule.
TEST_P(TraceLayoutTest, BoxAndBufferAlike) {
  TraceRun run("N", "C");
  for (const Line& line : GetParam().lines) TraceLine(run.trace, line);
  EXPECT_EQ(run.window.text, GetParam().expected);
  EXPECT_EQ(run.trace.journalText(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, TraceLayoutTest,
    testing::Values(
        // The first line never gets a break before it.
        LayoutCase{"FirstOpening",
                   {{"Lot 1\r\nSite A", Kind::kOpening}},
                   "Lot 1\r\nSite A"},
        LayoutCase{"FirstOutcome", {{"OK.", Kind::kOutcome}}, "   -> OK."},
        LayoutCase{"Mixed",
                   {{"a", Kind::kLine},
                    {"b", Kind::kOutcome},
                    {"c", Kind::kOpening},
                    {"d", Kind::kOutcome},
                    {"e", Kind::kLine}},
                   "a\r\n   -> b\r\n\r\nc\r\n   -> d\r\ne"},
        // An empty first line leaves the text empty, so the next line is
        // still the first.
        LayoutCase{
            "EmptyFirstLine", {{"", Kind::kLine}, {"x", Kind::kOpening}}, "x"}),
    [](const testing::TestParamInfo<LayoutCase>& info) {
      return info.param.name;
    });

// A line given as its pieces reads as the pieces joined, in the box and the
// journal's text alike; pieces that are all empty make an empty line.
TEST(TracePiecesTest, JoinedWhereTheLineGoes) {
  TraceRun run("N", "C");
  run.trace.Line({"", ""});
  run.trace.Opening({"Connexion de ", "\\\\s\\p", "..."});
  run.trace.Outcome({"erreur rencontrée : ", "", "Accès refusé."});
  run.trace.Line({"Et reconnexion de ", "x", "..."});
  const std::string expected =
      "Connexion de \\\\s\\p...\r\n   -> erreur rencontrée : Accès "
      "refusé.\r\nEt reconnexion de x...";
  EXPECT_EQ(run.window.text, expected);
  EXPECT_EQ(run.trace.journalText(), expected);
}

// The journal's text is handed over before the closing line of mode "N":
// the box still puts that line after an empty one.
TEST(TracePiecesTest, BoxGoesOnAfterTheJournalIsTaken) {
  TraceRun run("N", "C");
  run.trace.Opening({"Sélection par défaut de ", "p", "..."});
  EXPECT_EQ(std::string_view(run.trace.TakeJournalText()),
            "Sélection par défaut de p...");
  run.trace.Opening("Traitement terminé.");
  EXPECT_EQ(run.window.text,
            "Sélection par défaut de p...\r\n\r\nTraitement terminé.");
}

struct ModeCase {
  std::string mode;
  std::string modeLog;
  bool toBox;
  bool toBuffer;
};

void PrintTo(const ModeCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.mode + "/" + c.modeLog);
}

class TraceTargetTest : public testing::TestWithParam<ModeCase> {};

TEST_P(TraceTargetTest, BoxInModeNBufferAtLevelC) {
  const ModeCase& c = GetParam();
  TraceRun run(c.mode, c.modeLog);
  run.trace.Line("a");
  run.trace.Outcome("b");
  const std::string both = "a\r\n   -> b";
  EXPECT_EQ(run.window.text, c.toBox ? both : "");
  EXPECT_EQ(run.window.pendingEventRounds, c.toBox ? 2 : 0);
  EXPECT_EQ(run.trace.journalText(), c.toBuffer ? both : "");
}

INSTANTIATE_TEST_SUITE_P(Modes, TraceTargetTest,
                         testing::Values(ModeCase{"N", "C", true, true},
                                         ModeCase{"N", "S", true, false},
                                         ModeCase{"N", "A", true, false},
                                         ModeCase{"N", "", true, false},
                                         ModeCase{"D", "C", false, true},
                                         ModeCase{"M", "C", false, true},
                                         ModeCase{"", "C", false, true},
                                         ModeCase{"D", "S", false, false}));

// A long run hands the window each line once: the box is appended to, not
// rebuilt, so the cost of the trace grows with its length.
TEST(TraceCostTest, AppendsEachLineOnce) {
  TraceRun run("N", "C");
  for (int i = 0; i < 1000; ++i) {
    run.trace.Opening("Ligne");
    run.trace.Outcome("OK.");
  }
  EXPECT_EQ(run.window.bytesGiven, run.window.text.size());
  EXPECT_EQ(run.window.caret, run.window.text.size());
  EXPECT_EQ(run.window.text, run.trace.journalText());
}

}  // namespace
}  // namespace quelmar
