#include "app/action_section.h"

#include <gtest/gtest.h>

#include "platform/fake/fakes.h"

namespace quelmar {
namespace {

using Lines = std::vector<std::string_view>;

// The section's lines, read as a run reads them; the count known before
// they are read must be the number read.
Lines ReadSection(std::string_view scriptText) {
  ActionLines lines(scriptText);
  Lines read;
  std::string_view line;
  while (lines.Next(line)) read.push_back(line);
  EXPECT_EQ(lines.count(), read.size());
  return read;
}

TEST(ActionLinesTest, NumbersLinesFromTheHeaderLine) {
  EXPECT_EQ(ReadSection("[Config]\r\nMode=N\r\n[actions]\r\n-a\r\n\r\n"
                        "; c\r\n+b"),
            (Lines{"", "-a", "", "; c", "+b"}));
}

TEST(ActionLinesTest, HeaderInAnyCase) {
  for (const char* header : {"[actions]", "[ACTIONS]", "[AcTiOnS]"})
    EXPECT_EQ(ReadSection(std::string(header) + "\r\n-a"), (Lines{"", "-a"}))
        << header;
}

TEST(ActionLinesTest, TextOnTheHeaderLineIsLineZero) {
  EXPECT_EQ(ReadSection("x [actions] -\\\\s\\p\r\n+b"),
            (Lines{" -\\\\s\\p", "+b"}));
}

TEST(ActionLinesTest, SecondHeaderEndsTheSection) {
  EXPECT_EQ(ReadSection("[actions]\r\n-a\r\n[Actions]\r\n-b\r\n"),
            (Lines{"", "-a"}));
  // A header inside a comment above the real one starts the section there.
  EXPECT_EQ(ReadSection("; voir [actions]\r\n-a\r\n[actions]\r\n-b"),
            (Lines{"", "-a"}));
}

TEST(ActionLinesTest, WithoutSectionASingleEmptyLine) {
  EXPECT_EQ(ReadSection(""), (Lines{""}));
  EXPECT_EQ(ReadSection("[Config]\r\nMode=M\r\n"), (Lines{""}));
  EXPECT_EQ(ReadSection("[actions]"), (Lines{""}));
}

class LineEndTest : public testing::TestWithParam<std::string> {};

// Every kind of line end gives the same lines, and so the same numbers.
TEST_P(LineEndTest, SameLines) {
  const std::string& end = GetParam();
  const std::string text = "[Config]" + end + "Mode=N" + end + "[actions]" +
                           end + "-a" + end + end + "+b" + end;
  EXPECT_EQ(ReadSection(text), (Lines{"", "-a", "", "+b"}));
}

INSTANTIATE_TEST_SUITE_P(Ends, LineEndTest,
                         testing::Values("\r\n", "\r", "\n"));

TEST(ActionLinesTest, MixedLineEnds) {
  EXPECT_EQ(ReadSection("[actions]\n-a\r\n-b\r-c\n\n-d"),
            (Lines{"", "-a", "-b", "-c", "", "-d"}));
  // A CR before a CR LF ends a line of its own; a final CR ends the last.
  EXPECT_EQ(ReadSection("[actions]\r\r\n-a\r"), (Lines{"", "", "-a"}));
  EXPECT_EQ(ReadSection("[actions]\n\r"), (Lines{"", ""}));
}

struct ParseCase {
  std::string raw;
  std::string command;
  std::string param1;
  std::string param2;
};

// Shows the case, not its bytes, when a test fails.
void PrintTo(const ParseCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.raw);
}

class ParseActionLineTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseActionLineTest, CleansAndSplits) {
  const ParseCase& c = GetParam();
  std::optional<ActionLine> line = ParseActionLine(c.raw, 12);
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(line->LineNumber, 12);
  EXPECT_EQ(line->Command, c.command);
  EXPECT_EQ(line->Param1, c.param1);
  EXPECT_EQ(line->Param2, c.param2);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseActionLineTest,
    testing::Values(ParseCase{" + \\\\srv\\HP 4050 ; nouvelle", "+",
                              "\\\\srv\\HP 4050", ""},
                    ParseCase{"*\\\\a\\b , \\\\c\\d , \\\\e\\f", "*",
                              "\\\\a\\b", "\\\\c\\d"},
                    ParseCase{"\t-\\\\s\\La\tser\t", "-", "\\\\s\\Laser", ""},
                    ParseCase{"-\\\\s\\p,", "-", "\\\\s\\p", ""},
                    ParseCase{"-", "-", "", ""}, ParseCase{"=,,x", "=", "", ""},
                    ParseCase{"é\\\\s\\p", "é", "\\\\s\\p", ""}));

