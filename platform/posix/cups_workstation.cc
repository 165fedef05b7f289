#include "platform/posix/cups_workstation.h"

#include <algorithm>
#include <cstdio>
#include <future>
#include <iterator>
#include <string_view>
#include <utility>

#include "base/run_error.h"
#include "services/text_utils.h"
#include "services/unicode.h"

namespace quelmar {
namespace {

// The overall deadline of one request to the workstation's CUPS, and to a
// print server.
constexpr auto kLocalTimeout = std::chrono::seconds(10);
constexpr auto kPrintServerTimeout = std::chrono::seconds(5);
// A reading of the queues serves the operation that made it: checking
// whether a printer is installed, then connecting or removing it, takes a
// few milliseconds.
constexpr auto kListReuse = std::chrono::seconds(1);

const char* StringAttribute(ipp_t* message, const char* name) {
  ipp_attribute_t* attribute = ippFindAttribute(message, name, IPP_TAG_ZERO);
  return attribute ? ippGetString(attribute, 0, nullptr) : nullptr;
}

void RequestAttributes(ipp_t* request,
                       std::initializer_list<const char*> names) {
  std::vector<const char*> list(names);
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD,
                "requested-attributes", static_cast<int>(list.size()), nullptr,
                list.data());
}

// A default option of a queue ("sides-default"...), as CUPS-Add-Modify-
// Printer takes it; not one that CUPS computes ("printer-...-default").
bool IsDefaultOption(std::string_view name) {
  constexpr std::string_view kDefault = "-default";
  return name.size() > kDefault.size() &&
         name.substr(name.size() - kDefault.size()) == kDefault &&
         name.rfind("printer-", 0) != 0;
}

// The printer attribute of `message` named `name`, or null.
ipp_attribute_t* PrinterAttribute(ipp_t* message, std::string_view name) {
  for (ipp_attribute_t* a = ippFirstAttribute(message); a;
       a = ippNextAttribute(message)) {
    const char* attributeName = ippGetName(a);
    if (attributeName && ippGetGroupTag(a) == IPP_TAG_PRINTER &&
        name == attributeName)
      return a;
  }
  return nullptr;
}

// The values of an attribute as one text, however long.
std::string AttributeText(ipp_attribute_t* attribute) {
  std::string text(ippAttributeString(attribute, nullptr, 0) + 1, '\0');
  text.resize(ippAttributeString(attribute, text.data(), text.size()));
  return text;
}

// The settings of a removed queue that CUPS-Add-Modify-Printer takes back,
// but its default options: its description, location, sharing, policies
// and allowed users; none of what CUPS computes.
void CopySavedSettings(ipp_t* saved, ipp_t* request) {
  static constexpr std::string_view kKept[] = {"printer-info",
                                               "printer-location",
                                               "printer-is-shared",
                                               "printer-error-policy",
                                               "printer-op-policy",
                                               "requesting-user-name-allowed",
                                               "requesting-user-name-denied"};
  for (std::string_view name : kKept)
    if (ipp_attribute_t* a = PrinterAttribute(saved, name))
      ippCopyAttribute(request, a, 0);
}

// The default options of a removed queue (banners included) that
// `current`, the new queue's attributes, does not have with the same
// values (with `current` null, all of them): a queue with a PPD computes
// its defaults from it, and one sent back as it is would become a setting
// of its own, which the queue did not have. Returns how many were copied.
int CopySavedDefaults(ipp_t* saved, ipp_t* request, ipp_t* current) {
  int copied = 0;
  for (ipp_attribute_t* a = ippFirstAttribute(saved); a;
       a = ippNextAttribute(saved)) {
    const char* name = ippGetName(a);
    if (!name || ippGetGroupTag(a) != IPP_TAG_PRINTER || !IsDefaultOption(name))
      continue;
    ipp_attribute_t* now = current ? PrinterAttribute(current, name) : nullptr;
    if (now && AttributeText(a) == AttributeText(now)) continue;
    ippCopyAttribute(request, a, 0);
    ++copied;
  }
  return copied;
}

// The workstation's own CUPS failed: the printer services cannot go on.
// `failure` says how ("ne répond pas", ...), `reason` is CUPS's text.
[[noreturn]] void ThrowUnavailable(const char* failure,
                                   const std::string& reason) {
  throw RunError(kDeviceUnavailable,
                 RunError(kDeviceUnavailable).description() +
                     " : le service d'impression CUPS du poste " + failure +
                     " (" + reason + ")");
}

// The workstation's cupsd refuses to let this user add or delete queues
// (its policy keeps them for administrators): the refusal, said plainly,
// with CUPS's own word for it.
std::string RefusalText(const std::string& cupsText) {
  return "Accès refusé : le service d'impression CUPS du poste n'autorise "
         "pas l'utilisateur " +
         std::string(cupsUser()) + " à ajouter ou supprimer des imprimantes (" +
         cupsText + ").";
}

bool IsRefusal(int status) {
  return status == IPP_STATUS_ERROR_FORBIDDEN ||
         status == IPP_STATUS_ERROR_NOT_AUTHENTICATED ||
         status == IPP_STATUS_ERROR_NOT_AUTHORIZED;
}

}  // namespace

