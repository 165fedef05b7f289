#include "platform/posix/file_system_posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/fake/temp_folder.h"

namespace quelmar {
namespace {

class PosixJournalTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return folder_.Path(name); }
  static std::string Content(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
  }
  static void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }

  TempFolder folder_{"quelmar-journal"};
  PosixFileSystem files_;
};

// A file cut in the middle of an entry (a killed writer, an earlier full
// disk) never swallows the first line of the next one.
TEST_F(PosixJournalTest, EntryAfterACutOneStartsOnItsOwnLine) {
  const std::string journal = Path("journal.log");
  Write(journal, "01/02/2026 sur PC1 : début coup");
  EXPECT_TRUE(files_.AppendToFile(journal, {"entrée\r\n"}));
  EXPECT_TRUE(files_.AppendToFile(journal, {"", "suiv", "", "ante", "\r\n"}));
  EXPECT_EQ(Content(journal),
            "01/02/2026 sur PC1 : début coup\r\nentrée\r\nsuivante\r\n");
  const std::string fresh = Path("neuf.log");
  EXPECT_TRUE(files_.AppendToFile(fresh, {"entrée\r\n"}));
  EXPECT_EQ(Content(fresh), "entrée\r\n");
}

// A file size limit stands in for a full disk: the write stops short.
TEST_F(PosixJournalTest, EntryCutShortIsTakenBack) {
  const std::string journal = Path("journal.log");
  Write(journal, "ancienne\r\n");
  struct sigaction ignore {
  }, saved{};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &saved);
  rlimit limit{}, old{};
  getrlimit(RLIMIT_FSIZE, &old);
  limit = old;
  limit.rlim_cur = 100;
  setrlimit(RLIMIT_FSIZE, &limit);
  // Cut inside the second piece: neither piece is left.
  const bool written = files_.AppendToFile(
      journal, {std::string(60, 'x'), std::string(500, 'y')});
  setrlimit(RLIMIT_FSIZE, &old);
  sigaction(SIGXFSZ, &saved, nullptr);
  EXPECT_FALSE(written);
  EXPECT_EQ(Content(journal), "ancienne\r\n");
  EXPECT_TRUE(files_.AppendToFile(journal, {"suivante\r\n"}));
  EXPECT_EQ(Content(journal), "ancienne\r\nsuivante\r\n");
}

TEST_F(PosixJournalTest,
       LinksAreFollowedOnlyToAFileThatExistsWhenTheUserOwnsThem) {
  const std::string target = Path("cible.txt");
  Write(target, "à garder\n");
  const std::string own = Path("propre.log");
  ASSERT_EQ(symlink(target.c_str(), own.c_str()), 0);
  EXPECT_TRUE(files_.AppendToFile(own, {"entrée\r\n"}));
  EXPECT_EQ(Content(target), "à garder\nentrée\r\n");

  // A dangling link: nothing is created, at the link's target or instead
  // of the link.
  const std::string dangling = Path("pendant.log");
  const std::string chosen = Path("choisi.txt");
  ASSERT_EQ(symlink(chosen.c_str(), dangling.c_str()), 0);
  EXPECT_FALSE(files_.AppendToFile(dangling, {"entrée\r\n"}));
  struct stat info {};
  EXPECT_NE(stat(chosen.c_str(), &info), 0);
  EXPECT_EQ(lstat(dangling.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));

  if (geteuid() != 0) GTEST_SKIP() << "a link of another user needs root";
  const std::string foreign = Path("autrui.log");
  ASSERT_EQ(symlink(target.c_str(), foreign.c_str()), 0);
  ASSERT_EQ(lchown(foreign.c_str(), 65534, 65534), 0);
  EXPECT_FALSE(files_.AppendToFile(foreign, {"intrus\r\n"}));
  EXPECT_EQ(Content(target), "à garder\nentrée\r\n");
}

}  // namespace
}  // namespace quelmar