// A line read without its tabs keeps its parameters when it is copied and
// the line it was read into is gone.
TEST(ParseActionLineTest, ALineWithoutItsTabsKeepsItsParametersWhenCopied) {
  std::vector<ActionLine> kept;
  for (const char* raw :
       {"*\t\\\\a\\b\t,\\\\c\\d", "-\\\\e\\f\t", "+\t\\\\g\\h"}) {
    std::optional<ActionLine> line = ParseActionLine(raw, 1);
    ASSERT_TRUE(line.has_value()) << raw;
    kept.push_back(*line);
  }
  EXPECT_EQ(kept[0].Command, "*");
  EXPECT_EQ(kept[0].Param1, "\\\\a\\b");
  EXPECT_EQ(kept[0].Param2, "\\\\c\\d");
  EXPECT_EQ(kept[1].Param1, "\\\\e\\f");
  EXPECT_EQ(kept[2].Param1, "\\\\g\\h");
}

TEST(ParseActionLineTest, BlankAndCommentLinesGiveNothing) {
  for (const char* raw : {"", "   ", "\t \t", "; commentaire", "  \t;-a"})
    EXPECT_FALSE(ParseActionLine(raw, 1).has_value()) << raw;
}

struct CheckCase {
  std::string raw;
  std::string tail;  // empty for a valid line
};

void PrintTo(const CheckCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.raw);
}

// The message of the first check that fails; nothing for a valid line.
std::optional<std::string> Check(const ActionLine& line) {
  std::string message = "left from a line before";
  if (CheckActionLine(line, message)) return std::nullopt;
  return message;
}

class CheckActionLineTest : public testing::TestWithParam<CheckCase> {};

TEST_P(CheckActionLineTest, FirstFailingCheck) {
  const CheckCase& c = GetParam();
  std::optional<ActionLine> line = ParseActionLine(c.raw, 7);
  ASSERT_TRUE(line.has_value());
  std::optional<std::string> message = Check(*line);
  if (c.tail.empty()) {
    EXPECT_FALSE(message.has_value()) << *message;
  } else {
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(*message, "Erreur de syntaxe (ligne 7" + c.tail);
  }
}

std::string Format(const std::string& param) {
  return "), le nom de l'imprimante '" + param +
         "' ne correspond pas au format autorisé (\\\\serveur\\imprimante)...";
}

const std::string kUnknown = "), commande inconnue...";
const std::string kOneParam =
    "), cette commande n'accepte qu'un seul paramètre.";
const std::string kTwoParams = "), cette commande requiert deux paramètres.";
const std::string kBothWildcards =
    "), quand '*' est utilisé pour un paramètre, il doit l'être aussi pour "
    "l'autre...";

INSTANTIATE_TEST_SUITE_P(
    Checks, CheckActionLineTest,
    testing::Values(
        // 1: unknown command, whatever follows.
        CheckCase{"x\\\\s\\p", kUnknown}, CheckCase{"[Config]", kUnknown},
        CheckCase{"Mode=N", kUnknown}, CheckCase{"é", kUnknown},
        CheckCase{"/\\\\s\\p, junk", kUnknown},
        // 2: the first name, before the count of parameters.
        CheckCase{"+s\\p", Format("s\\p")},
        CheckCase{"- \\\\s\\p\\x , \\\\t\\q", Format("\\\\s\\p\\x")},
        CheckCase{"*\\\\s", Format("\\\\s")},
        CheckCase{"+\\\\s\\*", Format("\\\\s\\*")},
        CheckCase{"=\\\\s\\*", Format("\\\\s\\*")},
        CheckCase{"-\\\\s\\HP*", Format("\\\\s\\HP*")},
        CheckCase{"-", Format("")},
        // 3 and 4: the number of parameters.
        CheckCase{"-\\\\s\\p, \\\\t\\q", kOneParam},
        CheckCase{"-\\\\s\\p, bad", kOneParam},
        CheckCase{"=Local, x", kOneParam}, CheckCase{"*\\\\s\\p", kTwoParams},
        CheckCase{"*\\\\s\\p ,", kTwoParams},
        // 5: the second name.
        CheckCase{"*\\\\s\\p, t\\q", Format("t\\q")},
        CheckCase{"*\\\\s\\p, \\\\t*\\q", Format("\\\\t*\\q")},
        // 6: a wildcard on one side only.
        CheckCase{"*\\\\s\\*, \\\\t\\q", kBothWildcards},
        CheckCase{"*\\\\s\\p, \\\\t\\*", kBothWildcards},
        // Valid lines.
        CheckCase{"*\\\\s\\*,\\\\t\\*", ""},
        CheckCase{"*\\\\s\\p,\\\\t\\q,\\\\u\\r", ""},
        CheckCase{"-\\\\s\\p,", ""}, CheckCase{"-\\\\s\\*", ""},
        CheckCase{"=HP LaserJet *", ""}, CheckCase{"=", ""},
        CheckCase{"+\\\\\\p", ""}, CheckCase{"+\\\\s\\", ""}));