CupsWorkstation::CupsWorkstation()
    : local_(cupsServer(), ippPort(), cupsEncryption(), kLocalTimeout) {
  RefusePasswordPrompts();
}

CupsWorkstation::~CupsWorkstation() {
  if (IppMessage cancel = watch_.CancelRequest())
    local_.Send(std::move(cancel), "/");
}

void CupsWorkstation::RunLocal(const std::function<void(http_t*)>& call) {
  IppReply reply = local_.Run(call);
  if (reply.answered) return;
  watch_.Abandon();
  ThrowUnavailable("ne répond pas", reply.text);
}

IppReply CupsWorkstation::SendLocal(IppMessage request, const char* resource,
                                    std::string_view document) {
  IppReply reply = local_.Send(std::move(request), resource, document);
  if (reply.answered) return reply;
  watch_.Abandon();
  ThrowUnavailable("ne répond pas", reply.text);
}

std::vector<CupsWorkstation::Queue> CupsWorkstation::Queues() {
  if (lastList_ && lastList_->checkedAt &&
      std::chrono::steady_clock::now() - *lastList_->checkedAt < kListReuse)
    return lastList_->queues;
  return CheckedQueues();
}

const std::vector<CupsWorkstation::Queue>& CupsWorkstation::CheckedQueues() {
  if (watch_.active()) {
    const auto checkedAt = std::chrono::steady_clock::now();
    if (watch_.OnlyOwnChanges(SendLocal(watch_.PollRequest(), "/")) &&
        lastList_) {
      lastList_->checkedAt = checkedAt;
      return lastList_->queues;
    }
  }
  // From the second operation of a run on, the watch spares the readings
  // (again after a subscription that ended). It is subscribed before the
  // reading, so that no change falls between the two.
  if (lastList_ && watch_.CanSubscribe())
    watch_.Subscribed(SendLocal(watch_.SubscribeRequest(), "/"));
  return ReadList();
}

const std::vector<CupsWorkstation::Queue>& CupsWorkstation::ReadQueues() {
  // The events so far are old news once the queues are read.
  if (watch_.active())
    watch_.OnlyOwnChanges(SendLocal(watch_.PollRequest(), "/"));
  return ReadList();
}

const std::vector<CupsWorkstation::Queue>& CupsWorkstation::ReadList() {
  lastList_.reset();
  const auto readAt = std::chrono::steady_clock::now();
  IppMessage request(ippNewRequest(IPP_OP_CUPS_GET_PRINTERS));
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME,
               "requesting-user-name", nullptr, cupsUser());
  RequestAttributes(request.get(), {"printer-name", "device-uri"});
  IppReply reply = SendLocal(std::move(request), "/");
  QueueList& list = lastList_.emplace(QueueList{{}, readAt});
  // No queue at all: CUPS answers "not found".
  if (reply.status == IPP_STATUS_ERROR_NOT_FOUND) return list.queues;
  if (!reply.succeeded()) {
    lastList_.reset();
    ThrowUnavailable("refuse la liste des imprimantes", reply.text);
  }
  std::string name, uri;
  auto flush = [&] {
    if (!name.empty()) list.queues.push_back({name, DeviceNameOf(name, uri)});
    name.clear();
    uri.clear();
  };
  for (ipp_attribute_t* a = ippFirstAttribute(reply.response.get()); a;
       a = ippNextAttribute(reply.response.get())) {
    const char* attributeName = ippGetName(a);
    if (!attributeName) {
      flush();  // the separator between two printers
    } else if (std::string_view(attributeName) == "printer-name") {
      name = ippGetString(a, 0, nullptr);
    } else if (std::string_view(attributeName) == "device-uri") {
      uri = ippGetString(a, 0, nullptr);
    }
  }
  flush();
  return list.queues;
}

