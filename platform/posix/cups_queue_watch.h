// Whether another program changed the workstation's queues since this
// program last read them. The workstation's cupsd keeps, for a
// subscription of ours, the events that add, delete or modify a queue or
// (re)start the cupsd, and a poll (Get-Notifications) returns those that
// came since the last one. An idle poll is answered in about a hundred
// bytes, whatever the number of queues, where a reading of the queues
// lists every one of them.
//
// The cupsd records an event before it answers the request that made the
// change: once another program's change is done, the next poll sees it.
// The list can be trusted only when the events since the last poll are
// exactly the changes this program made itself, in order, with no gap in
// their sequence numbers; anything else (another program's change, a
// restarted cupsd, events lost to the cupsd's limit, a subscription gone)
// means reading the queues afresh.
//
// This class builds the requests and judges the replies; the caller sends
// them on its connection to the workstation's cupsd.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/cups_connection.h"

namespace quelmar {

class QueueChangeWatch {
 public:
  enum class Change { kAdded, kDeleted };

  // True when no subscription is active and the cupsd has not refused one
  // in this run. A subscription lost after it served (its lease ended, the
  // cupsd restarted) may be replaced; one that never served is not asked
  // for again, so that a cupsd that drops them costs no request per line.
  bool CanSubscribe() const;
  IppMessage SubscribeRequest() const;
  // Takes the cupsd's answer: active when it granted the subscription,
  // never asked for again in this run when it refused.
  void Subscribed(const IppReply& reply);
  bool active() const { return id_ != 0; }

  // The poll for the events that came since the last one.
  IppMessage PollRequest() const;
  // Whether the queues are as this program left them (see above). Consumes
  // the events and the expected changes either way. A subscription that
  // the cupsd no longer knows, or a poll it refuses, gives false and ends
  // the subscription.
  bool OnlyOwnChanges(const IppReply& reply);
  // A change this program made, with the cupsd's answer that it is done:
  // its event is expected at the next poll.
  void Expect(Change change, const std::string& queue);

  // The request that ends the subscription, nothing when none is active;
  // none is active afterwards.
  IppMessage CancelRequest();
  // Forgets the subscription without a request (the cupsd does not answer):
  // its lease ends it.
  void Abandon();

 private:
  struct Event {
    int sequence = 0;
    std::string keyword;
    std::string printer;
  };

  static std::vector<Event> EventsOf(ipp_t* response);
  void End(bool mayReplace);

  int id_ = 0;
  // The sequence number of the next event.
  int next_ = 1;
  // A poll has been answered since the subscription was made.
  bool served_ = false;
  bool refused_ = false;
  std::vector<Event> expected_;
};

}  // namespace quelmar