TEST(CheckActionLineTest, NumberIsTheLineNumber) {
  std::optional<ActionLine> line = ParseActionLine("?", 32766);
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(Check(*line),
            "Erreur de syntaxe (ligne 32766), commande inconnue...");
}

struct NameCase {
  std::string name;
  char command;
  bool valid;
};

void PrintTo(const NameCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.name + " " + c.command);
}

class IsValidPrinterNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(IsValidPrinterNameTest, Rules) {
  const NameCase& c = GetParam();
  EXPECT_EQ(IsValidPrinterName(c.name, c.command), c.valid)
      << c.name << " " << c.command;
}

INSTANTIATE_TEST_SUITE_P(
    Names, IsValidPrinterNameTest,
    testing::Values(
        NameCase{"\\\\srv\\p", '+', true},
        NameCase{"\\\\srv\\HP 4050", '-', true},
        NameCase{"\\\\s\\[a]#?", '-', true},
        NameCase{"\\\\\\p", '-', true},    // empty server
        NameCase{"\\\\srv\\", '-', true},  // empty printer
        NameCase{"\\\\srv\\p\\x", '-', false}, NameCase{"\\\\srv", '-', false},
        NameCase{"\\srv\\p", '-', false}, NameCase{"srv\\p", '-', false},
        NameCase{"", '-', false}, NameCase{"\\\\s*\\p", '-', false},
        NameCase{"\\\\*\\*", '-', false}, NameCase{"\\\\srv\\HP*", '-', false},
        NameCase{"\\\\srv\\*x", '*', false}, NameCase{"\\\\srv\\*", '-', true},
        NameCase{"\\\\srv\\*", '*', true}, NameCase{"\\\\srv\\*", '+', false},
        NameCase{"\\\\srv\\*", '=', false}, NameCase{"\\\\srv\\**", '*', false},
        NameCase{"\\\\*", '-', false}, NameCase{"\\\\srv\\*\\", '-', false},
        // A local name for the default printer only, taken as written.
        NameCase{"PDF *", '=', true}, NameCase{"", '=', true},
        NameCase{"PDF", '-', false}, NameCase{"s\\p", '=', false}));

// Runs the pass over `script` in a visible run, on a workstation.
struct Pass : FakeRun {
  explicit Pass(WorkstationState state = {}) : FakeRun(std::move(state)) {}
  const std::string& Run(const std::string& script) {
    ProcessActionSection(script, run, execution);
    return window.text;
  }
};

WorkstationState Printers(std::vector<std::string> printers) {
  WorkstationState state;
  state.printers = std::move(printers);
  return state;
}

TEST(BuildNameListsTest, WildcardPairsNewNamesByPrinterPart) {
  Pass pass(Printers({"\\\\old\\A", "\\\\other\\B", "\\\\OLD\\Cé"}));
  std::optional<ActionLine> line =
      ParseActionLine("*\\\\old\\*, \\\\New\\*", 1);
  NameLists lists;
  BuildNameLists(*line, pass.workstation, pass.trace, lists);
  EXPECT_EQ(lists.OldNames,
            (std::vector<std::string>{"\\\\old\\A", "\\\\OLD\\Cé"}));
  EXPECT_EQ(lists.NewNames,
            (std::vector<std::string>{"\\\\New\\A", "\\\\New\\Cé"}));
  EXPECT_TRUE(lists.IsMultiple);
  EXPECT_EQ(pass.window.text,
            "###############   Début de traitement multiple  "
            "###############");
}

TEST(BuildNameListsTest, WildcardForOtherCommandsLeavesNewNamesEmpty) {
  Pass pass(Printers({"\\\\old\\A", "\\\\old\\B"}));
  NameLists lists;
  BuildNameLists(*ParseActionLine("-\\\\OLD\\*", 1), pass.workstation,
                 pass.trace, lists);
  EXPECT_EQ(lists.OldNames,
            (std::vector<std::string>{"\\\\old\\A", "\\\\old\\B"}));
  EXPECT_EQ(lists.NewNames, (std::vector<std::string>{"", ""}));
}

