#include "services/printer_services.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/workstation.h"
#include "services/unicode.h"

namespace quelmar {
namespace {

using Names = std::vector<std::string>;

SimWorkstation WithPrinters(Names printers,
                            std::optional<std::string> device = {}) {
  WorkstationState state;
  state.printers = std::move(printers);
  state.device = std::move(device);
  return SimWorkstation(std::move(state));
}

TEST(IsPrinterInstalledTest, ComparesNamesWithoutRegardToCase) {
  SimWorkstation station =
      WithPrinters({"PDF local", "\\\\srv\\laser", "\\\\Srv\\Éco"});
  EXPECT_TRUE(IsPrinterInstalled(station, "\\\\SRV\\Laser"));
  EXPECT_TRUE(IsPrinterInstalled(station, "\\\\srv\\éCO"));
  EXPECT_TRUE(IsPrinterInstalled(station, "pdf LOCAL"));
  EXPECT_FALSE(IsPrinterInstalled(station, "\\\\srv\\eco"));
  EXPECT_FALSE(IsPrinterInstalled(station, "\\\\srv\\laser2"));
  EXPECT_FALSE(IsPrinterInstalled(station, ""));
  EXPECT_FALSE(IsPrinterInstalled(station, "\\\\srv\\*"));
}

TEST(IsPrinterInstalledTest, ReadsThePrintersAfreshAtEveryCall) {
  WorkstationState state;
  state.shares = {"\\\\srv\\new"};
  SimWorkstation station(state);
  EXPECT_FALSE(IsPrinterInstalled(station, "\\\\srv\\new"));
  ASSERT_TRUE(station.AddPrinterConnection("\\\\srv\\new").succeeded);
  EXPECT_TRUE(IsPrinterInstalled(station, "\\\\srv\\new"));
  ASSERT_TRUE(station.DeletePrinterConnection("\\\\srv\\new").succeeded);
  EXPECT_FALSE(IsPrinterInstalled(station, "\\\\srv\\new"));
  EXPECT_EQ(station.calls(), (Names{"list", "connect \\\\srv\\new", "list",
                                    "disconnect \\\\srv\\new", "list"}));
}

TEST(MatchInstalledPrintersTest, KeepsTheSystemsOrderAndSpelling) {
  SimWorkstation station =
      WithPrinters({"\\\\srv\\a", "\\\\other\\b", "\\\\SRV\\c", "\\\\srv"});
  EXPECT_EQ(MatchInstalledPrinters(station, "\\\\srv\\*"),
            (Names{"\\\\srv\\a", "\\\\SRV\\c"}));
  EXPECT_EQ(MatchInstalledPrinters(station, "\\\\Srv\\*"),
            (Names{"\\\\srv\\a", "\\\\SRV\\c"}));
  EXPECT_EQ(MatchInstalledPrinters(station, "\\\\SRV\\[A-B]"),
            Names{"\\\\srv\\a"});
  EXPECT_EQ(MatchInstalledPrinters(station, "*"),
            (Names{"\\\\srv\\a", "\\\\other\\b", "\\\\SRV\\c", "\\\\srv"}));
}

TEST(MatchInstalledPrintersTest, FoldsAccentedLettersOnBothSides) {
  SimWorkstation station =
      WithPrinters({"\\\\Serveur\\École", "\\\\serveur\\ÉTAGE-1"});
  EXPECT_EQ(MatchInstalledPrinters(station, "\\\\SERVEUR\\é*"),
            (Names{"\\\\Serveur\\École", "\\\\serveur\\ÉTAGE-1"}));
  EXPECT_EQ(MatchInstalledPrinters(station, "\\\\serveur\\[É]tage-#"),
            Names{"\\\\serveur\\ÉTAGE-1"});
}

TEST(MatchInstalledPrintersTest, NoMatchIsOneEmptyEntry) {
  SimWorkstation none = WithPrinters({});
  EXPECT_EQ(MatchInstalledPrinters(none, "\\\\srv\\*"), Names{""});
  SimWorkstation others = WithPrinters({"\\\\other\\a", "PDF"});
  EXPECT_EQ(MatchInstalledPrinters(others, "\\\\srv\\*"), Names{""});
}

struct DefaultCase {
  std::optional<std::string> device;
  std::string expected;
};

TEST(IsDefaultPrinterTest, NameBeforeTheFirstCommaInAnyCase) {
  const std::string name253(253, 'P');
  for (const DefaultCase& c : {
           DefaultCase{"\\\\Srv\\Laser,winspool,Ne01:", "\\\\srv\\laser"},
           DefaultCase{"\\\\SRV\\ÉCO,winspool,Ne02:", "\\\\srv\\éco"},
           DefaultCase{std::nullopt, ""},
           DefaultCase{",,,", ""},
           DefaultCase{"", ""},
           DefaultCase{"\\\\Srv\\NoComma", "\\\\srv\\nocomma"},
           DefaultCase{std::string("\\\\a\\B\0,x,y", 10), "\\\\a\\b"},
           // A 254-character buffer keeps 253 characters.
           DefaultCase{name253 + ",d,p", std::string(253, 'p')},
           DefaultCase{name253 + "QQ,d,p", std::string(253, 'p')},
       }) {
    SimWorkstation station = WithPrinters({}, c.device);
    EXPECT_TRUE(IsDefaultPrinter(station, c.expected))
        << c.device.value_or("(absent)");
    EXPECT_EQ(station.calls(), Names{"read"});
    EXPECT_TRUE(IsDefaultPrinter(station, ToUpperUtf8(c.expected)));
    EXPECT_FALSE(IsDefaultPrinter(station, c.expected + "x"));
  }
}

// The workstation answers from its index: a name of a printer, a share or
// a forced failure against the default's, in any case, and a name of none
// of them, compared.
TEST(IsDefaultPrinterTest, NamesKnownToTheWorkstationOrNot) {
  WorkstationState state;
  state.printers = {"\\\\srv\\Été", "\\\\srv\\Other"};
  state.shares = {"\\\\srv\\Share"};
  state.device = "\\\\SRV\\ÉTÉ,winspool,Ne01:";
  SimWorkstation station(state);
  EXPECT_TRUE(IsDefaultPrinter(station, "\\\\srv\\été"));
  EXPECT_FALSE(IsDefaultPrinter(station, "\\\\srv\\other"));
  EXPECT_FALSE(IsDefaultPrinter(station, "\\\\srv\\share"));
  EXPECT_FALSE(IsDefaultPrinter(station, "\\\\srv\\nowhere"));
  station.MakeDefaultPrinter("\\\\SRV\\NOWHERE");
  EXPECT_TRUE(IsDefaultPrinter(station, "\\\\srv\\nowhere"));
  EXPECT_FALSE(IsDefaultPrinter(station, "\\\\srv\\été"));
  EXPECT_FALSE(IsDefaultPrinter(station, "\\\\srv\\elsewhere"));
  station.MakeDefaultPrinter("\\\\srv\\share");
  EXPECT_TRUE(IsDefaultPrinter(station, "\\\\SRV\\SHARE"));
  EXPECT_FALSE(IsDefaultPrinter(station, "\\\\srv\\nowhere"));
  EXPECT_FALSE(IsDefaultPrinter(station, ""));
}

// A setting that only names its default is compared through that name.
TEST(IsDefaultPrinterTest, SettingThatOnlyNamesItsDefault) {
  class NamedDefault : public DefaultPrinterSetting {
   public:
    std::string DefaultPrinterName() override { return "\\\\Srv\\Été"; }
    void MakeDefaultPrinter(const std::string&) override {}
  } setting;
  EXPECT_TRUE(IsDefaultPrinter(setting, "\\\\SRV\\été"));
  EXPECT_FALSE(IsDefaultPrinter(setting, "\\\\srv\\ete"));
}

TEST(IsDefaultPrinterTest, LongValueIsCutBetweenCharacters) {
  std::string name;
  for (int i = 0; i < 300; ++i) name += "É";
  SimWorkstation station = WithPrinters({}, name + ",d,p");
  std::string expected;
  for (int i = 0; i < 253; ++i) expected += "é";
  EXPECT_TRUE(IsDefaultPrinter(station, expected));
  EXPECT_FALSE(IsDefaultPrinter(station, expected + "é"));
}

TEST(SetDefaultPrinterTest, MakesTheDefaultThenReadsBack) {
  SimWorkstation station = WithPrinters({"\\\\old\\a", "\\\\SRV\\Laser"},
                                        "\\\\old\\a,winspool,Ne01:");
  EXPECT_TRUE(SetDefaultPrinter(station, station, "\\\\srv\\laser"));
  EXPECT_EQ(station.calls(),
            (Names{"list", "setdefault \\\\srv\\laser", "read"}));
  // The workstation file keeps the profile's "name,driver,port" value.
  EXPECT_EQ(station.state().device, "\\\\srv\\laser,,");
}

TEST(SetDefaultPrinterTest, PrinterNotInstalledIsNotMadeTheDefault) {
  SimWorkstation station = WithPrinters({"\\\\srv\\a"}, "\\\\srv\\a,,");
  EXPECT_FALSE(SetDefaultPrinter(station, station, "\\\\srv\\b"));
  EXPECT_EQ(station.calls(), Names{"list"});
  EXPECT_EQ(station.state().device, "\\\\srv\\a,,");
}

TEST(SetDefaultPrinterTest, FalseWhenTheReadBackShowsAnotherPrinter) {
  WorkstationState state;
  state.printers = {"\\\\srv\\a", "\\\\srv\\b"};
  state.device = "\\\\srv\\a,,";
  state.failures = {{"setdefault", "\\\\srv\\b", 0}};
  SimWorkstation station(state);
  EXPECT_FALSE(SetDefaultPrinter(station, station, "\\\\srv\\b"));
  EXPECT_EQ(station.calls(), (Names{"list", "setdefault \\\\srv\\b", "read"}));
  EXPECT_EQ(station.state().device, "\\\\srv\\a,,");
}

TEST(SystemErrorTextTest, AsksTheSystemForTheNumber) {
  SimWorkstation station = WithPrinters({});
  SystemErrorText(station, 2250);
  EXPECT_EQ(station.calls(), Names{"message 2250"});
}

TEST(SystemErrorTextTest, TheSystemsTextWithoutOuterSpaces) {
  WorkstationState state;
  state.messages = {{5, "Accès refusé (simulé)."},
                    {2250, "  Cette connexion réseau n'existe pas.  "},
                    {77, "   "}};
  SimWorkstation station(state);
  EXPECT_EQ(SystemErrorText(station, 5), "Accès refusé (simulé).");
  EXPECT_EQ(SystemErrorText(station, 2250),
            "Cette connexion réseau n'existe pas.");
  EXPECT_EQ(SystemErrorText(station, 1722),
            "Le serveur RPC n'est pas disponible.");
  EXPECT_EQ(SystemErrorText(station, 77), "Erreur inconnue (77)");
}

TEST(SystemErrorTextTest, ZeroIsUnknownEvenWhereTheSystemHasAText) {
  WorkstationState state;
  state.messages = {{0, "L'opération a réussi."}};
  SimWorkstation station(state);
  EXPECT_EQ(SystemErrorText(station, 0), "Erreur inconnue (0)");
  EXPECT_EQ(station.calls(), Names{});
}

TEST(SystemErrorTextTest, NumberWithoutMessageIsUnknown) {
  SimWorkstation station = WithPrinters({});
  EXPECT_EQ(SystemErrorText(station, 424242), "Erreur inconnue (424242)");
  EXPECT_EQ(SystemErrorText(station, 2222), "Erreur inconnue (2222)");
  EXPECT_EQ(SystemErrorText(station, -5), "Erreur inconnue (-5)");
  EXPECT_EQ(SystemErrorText(station, INT32_MIN),
            "Erreur inconnue (-2147483648)");
}

}  // namespace
}  // namespace quelmar
