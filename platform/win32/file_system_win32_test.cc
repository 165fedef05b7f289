#include "platform/win32/file_system_win32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "base/run_error.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_api.h"

namespace quelmar {
namespace {

class Win32FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = WideToUtf8(temp) + "quelmar-fs-" +
              std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryW(Utf8ToWide(folder_).c_str(), nullptr);
  }
  void TearDown() override {
    for (const std::string& path : created_) {
      SetFileAttributesW(Utf8ToWide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(Utf8ToWide(path).c_str());
      RemoveDirectoryW(Utf8ToWide(path).c_str());
    }
    RemoveDirectoryW(Utf8ToWide(folder_).c_str());
  }
  std::string MakeFile(const std::string& name, const std::string& bytes,
                       DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    const std::string path = folder_ + name;
    FileHandle file(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, nullptr);
    SetFileAttributesW(Utf8ToWide(path).c_str(), attributes);
    created_.push_back(path);
    return path;
  }

  std::string folder_;
  std::vector<std::string> created_;
  Win32FileSystem files_;
};

TEST_F(Win32FileSystemTest, OnlyOrdinaryFilesAreFound) {
  const std::string subfolder = folder_ + "dossier";
  CreateDirectoryW(Utf8ToWide(subfolder).c_str(), nullptr);
  created_.push_back(subfolder);
  struct Case {
    std::string path;
    bool found;
  } cases[] = {
      {MakeFile("script.txt", "x"), true},
      {MakeFile("été.txt", "x"), true},
      {MakeFile("lecture.txt", "x", FILE_ATTRIBUTE_READONLY), true},
      {MakeFile("archive.txt", "x", FILE_ATTRIBUTE_ARCHIVE), true},
      {MakeFile("cache.txt", "x", FILE_ATTRIBUTE_HIDDEN), false},
      {MakeFile("systeme.txt", "x", FILE_ATTRIBUTE_SYSTEM), false},
      {subfolder, false},
      {folder_ + "absent.txt", false},
      {"NUL", false},
      {"", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(files_.IsOrdinaryFile(c.path), c.found) << c.path;
}

TEST_F(Win32FileSystemTest, ReadsEveryByte) {
  const std::string bytes("\xEF\xBB\xBF[Config]\r\n\0\xE9\r", 15);
  EXPECT_EQ(files_.ReadWholeFile(MakeFile("octets.txt", bytes)), bytes);
  const std::string large(200000, 'a');
  EXPECT_EQ(files_.ReadWholeFile(MakeFile("grand.txt", large)), large);
}

TEST_F(Win32FileSystemTest, ReadingAMissingFileIsErrorFileNotFound) {
  try {
    files_.ReadWholeFile(folder_ + "absent.txt");
    FAIL() << "no error";
  } catch (const RunError& error) {
    EXPECT_EQ(error.number(), kFileNotFound);
  }
}

TEST_F(Win32FileSystemTest, JournalIsAppendedInTheAnsiCodePage) {
  ASSERT_EQ(GetACP(), 1252u);
  const std::string path = folder_ + "journal.log";
  created_.push_back(path);
  EXPECT_TRUE(files_.AppendToFile(path, {"Déconnexion\r\n"}));
  EXPECT_TRUE(files_.AppendToFile(path, {"Sélection €\r\n"}));
  EXPECT_EQ(files_.ReadWholeFile(path),
            "D\xE9"
            "connexion\r\nS\xE9lection \x80\r\n");
}

// "UTF-8 for worldwide language support" makes 65001 the ANSI code page,
// and GB 18030 is the one of Chinese workstations: neither accepts the
// no-best-fit flag, with which the conversion gave nothing, and nothing
// written passed for a journal written.
TEST_F(Win32FileSystemTest, JournalOfAUtf8WorkstationIsWritten) {
  const std::string path = folder_ + "utf8.log";
  created_.push_back(path);
  Win32FileSystem files(CP_UTF8);
  EXPECT_TRUE(files.AppendToFile(path, {"Sélection de \\\\srv\\Ωmega\r\n"}));
  EXPECT_EQ(files.ReadWholeFile(path), "Sélection de \\\\srv\\Ωmega\r\n");
}

TEST(CodePageTest, EveryCodePageConvertsWithTheFlagsItAccepts) {
  EXPECT_EQ(Utf8ToCodePage("été Ω", CP_UTF8), "été Ω");
  EXPECT_EQ(Utf8ToCodePage("été Ω", 1252), "\xE9t\xE9 ?");
  // Not installed under Wine: only where the system has it.
  if (IsValidCodePage(54936)) {
    EXPECT_EQ(Utf8ToCodePage("été", 54936), "\xA8\xA6t\xA8\xA6");
  }
}

TEST_F(Win32FileSystemTest, AConversionThatGivesNothingIsAFailedWrite) {
  const std::string path = folder_ + "illisible.log";
  created_.push_back(path);
  ASSERT_FALSE(IsValidCodePage(12345));
  Win32FileSystem files(12345);
  EXPECT_FALSE(files.AppendToFile(path, {"Traitement terminé.\r\n"}));
  EXPECT_FALSE(files_.IsOrdinaryFile(path));
}

TEST_F(Win32FileSystemTest, AppendingToSomethingElseThanAFileFails) {
  const std::string subfolder = folder_ + "dossier";
  CreateDirectoryW(Utf8ToWide(subfolder).c_str(), nullptr);
  created_.push_back(subfolder);
  EXPECT_FALSE(files_.AppendToFile(subfolder, {"x"}));
  EXPECT_FALSE(files_.AppendToFile("", {"x"}));
  EXPECT_FALSE(files_.AppendToFile(folder_ + "absent\\journal.log", {"x"}));
  EXPECT_FALSE(files_.AppendToFile("NUL", {"x"}));
}

TEST_F(Win32FileSystemTest, AppendWaitsWhileAnotherWriterHoldsTheJournal) {
  const std::string path = MakeFile("partage.log", "avant\r\n");
  auto holder = std::make_unique<FileHandle>(
      CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(holder->valid());
  std::thread release([&holder] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    holder.reset();
  });
  const bool written = files_.AppendToFile(path, {"après\r\n"});
  release.join();
  EXPECT_TRUE(written);
  EXPECT_EQ(files_.ReadWholeFile(path), "avant\r\napr\xE8s\r\n");
}

// A file cut in the middle of an entry (a killed writer, an earlier full
// disk) never swallows the first line of the next one.
TEST_F(Win32FileSystemTest, EntryAfterACutOneStartsOnItsOwnLine) {
  const std::string path = MakeFile("coupe.log", "01/02/2026 sur PC1 : d\xE9");
  EXPECT_TRUE(files_.AppendToFile(path, {"entrée\r\n"}));
  EXPECT_TRUE(files_.AppendToFile(path, {"suivante\r\n"}));
  EXPECT_EQ(files_.ReadWholeFile(path),
            "01/02/2026 sur PC1 : d\xE9\r\nentr\xE9"
            "e\r\nsuivante\r\n");
}

// A logon wave holds the share's journal for seconds: 64 writers that start
// while it is held for 8 s all write their entries, whole, once it is free.
TEST_F(Win32FileSystemTest,
       SixtyFourWritersWaitOutAJournalHeldForEightSeconds) {
  const std::string path = MakeFile("vague.log", "");
  auto holder = std::make_unique<FileHandle>(
      CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(holder->valid());
  std::vector<std::thread> writers;
  std::atomic<int> written = 0;
  const std::string entry = std::string(3000, 'x') + "\r\n";
  for (int i = 0; i < 64; ++i)
    writers.emplace_back(
        [&] { written += files_.AppendToFile(path, {entry}); });
  std::this_thread::sleep_for(std::chrono::seconds(8));
  holder.reset();
  for (std::thread& writer : writers) writer.join();
  EXPECT_EQ(written, 64);
  std::string expected;
  for (int i = 0; i < 64; ++i) expected += entry;
  EXPECT_EQ(files_.ReadWholeFile(path), expected);
}

}  // namespace
}  // namespace quelmar
