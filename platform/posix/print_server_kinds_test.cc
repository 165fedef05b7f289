#include "platform/posix/print_server_kinds.h"

#include <gtest/gtest.h>

namespace quelmar {
namespace {

TEST(ServerKindSettingsTest, NothingSetProbesEveryServer) {
  std::optional<ServerKindSettings> settings = ServerKindSettings::Parse("");
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->KindOf("winsrv"), ServerKind::kProbe);
  ASSERT_TRUE(settings = ServerKindSettings::Parse(" \t;, "));
  EXPECT_EQ(settings->KindOf("winsrv"), ServerKind::kProbe);
}

TEST(ServerKindSettingsTest, PerServerOverEveryServerAnySeparatorAndCase) {
  std::optional<ServerKindSettings> settings =
      ServerKindSettings::Parse("SMB cupssrv=ipp;OldSrv=Auto,\tÉtage=smb");
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->KindOf("winsrv"), ServerKind::kSmb);
  EXPECT_EQ(settings->KindOf("CUPSSRV"), ServerKind::kIpp);
  EXPECT_EQ(settings->KindOf("oldsrv"), ServerKind::kProbe);
  EXPECT_EQ(settings->KindOf("étage"), ServerKind::kSmb);
}

TEST(ServerKindSettingsTest, LaterEntryForTheSameServerWins) {
  std::optional<ServerKindSettings> settings =
      ServerKindSettings::Parse("ipp srv=smb smb srv=ipp");
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->KindOf("srv"), ServerKind::kIpp);
  EXPECT_EQ(settings->KindOf("other"), ServerKind::kSmb);
}

TEST(ServerKindSettingsTest, MalformedEntryRefusesTheWholeValue) {
  for (const char* text : {"cifs", "srv=cifs", "=smb", "srv=", "ipp srv"})
    EXPECT_FALSE(ServerKindSettings::Parse(text)) << text;
}

TEST(KindFromOpenPortsTest, IppPreferredWhenBothAnswer) {
  EXPECT_EQ(KindFromOpenPorts({445, 631}), ServerKind::kIpp);
  EXPECT_EQ(KindFromOpenPorts({445}), ServerKind::kSmb);
  EXPECT_EQ(KindFromOpenPorts({8631}), std::nullopt);
  EXPECT_EQ(KindFromOpenPorts({}), std::nullopt);
}

TEST(FindPrinterShareTest, WithoutRegardToCaseInTheServersSpelling) {
  const std::vector<std::string> shares = {"Laser", "Salle Été", "Couleur"};
  EXPECT_EQ(FindPrinterShare(shares, "SALLE ÉTÉ"), "Salle Été");
  EXPECT_EQ(FindPrinterShare(shares, "salle été"), "Salle Été");
  EXPECT_EQ(FindPrinterShare(shares, "laser"), "Laser");
  EXPECT_EQ(FindPrinterShare(shares, "Salle Ete"), std::nullopt);
  EXPECT_EQ(FindPrinterShare(shares, "Laser "), std::nullopt);
  EXPECT_EQ(FindPrinterShare({}, "Laser"), std::nullopt);
}

}  // namespace
}  // namespace quelmar
