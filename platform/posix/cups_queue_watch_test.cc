#include "platform/posix/cups_queue_watch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/ipp_bytes.h"

namespace quelmar {
namespace {

using Change = QueueChangeWatch::Change;

struct Event {
  int sequence;
  const char* keyword;
  const char* printer;
};

// A reply as the workstation's cupsd sends it: written to bytes and read
// back, as the connection reads it (one group per event).
IppReply Reply(ipp_status_t status, const std::vector<Event>& events = {},
               int subscriptionId = 0) {
  IppMessage message = NewReplyMessage(status);
  if (subscriptionId)
    ippAddInteger(message.get(), IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER,
                  "notify-subscription-id", subscriptionId);
  for (const Event& event : events) {
    ipp_t* m = message.get();
    if (&event != &events.front()) ippAddSeparator(m);
    ippAddInteger(m, IPP_TAG_EVENT_NOTIFICATION, IPP_TAG_INTEGER,
                  "notify-subscription-id", 7);
    ippAddInteger(m, IPP_TAG_EVENT_NOTIFICATION, IPP_TAG_INTEGER,
                  "notify-sequence-number", event.sequence);
    ippAddString(m, IPP_TAG_EVENT_NOTIFICATION, IPP_TAG_KEYWORD,
                 "notify-subscribed-event", nullptr, event.keyword);
    ippAddString(m, IPP_TAG_EVENT_NOTIFICATION, IPP_TAG_NAME, "printer-name",
                 nullptr, event.printer);
    ippAddString(m, IPP_TAG_EVENT_NOTIFICATION, IPP_TAG_TEXT, "notify-text",
                 nullptr, "Printer modified.");
  }
  IppReply reply;
  reply.response = ReadIppBytes(IppBytes(message.get()));
  EXPECT_TRUE(reply.response);
  reply.status = status;
  return reply;
}

int IntegerOf(const IppMessage& request, const char* name) {
  ipp_attribute_t* attribute =
      ippFindAttribute(request.get(), name, IPP_TAG_INTEGER);
  return attribute ? ippGetInteger(attribute, 0) : -1;
}

// A watch whose subscription the cupsd granted, number 7.
QueueChangeWatch Subscribed() {
  QueueChangeWatch watch;
  watch.Subscribed(Reply(IPP_STATUS_OK, {}, 7));
  return watch;
}

TEST(QueueChangeWatchTest, PollsFromTheEventAfterTheLastOneSeen) {
  QueueChangeWatch watch = Subscribed();
  ASSERT_TRUE(watch.active());
  EXPECT_EQ(IntegerOf(watch.PollRequest(), "notify-subscription-ids"), 7);
  EXPECT_EQ(IntegerOf(watch.PollRequest(), "notify-sequence-numbers"), 1);
  EXPECT_FALSE(watch.OnlyOwnChanges(Reply(
      IPP_STATUS_OK,
      {{1, "printer-added", "Traceur"}, {2, "printer-deleted", "Laser"}})));
  EXPECT_EQ(IntegerOf(watch.PollRequest(), "notify-sequence-numbers"), 3);
  // Those events are taken: an idle poll then finds the queues unchanged.
  EXPECT_TRUE(watch.OnlyOwnChanges(Reply(IPP_STATUS_OK)));
}

TEST(QueueChangeWatchTest, OwnChangesInOrderLeaveTheListTrusted) {
  QueueChangeWatch watch = Subscribed();
  watch.Expect(Change::kAdded, "Laser");
  watch.Expect(Change::kDeleted, "Couleur");
  EXPECT_TRUE(watch.OnlyOwnChanges(Reply(
      IPP_STATUS_OK,
      {{1, "printer-added", "LASER"}, {2, "printer-deleted", "Couleur"}})));
  // The expected changes were used up.
  EXPECT_FALSE(watch.OnlyOwnChanges(
      Reply(IPP_STATUS_OK, {{3, "printer-added", "Laser"}})));
}

// Each case is one way another program's change, or a change lost, shows
// in a poll after this program connected Laser.
TEST(QueueChangeWatchTest, AnythingButTheOwnChangesCallsForAReading) {
  struct Case {
    const char* name;
    std::vector<Event> events;
  } cases[] = {
      {"own event missing", {}},
      {"another queue added too",
       {{1, "printer-added", "Laser"}, {2, "printer-added", "Traceur"}}},
      {"another queue added instead", {{1, "printer-added", "Traceur"}}},
      {"the queue modified instead (its name was taken meanwhile)",
       {{1, "printer-modified", "Laser"}}},
      {"added then deleted by another program",
       {{1, "printer-added", "Laser"}, {2, "printer-deleted", "Laser"}}},
      {"events lost before the own one (gap)", {{3, "printer-added", "Laser"}}},
      {"the cupsd restarted",
       {{1, "printer-added", "Laser"}, {2, "server-restarted", ""}}},
  };
  for (const Case& c : cases) {
    QueueChangeWatch watch = Subscribed();
    watch.Expect(Change::kAdded, "Laser");
    EXPECT_FALSE(watch.OnlyOwnChanges(Reply(IPP_STATUS_OK, c.events)))
        << c.name;
    EXPECT_TRUE(watch.active()) << c.name;
  }
}

TEST(QueueChangeWatchTest, ASubscriptionThatServedIsReplacedOnceLost) {
  for (ipp_status_t lost :
       {IPP_STATUS_ERROR_NOT_FOUND, IPP_STATUS_OK_EVENTS_COMPLETE}) {
    QueueChangeWatch watch = Subscribed();
    watch.Expect(Change::kAdded, "Laser");
    EXPECT_TRUE(watch.OnlyOwnChanges(
        Reply(IPP_STATUS_OK, {{1, "printer-added", "Laser"}})));
    EXPECT_FALSE(watch.OnlyOwnChanges(Reply(lost)));
    EXPECT_FALSE(watch.active());
    EXPECT_TRUE(watch.CanSubscribe());
    // The new one counts its events from 1, with nothing expected.
    watch.Subscribed(Reply(IPP_STATUS_OK, {}, 9));
    EXPECT_EQ(IntegerOf(watch.PollRequest(), "notify-subscription-ids"), 9);
    EXPECT_EQ(IntegerOf(watch.PollRequest(), "notify-sequence-numbers"), 1);
    EXPECT_TRUE(watch.OnlyOwnChanges(Reply(IPP_STATUS_OK)));
  }
}

// A cupsd that refuses subscriptions or polls, or loses a subscription
// before its first poll, is not asked again in the run: each line would
// pay a request for nothing.
TEST(QueueChangeWatchTest, RefusalsAreNotAskedAgain) {
  QueueChangeWatch refusedSubscription;
  EXPECT_TRUE(refusedSubscription.CanSubscribe());
  refusedSubscription.Subscribed(Reply(IPP_STATUS_ERROR_FORBIDDEN));
  EXPECT_FALSE(refusedSubscription.active());
  EXPECT_FALSE(refusedSubscription.CanSubscribe());

  QueueChangeWatch noNumber;
  noNumber.Subscribed(Reply(IPP_STATUS_OK));
  EXPECT_FALSE(noNumber.active());
  EXPECT_FALSE(noNumber.CanSubscribe());

  QueueChangeWatch refusedPoll = Subscribed();
  EXPECT_FALSE(refusedPoll.OnlyOwnChanges(Reply(IPP_STATUS_ERROR_FORBIDDEN)));
  EXPECT_FALSE(refusedPoll.active());
  EXPECT_FALSE(refusedPoll.CanSubscribe());

  QueueChangeWatch lostAtOnce = Subscribed();
  EXPECT_FALSE(lostAtOnce.OnlyOwnChanges(Reply(IPP_STATUS_ERROR_NOT_FOUND)));
  EXPECT_FALSE(lostAtOnce.CanSubscribe());
}

TEST(QueueChangeWatchTest, ChangesMadeWithoutASubscriptionAreNotExpected) {
  QueueChangeWatch watch;
  watch.Expect(Change::kDeleted, "Laser");
  watch.Subscribed(Reply(IPP_STATUS_OK, {}, 7));
  EXPECT_TRUE(watch.OnlyOwnChanges(Reply(IPP_STATUS_OK)));
}

TEST(QueueChangeWatchTest, CancelEndsTheSubscriptionOnce) {
  QueueChangeWatch watch = Subscribed();
  IppMessage cancel = watch.CancelRequest();
  ASSERT_TRUE(cancel);
  EXPECT_EQ(ippGetOperation(cancel.get()), IPP_OP_CANCEL_SUBSCRIPTION);
  EXPECT_EQ(IntegerOf(cancel, "notify-subscription-id"), 7);
  EXPECT_FALSE(watch.active());
  EXPECT_FALSE(watch.CancelRequest());

  QueueChangeWatch abandoned = Subscribed();
  abandoned.Abandon();
  EXPECT_FALSE(abandoned.CancelRequest());
}

}  // namespace
}  // namespace quelmar
