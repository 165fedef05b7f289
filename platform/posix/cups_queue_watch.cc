#include "platform/posix/cups_queue_watch.h"

#include <algorithm>
#include <string_view>

#include "services/unicode.h"

namespace quelmar {
namespace {

// The cupsd itself, for requests that concern no queue.
constexpr char kServerUri[] = "ipp://localhost/";
// How long the cupsd keeps a subscription that is not cancelled (a run
// that ends without a word); one that ends during a long run is replaced.
constexpr int kLeaseSeconds = 300;

const char* EventKeyword(QueueChangeWatch::Change change) {
  return change == QueueChangeWatch::Change::kAdded ? "printer-added"
                                                    : "printer-deleted";
}

}  // namespace

bool QueueChangeWatch::CanSubscribe() const { return !active() && !refused_; }

IppMessage QueueChangeWatch::SubscribeRequest() const {
  IppMessage request =
      NewRequest(IPP_OP_CREATE_PRINTER_SUBSCRIPTIONS, kServerUri);
  // Every event that can change the queues or their device URIs, and the
  // cupsd's own restarts (its configuration read again).
  static const char* const kEvents[] = {
      "printer-added",          "printer-deleted", "printer-modified",
      "printer-config-changed", "server-started",  "server-restarted",
      "server-stopped"};
  ipp_t* r = request.get();
  ippAddString(r, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-pull-method",
               nullptr, "ippget");
  ippAddStrings(r, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-events",
                static_cast<int>(std::size(kEvents)), nullptr, kEvents);
  ippAddInteger(r, IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER,
                "notify-lease-duration", kLeaseSeconds);
  return request;
}

void QueueChangeWatch::Subscribed(const IppReply& reply) {
  ipp_attribute_t* id =
      reply.succeeded()
          ? ippFindAttribute(reply.response.get(), "notify-subscription-id",
                             IPP_TAG_INTEGER)
          : nullptr;
  if (!id || ippGetInteger(id, 0) <= 0) {
    refused_ = true;
    return;
  }
  id_ = ippGetInteger(id, 0);
  next_ = 1;
  served_ = false;
  expected_.clear();
}

IppMessage QueueChangeWatch::PollRequest() const {
  IppMessage request = NewRequest(IPP_OP_GET_NOTIFICATIONS, kServerUri);
  ipp_t* r = request.get();
  ippAddInteger(r, IPP_TAG_OPERATION, IPP_TAG_INTEGER,
                "notify-subscription-ids", id_);
  ippAddInteger(r, IPP_TAG_OPERATION, IPP_TAG_INTEGER,
                "notify-sequence-numbers", next_);
  ippAddBoolean(r, IPP_TAG_OPERATION, "notify-wait", 0);
  return request;
}

std::vector<QueueChangeWatch::Event> QueueChangeWatch::EventsOf(
    ipp_t* response) {
  std::vector<Event> events;
  Event event;
  auto flush = [&] {
    if (event.sequence > 0) events.push_back(std::move(event));
    event = Event();
  };
  for (ipp_attribute_t* a = ippFirstAttribute(response); a;
       a = ippNextAttribute(response)) {
    const char* name = ippGetName(a);
    if (!name || ippGetGroupTag(a) != IPP_TAG_EVENT_NOTIFICATION) {
      flush();  // the separator between two events, or another group
      continue;
    }
    const std::string_view attribute(name);
    if (attribute == "notify-sequence-number") {
      event.sequence = ippGetInteger(a, 0);
    } else if (attribute == "notify-subscribed-event") {
      event.keyword = ippGetString(a, 0, nullptr);
    } else if (attribute == "printer-name") {
      event.printer = ippGetString(a, 0, nullptr);
    }
  }
  flush();
  return events;
}

bool QueueChangeWatch::OnlyOwnChanges(const IppReply& reply) {
  if (!active()) return false;
  if (reply.status == IPP_STATUS_ERROR_NOT_FOUND ||
      reply.status == IPP_STATUS_OK_EVENTS_COMPLETE) {
    // The lease ended, or a restarted cupsd did not keep the subscription.
    End(/*mayReplace=*/served_);
    return false;
  }
  if (!reply.succeeded()) {
    End(/*mayReplace=*/false);
    return false;
  }
  served_ = true;
  const std::vector<Event> events = EventsOf(reply.response.get());
  const std::vector<Event> expected = std::move(expected_);
  expected_.clear();
  bool own = events.size() == expected.size();
  for (size_t i = 0; own && i < events.size(); ++i)
    own = events[i].sequence == next_ + static_cast<int>(i) &&
          events[i].keyword == expected[i].keyword &&
          EqualsIgnoreCase(events[i].printer, expected[i].printer);
  if (!events.empty()) next_ = std::max(next_, events.back().sequence + 1);
  return own;
}

void QueueChangeWatch::Expect(Change change, const std::string& queue) {
  if (active()) expected_.push_back({0, EventKeyword(change), queue});
}

IppMessage QueueChangeWatch::CancelRequest() {
  if (!active()) return nullptr;
  IppMessage request = NewRequest(IPP_OP_CANCEL_SUBSCRIPTION, kServerUri);
  ippAddInteger(request.get(), IPP_TAG_OPERATION, IPP_TAG_INTEGER,
                "notify-subscription-id", id_);
  End(/*mayReplace=*/true);
  return request;
}

void QueueChangeWatch::Abandon() { End(/*mayReplace=*/served_); }

void QueueChangeWatch::End(bool mayReplace) {
  id_ = 0;
  expected_.clear();
  refused_ = refused_ || !mayReplace;
}

}  // namespace quelmar