TEST(BuildNameListsTest, WildcardWithoutMatchGivesOneEmptyEntry) {
  Pass pass(Printers({"\\\\old\\A"}));
  NameLists lists;
  BuildNameLists(*ParseActionLine("*\\\\x\\*,\\\\y\\*", 1), pass.workstation,
                 pass.trace, lists);
  EXPECT_EQ(lists.OldNames, std::vector<std::string>{""});
  EXPECT_EQ(lists.NewNames.size(), 1u);
  EXPECT_TRUE(lists.IsMultiple);
}

TEST(BuildNameListsTest, PlainLineTakesItsParameters) {
  Pass pass;
  // "=*" names a printer called "*", not every printer.
  for (const char* raw : {"*\\\\a\\b,\\\\c\\d", "=", "=PDF local", "=*"}) {
    std::optional<ActionLine> line = ParseActionLine(raw, 1);
    NameLists lists;
    BuildNameLists(*line, pass.workstation, pass.trace, lists);
    EXPECT_EQ(lists.OldNames,
              std::vector<std::string>{std::string(line->Param1)});
    EXPECT_EQ(lists.NewNames,
              std::vector<std::string>{std::string(line->Param2)});
    EXPECT_FALSE(lists.IsMultiple);
  }
  EXPECT_TRUE(pass.workstation.calls().empty());
  EXPECT_EQ(pass.window.text, "");
}

TEST(BuildNameListsTest, ListsKeptFromOneLineToTheNextHoldOnlyTheLastOne) {
  Pass pass(Printers({"\\\\old\\A", "\\\\old\\B", "\\\\old\\C"}));
  NameLists lists;
  BuildNameLists(*ParseActionLine("*\\\\old\\*, \\\\new\\*", 1),
                 pass.workstation, pass.trace, lists);
  BuildNameLists(*ParseActionLine("-\\\\OLD\\*", 2), pass.workstation,
                 pass.trace, lists);
  EXPECT_EQ(lists.NewNames, (std::vector<std::string>{"", "", ""}));
  BuildNameLists(*ParseActionLine("+\\\\s\\p", 3), pass.workstation, pass.trace,
                 lists);
  EXPECT_EQ(lists.OldNames, std::vector<std::string>{"\\\\s\\p"});
  EXPECT_EQ(lists.NewNames, std::vector<std::string>{""});
  EXPECT_FALSE(lists.IsMultiple);
}

class PassLineEndTest : public testing::TestWithParam<std::string> {};

// Rejected lines are reported with their number in the file, counted, and
// never stop the pass; blank and comment lines count in the numbering only.
TEST_P(PassLineEndTest, ReportsRejectedLinesByNumber) {
  const std::string& end = GetParam();
  Pass pass(Printers({"\\\\s\\p"}));
  const std::string trace = pass.Run(
      "[Config]" + end + "Mode=N" + end + "[ACTIONS] x" + end +
      "; commentaire" + end + "\t  " + end + "-\\\\s\\p" + end + "y" + end);
  EXPECT_EQ(trace,
            "Erreur de syntaxe (ligne 0), commande inconnue...\r\n"
            "\r\n"
            "Déconnexion de \\\\s\\p...\r\n"
            "   -> OK.\r\n"
            "Erreur de syntaxe (ligne 4), commande inconnue...");
  EXPECT_EQ(pass.counters.ActionCount.value(), 1);
  EXPECT_EQ(pass.counters.ScriptErrorCount.value(), 2);
  EXPECT_EQ(pass.counters.SuccessCount.value(), 1);
}

INSTANTIATE_TEST_SUITE_P(Ends, PassLineEndTest,
                         testing::Values("\r\n", "\r", "\n"));

struct BadLineCase {
  std::string raw;
  std::string trace;
};

void PrintTo(const BadLineCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.raw.substr(0, 40));
}

class BadLineTest : public testing::TestWithParam<BadLineCase> {};

// Odd lines get their message or their run, never a crash.
TEST_P(BadLineTest, MessageOrRun) {
  Pass pass(Printers({"\\\\s\\[a]#?", "\\\\s\\p"}));
  EXPECT_EQ(pass.Run("[actions]" + GetParam().raw), GetParam().trace);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BadLineTest,
    testing::Values(
        BadLineCase{"-",
                    "Erreur de syntaxe (ligne 0), le nom de l'imprimante "
                    "'' ne correspond pas au format autorisé "
                    "(\\\\serveur\\imprimante)..."},
        BadLineCase{"*",
                    "Erreur de syntaxe (ligne 0), le nom de l'imprimante "
                    "'' ne correspond pas au format autorisé "
                    "(\\\\serveur\\imprimante)..."},
        BadLineCase{"-\\\\s\\[a]#?",
                    "Déconnexion de \\\\s\\[a]#?...\r\n   -> OK."},
        BadLineCase{"-\\\\s\\p,,,,", "Déconnexion de \\\\s\\p...\r\n   -> OK."},
        BadLineCase{std::string("-\\\\s\\p") + '\0' + "q",
                    "Déconnexion de \\\\s\\p" + std::string(1, '\0') +
                        "q...\r\n   -> non effectué : "
                        "l'imprimante n'est pas "
                        "installée."},
        BadLineCase{"-\\\\s\\" + std::string(100000, 'x'),
                    "Déconnexion de \\\\s\\" + std::string(100000, 'x') +
                        "...\r\n   -> non effectué : l'imprimante n'est pas "
                        "installée."}));

