#include "services/profile.h"

#include <gtest/gtest.h>

#include <string>

namespace quelmar {
namespace {

std::string Read(std::string_view text, std::string_view section,
                 std::string_view key, std::string_view fallback = "<absent>") {
  return ProfileText(text).ReadProfileValue(section, key, fallback);
}

TEST(ReadProfileValueTest, NamesWithoutRegardToCaseOrBlanks) {
  const char* script = "[CONFIG]\r\nMODE=D\r\n  modelog \t=  C\r\n";
  EXPECT_EQ(Read(script, "Config", "Mode"), "D");
  EXPECT_EQ(Read(script, "config", "ModeLog"), "C");
  EXPECT_EQ(Read(" \t[ Config ]\t\r\nMode=M\r\n", "Config", "Mode"), "M");
  EXPECT_EQ(Read("[Réglages]\nÉcran=1\n", "RÉGLAGES", "écran"), "1");
  EXPECT_EQ(Read("[Config] ; réglages du script\nMode=D\n", "Config", "Mode"),
            "D");
}

TEST(ReadProfileValueTest, MissingFileSectionOrKeyGivesTheDefault) {
  EXPECT_EQ(Read("", "Config", "Mode", "N"), "N");
  EXPECT_EQ(Read("[actions]\n+\\\\srv\\a\n", "Config", "Mode", "N"), "N");
  EXPECT_EQ(Read("[Config]\nLog=x\n", "Config", "ModeLog", "A"), "A");
  EXPECT_EQ(Read("[Config]", "Config", "Mode", "N"), "N");
  // Prefixes of a name are other names.
  EXPECT_EQ(Read("[Config]\nModeLog=C\n", "Config", "Mode", "N"), "N");
  EXPECT_EQ(Read("[Configuration]\nMode=D\n", "Config", "Mode", "N"), "N");
  // A key before any section header belongs to no section.
  EXPECT_EQ(Read("Mode=D\n[Config]\n", "Config", "Mode", "N"), "N");
  // A key present but empty is an empty value, not a missing one.
  EXPECT_EQ(Read("[Config]\nLog=\nMode=   \n", "Config", "Log", "x"), "");
  EXPECT_EQ(Read("[Config]\nLog=\nMode=   \n", "Config", "Mode", "N"), "");
}

TEST(ReadProfileValueTest, FirstSectionAndFirstKeyWin) {
  const char* script =
      "[Config]\nMode=D\nMode=M\n[Other]\nLog=o\n[config]\nMode=N\nLog=late\n";
  EXPECT_EQ(Read(script, "Config", "Mode"), "D");
  // The second Config section is never looked into.
  EXPECT_EQ(Read(script, "Config", "Log"), "<absent>");
  EXPECT_EQ(Read(script, "Other", "Log"), "o");
}

TEST(ReadProfileValueTest, ConfigAfterTheActionsSection) {
  const char* script =
      "[actions]\r\n+\\\\srv\\a\r\nMode=X\r\n*\\\\old\\*,\\\\new\\*\r\n"
      "[Config]\r\nMode=M\r\nLog=C:\\Journal.log\r\n";
  EXPECT_EQ(Read(script, "Config", "Mode"), "M");
  EXPECT_EQ(Read(script, "Config", "Log"), "C:\\Journal.log");
  // Lines of another section never count for Config.
  EXPECT_EQ(Read("[actions]\nMode=X\n[Config]\nLog=a\n", "Config", "Mode"),
            "<absent>");
}

TEST(ReadProfileValueTest, EveryLineEndingEndsALine) {
  for (const char* eol : {"\r\n", "\r", "\n"}) {
    const std::string script = std::string("[Config]") + eol + "Mode=D" + eol +
                               "Log=j.log" + eol + "[actions]" + eol + "x=y";
    EXPECT_EQ(Read(script, "Config", "Mode"), "D")
        << testing::PrintToString(eol);
    EXPECT_EQ(Read(script, "Config", "Log"), "j.log");
    EXPECT_EQ(Read(script, "actions", "x"), "y");
  }
  EXPECT_EQ(Read("[Config]\rMode=D\nLog=a\r\nLogInfos=b", "Config", "LogInfos"),
            "b");
}

TEST(ReadProfileValueTest, BlanksThenOnePairOfQuotesAroundTheValue) {
  struct Case {
    const char* line;
    const char* expected;
  };
  for (const Case& c : {
           Case{"Log= \tC:\\Mes journaux\\q.log \t", "C:\\Mes journaux\\q.log"},
           Case{"Log=\"C:\\x y\"", "C:\\x y"},
           Case{"Log='C:\\x y'", "C:\\x y"},
           Case{"Log=  \"  padded  \"  ", "  padded  "},
           Case{"Log=\"\"", ""},
           Case{"Log=\"", "\""},
           Case{"Log=\"a'", "\"a'"},
           Case{"Log=\"a\"b\"", "a\"b"},
           Case{"Log=\"\"a\"\"", "\"a\""},
           Case{"Log=a\"b\"", "a\"b\""},
           // Comments and tabs are the callers' business.
           Case{"Log=D ; discret", "D ; discret"},
           Case{"Log=a\tb", "a\tb"},
           Case{"Log=x=y", "x=y"},
       })
    EXPECT_EQ(Read(std::string("[Config]\n") + c.line + "\n", "Config", "Log"),
              c.expected)
        << c.line;
}

TEST(ReadProfileValueTest, LinesThatAreNotKeysAreSkipped) {
  const char* script = "[Config]\n; Mode=M\nMode\n=D\n[Config2]\nMode=X\n";
  EXPECT_EQ(Read(script, "Config", "Mode"), "<absent>");
  EXPECT_EQ(Read("[Config]\n;Mode=M\nMode=D\n", "Config", "Mode"), "D");
}

TEST(ReadProfileValueTest, LongValuesAreCutAt31999Characters) {
  const std::string exact(kMaxProfileValueLength, 'x');
  EXPECT_EQ(Read("[Config]\nLogInfos=" + exact + "\n", "Config", "LogInfos"),
            exact);
  const std::string longer(40000, 'x');
  EXPECT_EQ(
      Read("[Config]\nLogInfos=" + longer + "\nMode=D", "Config", "LogInfos"),
      exact);
  // Counted in characters, so a cut never splits one.
  std::string accented;
  for (int i = 0; i < 32001; ++i) accented += "é";
  const std::string cut =
      Read("[Config]\nLogInfos=" + accented, "Config", "LogInfos");
  EXPECT_EQ(cut.size(), 2 * kMaxProfileValueLength);
  EXPECT_EQ(cut, accented.substr(0, cut.size()));
  // The quotes go before the cut is made.
  EXPECT_EQ(Read("[Config]\nLog=\"" + exact + "\"", "Config", "Log"), exact);
}

TEST(ReadProfileValueTest, OneReaderAnswersManyLookUps) {
  const std::string text =
      "[Config]\nMode=D\nLog=j\n[Other]\nMode=O\n[Config]\nLogInfos=z\n";
  const ProfileText profile(text);
  EXPECT_EQ(profile.ReadProfileValue("Config", "Mode", "N"), "D");
  EXPECT_EQ(profile.ReadProfileValue("other", "mode", "N"), "O");
  EXPECT_EQ(profile.ReadProfileValue("CONFIG", "Log", ""), "j");
  EXPECT_EQ(profile.ReadProfileValue(" config ", "LogInfos", "none"), "none");
  EXPECT_EQ(profile.ReadProfileValue("Missing", "Mode", "N"), "N");
  EXPECT_EQ(profile.ReadProfileValue("Missing", "Mode", "A"), "A");
}

}  // namespace
}  // namespace quelmar
