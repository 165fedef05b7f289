#include "platform/posix/file_system_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "base/run_error.h"
#include "services/retry_backoff.h"

namespace quelmar {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

bool IsHiddenName(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return !name.empty() && name[0] == '.';
}

// A whole-file write lock, so that journals on shares that do not make
// appends atomic still never interleave; waits while other processes hold
// it, for kJournalPatience at most. `locked` is false where the file system
// has no locks: the entry is then written without one.
bool LockWhole(int fd, bool& locked) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  RetryBackoff backoff(std::random_device{}());
  const auto deadline = std::chrono::steady_clock::now() + kJournalPatience;
  locked = true;
  while (fcntl(fd, F_SETLK, &lock) != 0) {
    if (errno == ENOLCK || errno == EOPNOTSUPP) {
      locked = false;
      return true;
    }
    if (errno != EACCES && errno != EAGAIN && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(backoff.NextPause());
  }
  return true;
}

// Writes all of `pieces`, one after the other, in as few writes as the
// system takes; the count written so far in `done`.
bool WriteAll(int fd, std::vector<iovec> pieces, size_t& done) {
  done = 0;
  size_t first = 0;
  while (first < pieces.size()) {
    const int count =
        static_cast<int>(std::min<size_t>(pieces.size() - first, IOV_MAX));
    ssize_t n = writev(fd, pieces.data() + first, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
    // Past the pieces written whole, into the one written in part.
    for (size_t left = static_cast<size_t>(n); left > 0;) {
      iovec& piece = pieces[first];
      const size_t taken = std::min(left, piece.iov_len);
      piece.iov_base = static_cast<char*>(piece.iov_base) + taken;
      piece.iov_len -= taken;
      left -= taken;
      if (piece.iov_len == 0) ++first;
    }
  }
  return true;
}

// True when the file is empty or its last byte is a line break. A file cut
// in the middle of an entry (a disk that filled up before, a writer killed
// during its write) does not end so.
bool EndsWithLineBreak(int fd, off_t size) {
  char last = '\n';
  return size == 0 || pread(fd, &last, 1, size - 1) != 1 || last == '\n';
}

// Opens the journal for appending. In a folder that every user may write,
// a symbolic link named as the journal could send the entry to a file of
// its owner's choosing: a link is followed only when the user owns it, and
// a file is only ever created where no link stands (O_EXCL fails on any
// link, even a dangling one). O_NONBLOCK: a FIFO without a reader would
// otherwise block open() forever; it has no effect on an ordinary file.
// O_NOCTTY: a terminal named as the journal never becomes the controlling
// terminal. Read access lets the entry start on a new line after a cut
// one; a journal the user may only write is written without that check.
int OpenJournal(const std::string& path, int access) {
  const int flags = access | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
  for (int attempt = 0; attempt < 3; ++attempt) {
    int fd = open(path.c_str(), flags | O_NOFOLLOW);
    if (fd >= 0) return fd;
    if (errno == ELOOP) {
      struct stat link {};
      if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode) ||
          link.st_uid != geteuid())
        return -1;
      return open(path.c_str(), flags);
    }
    if (errno != ENOENT) return -1;
    fd = open(path.c_str(), flags | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
    if (fd >= 0 || errno != EEXIST) return fd;
    // Made by another writer (or a link) since: open what is there now.
  }
  return -1;
}

}  // namespace

bool PosixFileSystem::IsOrdinaryFile(const std::string& path) {
  struct stat info {};
  if (path.empty() || stat(path.c_str(), &info) != 0) return false;
  return S_ISREG(info.st_mode) && !IsHiddenName(path);
}

std::string PosixFileSystem::ReadWholeFile(const std::string& path) {
  FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0)
    throw RunError(errno == ENOENT ? kFileNotFound : kPathFileAccess);
  // Read straight into the text, sized at the file's size and one byte
  // more (the read that finds the end), grown if the file grew since.
  struct stat info {};
  size_t room = 65536;
  if (fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode))
    room = static_cast<size_t>(info.st_size) + 1;
  std::string content(room, '\0');
  size_t filled = 0;
  for (;;) {
    if (filled == content.size()) content.resize(content.size() * 2);
    ssize_t n =
        read(fd.get(), content.data() + filled, content.size() - filled);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw RunError(kPathFileAccess);
    if (n == 0) break;
    filled += static_cast<size_t>(n);
  }
  content.resize(filled);
  return content;
}

bool PosixFileSystem::AppendToFile(const std::string& path, TextPieces pieces) {
  int journal = OpenJournal(path, O_RDWR);
  if (journal < 0 && errno == EACCES) journal = OpenJournal(path, O_WRONLY);
  FileDescriptor fd(journal);
  if (fd.get() < 0) return false;
  struct stat info {};
  if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  bool locked = false;
  if (!LockWhole(fd.get(), locked)) return false;
  // Under the lock, the file's size is where this entry starts.
  if (fstat(fd.get(), &info) != 0) return false;
  const off_t before = info.st_size;
  // A line break first when the file ends in a cut entry. writev only
  // reads the pieces, though iovec's pointer is not to const.
  std::vector<iovec> entry;
  entry.reserve(pieces.size() + 1);
  const auto add = [&entry](std::string_view piece) {
    if (!piece.empty())
      entry.push_back({const_cast<char*>(piece.data()), piece.size()});
  };
  if (!EndsWithLineBreak(fd.get(), before)) add("\r\n");
  for (std::string_view piece : pieces) add(piece);
  // One write of the whole entry on a file opened for appending: entries of
  // several workstations never interleave.
  size_t written = 0;
  if (WriteAll(fd.get(), std::move(entry), written)) return true;
  // A full disk or a quota took part of the entry: the file is cut back to
  // its size before it, so that no torn entry is left for the next one to
  // be glued to. Without a lock, only when no other writer wrote since.
  if (written > 0 &&
      (locked || (fstat(fd.get(), &info) == 0 &&
                  info.st_size == before + static_cast<off_t>(written))))
    (void)!ftruncate(fd.get(), before);  // CutBack: the entry's own bytes
  return false;
}

}  // namespace quelmar
