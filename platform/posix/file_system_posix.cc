#include "platform/posix/file_system_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "base/run_error.h"

namespace quelmar {
namespace {

// How long a journal held by another process is waited for.
constexpr auto kLockPatience = std::chrono::seconds(5);
constexpr auto kLockRetryPause = std::chrono::milliseconds(20);

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
// appends atomic still never interleave; waits while another process holds
// it.
bool LockWhole(int fd) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  auto deadline = std::chrono::steady_clock::now() + kLockPatience;
  while (fcntl(fd, F_SETLK, &lock) != 0) {
    if (errno != EACCES && errno != EAGAIN && errno != EINTR)
      return errno == ENOLCK || errno == EOPNOTSUPP;  // no locks here: go on
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kLockRetryPause);
  }
  return true;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
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
  std::string content;
  char buffer[65536];
  for (;;) {
    ssize_t n = read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw RunError(kPathFileAccess);
    if (n == 0) return content;
    content.append(buffer, static_cast<size_t>(n));
  }
}

bool PosixFileSystem::AppendToFile(const std::string& path,
                                   const std::string& text) {
  // O_NONBLOCK: a journal path naming a FIFO without a reader would
  // otherwise block the run forever in open(); it fails at once instead, and
  // has no effect on writes to an ordinary file. O_NOCTTY: a terminal named
  // as the journal never becomes the controlling terminal.
  FileDescriptor fd(open(
      path.c_str(),
      O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644));
  if (fd.get() < 0) return false;
  struct stat info {};
  if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (!LockWhole(fd.get())) return false;
  // One write of the whole entry on a file opened for appending: entries of
  // several workstations never interleave.
  return WriteAll(fd.get(), text);
}

}  // namespace quelmar
