#include "platform/win32/host_win32.h"

#include <gtest/gtest.h>

#include "platform/win32/wide.h"
#include "platform/win32/win32_api.h"

namespace quelmar {
namespace {

TEST(ArgumentTextTest, TakesTheRawTextAfterTheProgramName) {
  struct Case {
    const wchar_t* commandLine;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"Quelmar.exe", L""},
      {L"Quelmar.exe script.txt", L"script.txt"},
      {L"\"C:\\Program Files\\Quelmar.exe\" /d", L"/d"},
      {L"\"C:\\Prog\\Quelmar.exe\"script.txt", L"script.txt"},
      // Quotes and trailing blanks of the arguments stay.
      {L"Quelmar.exe \t \"C:\\Mes scripts\\a.txt\"  ",
       L"\"C:\\Mes scripts\\a.txt\"  "},
      {L"C:\\Prog\\Quelmar.exe \\\\srv\\partage\\été.txt",
       L"\\\\srv\\partage\\été.txt"},
      {L"\"C:\\Prog\\Quelmar.exe", L""},
      {L"", L""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ArgumentText(c.commandLine), c.expected)
        << WideToUtf8(c.commandLine);
}

TEST(Win32HostTest, ArgumentTextKeepsSwitchesInsidePaths) {
  CommandLine commandLine = Win32Host("C:\\dossier\\/m.txt").GetCommandLine();
  EXPECT_EQ(commandLine.text, "C:\\dossier\\/m.txt");
  // The character rule of Windows applies, not whole arguments.
  EXPECT_FALSE(commandLine.switchesAreWholeArguments);
}

TEST(Win32HostTest, ProgramFolderHoldsThisExecutable) {
  Win32Host host("");
  const std::string folder = host.ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  DWORD attributes =
      GetFileAttributesW(Utf8ToWide(folder + "\\quelmar_tests.exe").c_str());
  EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
}

TEST(Win32HostTest, EnvironmentTellsUnsetFromEmptyAndLong) {
  Win32Host host("");
  const std::string longValue(1000, 'x');
  SetEnvironmentVariableW(L"QUELMAR_TEST_UNSET", nullptr);
  SetEnvironmentVariableW(L"QUELMAR_TEST_ACCENT", L"Sévérine");
  SetEnvironmentVariableW(L"QUELMAR_TEST_LONG", Utf8ToWide(longValue).c_str());
  EXPECT_EQ(host.Environment("QUELMAR_TEST_UNSET"), std::nullopt);
  EXPECT_EQ(host.Environment("QUELMAR_TEST_ACCENT"), "Sévérine");
  EXPECT_EQ(host.Environment("QUELMAR_TEST_LONG"), longValue);
  EXPECT_EQ(host.Environment(""), std::nullopt);
  SetEnvironmentVariableW(L"COMPUTERNAME", L"PC-ÉCOLE");
  EXPECT_EQ(host.ComputerName(), "PC-ÉCOLE");
}

TEST(Win32HostTest, AnsiCodePageRoundTrip) {
  ASSERT_EQ(GetACP(), 1252u) << "the tests run with the Western code page";
  Win32Host host("");
  EXPECT_EQ(host.AnsiToUtf8("\xC9t\xE9 \x80 \xA7"), "Été € §");
  EXPECT_EQ(Utf8ToAnsiText("Été € §"), "\xC9t\xE9 \x80 \xA7");
  // Outside the code page: the default character, never a look-alike.
  EXPECT_EQ(Utf8ToAnsiText("\\\\srv\\Ωmega \xE2\x86\x92"), "\\\\srv\\?mega ?");
}

TEST(Win32HostTest, WideConversionKeepsEveryCharacter) {
  const std::string text = "\\\\srv\\Imprimante Ωμέγα 打印机 \xF0\x9F\x96\xA8";
  EXPECT_EQ(WideToUtf8(Utf8ToWide(text)), text);
  EXPECT_EQ(Utf8ToWide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

}  // namespace
}  // namespace quelmar