TEST(ProcessActionSectionTest, LogInfosFirstEvenWithoutSection) {
  Pass pass;
  pass.settings.LogInfos = "Lot 1\r\nSite A";
  EXPECT_EQ(pass.Run("[Config]\r\nMode=N\r\n"), "Lot 1\r\nSite A");
  EXPECT_EQ(pass.counters.ActionCount.value(), 0);
}

TEST(ProcessActionSectionTest, ConfigAfterTheHeaderIsExaminedAsActions) {
  Pass pass;
  const std::string trace =
      pass.Run("[actions]\r\n[Config]\r\nMode=N ; visible\r\n");
  EXPECT_EQ(trace,
            "Erreur de syntaxe (ligne 1), commande inconnue...\r\n"
            "Erreur de syntaxe (ligne 2), commande inconnue...");
  EXPECT_EQ(pass.counters.ScriptErrorCount.value(), 2);
  EXPECT_EQ(pass.counters.ActionCount.value(), 0);
}

TEST(ProcessActionSectionTest, DefaultWithoutNameConcernsNoPrinter) {
  Pass pass;
  EXPECT_EQ(pass.Run("[actions]\r\n= ; rien\r\n"),
            "   -> aucune imprimante concernée.");
  EXPECT_EQ(pass.counters.ActionCount.value(), 1);
  EXPECT_EQ(pass.counters.SuccessCount.value() +
                pass.counters.SkippedCount.value() +
                pass.counters.MigrationErrorCount.value(),
            0);
}

// A wildcard is matched when its line is reached, after the earlier lines
// have changed the workstation.
TEST(ProcessActionSectionTest, WildcardSeesEarlierLines) {
  WorkstationState state = Printers({"\\\\s\\a"});
  state.shares = {"\\\\S\\B"};
  Pass pass(state);
  const std::string trace = pass.Run("[actions]\r\n+\\\\s\\b\r\n-\\\\s\\*\r\n");
  EXPECT_EQ(trace,
            "Connexion de \\\\s\\b...\r\n"
            "   -> OK.\r\n"
            "\r\n"
            "###############   Début de traitement multiple  ###############"
            "\r\n\r\n"
            "Déconnexion de \\\\s\\a...\r\n"
            "   -> OK.\r\n"
            "\r\n"
            "Déconnexion de \\\\S\\B...\r\n"
            "   -> OK.\r\n"
            "\r\n"
            "###################################################");
  EXPECT_EQ(pass.counters.ActionCount.value(), 2);
  EXPECT_EQ(pass.counters.SuccessCount.value(), 3);
  EXPECT_TRUE(pass.workstation.state().printers.empty());
}

// Line numbers are 16-bit: a section holds lines 0 to 32,766.
std::string SectionOfLines(size_t lines) {
  std::string script = "[actions]-\\\\s\\p";
  script.append(lines - 2, '\n');
  return script + "\nx";
}

TEST(ProcessActionSectionTest, FullSectionRunsToItsLastLine) {
  Pass pass(Printers({"\\\\s\\p"}));
  const std::string trace = pass.Run(SectionOfLines(32767));
  EXPECT_TRUE(trace.ends_with(
      "\r\nErreur de syntaxe (ligne 32766), commande inconnue..."))
      << trace;
  EXPECT_EQ(pass.counters.SuccessCount.value(), 1);
}

TEST(ProcessActionSectionTest, LongerSectionIsOverflowBeforeAnyLine) {
  Pass pass(Printers({"\\\\s\\p"}));
  try {
    pass.Run(SectionOfLines(32768));
    ADD_FAILURE() << "no overflow";
  } catch (const RunError& error) {
    EXPECT_EQ(error.number(), 6);
  }
  EXPECT_TRUE(pass.workstation.calls().empty());
  EXPECT_EQ(pass.window.text, "");
}

}  // namespace
}  // namespace quelmar