void CupsWorkstation::Changed(QueueChangeWatch::Change change,
                              const Queue& queue) {
  watch_.Expect(change, queue.name);
  if (!lastList_) return;
  lastList_->checkedAt.reset();
  std::vector<Queue>& queues = lastList_->queues;
  if (change == QueueChangeWatch::Change::kAdded) {
    queues.push_back(queue);
    return;
  }
  auto removed =
      std::find_if(queues.begin(), queues.end(),
                   [&](const Queue& q) { return q.name == queue.name; });
  if (removed != queues.end()) queues.erase(removed);
}

std::optional<CupsWorkstation::Queue> CupsWorkstation::FindQueue(
    const std::string& deviceName) {
  for (Queue& queue : Queues())
    if (EqualsIgnoreCase(queue.deviceName, deviceName)) return queue;
  return std::nullopt;
}

bool CupsWorkstation::IsInstalled(std::string_view name) {
  for (const Queue& queue : CheckedQueues())
    if (EqualsIgnoreCase(queue.deviceName, name)) return true;
  return false;
}

const std::vector<std::string>& CupsWorkstation::InstalledPrinters() {
  installed_.clear();
  for (const Queue& queue : ReadQueues())
    installed_.push_back(queue.deviceName);
  return installed_;
}

IppReply CupsWorkstation::QueryPrintServer(
    SharedPrinter& printer, std::string& uri,
    std::unique_ptr<IppConnection>& server) {
  if (!server) {
    ServerAddress address = AddressOf(printer.server);
    server = std::make_unique<IppConnection>(address.host, address.port,
                                             HTTP_ENCRYPTION_IF_REQUESTED,
                                             kPrintServerTimeout);
  }
  IppReply reply;
  for (bool isClass : {false, true}) {
    uri = SharedPrinterUri(printer, isClass);
    IppMessage request = NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, uri);
    RequestAttributes(request.get(), {"printer-name"});
    reply = server->Send(std::move(request), "/");
    if (reply.status != IPP_STATUS_ERROR_NOT_FOUND) break;
  }
  if (!reply.succeeded()) return reply;
  if (const char* spelling =
          StringAttribute(reply.response.get(), "printer-name");
      spelling && EqualsIgnoreCase(spelling, printer.printer)) {
    printer.printer = spelling;
    uri = SharedPrinterUri(printer, uri.find("/classes/") != std::string::npos);
  }
  return reply;
}

SpoolerResult CupsWorkstation::AddPrinterConnection(const std::string& name) {
  if (HasControlCharacter(name)) return InvalidName();
  std::optional<SharedPrinter> printer = ParseSharedPrinter(name);
  if (!printer)
    return Failure(IPP_STATUS_ERROR_NOT_FOUND,
                   ippErrorString(IPP_STATUS_ERROR_NOT_FOUND));
  std::string uri;
  std::vector<Queue> queues;
  if (SpoolerResult located = LocateAndList(*printer, uri, queues);
      !located.succeeded)
    return located;
  const std::string deviceName = DeviceNameOf({}, uri);
  std::vector<std::string> taken;
  for (Queue& queue : queues) {
    // Connected already, under another spelling of its name (the run has
    // looked for its own): the connection would change nothing, and is
    // not made.
    if (EqualsIgnoreCase(queue.deviceName, deviceName))
      return Failure(
          IPP_STATUS_ERROR_NOT_POSSIBLE,
          "L'imprimante est déjà connectée sous le nom " + queue.deviceName);
    taken.push_back(std::move(queue.name));
  }
  auto removed = removed_.find(ToLowerUtf8(deviceName));
  if (removed != removed_.end()) {
    const std::string& queue = removed->second.name;
    bool free = true;
    for (const std::string& name : taken)
      free = free && !EqualsIgnoreCase(name, queue);
    if (free) return CreateQueue(queue, uri, deviceName, &removed->second);
  }
  return CreateQueue(QueueNameFor(*printer, taken), uri, deviceName);
}

