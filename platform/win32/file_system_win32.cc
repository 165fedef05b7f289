#include "platform/win32/file_system_win32.h"

#include <chrono>
#include <climits>
#include <thread>

#include "base/run_error.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_api.h"

namespace quelmar {
namespace {

// How long a journal held by another workstation is waited for.
constexpr auto kSharingPatience = std::chrono::seconds(5);
constexpr auto kSharingRetryPause = std::chrono::milliseconds(20);

constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_DIRECTORY |
                               FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                               FILE_ATTRIBUTE_DEVICE;

bool IsSharingError(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Names such as NUL or COM1 open devices whatever their folder; only a file
// on a disk counts.
bool IsDiskFile(HANDLE file) { return GetFileType(file) == FILE_TYPE_DISK; }

// Opens the journal for appending alone: other writers wait (they retry on
// the sharing violation) until this entry is written, readers do not.
HANDLE OpenForAppending(const std::wstring& path) {
  const auto deadline = std::chrono::steady_clock::now() + kSharingPatience;
  for (;;) {
    HANDLE file =
        CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || !IsSharingError(GetLastError()) ||
        std::chrono::steady_clock::now() >= deadline)
      return file;
    std::this_thread::sleep_for(kSharingRetryPause);
  }
}

}  // namespace

bool Win32FileSystem::IsOrdinaryFile(const std::string& path) {
  if (path.empty()) return false;
  const std::wstring widePath = Utf8ToWide(path);
  DWORD attributes = GetFileAttributesW(widePath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & kNotOrdinary))
    return false;
  // No access asked: the check must not fail on a file another program has
  // open.
  FileHandle file(
      CreateFileW(widePath.c_str(), 0,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid() && IsDiskFile(file.get());
}

std::string Win32FileSystem::ReadWholeFile(const std::string& path) {
  FileHandle file(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    DWORD error = GetLastError();
    bool missing =
        error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    throw RunError(missing ? kFileNotFound : kPathFileAccess);
  }
  std::string content;
  char buffer[65536];
  for (;;) {
    DWORD count = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &count, nullptr))
      throw RunError(kPathFileAccess);
    if (count == 0) return content;
    content.append(buffer, count);
  }
}

bool Win32FileSystem::AppendToFile(const std::string& path,
                                   const std::string& text) {
  if (path.empty()) return false;
  const std::string bytes = Utf8ToAnsiText(text);
  if (bytes.size() > ULONG_MAX) return false;
  FileHandle file(OpenForAppending(Utf8ToWide(path)));
  if (!file.valid() || !IsDiskFile(file.get())) return false;
  // One write of the whole entry on a file opened for appending: entries of
  // several workstations never interleave.
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                   &written, nullptr) &&
         written == bytes.size();
}

}  // namespace quelmar
