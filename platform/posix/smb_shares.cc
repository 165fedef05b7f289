#include "platform/posix/smb_shares.h"

#include <libsmbclient.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/posix/cups_names.h"
#include "platform/posix/print_server_kinds.h"
#include "platform/posix/server_probe.h"
#include "services/text_utils.h"

namespace quelmar {
namespace {

// libsmbclient does not take a timeout below about a second.
constexpr int kMinSmbTimeoutMs = 1000;

// Guest: an empty user name and password. With a Kerberos ticket,
// libsmbclient uses the ticket first and falls back to this.
void GuestCredentials(SMBCCTX*, const char*, const char*, char*, int,
                      char* user, int, char* password, int) {
  user[0] = '\0';
  password[0] = '\0';
}

class SmbContext {
 public:
  SmbContext() : context_(smbc_new_context()) {
    if (!context_) return;
    smbc_setDebug(context_, 0);
    smbc_setFunctionAuthDataWithContext(context_, GuestCredentials);
    // One connect attempt: without it a second one goes to port 139.
    smbc_setPort(context_, kSmbPort);
    smbc_setOptionUseKerberos(context_, 1);
    smbc_setOptionFallbackAfterKerberos(context_, 1);
    if (!smbc_init_context(context_)) {
      smbc_free_context(context_, 0);
      context_ = nullptr;
    }
  }
  ~SmbContext() {
    if (context_) smbc_free_context(context_, 1);
  }
  SmbContext(const SmbContext&) = delete;
  SmbContext& operator=(const SmbContext&) = delete;

  void SetTimeout(int timeoutMs) {
    if (context_)
      smbc_setTimeout(context_, std::max(timeoutMs, kMinSmbTimeoutMs));
  }

  // The printer shares of the server, or nothing with errno set.
  bool ListPrinterShares(const std::string& url,
                         std::vector<std::string>& shares) {
    if (!context_) return false;
    SMBCFILE* dir = smbc_getFunctionOpendir(context_)(context_, url.c_str());
    if (!dir) return false;
    while (smbc_dirent* entry =
               smbc_getFunctionReaddir(context_)(context_, dir))
      if (entry->smbc_type == SMBC_PRINTER_SHARE) shares.push_back(entry->name);
    smbc_getFunctionClosedir(context_)(context_, dir);
    return true;
  }

  // Whether the user may connect to the share: opening it as a folder
  // connects to it first, and only that step refuses a user.
  bool MayConnect(const std::string& url) {
    SMBCFILE* dir = smbc_getFunctionOpendir(context_)(context_, url.c_str());
    if (dir) {
      smbc_getFunctionClosedir(context_)(context_, dir);
      return true;
    }
    return errno != EACCES && errno != EPERM;
  }

 private:
  SMBCCTX* context_;
};

// In the child: the answer to "host\nprinter\ntimeout", "O share", "N",
// "D share" or "E errno".
std::string CheckInChild(SmbContext& smb, const std::string& request) {
  std::vector<std::string> fields = SplitFields(request, "\n", Compare::kExact);
  if (fields.size() != 3) return "E" + DecimalText(EINVAL);
  const std::string& host = fields[0];
  smb.SetTimeout(std::atoi(fields[2].c_str()));
  std::vector<std::string> shares;
  errno = 0;
  if (!smb.ListPrinterShares("smb://" + host, shares))
    return "E" + DecimalText(errno ? errno : EIO);
  std::optional<std::string> share = FindPrinterShare(shares, fields[1]);
  if (!share) return "N";
  return (smb.MayConnect(SmbShareUri(host, *share)) ? "O" : "D") + *share;
}

SmbShareCheck ReadCheck(const std::string& line) {
  SmbShareCheck check;
  const char tag = line.empty() ? '?' : line[0];
  const std::string rest = line.empty() ? "" : line.substr(1);
  switch (tag) {
    case 'O':
      check.outcome = SmbShareCheck::Outcome::kOffered;
      check.share = rest;
      break;
    case 'N':
      check.outcome = SmbShareCheck::Outcome::kNotOffered;
      break;
    case 'D':
      check.outcome = SmbShareCheck::Outcome::kAccessDenied;
      check.share = rest;
      break;
    default:
      check.error = tag == 'E' ? std::atoi(rest.c_str()) : EIO;
  }
  return check;
}

}  // namespace

SmbShareChecker::SmbShareChecker()
    : worker_([context = std::shared_ptr<SmbContext>()](
                  const std::string& request) mutable {
        if (!context) context = std::make_shared<SmbContext>();
        return CheckInChild(*context, request);
      }) {}

SmbShareCheck SmbShareChecker::Check(const std::string& host,
                                     const std::string& printer,
                                     Deadline deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  // libsmbclient's own timeout a little before ours, so that it can say
  // what it was waiting for.
  const int timeoutMs = static_cast<int>(left.count()) - 250;
  ChildOutcome outcome = worker_.Ask(
      host + "\n" + printer + "\n" + DecimalText(timeoutMs), deadline);
  if (outcome.ending == ChildOutcome::Ending::kTimedOut) {
    SmbShareCheck check;
    check.outcome = SmbShareCheck::Outcome::kNoAnswer;
    check.error = ETIMEDOUT;
    return check;
  }
  return ReadCheck(outcome.output);
}

}  // namespace quelmar
