#include "app/workstation_snapshot.h"

#include <gtest/gtest.h>

#include <map>

namespace quelmar {
namespace {

using Names = std::vector<std::string>;

// A workstation whose servers answer from a table; it records the servers
// listed and the printers probed.
class FakeThisWorkstation : public ThisWorkstation {
 public:
  Names installed;
  std::string defaultPrinter;
  std::map<std::string, Names> servers;       // lower-case name: its printers
  std::map<std::string, std::string> hidden;  // offered but not listed
  Names listed, probed;

  Names InstalledPrinters() override { return installed; }
  std::string DefaultPrinterName() override { return defaultPrinter; }
  ServerListing ListServer(const std::string& server) override {
    listed.push_back(server);
    ServerListing listing;
    auto found = servers.find(server);
    if (found == servers.end()) {
      listing.error = 1282;
      listing.text = "Délai dépassé";
      return listing;
    }
    listing.answered = true;
    listing.printers = found->second;
    return listing;
  }
  ConnectionProbe ProbeConnection(const std::string& name) override {
    probed.push_back(name);
    ConnectionProbe probe;
    if (auto h = hidden.find(name); h != hidden.end()) {
      probe.offered = true;
      probe.spelling = h->second;
      return probe;
    }
    probe.error = 1030;
    probe.text = "The printer or class does not exist.";
    return probe;
  }
};

std::string Script(const std::string& actions) {
  return "[Config]\r\nMode=M\r\n[actions]\r\n" + actions;
}

TEST(PrintersNamedByTest, ValidLinesWildcardsMatchedEachNameOnce) {
  const Names installed = {"\\\\old\\A", "\\\\OLD\\B", "\\\\other\\C",
                           "PDF local"};
  EXPECT_EQ(PrintersNamedBy(Script("*\\\\old\\* , \\\\new\\*\r\n"
                                   "+\\\\new\\a\r\n"  // again
                                   "-\\\\gone\\X ; comment\r\n"
                                   "=PDF local\r\n"  // local
                                   "+bad name\r\n"   // invalid
                                   "*\\\\r\\1 , \\\\s\\2\r\n"
                                   "-\\\\none\\*\r\n"),  // matches none
                            installed),
            (Names{"\\\\old\\A", "\\\\new\\A", "\\\\OLD\\B", "\\\\new\\B",
                   "\\\\gone\\X", "\\\\r\\1", "\\\\s\\2"}));
  EXPECT_TRUE(PrintersNamedBy("no section", installed).empty());
}

TEST(TakeSnapshotTest, ServersListedOnceSilentOnesOfferNothing) {
  FakeThisWorkstation ws;
  ws.installed = {"\\\\old\\A", "PDF local"};
  ws.defaultPrinter = "\\\\old\\A";
  ws.servers = {{"new", {"A", "Couleur"}}, {"NEW", {"A", "Couleur"}}};
  ws.hidden = {{"\\\\new\\Classe", "CLASSE"}};
  Snapshot s = TakeSnapshot(
      ws, Script("*\\\\old\\* , \\\\new\\*\r\n+\\\\NEW\\couleur\r\n"
                 "+\\\\new\\Absente\r\n+\\\\new\\Classe\r\n"
                 "+\\\\muet\\X\r\n+\\\\MUET\\Y\r\n"));
  EXPECT_EQ(ws.listed, (Names{"old", "new", "muet"}));
  // Only the printers of servers that answered are asked for one by one.
  EXPECT_EQ(ws.probed, (Names{"\\\\new\\Absente", "\\\\new\\Classe"}));
  EXPECT_EQ(s.state.printers, ws.installed);
  EXPECT_EQ(s.state.device, "\\\\old\\A,,");
  EXPECT_EQ(s.state.shares,
            (Names{"\\\\new\\A", "\\\\new\\Couleur", "\\\\new\\CLASSE"}));
  ASSERT_EQ(s.state.failures.size(), 4u);
  EXPECT_EQ(s.state.failures[0].printer, "\\\\old\\A");  // old is silent
  EXPECT_EQ(s.state.failures[0].error, 1282);
  EXPECT_EQ(s.state.failures[1].printer, "\\\\new\\Absente");
  EXPECT_EQ(s.state.failures[1].error, 1030);
  EXPECT_EQ(s.state.failures[3].printer, "\\\\MUET\\Y");
  EXPECT_EQ(s.state.failures[3].operation, "connect");
  EXPECT_EQ(s.state.messages,
            (std::vector<std::pair<int32_t, std::string>>{
                {1030, "The printer or class does not exist."},
                {1282, "Délai dépassé"}}));
  ASSERT_EQ(s.comments.size(), 2u);
  EXPECT_EQ(s.comments[1],
            "\\\\muet n'a pas répondu (Délai dépassé) : rejoué comme un "
            "serveur qui ne partage aucune imprimante.");
}

TEST(TakeSnapshotTest, FormatReadsBackAsTheSameWorkstation) {
  FakeThisWorkstation ws;
  ws.installed = {"\\\\srv\\Été"};
  ws.defaultPrinter = "\\\\srv\\Été";
  ws.servers = {{"srv", {"Été", "B"}}};
  Snapshot s = TakeSnapshot(ws, Script("+\\\\srv\\B\r\n+\\\\muet\\C\r\n"));
  const std::string text = FormatSnapshot(s);
  EXPECT_EQ(text.rfind("; ", 0), 0u);
  EXPECT_NE(text.find("\n; \\\\muet n'a pas répondu"), std::string::npos);
  WorkstationState back = ParseWorkstation(text);
  EXPECT_EQ(back.printers, s.state.printers);
  EXPECT_EQ(back.device, s.state.device);
  EXPECT_EQ(back.shares, s.state.shares);
  EXPECT_EQ(back.messages, s.state.messages);
  ASSERT_EQ(back.failures.size(), 1u);
  EXPECT_EQ(back.failures[0].printer, "\\\\muet\\C");
}

TEST(TakeSnapshotTest, ErrorWithoutTextGetsNoMessage) {
  struct Silent : FakeThisWorkstation {
    ConnectionProbe ProbeConnection(const std::string&) override {
      ConnectionProbe probe;
      probe.error = 1801;  // the system has no text for it
      return probe;
    }
  } silent;
  silent.servers = {{"srv", {}}};
  Snapshot s = TakeSnapshot(silent, Script("+\\\\srv\\X\r\n"));
  ASSERT_EQ(s.state.failures.size(), 1u);
  EXPECT_EQ(s.state.failures[0].error, 1801);
  // No "1801=" line: an empty text would hide the simulation's own.
  EXPECT_TRUE(s.state.messages.empty());
}

}  // namespace
}  // namespace quelmar
