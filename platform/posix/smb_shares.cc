#include "platform/posix/smb_shares.h"

#include <dlfcn.h>
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

// libsmbclient's functions, loaded by the first check, in the worker
// child: linking the library would load its hundred-odd libraries at the
// start of every run, SMB or not (a tenth of a second here).
struct SmbLibrary {
  decltype(&smbc_new_context) newContext;
  decltype(&smbc_free_context) freeContext;
  decltype(&smbc_init_context) initContext;
  decltype(&smbc_setDebug) setDebug;
  decltype(&smbc_setFunctionAuthDataWithContext) setAuth;
  decltype(&smbc_setPort) setPort;
  decltype(&smbc_setTimeout) setTimeout;
  decltype(&smbc_setOptionUseKerberos) useKerberos;
  decltype(&smbc_setOptionFallbackAfterKerberos) fallbackAfterKerberos;
  decltype(&smbc_getFunctionOpendir) opendir;
  decltype(&smbc_getFunctionReaddir) readdir;
  decltype(&smbc_getFunctionClosedir) closedir;

  // Nothing when the library or one of its functions is missing.
  static const SmbLibrary* Load() {
    static SmbLibrary library;
    static const bool loaded = library.Resolve();
    return loaded ? &library : nullptr;
  }

 private:
  template <typename Function>
  static bool Find(void* handle, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(handle, name));
    return function != nullptr;
  }

  bool Resolve() {
    void* handle = dlopen(kSmbClientLibrary, RTLD_NOW | RTLD_LOCAL);
    return handle && Find(handle, "smbc_new_context", newContext) &&
           Find(handle, "smbc_free_context", freeContext) &&
           Find(handle, "smbc_init_context", initContext) &&
           Find(handle, "smbc_setDebug", setDebug) &&
           Find(handle, "smbc_setFunctionAuthDataWithContext", setAuth) &&
           Find(handle, "smbc_setPort", setPort) &&
           Find(handle, "smbc_setTimeout", setTimeout) &&
           Find(handle, "smbc_setOptionUseKerberos", useKerberos) &&
           Find(handle, "smbc_setOptionFallbackAfterKerberos",
                fallbackAfterKerberos) &&
           Find(handle, "smbc_getFunctionOpendir", opendir) &&
           Find(handle, "smbc_getFunctionReaddir", readdir) &&
           Find(handle, "smbc_getFunctionClosedir", closedir);
  }
};

class SmbContext {
 public:
  explicit SmbContext(const SmbLibrary& smb)
      : smb_(smb), context_(smb.newContext()) {
    if (!context_) return;
    smb_.setDebug(context_, 0);
    smb_.setAuth(context_, GuestCredentials);
    // One connect attempt: without it a second one goes to port 139.
    smb_.setPort(context_, kSmbPort);
    smb_.useKerberos(context_, 1);
    smb_.fallbackAfterKerberos(context_, 1);
    if (!smb_.initContext(context_)) {
      smb_.freeContext(context_, 0);
      context_ = nullptr;
    }
  }
  ~SmbContext() {
    if (context_) smb_.freeContext(context_, 1);
  }
  SmbContext(const SmbContext&) = delete;
  SmbContext& operator=(const SmbContext&) = delete;

  void SetTimeout(int timeoutMs) {
    if (context_)
      smb_.setTimeout(context_, std::max(timeoutMs, kMinSmbTimeoutMs));
  }

  // The printer shares of the server, or nothing with errno set.
  bool ListPrinterShares(const std::string& url,
                         std::vector<std::string>& shares) {
    if (!context_) return false;
    SMBCFILE* dir = smb_.opendir(context_)(context_, url.c_str());
    if (!dir) return false;
    while (smbc_dirent* entry = smb_.readdir(context_)(context_, dir))
      if (entry->smbc_type == SMBC_PRINTER_SHARE) shares.push_back(entry->name);
    smb_.closedir(context_)(context_, dir);
    return true;
  }

  // Whether the user may connect to the share: opening it as a folder
  // connects to it first, and only that step refuses a user.
  bool MayConnect(const std::string& url) {
    SMBCFILE* dir = smb_.opendir(context_)(context_, url.c_str());
    if (dir) {
      smb_.closedir(context_)(context_, dir);
      return true;
    }
    return errno != EACCES && errno != EPERM;
  }

 private:
  const SmbLibrary& smb_;
  SMBCCTX* context_;
};

// In the child: the answer to "host\nprinter\ntimeout", "O share", "N",
// "D share", "E errno", or "L" without the library.
std::string CheckInChild(SmbContext& smb, const std::string& request) {
  const std::vector<std::string_view> pieces = SplitFields(request, '\n');
  const std::vector<std::string> fields(pieces.begin(), pieces.end());
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
    case 'L':
      check.outcome = SmbShareCheck::Outcome::kNoLibrary;
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
        const SmbLibrary* library = SmbLibrary::Load();
        if (!library) return std::string("L");
        if (!context) context = std::make_shared<SmbContext>(*library);
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
