// Whether an SMB print server (Windows or Samba) offers a printer to this
// user: its printer shares listed through libsmbclient, then the share
// itself opened, as guest or with the user's Kerberos ticket when there is
// one; never a password prompt. The checks run in a child process that
// keeps libsmbclient's connections from one check to the next, and that is
// killed at the deadline of a check: libsmbclient's own timeout covers
// neither its name look-up nor its TCP connect.
#pragma once

#include <string>

#include "platform/posix/bounded_child.h"

namespace quelmar {

// The library, loaded when the first check runs.
constexpr const char* kSmbClientLibrary = "libsmbclient.so.0";

struct SmbShareCheck {
  enum class Outcome {
    kOffered,       // `share` is the server's spelling
    kNotOffered,    // no printer share of that name
    kAccessDenied,  // listed, but the user may not use it
    kFailed,        // the server did not list its shares: `error` says why
    kNoAnswer,      // nothing before the deadline
    kNoLibrary,     // libsmbclient is not installed on the workstation
  };
  Outcome outcome = Outcome::kFailed;
  std::string share;
  int error = 0;
};

class SmbShareChecker {
 public:
  SmbShareChecker();
  SmbShareCheck Check(const std::string& host, const std::string& printer,
                      Deadline deadline);

 private:
  BoundedWorker worker_;
};

}  // namespace quelmar
