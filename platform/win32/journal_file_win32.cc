#include "platform/win32/journal_file_win32.h"

#include <aclapi.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/win32/handles.h"
#include "services/retry_backoff.h"

namespace quelmar {
namespace {

bool IsSharingError(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// The error of a link that is not followed: neither a sharing violation
// (retried) nor a refusal (tried again with fewer rights).
constexpr DWORD kLinkRefused = ERROR_CANT_ACCESS_FILE;

// Whether `sid` is the token's user (TokenUser) or the default owner of
// what it creates (TokenOwner: the Administrators group for an elevated
// administrator).
bool TokenSidIs(HANDLE token, TOKEN_INFORMATION_CLASS kind, PSID sid) {
  DWORD size = 0;
  GetTokenInformation(token, kind, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (size == 0 ||
      !GetTokenInformation(token, kind, buffer.data(), size, &size))
    return false;
  PSID own = kind == TokenUser
                 ? reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid
                 : reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner;
  return EqualSid(own, sid);
}

// True when the link at `path` belongs to this user.
bool OwnsLink(const std::wstring& path) {
  FileHandle link(CreateFileW(
      path.c_str(), READ_CONTROL,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
      nullptr));
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!link.valid() ||
      GetSecurityInfo(link.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                      &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS)
    return false;
  std::unique_ptr<void, LocalFreer> freeDescriptor(descriptor);
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  UniqueHandle closeToken(token);
  return TokenSidIs(token, TokenUser, owner) ||
         TokenSidIs(token, TokenOwner, owner);
}

// Opens `path` with `access`: the name itself, created when missing, or,
// when it is a link, what the link names if the user owns the link, never
// created through it.
HANDLE OpenWithoutForeignLinks(const std::wstring& path, DWORD access) {
  HANDLE file = CreateFileW(
      path.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return file;
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag,
                                    sizeof tag)) {
    const DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  if (!(tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return file;
  // A reparse point: the handle is the link (or a file kept by a filter:
  // deduplicated, in the cloud), not the data to write to.
  CloseHandle(file);
  if (IsReparseTagNameSurrogate(tag.ReparseTag) && !OwnsLink(path)) {
    SetLastError(kLinkRefused);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The accesses asked for, most first, and the rights each gives.
struct AccessLevel {
  DWORD access;
  JournalRights rights;
};
constexpr AccessLevel kLevels[] = {
    {GENERIC_READ | GENERIC_WRITE, {true, true}},
    // A journal that users may read and append to but not rewrite.
    {FILE_READ_DATA | FILE_APPEND_DATA, {true, false}},
    // A drop folder: append only.
    {FILE_APPEND_DATA, {false, false}},
};

}  // namespace

HANDLE OpenJournal(const std::wstring& path, JournalRights& rights) {
  RetryBackoff backoff(GetCurrentProcessId() ^ GetTickCount());
  const auto deadline = std::chrono::steady_clock::now() + kJournalPatience;
  for (;;) {
    HANDLE file = INVALID_HANDLE_VALUE;
    for (const AccessLevel& level : kLevels) {
      rights = level.rights;
      file = OpenWithoutForeignLinks(path, level.access);
      if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_ACCESS_DENIED)
        break;
    }
    if (file != INVALID_HANDLE_VALUE || !IsSharingError(GetLastError()) ||
        std::chrono::steady_clock::now() >= deadline)
      return file;
    std::this_thread::sleep_for(backoff.NextPause());
  }
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? std::wstring()
                                         : path.substr(0, separator + 1);
}

}  // namespace quelmar