SpoolerResult CupsWorkstation::LocateAndList(SharedPrinter& printer,
                                             std::string& uri,
                                             std::vector<Queue>& queues) {
  const auto known = servers_.find(ToLowerUtf8(printer.server));
  const bool knownIpp = known != servers_.end() && !known->second.unreachable &&
                        known->second.kind == ServerKind::kIpp;
  if (lastList_ && lastList_->checkedAt &&
      std::chrono::steady_clock::now() - *lastList_->checkedAt < kListReuse) {
    // The check this operation has just made serves it, however long the
    // server then takes: asking both at once would leave the same time
    // between the check and the change.
    std::vector<Queue> recent = lastList_->queues;
    SpoolerResult located = LocatePrinter(printer, uri);
    if (located.succeeded) queues = std::move(recent);
    return located;
  }
  if (!knownIpp) {
    SpoolerResult located = LocatePrinter(printer, uri);
    if (located.succeeded) queues = CheckedQueues();
    return located;
  }
  // A CUPS server already probed: its answer and the workstation's queues
  // are asked at once. (A server still to probe, or an SMB one, is asked
  // from this thread: that starts child processes.)
  std::future<SpoolerResult> located = std::async(
      std::launch::async, [&] { return LocatePrinter(printer, uri); });
  queues = CheckedQueues();
  return located.get();
}

IppMessage CupsWorkstation::QueueAttributes(const std::string& queue) {
  IppMessage request =
      NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, LocalQueueUri(queue));
  RequestAttributes(request.get(),
                    {"printer-info", "printer-location", "printer-is-shared",
                     "printer-error-policy", "printer-op-policy",
                     "job-sheets-default", "requesting-user-name-allowed",
                     "requesting-user-name-denied", "job-template"});
  IppReply reply = SendLocal(std::move(request), "/");
  return reply.succeeded() ? std::move(reply.response) : nullptr;
}

std::string CupsWorkstation::QueuePpd(const std::string& queue) {
  std::string ppd;
  RunLocal([&](http_t* http) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::tmpfile(), std::fclose);
    // A raw queue has none: 404 Not Found.
    if (!file || cupsGetFd(http, LocalQueuePpdResource(queue).c_str(),
                           fileno(file.get())) != HTTP_STATUS_OK)
      return;
    std::rewind(file.get());
    char buffer[32768];
    size_t length = 0;
    while ((length = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
      ppd.append(buffer, length);
    if (std::ferror(file.get())) ppd.clear();
  });
  return ppd;
}

SpoolerResult CupsWorkstation::CreateQueue(const std::string& queue,
                                           const std::string& uri,
                                           const std::string& deviceName,
                                           const RemovedQueue* saved) {
  IppMessage request =
      NewRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER, LocalQueueUri(queue));
  ipp_t* r = request.get();
  // A queue's driver is its PPD, sent after the request; none makes a raw
  // queue.
  const std::string_view ppd = saved ? saved->ppd : std::string_view();
  if (ppd.empty())
    ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "ppd-name", nullptr,
                 "raw");
  ippAddString(r, IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", nullptr,
               uri.c_str());
  ipp_t* savedAttributes = saved ? saved->attributes.get() : nullptr;
  if (savedAttributes) {
    CopySavedSettings(savedAttributes, r);
    if (ppd.empty()) CopySavedDefaults(savedAttributes, r, nullptr);
  }
  // The description that print dialogs show: the printer's own name.
  if (!ippFindAttribute(r, "printer-info", IPP_TAG_ZERO))
    ippAddString(r, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-info", nullptr,
                 deviceName.c_str());
  ippAddBoolean(r, IPP_TAG_PRINTER, "printer-is-accepting-jobs", 1);
  if (!ippFindAttribute(r, "printer-is-shared", IPP_TAG_ZERO))
    ippAddBoolean(r, IPP_TAG_PRINTER, "printer-is-shared", 0);
  ippAddInteger(r, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state",
                IPP_PSTATE_IDLE);
  // Until the cupsd answers, the queues are not known: read afresh after a
  // failure.
  std::optional<QueueList> list = std::exchange(lastList_, std::nullopt);
  IppReply reply = SendLocal(std::move(request), "/admin/", ppd);
  if (!reply.succeeded()) return LocalFailure(reply);
  lastList_ = std::move(list);
  // The options given back below modify the queue: another event than its
  // addition, which the next check reads afresh for.
  Changed(QueueChangeWatch::Change::kAdded, {queue, deviceName});
  if (savedAttributes && !ppd.empty())
    RestoreDefaultOptions(queue, savedAttributes);
  return {true, 0};
}

