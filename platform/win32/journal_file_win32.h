// Opening the journal on Windows, often a file of a share that every user
// of the fleet writes: with the rights the user has on it, and never
// through a link that someone else put in the folder.
#pragma once

#include <string>

#include "platform/win32/win32_api.h"

namespace quelmar {

// What the user may do with the journal, besides appending to it.
struct JournalRights {
  // Read its last byte (to start an entry on a new line after a cut one).
  bool read = false;
  // Cut it back to its size before an entry that a full disk cut short.
  bool cutBack = false;
};

// Opens the journal at `path` for appending, alone (other writers get a
// sharing violation and retry, for kJournalPatience at most; readers may
// read), created when missing. Asks for read and write access first, then,
// where the share grants less, read and append, then append alone;
// `rights` says which was granted. A symbolic link or mount point named as
// the journal is followed only when the user (or the owner the user's
// files get) owns it, and never to create a file; the handle is then that
// of the file it names. INVALID_HANDLE_VALUE on failure, the reason in
// GetLastError.
HANDLE OpenJournal(const std::wstring& path, JournalRights& rights);

// The folder of a journal's path, with its last separator, for
// GetDiskFreeSpaceExW; empty when the path names none.
std::wstring FolderOf(const std::wstring& path);

}  // namespace quelmar
