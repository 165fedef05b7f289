#include "app/snapshot_encoding.h"

#include <gtest/gtest.h>

namespace quelmar {
namespace {

// What a print server may send as names and texts: line breaks, control
// characters, blanks at either end, the workstation file's own ";", "[",
// "=" and ":" signs, empty texts.
Snapshot AwkwardSnapshot() {
  Snapshot snapshot;
  snapshot.comments = {"\\\\srv n'a pas répondu (Délai : 5 s) :", ""};
  WorkstationState& state = snapshot.state;
  state.printers = {" \\\\old\\A ", "; not a comment", "[printers]", ""};
  state.device = "\\\\old\\A,,";
  state.shares = {"\\\\new\\Laser\n[failures]\nconnect \\\\x\\y=5",
                  "\\\\new\\\x01\x7F\t\r", "\\\\new\\12:34"};
  state.failures = {{"connect", "\\\\new\\=", INT32_MIN},
                    {"connect", "\\\\gone\\X", INT32_MAX}};
  state.messages = {{1030, "The printer or class does not exist.\n"}, {-1, ""}};
  return snapshot;
}

void ExpectSame(const Snapshot& got, const Snapshot& expected) {
  EXPECT_EQ(got.comments, expected.comments);
  EXPECT_EQ(got.state.printers, expected.state.printers);
  EXPECT_EQ(got.state.device, expected.state.device);
  EXPECT_EQ(got.state.shares, expected.state.shares);
  ASSERT_EQ(got.state.failures.size(), expected.state.failures.size());
  for (size_t k = 0; k < got.state.failures.size(); ++k) {
    EXPECT_EQ(got.state.failures[k].operation,
              expected.state.failures[k].operation);
    EXPECT_EQ(got.state.failures[k].printer,
              expected.state.failures[k].printer);
    EXPECT_EQ(got.state.failures[k].error, expected.state.failures[k].error);
  }
  EXPECT_EQ(got.state.messages, expected.state.messages);
}

TEST(SnapshotEncodingTest, EveryTextComesBackWhole) {
  const Snapshot snapshot = AwkwardSnapshot();
  std::optional<Snapshot> decoded = DecodeSnapshot(EncodeSnapshot(snapshot));
  ASSERT_TRUE(decoded);
  ExpectSame(*decoded, snapshot);
  // The snapshot file it gives is the one the snapshot itself gives.
  EXPECT_EQ(FormatSnapshot(*decoded), FormatSnapshot(snapshot));
}

TEST(SnapshotEncodingTest, NoDefaultStaysApartFromAnEmptyOne) {
  Snapshot none;
  std::optional<Snapshot> decoded = DecodeSnapshot(EncodeSnapshot(none));
  ASSERT_TRUE(decoded);
  ExpectSame(*decoded, none);
  Snapshot empty;
  empty.state.device = "";
  decoded = DecodeSnapshot(EncodeSnapshot(empty));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->state.device, std::optional<std::string>(""));
}

TEST(SnapshotEncodingTest, AnythingButAWholeEncodingIsRefused) {
  const std::string bytes = EncodeSnapshot(AwkwardSnapshot());
  // Cut anywhere short of its end.
  for (size_t size = 0; size < bytes.size(); ++size)
    EXPECT_FALSE(DecodeSnapshot(bytes.substr(0, size))) << size;
  EXPECT_FALSE(DecodeSnapshot(bytes + "0:"));
  // Error text from a helper that failed, counts and lengths out of bounds.
  EXPECT_FALSE(DecodeSnapshot("Le service d'impression ne répond pas."));
  EXPECT_FALSE(DecodeSnapshot("10:4294967295"));
  EXPECT_FALSE(DecodeSnapshot("99999999999:"));
  EXPECT_FALSE(DecodeSnapshot("1:-1:0:1:2"));
  EXPECT_FALSE(DecodeSnapshot("1:01:01:21:0"));
}

}  // namespace
}  // namespace quelmar