void CupsWorkstation::RestoreDefaultOptions(const std::string& queue,
                                            ipp_t* saved) {
  IppMessage current = QueueAttributes(queue);
  IppMessage request =
      NewRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER, LocalQueueUri(queue));
  if (!current || CopySavedDefaults(saved, request.get(), current.get()) == 0)
    return;
  // A refusal leaves the queue back with its PPD's defaults: the printer
  // is connected again all the same.
  SendLocal(std::move(request), "/admin/");
}

SpoolerResult CupsWorkstation::LocalFailure(const IppReply& reply) {
  return Failure(reply.status, IsRefusal(reply.status) ? RefusalText(reply.text)
                                                       : reply.text);
}

std::optional<std::string> CupsWorkstation::ServerDefaultQueue() {
  IppMessage request(ippNewRequest(IPP_OP_CUPS_GET_DEFAULT));
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME,
               "requesting-user-name", nullptr, cupsUser());
  RequestAttributes(request.get(), {"printer-name"});
  IppReply reply = SendLocal(std::move(request), "/");
  if (!reply.succeeded()) return std::nullopt;
  const char* name = StringAttribute(reply.response.get(), "printer-name");
  if (!name) return std::nullopt;
  return std::string(name);
}

void CupsWorkstation::SetServerDefaultQueue(const std::string& queue) {
  SendLocal(NewRequest(IPP_OP_CUPS_SET_DEFAULT, LocalQueueUri(queue)),
            "/admin/");
}

SpoolerResult CupsWorkstation::DeletePrinterConnection(
    const std::string& name) {
  return RemoveQueue(name, /*keepAttributes=*/false);
}

SpoolerResult CupsWorkstation::DeleteReplacedConnection(
    const std::string& name) {
  return RemoveQueue(name, /*keepAttributes=*/true);
}

SpoolerResult CupsWorkstation::RemoveQueue(const std::string& name,
                                           bool keepAttributes) {
  if (HasControlCharacter(name)) return InvalidName();
  std::optional<Queue> queue = FindQueue(name);
  if (!queue)
    return Failure(IPP_STATUS_ERROR_NOT_FOUND,
                   ippErrorString(IPP_STATUS_ERROR_NOT_FOUND));
  // The user's default must not go on naming a queue that is gone; a
  // default that LPDEST or PRINTER names is the environment's, not the
  // user's lpoptions, and is left alone. It is cleared while the queue still
  // exists: libcups writes no lpoptions for a CUPS without queues, as the
  // workstation is once its last one is gone.
  const bool wasDefault = LpoptionsDefaultIs(queue->name);
  IppMessage attributes =
      keepAttributes ? QueueAttributes(queue->name) : nullptr;
  std::string ppd = keepAttributes ? QueuePpd(queue->name) : std::string();
  if (wasDefault) SetUserDefaultQueue({});
  std::optional<QueueList> list = std::exchange(lastList_, std::nullopt);
  IppReply reply;
  try {
    reply = SendLocal(
        NewRequest(IPP_OP_CUPS_DELETE_PRINTER, LocalQueueUri(queue->name)),
        "/admin/");
  } catch (const RunError&) {
    // The service stopped answering: the removal may not have been made,
    // and the default is cleared only for a removal that was.
    if (wasDefault) RestoreUserDefaultQueue(queue->name);
    throw;
  }
  if (!reply.succeeded()) {
    if (wasDefault) SetUserDefaultQueue(queue->name);
    return LocalFailure(reply);
  }
  lastList_ = std::move(list);
  Changed(QueueChangeWatch::Change::kDeleted, *queue);
  removed_[ToLowerUtf8(queue->deviceName)] = {
      queue->name, std::move(attributes), std::move(ppd)};
  return {true, 0};
}

void CupsWorkstation::RestoreUserDefaultQueue(const std::string& queue) {
  try {
    SetUserDefaultQueue(queue);
  } catch (const RunError&) {
    // Still no answer: the error being reported already says so.
  }
}

SpoolerResult CupsWorkstation::InvalidName() {
  return Failure(IPP_STATUS_ERROR_BAD_REQUEST,
                 "Nom d'imprimante non valide : il contient un caractère de "
                 "contrôle");
}

SpoolerResult CupsWorkstation::Failure(int status, const std::string& text) {
  texts_[status] = text;
  return {false, status};
}

std::string CupsWorkstation::ErrorText(int32_t code) {
  if (auto text = texts_.find(code); text != texts_.end()) return text->second;
  std::string keyword = IppStatusText(code);
  return keyword.rfind("0x", 0) == 0 ? std::string() : keyword;
}

}  // namespace quelmar
