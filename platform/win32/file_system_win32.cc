#include "platform/win32/file_system_win32.h"

#include <climits>

#include "base/run_error.h"
#include "platform/win32/handles.h"
#include "platform/win32/journal_file_win32.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_api.h"

namespace quelmar {
namespace {

constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_DIRECTORY |
                               FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                               FILE_ATTRIBUTE_DEVICE;

// Names such as NUL or COM1 open devices whatever their folder; only a file
// on a disk counts.
bool IsDiskFile(HANDLE file) { return GetFileType(file) == FILE_TYPE_DISK; }

bool MoveTo(HANDLE file, LONGLONG position) {
  LARGE_INTEGER target;
  target.QuadPart = position;
  return SetFilePointerEx(file, target, nullptr, FILE_BEGIN);
}

// True when the file is empty or its last byte is a line break. A file cut
// in the middle of an entry (a disk that filled up before, a writer killed
// during its write) does not end so. Leaves the file's position at its end.
bool EndsWithLineBreak(HANDLE file, LONGLONG size) {
  if (size == 0 || !MoveTo(file, size - 1)) return true;
  char last = '\n';
  DWORD count = 0;
  return !ReadFile(file, &last, 1, &count, nullptr) || count != 1 ||
         last == '\n';
}

// Whether the space this user may still fill where the journal is (the
// disk's, or the user's quota on a share) holds `length` bytes more; true
// when the system does not say.
bool HasRoomFor(const std::wstring& path, size_t length) {
  const std::wstring folder = FolderOf(path);
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(folder.empty() ? nullptr : folder.c_str(),
                           &available, nullptr, nullptr))
    return true;
  return available.QuadPart >= length;
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

bool Win32FileSystem::AppendToFile(const std::string& path, TextPieces pieces) {
  if (path.empty()) return false;
  // Joined here: the conversion to the journal's code page copies the text
  // anyway.
  std::string text;
  for (std::string_view piece : pieces) text += piece;
  const std::string bytes = Utf8ToCodePage(text, journalCodePage_);
  // A conversion that gives nothing would write nothing: a failed write,
  // never a success.
  if (bytes.empty() != text.empty() || bytes.size() > ULONG_MAX - 2)
    return false;
  const std::wstring widePath = Utf8ToWide(path);
  JournalRights rights;
  FileHandle file(OpenJournal(widePath, rights));
  if (!file.valid() || !IsDiskFile(file.get())) return false;
  // The file is ours alone until it is closed: its size is where this entry
  // starts.
  LARGE_INTEGER size{};
  if (rights.read && !GetFileSizeEx(file.get(), &size)) return false;
  const std::string entry =
      !rights.read || EndsWithLineBreak(file.get(), size.QuadPart)
          ? bytes
          : "\r\n" + bytes;
  // Without the right to cut the file back (a journal that users may only
  // append to), an entry that the space left would not hold whole is not
  // written at all. Another writer filling the disk between the check and
  // the write can still cut it; the next writer that may read the journal
  // then starts on a new line.
  if (!rights.cutBack && !HasRoomFor(widePath, entry.size())) return false;
  // Written where the entry starts (at the end with append rights alone).
  if (rights.read && !MoveTo(file.get(), size.QuadPart)) return false;
  // One write of the whole entry: entries of several workstations never
  // interleave.
  DWORD written = 0;
  if (WriteFile(file.get(), entry.data(), static_cast<DWORD>(entry.size()),
                &written, nullptr) &&
      written == entry.size())
    return true;
  // A full disk or a quota took part of the entry: the file is cut back to
  // its size before it, so that no torn entry is left for the next one to
  // be glued to.
  if (rights.cutBack && MoveTo(file.get(), size.QuadPart))
    SetEndOfFile(file.get());  // CutBack: the entry's own bytes
  return false;
}

}  // namespace quelmar
