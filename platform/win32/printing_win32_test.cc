#include "platform/win32/printing_win32.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/win32/win32_api.h"

namespace quelmar {
namespace {

// Under Wine 8, which lacks AddPrinterConnection2W, this is the fallback
// to AddPrinterConnectionW: the program still starts and connects.
TEST(Win32SpoolerTest, AFailedConnectionReportsItsOwnLastError) {
  Win32Spooler spooler(nullptr, FindAddPrinterConnection2());
  // A number left by an earlier call must not pass for this call's reason.
  SetLastError(ERROR_ACCESS_DENIED);
  SpoolerResult result =
      spooler.AddPrinterConnection("\\\\serveur-absent.invalid\\Imprimante");
  EXPECT_FALSE(result.succeeded);
  EXPECT_NE(result.error, static_cast<int32_t>(ERROR_ACCESS_DENIED));
}

TEST(Win32SpoolerTest, ListsInstalledPrintersWithoutFailing) {
  Win32Spooler spooler(nullptr, FindAddPrinterConnection2());
  for (const std::string& name : spooler.InstalledPrinters())
    EXPECT_FALSE(name.empty());
}

// What AddPrinterConnection2W was given at its last call.
struct ConnectionCall {
  HWND owner = nullptr;
  std::wstring name;
  DWORD level = 0;
  DWORD flags = 0;
};
ConnectionCall lastConnection;

BOOL WINAPI RecordConnection(HWND owner, LPCWSTR name, DWORD level,
                             PVOID info) {
  lastConnection = {owner, name, level,
                    static_cast<PRINTER_CONNECTION_INFO_1*>(info)->dwFlags};
  SetLastError(ERROR_BAD_NET_NAME);
  return FALSE;
}

// A driver prompt that nobody can see waits for ever: without a visible
// window the connection is asked never to prompt; in a visible run the
// prompt belongs to the window.
TEST(Win32SpoolerTest, ConnectionPromptsOnlyOverAVisibleWindow) {
  HWND window = CreateWindowExW(0, L"STATIC", L"Quelmar", WS_OVERLAPPED, 0, 0,
                                100, 100, nullptr, nullptr, nullptr, nullptr);
  Win32Spooler spooler(window, RecordConnection);
  SpoolerResult result = spooler.AddPrinterConnection("\\\\srv\\Réception");
  EXPECT_FALSE(result.succeeded);
  EXPECT_EQ(result.error, static_cast<int32_t>(ERROR_BAD_NET_NAME));
  EXPECT_EQ(lastConnection.owner, nullptr);
  EXPECT_EQ(lastConnection.name, L"\\\\srv\\Réception");
  EXPECT_EQ(lastConnection.level, 1u);
  EXPECT_EQ(lastConnection.flags, static_cast<DWORD>(PRINTER_CONNECTION_NO_UI));

  ShowWindow(window, SW_SHOW);
  spooler.AddPrinterConnection("\\\\srv\\Réception");
  EXPECT_EQ(lastConnection.owner, window);
  EXPECT_EQ(lastConnection.flags, 0u);
  DestroyWindow(window);

  Win32Spooler windowless(nullptr, RecordConnection);
  windowless.AddPrinterConnection("\\\\srv\\p");
  EXPECT_EQ(lastConnection.owner, nullptr);
  EXPECT_EQ(lastConnection.flags, static_cast<DWORD>(PRINTER_CONNECTION_NO_UI));
}

class Win32ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = profile_.ReadDevice(); }
  void TearDown() override { profile_.WriteDevice(saved_); }
  Win32DefaultPrinterProfile profile_;
  std::string saved_;
};

TEST_F(Win32ProfileTest, DeviceValueReadsBackWithItsAccents) {
  profile_.WriteDevice("\\\\srv\\Réception Ω,,");
  EXPECT_EQ(profile_.ReadDevice(), "\\\\srv\\Réception Ω,,");
}

TEST_F(Win32ProfileTest, ReadIsCutAt253Characters) {
  profile_.WriteDevice(std::string(300, 'a'));
  EXPECT_EQ(profile_.ReadDevice(), std::string(253, 'a'));
}

// A top-level window whose thread has stopped taking messages, as a hung
// program's would.
class HungWindow {
 public:
  HungWindow() {
    thread_ = std::thread([this] {
      window_ =
          CreateWindowExW(0, L"STATIC", L"fenêtre bloquée", WS_OVERLAPPED, 0, 0,
                          10, 10, nullptr, nullptr, nullptr, nullptr);
      SetEvent(created_);
      WaitForSingleObject(release_, 20000);
      DestroyWindow(window_);
    });
    WaitForSingleObject(created_, 20000);
  }
  ~HungWindow() {
    SetEvent(release_);
    thread_.join();
    CloseHandle(created_);
    CloseHandle(release_);
  }

 private:
  HANDLE created_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HWND window_ = nullptr;
  std::thread thread_;
};

TEST(Win32SettingsBroadcastTest, AHungWindowDoesNotHoldTheRun) {
  HungWindow hung;
  Win32DefaultPrinterProfile profile;
  const auto start = std::chrono::steady_clock::now();
  profile.BroadcastSettingsChange();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(Win32MessageTableTest, SystemTextsOnOneLine) {
  Win32MessageTable messages;
  const std::string text = messages.FormatMessage(ERROR_ACCESS_DENIED, "");
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
  // A module that cannot be loaded counts as none: the system's table still
  // answers.
  EXPECT_EQ(messages.FormatMessage(ERROR_ACCESS_DENIED, "absent-module.dll"),
            text);
  EXPECT_EQ(messages.FormatMessage(0x3FFFFFF0, ""), "");
}

TEST(Win32MessageTableTest, LoadedModuleAnswersItsOwnNumbers) {
  Win32MessageTable messages;
  // ERROR_INTERNET_TIMEOUT is in wininet's table only.
  EXPECT_EQ(messages.FormatMessage(12002, ""), "");
  EXPECT_NE(messages.FormatMessage(12002, "wininet.dll"), "");
}

}  // namespace
}  // namespace quelmar
