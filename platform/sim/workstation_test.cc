#include "platform/sim/workstation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quelmar {
namespace {

using Names = std::vector<std::string>;

Names Failures(const WorkstationState& state) {
  Names out;
  for (const ForcedFailure& f : state.failures)
    out.push_back(f.operation + "|" + f.printer + "|" +
                  std::to_string(f.error));
  return out;
}

void ExpectSameState(const WorkstationState& a, const WorkstationState& b) {
  EXPECT_EQ(a.printers, b.printers);
  EXPECT_EQ(a.device, b.device);
  EXPECT_EQ(a.shares, b.shares);
  EXPECT_EQ(Failures(a), Failures(b));
  EXPECT_EQ(a.messages, b.messages);
}

constexpr const char* kFile =
    "; Un poste avant la migration.\r\n"
    "[Printers]\r\n"
    "\\\\oldsrv\\Canon1\r\n"
    "  PDF local  \r\n"
    "\r\n"
    "; une ligne de commentaire\r\n"
    "\\\\OLDSRV\\Ricoh\r\n"
    "[ DEFAULT ] ; le profil\r\n"
    "Device = \\\\oldsrv\\Canon1,winspool,Ne01:\r\n"
    "[shares]\r\n"
    "\\\\printsrv\\Canon1\r\n"
    "\\\\printsrv\\Salle de réunion\r\n"
    "[Failures]\r\n"
    "CONNECT \\\\printsrv\\Canon1=5\r\n"
    "disconnect \\\\oldsrv\\Ricoh = 1722\r\n"
    "setdefault \\\\printsrv\\Salle de réunion=0\r\n"
    "connect \\\\srv\\a=b=53\r\n"
    "connect-sans-numero\r\n"
    "[messages]\r\n"
    "5=Accès refusé (simulé).\r\n"
    "-2=Texte = avec un égal\r\n"
    "[inconnue]\r\n"
    "\\\\ignored\\printer\r\n";

TEST(ParseWorkstationTest, ReadsEverySection) {
  const WorkstationState state = ParseWorkstation(kFile);
  EXPECT_EQ(state.printers,
            (Names{"\\\\oldsrv\\Canon1", "PDF local", "\\\\OLDSRV\\Ricoh"}));
  EXPECT_EQ(state.device, "\\\\oldsrv\\Canon1,winspool,Ne01:");
  EXPECT_EQ(state.shares,
            (Names{"\\\\printsrv\\Canon1", "\\\\printsrv\\Salle de réunion"}));
  EXPECT_EQ(Failures(state),
            (Names{"connect|\\\\printsrv\\Canon1|5",
                   "disconnect|\\\\oldsrv\\Ricoh|1722",
                   "setdefault|\\\\printsrv\\Salle de réunion|0",
                   "connect|\\\\srv\\a=b|53"}));
  EXPECT_EQ(state.messages,
            (std::vector<std::pair<int32_t, std::string>>{
                {5, "Accès refusé (simulé)."}, {-2, "Texte = avec un égal"}}));
}

TEST(ParseWorkstationTest, EmptyFileIsAWorkstationWithoutPrinters) {
  const WorkstationState state = ParseWorkstation("");
  EXPECT_TRUE(state.printers.empty());
  EXPECT_FALSE(state.device.has_value());
  SimWorkstation station(state);
  EXPECT_EQ(station.DefaultPrinterName(), "");
}

TEST(ParseWorkstationTest, ByteOrderMarkIsNotPartOfTheFirstLine) {
  const WorkstationState state =
      ParseWorkstation("\xEF\xBB\xBF[printers]\n\\\\srv\\a\n");
  EXPECT_EQ(state.printers, Names{"\\\\srv\\a"});
}

TEST(FormatWorkstationTest, RoundTripsThroughTheParser) {
  const WorkstationState parsed = ParseWorkstation(kFile);
  const std::string text = FormatWorkstation(parsed);
  ExpectSameState(ParseWorkstation(text), parsed);
  EXPECT_EQ(FormatWorkstation(ParseWorkstation(text)), text);

  WorkstationState bare;
  bare.printers = {"\\\\srv\\École"};
  ExpectSameState(ParseWorkstation(FormatWorkstation(bare)), bare);
  bare.device = "";
  ExpectSameState(ParseWorkstation(FormatWorkstation(bare)), bare);
}

TEST(ParseWorkstationTest, UnreadableFilesSayWhy) {
  struct Case {
    std::string text;
    std::string problem;
  } cases[] = {
      {kFile, ""},
      {"[failures]\nconnect \\\\a\\b=-2147483648\n[messages]\n2147483647=x",
       ""},
      {std::string("\xFF\xFE[\0s\0]\0", 8),
       "fichier en UTF-16 ; il doit être en UTF-8"},
      {"[printers]\n\\\\srv\\Caf\xE9", "fichier qui n'est pas du texte UTF-8"},
      {std::string("[printers]\nA\0B", 14),
       "fichier binaire (caractère de contrôle)"},
      {"[printers]\nA\n[failures]\nconnect A=2147483648",
       "ligne 4 : nombre illisible ou hors limites"},
      {"[messages]\n5=Accès refusé.\n99999999999999999999=x",
       "ligne 3 : nombre illisible ou hors limites"},
      {"[failures]\r\nconnect A=cinq",
       "ligne 2 : nombre illisible ou hors limites"},
  };
  for (const Case& c : cases) {
    std::string problem = "not set";
    ParseWorkstation(c.text, &problem);
    EXPECT_EQ(problem, c.problem) << c.text;
  }
}

SimWorkstation Station() { return SimWorkstation(ParseWorkstation(kFile)); }

TEST(SimWorkstationTest, ConnectAddsTheShareAsItIsSpelled) {
  SimWorkstation station = Station();
  SpoolerResult result =
      station.AddPrinterConnection("\\\\PRINTSRV\\salle de RÉUNION");
  EXPECT_TRUE(result.succeeded);
  EXPECT_EQ(result.error, 0);
  EXPECT_EQ(station.state().printers.back(), "\\\\printsrv\\Salle de réunion");
  // Connecting again succeeds and adds no second entry.
  EXPECT_TRUE(
      station.AddPrinterConnection("\\\\printsrv\\salle de réunion").succeeded);
  EXPECT_EQ(station.state().printers.size(), 4u);
  EXPECT_EQ(station.calls(), (Names{"connect \\\\PRINTSRV\\salle de RÉUNION",
                                    "connect \\\\printsrv\\salle de réunion"}));
}

TEST(SimWorkstationTest, ConnectFailures) {
  SimWorkstation station = Station();
  SpoolerResult forced = station.AddPrinterConnection("\\\\PrintSrv\\canon1");
  EXPECT_FALSE(forced.succeeded);
  EXPECT_EQ(forced.error, 5);
  SpoolerResult notShared = station.AddPrinterConnection("\\\\printsrv\\HP");
  EXPECT_FALSE(notShared.succeeded);
  EXPECT_EQ(notShared.error, 1801);
  // Installed but offered by no server.
  EXPECT_EQ(station.AddPrinterConnection("\\\\oldsrv\\Canon1").error, 1801);
  EXPECT_EQ(station.state().printers.size(), 3u);
}

// The system reads a name up to its first NUL: a name with a control
// character is refused whole, even when a share or a printer bears it.
TEST(SimWorkstationTest, NamesWithAControlCharacterAreInvalid) {
  WorkstationState state;
  state.printers = {"\\\\oldsrv\\A\x01"};
  state.shares = {"\\\\printsrv\\B\tC"};
  // Refused before a forced failure of that name is looked at.
  state.failures = {{"connect", "\\\\printsrv\\D\x02", 5},
                    {"disconnect", "\\\\oldsrv\\a\x01", 5}};
  SimWorkstation station(state);
  EXPECT_EQ(station.AddPrinterConnection(state.shares[0]).error, 1801);
  EXPECT_EQ(station.AddPrinterConnection("\\\\PRINTSRV\\b\tc").error, 1801);
  EXPECT_EQ(station.AddPrinterConnection("\\\\printsrv\\D\x02").error, 1801);
  EXPECT_EQ(station.DeletePrinterConnection(state.printers[0]).error, 1801);
  EXPECT_EQ(station.DeletePrinterConnection("\\\\OLDSRV\\a\x01").error, 1801);
  EXPECT_EQ(station.state().printers, state.printers);
}

TEST(SimWorkstationTest, DisconnectRemovesAndClearsTheDefault) {
  SimWorkstation station = Station();
  EXPECT_TRUE(station.DeletePrinterConnection("pdf LOCAL").succeeded);
  EXPECT_EQ(station.state().device, "\\\\oldsrv\\Canon1,winspool,Ne01:");
  EXPECT_TRUE(station.DeletePrinterConnection("\\\\OldSrv\\CANON1").succeeded);
  EXPECT_EQ(station.state().printers, Names{"\\\\OLDSRV\\Ricoh"});
  EXPECT_EQ(station.state().device, ",,,");
  EXPECT_EQ(station.DefaultPrinterName(), "");
}

TEST(SimWorkstationTest, DisconnectFailures) {
  SimWorkstation station = Station();
  SpoolerResult forced = station.DeletePrinterConnection("\\\\oldsrv\\ricoh");
  EXPECT_FALSE(forced.succeeded);
  EXPECT_EQ(forced.error, 1722);
  SpoolerResult absent = station.DeletePrinterConnection("\\\\oldsrv\\HP4050");
  EXPECT_FALSE(absent.succeeded);
  EXPECT_EQ(absent.error, 1801);
  EXPECT_EQ(station.state().printers.size(), 3u);
}

TEST(SimWorkstationTest, ForcedSetDefaultFailureIgnoresTheWrite) {
  SimWorkstation station = Station();
  station.MakeDefaultPrinter("\\\\PRINTSRV\\Salle de réunion");
  EXPECT_EQ(station.DefaultPrinterName(), "\\\\oldsrv\\Canon1");
  EXPECT_EQ(station.state().device, "\\\\oldsrv\\Canon1,winspool,Ne01:");
  station.MakeDefaultPrinter("PDF local");
  EXPECT_EQ(station.DefaultPrinterName(), "PDF local");
  EXPECT_EQ(station.state().device, "PDF local,,");
  EXPECT_EQ(station.calls(), (Names{"setdefault \\\\PRINTSRV\\Salle de réunion",
                                    "read", "setdefault PDF local", "read"}));
}

TEST(SimWorkstationTest, MessagesFromTheFileThenBuiltInThenNone) {
  SimWorkstation station = Station();
  EXPECT_EQ(station.ErrorText(5), "Accès refusé (simulé).");
  EXPECT_EQ(station.ErrorText(-2), "Texte = avec un égal");
  EXPECT_EQ(station.ErrorText(1801),
            "Le nom de l'imprimante n'est pas valide.");
  for (int32_t code : {2, 53, 1722, 1930, 3019})
    EXPECT_FALSE(station.ErrorText(code).empty()) << code;
  EXPECT_EQ(station.ErrorText(2250), "");
  EXPECT_EQ(SimWorkstation(WorkstationState{}).ErrorText(5), "Accès refusé.");
  EXPECT_EQ(station.calls().back(), "message 2250");
}

TEST(SimWorkstationTest, ListsThePrintersInOrderAndRecordsIt) {
  SimWorkstation station = Station();
  EXPECT_EQ(station.InstalledPrinters(),
            (Names{"\\\\oldsrv\\Canon1", "PDF local", "\\\\OLDSRV\\Ricoh"}));
  EXPECT_EQ(station.calls(), Names{"list"});
}

// The index answers as a pass over the list would, after every change.
TEST(SimWorkstationIndexTest, EachOperationSeesTheWorkstationAsLeft) {
  WorkstationState state;
  state.printers = {"\\\\srv\\B", "PDF", "\\\\srv\\a", "\\\\SRV\\b"};
  state.shares = {"\\\\srv\\C", "\\\\Srv\\A"};
  SimWorkstation station(state);
  CaseInsensitivePattern onSrv("\\\\srv\\*");
  EXPECT_EQ(station.InstalledMatching(onSrv),
            (Names{"\\\\srv\\B", "\\\\srv\\a", "\\\\SRV\\b"}));
  // The first of two equal names goes; the second stays where it was.
  ASSERT_TRUE(station.DeletePrinterConnection("\\\\srv\\b").succeeded);
  EXPECT_TRUE(station.IsInstalled("\\\\srv\\B"));
  EXPECT_EQ(station.InstalledMatching(onSrv),
            (Names{"\\\\srv\\a", "\\\\SRV\\b"}));
  ASSERT_TRUE(station.AddPrinterConnection("\\\\srv\\c").succeeded);
  ASSERT_TRUE(station.DeletePrinterConnection("\\\\SRV\\A").succeeded);
  EXPECT_FALSE(station.IsInstalled("\\\\srv\\a"));
  ASSERT_TRUE(station.AddPrinterConnection("\\\\srv\\a").succeeded);
  EXPECT_EQ(station.InstalledMatching(onSrv),
            (Names{"\\\\SRV\\b", "\\\\srv\\C", "\\\\Srv\\A"}));
  CaseInsensitivePattern any("*");
  EXPECT_EQ(station.InstalledMatching(any),
            (Names{"PDF", "\\\\SRV\\b", "\\\\srv\\C", "\\\\Srv\\A"}));
  EXPECT_EQ(station.InstalledPrinters(), station.InstalledMatching(any));
  EXPECT_EQ(station.state().printers, station.InstalledMatching(any));
}

// An operation asks about a name, then changes it by the same name: each
// call still answers for the name it is given and the workstation as the
// call before left it, a moved workstation included.
TEST(SimWorkstationIndexTest, SameNameTwiceThenAnother) {
  WorkstationState state;
  state.printers = {"\\\\srv\\A"};
  state.shares = {"\\\\srv\\A", "\\\\srv\\B"};
  state.failures = {{"connect", "\\\\srv\\b", 5}};
  SimWorkstation first(state);
  EXPECT_TRUE(first.IsInstalled("\\\\srv\\a"));
  SimWorkstation station = std::move(first);
  EXPECT_TRUE(station.IsInstalled("\\\\srv\\a"));
  ASSERT_TRUE(station.DeletePrinterConnection("\\\\srv\\a").succeeded);
  EXPECT_FALSE(station.IsInstalled("\\\\srv\\a"));
  EXPECT_EQ(station.DeletePrinterConnection("\\\\srv\\a").error, 1801);
  ASSERT_TRUE(station.AddPrinterConnection("\\\\srv\\a").succeeded);
  EXPECT_TRUE(station.IsInstalled("\\\\srv\\a"));
  EXPECT_FALSE(station.IsInstalled("\\\\srv\\b"));
  station.MakeDefaultPrinter("\\\\srv\\a");
  EXPECT_EQ(station.AddPrinterConnection("\\\\SRV\\B").error, 5);
  EXPECT_TRUE(station.AddPrinterConnection("\\\\srv\\a").succeeded);
  EXPECT_EQ(station.AddPrinterConnection("\\\\srv\\b").error, 5);
  EXPECT_FALSE(station.IsInstalled("\\\\srv\\b"));
  EXPECT_EQ(station.state().printers, Names{"\\\\srv\\A"});
}

// A name finds its printer, share, forced failure and the default in any
// case, accented letters included, long names differing only at the end
// kept apart.
TEST(SimWorkstationIndexTest, NamesEqualButForCaseMeet) {
  WorkstationState state;
  state.printers = {"\\\\SRV\\Été", "\\\\printserver01\\Floor2-A"};
  state.shares = {"\\\\srv\\ÉTÉ2", "\\\\printserver01\\Floor2-B"};
  state.failures = {{"disconnect", "\\\\SRV\\LOCKED", 5}};
  state.device = "\\\\srv\\ÉTÉ,winspool,Ne01:";
  SimWorkstation station(state);
  EXPECT_TRUE(station.IsInstalled("\\\\srv\\ÉTÉ"));
  EXPECT_TRUE(station.IsInstalled("\\\\PRINTSERVER01\\floor2-a"));
  EXPECT_FALSE(station.IsInstalled("\\\\printserver01\\Floor2-B"));
  EXPECT_EQ(station.DeletePrinterConnection("\\\\srv\\Locked").error, 5);
  ASSERT_TRUE(station.AddPrinterConnection("\\\\SRV\\été2").succeeded);
  ASSERT_TRUE(station.DeletePrinterConnection("\\\\srv\\été").succeeded);
  EXPECT_EQ(station.state().device, ",,,");
  EXPECT_EQ(station.state().printers,
            (Names{"\\\\printserver01\\Floor2-A", "\\\\srv\\ÉTÉ2"}));
}

// More names than the look-ups it keeps, asked in turns, each one's answer
// following its own changes: no name takes another's entry or absence.
TEST(SimWorkstationIndexTest, ManyNamesAskedInTurns) {
  WorkstationState state;
  for (int k = 0; k < 300; ++k) {
    const std::string name = "\\\\printsrv\\P" + std::to_string(k);
    state.shares.push_back(name);
    if (k % 2 == 0) state.printers.push_back(name);
  }
  SimWorkstation station(state);
  for (int round = 0; round < 3; ++round) {
    for (int k = 0; k < 300; ++k) {
      const std::string name = "\\\\PRINTSRV\\p" + std::to_string(k);
      // Installed after an even round when odd, and the other way round.
      EXPECT_EQ(station.IsInstalled(name), (k + round) % 2 == 0) << name;
      const bool connect = (k + round) % 2 != 0;
      ASSERT_TRUE((connect ? station.AddPrinterConnection(name)
                           : station.DeletePrinterConnection(name))
                      .succeeded)
          << name;
      EXPECT_EQ(station.IsInstalled("\\\\printsrv\\P" + std::to_string(k)),
                connect);
    }
  }
  EXPECT_FALSE(station.IsInstalled("\\\\printsrv\\P300"));
  EXPECT_EQ(station.state().printers.size(), 150u);
}

// Thousands of removals renumber the printers more than once: the list,
// the names and the servers' printers still answer as before.
TEST(SimWorkstationIndexTest, RenumberedAfterManyRemovals) {
  WorkstationState state;
  state.printers = {"\\\\srv\\B", "PDF", "\\\\srv\\a", "\\\\srv\\B"};
  state.shares = {"\\\\srv\\A", "\\\\srv\\C"};
  SimWorkstation station(state);
  for (int round = 0; round < 3000; ++round) {
    ASSERT_TRUE(station.DeletePrinterConnection("\\\\SRV\\a").succeeded);
    ASSERT_TRUE(station.AddPrinterConnection("\\\\srv\\c").succeeded);
    ASSERT_TRUE(station.DeletePrinterConnection("\\\\srv\\C").succeeded);
    ASSERT_TRUE(station.AddPrinterConnection("\\\\srv\\a").succeeded);
  }
  EXPECT_EQ(station.InstalledPrinters(),
            (Names{"\\\\srv\\B", "PDF", "\\\\srv\\B", "\\\\srv\\A"}));
  CaseInsensitivePattern onSrv("\\\\srv\\*");
  EXPECT_EQ(station.InstalledMatching(onSrv),
            (Names{"\\\\srv\\B", "\\\\srv\\B", "\\\\srv\\A"}));
  EXPECT_FALSE(station.IsInstalled("\\\\srv\\c"));
  ASSERT_TRUE(station.DeletePrinterConnection("\\\\srv\\b").succeeded);
  EXPECT_EQ(station.state().printers,
            (Names{"PDF", "\\\\srv\\B", "\\\\srv\\A"}));
  ASSERT_TRUE(station.DeletePrinterConnection("\\\\srv\\A").succeeded);
  EXPECT_EQ(station.state().printers, (Names{"PDF", "\\\\srv\\B"}));
  EXPECT_EQ(station.InstalledMatching(onSrv), Names{"\\\\srv\\B"});
  EXPECT_EQ(station.DeletePrinterConnection("\\\\srv\\a").error, 1801);
}

// A pattern that names a whole server is answered from that server's
// printers; one that does not, from all of them.
TEST(SimWorkstationIndexTest, PrintersOfOneServerOrOfAll) {
  WorkstationState state;
  state.printers = {"\\\\srv2\\a", "\\\\SRV\\b", "srv\\local", "\\\\ÉCOLE\\c",
                    "\\\\srv\\c"};
  state.shares = {"\\\\srv2\\a"};
  SimWorkstation station(state);
  CaseInsensitivePattern onSrv("\\\\srv\\*");
  CaseInsensitivePattern onSrv2("\\\\Srv2\\*");
  CaseInsensitivePattern startsSrv("\\\\srv*");
  EXPECT_EQ(station.InstalledMatching(onSrv),
            (Names{"\\\\SRV\\b", "\\\\srv\\c"}));
  EXPECT_EQ(station.InstalledMatching(startsSrv),
            (Names{"\\\\srv2\\a", "\\\\SRV\\b", "\\\\srv\\c"}));
  CaseInsensitivePattern school("\\\\école\\?");
  EXPECT_EQ(station.InstalledMatching(school), Names{"\\\\ÉCOLE\\c"});
  CaseInsensitivePattern elsewhere("\\\\none\\*");
  EXPECT_TRUE(station.InstalledMatching(elsewhere).empty());
  ASSERT_TRUE(station.DeletePrinterConnection("\\\\SRV2\\A").succeeded);
  EXPECT_TRUE(station.InstalledMatching(onSrv2).empty());
  ASSERT_TRUE(station.AddPrinterConnection("\\\\srv2\\A").succeeded);
  EXPECT_EQ(station.InstalledMatching(onSrv2), Names{"\\\\srv2\\a"});
}

TEST(SimWorkstationIndexTest, PrefixOfAccentedLettersWithoutRegardToCase) {
  WorkstationState state;
  state.printers = {"\\\\Srv\\École", "\\\\srv\\étage", "\\\\srv\\Eco"};
  SimWorkstation station(state);
  CaseInsensitivePattern pattern("\\\\SRV\\É*");
  EXPECT_EQ(station.InstalledMatching(pattern),
            (Names{"\\\\Srv\\École", "\\\\srv\\étage"}));
  CaseInsensitivePattern none("\\\\srv\\z?");
  EXPECT_TRUE(station.InstalledMatching(none).empty());
}

// "\\server\*" takes its server's printers whole: the same as matching
// each one, for a server of accented letters, a printer part that is not
// well-formed UTF-8 or changes size in lower case, and a server that only
// starts alike.
TEST(SimWorkstationIndexTest, WholeServerAsEachPrinterWouldMatch) {
  WorkstationState state;
  state.printers = {"\\\\ÉCOLE\\A", "\\\\école\\\xFF", "\\\\Écolé\\b",
                    "\\\\écoles\\c", "\\\\ÉCOLE\\\xE2\x84\xAA"};
  SimWorkstation station(state);
  CaseInsensitivePattern school("\\\\éCOLE\\*");
  const Names expected = {"\\\\ÉCOLE\\A", "\\\\école\\\xFF",
                          "\\\\ÉCOLE\\\xE2\x84\xAA"};
  EXPECT_EQ(station.InstalledMatching(school), expected);
  Names eachMatched;
  for (const std::string& printer : state.printers)
    if (school.Matches(printer)) eachMatched.push_back(printer);
  EXPECT_EQ(eachMatched, expected);
}

}  // namespace
}  // namespace quelmar
