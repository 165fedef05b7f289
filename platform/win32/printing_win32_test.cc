#include "platform/win32/printing_win32.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/handles.h"
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

class Win32DefaultPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = setting_.DefaultPrinterName(); }
  void TearDown() override {
    if (!saved_.empty()) setting_.MakeDefaultPrinter(saved_);
  }
  Win32DefaultPrinter setting_;
  std::string saved_;
};

TEST_F(Win32DefaultPrinterTest, APrinterThatIsNotInstalledIsRefused) {
  setting_.MakeDefaultPrinter("\\\\serveur-absent.invalid\\Réception Ω");
  EXPECT_EQ(setting_.DefaultPrinterName(), saved_);
}

TEST_F(Win32DefaultPrinterTest, AnInstalledPrinterReadsBackWithItsSpelling) {
  std::vector<std::string> printers =
      Win32Spooler(nullptr, nullptr).InstalledPrinters();
  if (printers.empty()) GTEST_SKIP() << "no printer installed";
  for (const std::string& printer : printers) {
    setting_.MakeDefaultPrinter(printer);
    EXPECT_EQ(setting_.DefaultPrinterName(), printer);
  }
}

TEST(CutAtProfileBufferTest, KeepsWhatA254CharacterBufferHolds) {
  EXPECT_EQ(CutAtProfileBuffer(std::wstring(300, L'a')),
            std::wstring(253, L'a'));
  EXPECT_EQ(CutAtProfileBuffer(std::wstring(253, L'a')),
            std::wstring(253, L'a'));
  EXPECT_EQ(CutAtProfileBuffer(std::wstring(L"\\\\a\\B\0x", 7)), L"\\\\a\\B");
  // U+1D11E as a surrogate pair across the 253rd character.
  const std::wstring pair = L"\xD834\xDD1E";
  EXPECT_EQ(CutAtProfileBuffer(std::wstring(252, L'a') + pair),
            std::wstring(252, L'a'));
  EXPECT_EQ(CutAtProfileBuffer(std::wstring(251, L'a') + pair),
            std::wstring(251, L'a') + pair);
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
  const auto start = std::chrono::steady_clock::now();
  AnnounceDefaultPrinterChange();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(Win32MessageTableTest, SystemTextsOnOneLine) {
  Win32MessageTable messages;
  const std::string text = messages.ErrorText(ERROR_ACCESS_DENIED);
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(messages.ErrorText(0x3FFFFFF0), "");
}

struct ModuleCase {
  int32_t code;
  const wchar_t* module;
};

TEST(Win32MessageTableTest, NetworkAndInternetRangesHaveTheirOwnModules) {
  for (const ModuleCase& c : {
           ModuleCase{2100, L"netmsg.dll"},
           ModuleCase{2999, L"netmsg.dll"},
           ModuleCase{12000, L"wininet.dll"},
           ModuleCase{12171, L"wininet.dll"},
           ModuleCase{2, nullptr},
           ModuleCase{2099, nullptr},
           ModuleCase{3000, nullptr},
           ModuleCase{11999, nullptr},
           ModuleCase{12172, nullptr},
           ModuleCase{-2100, nullptr},
       }) {
    const wchar_t* module = MessageModuleFor(c.code);
    EXPECT_EQ(std::wstring(module ? module : L""),
              std::wstring(c.module ? c.module : L""))
        << c.code;
  }
}

TEST(Win32MessageTableTest, InternetNumbersAnsweredByTheirModule) {
  // ERROR_INTERNET_TIMEOUT is in wininet's table only.
  EXPECT_NE(Win32MessageTable().ErrorText(12002), "");
}

// A file named like a message module in the program's folder: were it
// loaded instead of System32's, the number would find no text.
class PlantedModule {
 public:
  PlantedModule() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    path_.assign(path, length);
    path_ = path_.substr(0, path_.rfind(L'\\') + 1) + L"wininet.dll";
    FileHandle file(CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), "MZ planted", 10, &written, nullptr);
  }
  ~PlantedModule() { DeleteFileW(path_.c_str()); }
  PlantedModule(const PlantedModule&) = delete;
  PlantedModule& operator=(const PlantedModule&) = delete;

 private:
  std::wstring path_;
};

TEST(Win32MessageTableTest, AModuleInTheProgramsFolderIsNeverLoaded) {
  PlantedModule planted;
  EXPECT_NE(Win32MessageTable().ErrorText(12002), "");
}

}  // namespace
}  // namespace quelmar
