// The simulated workstation of the rehearsal command and the tests: its
// installed printers, the profile's default printer, the printers that the
// reachable print servers offer, forced failures and message texts. It
// records every call made to it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/spooler.h"
#include "services/unicode.h"

namespace quelmar {

struct ForcedFailure {
  std::string operation;  // "connect", "disconnect" or "setdefault"
  std::string printer;
  int32_t error = 0;
};

struct WorkstationState {
  std::vector<std::string> printers;
  std::optional<std::string> device;  // the profile's `device` value
  std::vector<std::string> shares;
  std::vector<ForcedFailure> failures;
  std::vector<std::pair<int32_t, std::string>> messages;
};

// Reads the workstation file (UTF-8, INI-like, ";" comment lines, section
// names without regard to case). Lines outside the known sections are
// ignored. A file that cannot be read as such (not UTF-8 text, a control
// character, a number that is no 32-bit number) gives the reason in
// `problem`, when asked, and what could be read.
WorkstationState ParseWorkstation(std::string_view text,
                                  std::string* problem = nullptr);
// The same format, as the run left the workstation.
std::string FormatWorkstation(const WorkstationState& state);

// Whether the workstation keeps the list of the calls made to it: the tests
// read it, a rehearsal has no use for it.
enum class CallLog { kKept, kNone };

class SimWorkstation : public Spooler,
                       public DefaultPrinterSetting,
                       public MessageTable {
 public:
  explicit SimWorkstation(WorkstationState state, CallLog log = CallLog::kKept);
  // Moved, never copied: its index holds pointers to its own hash map's
  // entries, which a move hands over and a copy would not.
  SimWorkstation(SimWorkstation&&) = default;
  SimWorkstation& operator=(SimWorkstation&&) = default;
  SimWorkstation(const SimWorkstation&) = delete;
  SimWorkstation& operator=(const SimWorkstation&) = delete;

  const std::vector<std::string>& InstalledPrinters() override;
  // Both answer from the index, without going through the list.
  bool IsInstalled(std::string_view name) override;
  std::vector<std::string> InstalledMatching(
      CaseInsensitivePattern& pattern) override;
  SpoolerResult AddPrinterConnection(const std::string& name) override;
  SpoolerResult DeletePrinterConnection(const std::string& name) override;

  // The name in the profile's `device` value ("name,driver,port"), read
  // through a 254-character buffer as on Windows.
  std::string DefaultPrinterName() override;
  // Records "read", as DefaultPrinterName does.
  bool IsDefault(std::string_view name) override;
  // Writes "name,," unless a forced failure refuses it.
  void MakeDefaultPrinter(const std::string& name) override;

  std::string ErrorText(int32_t code) override;

  // The state as the calls left it; its list of installed printers is
  // rebuilt from the index when it is read.
  const WorkstationState& state() const;
  // Every call, in order: "list", "connect NAME", "disconnect NAME",
  // "read", "setdefault NAME", "message CODE".
  const std::vector<std::string>& calls() const;

 private:
  // What a name stands for, without regard to case: the slots of the
  // installed printers of that name, in ascending order, the first share of
  // that name, its forced failures (their places in state_.failures, in
  // order); and, found once, when the entry is made, the slots of its
  // server's printers (none for a name of no server) and whether it has a
  // control character.
  struct NameEntry {
    std::vector<size_t> slots;
    std::optional<size_t> share;
    std::vector<size_t> failures;
    std::vector<size_t>* serverSlots = nullptr;
    bool hasControl = false;
  };

  // The forced failure of `operation` on the printer of `entry` (null when
  // the name has no entry), if any.
  const ForcedFailure* FindFailure(const NameEntry* entry,
                                   std::string_view operation) const;
  // The entry of `name`, made when there is none.
  NameEntry& EntryOf(std::string_view name);
  // The entry of `name`, null when there is none; a name looked up lately
  // is not searched again (recent_).
  NameEntry* LookUp(std::string_view name);
  // Whether `name`, whose entry is `entry` (null when it has none), has a
  // control character, which the system reads as the end of the name.
  static bool HasControl(const NameEntry* entry, std::string_view name);
  // Appends `printer`, whose entry is `named`.
  void Install(const std::string& printer, NameEntry& named);
  // Adds the slot `order` to the index, as a printer of `named`.
  static void Index(size_t order, NameEntry& named);
  // Removes the first printer of `named`: the first in the list of the
  // printers of that name (there can be more than one only in the
  // workstation file).
  void Uninstall(NameEntry& named);
  // Renumbers the installed printers from 0 once the removed slots
  // outnumber them (and 1,024), so that a long run's index stays the size
  // of the workstation.
  void CompactSlots();
  // The order numbers of the printers of the server that every name
  // matching `prefix` is on; nothing when the prefix names no whole server.
  const std::vector<size_t>* ServerPrinters(std::string_view prefix) const;
  // Sets the profile's `device` value and the default printer's name read
  // from it, which is read at every replacement.
  void SetDevice(std::optional<std::string> device);

  // Keeps the call when calls are kept: a rehearsal makes tens of
  // thousands, and asks here only whether to keep them.
  void Record(std::string_view call, std::string_view name = {}) {
    if (keepCalls_) KeepCall(call, name);
  }
  void KeepCall(std::string_view call, std::string_view name);

  // Its printers are in slots_ while it runs; state() copies them out.
  mutable WorkstationState state_;
  bool keepCalls_;
  // The calls are kept end to end in one text, which a run of thousands of
  // operations fills at little cost; calls() cuts them into a list when it
  // is asked for.
  std::string callLog_;
  std::vector<size_t> callEnds_;
  mutable std::vector<std::string> calls_;
  // The installed printers, in the order of their connection, kept so that
  // a large workstation is searched and changed without going through or
  // shifting its list: each printer has a slot, numbered by its order of
  // connection; a removal only marks its slot. The hash maps are keyed by
  // names without regard to case: byName_ gives a name's printers, share
  // and failures, found by one search per call; byServer_ the slots of the
  // printers of one server (keyed "\\server\", ascending), the only ones
  // that a line's "\\server\*" can match. Entries are made only when the
  // workstation is built (a renumbering finds every name's) and stay when
  // emptied, so that a name connected again and again is indexed without a
  // new allocation; a hash map's entries stay where they are, so that a
  // name's entry may point at its server's and the device's entry is kept.
  struct Slot {
    Slot(const std::string& printer, NameEntry* entry)
        : name(printer), named(entry) {}
    std::string name;
    NameEntry* named;  // the entry of its name, kept for a renumbering
    bool removed = false;
  };
  std::vector<Slot> slots_;
  size_t removedSlots_ = 0;
  template <typename Value>
  using ByName =
      std::unordered_map<std::string, Value, IgnoreCaseHash, IgnoreCaseEqual>;
  ByName<NameEntry> byName_;
  ByName<std::vector<size_t>> byServer_;
  // Recent look-ups, by a hash of the name's exact bytes: a run asks about
  // the same few names again and again (whether installed, then connect or
  // remove, whether the default), and a name found here is neither hashed
  // without regard to case nor searched again. Entries are made only when
  // the workstation is built and never move: a kept entry, or its absence
  // (null), stays true.
  struct RecentLookUp {
    std::string name;
    NameEntry* entry = nullptr;
    bool known = false;
  };
  static constexpr size_t kRecentLookUps = 64;
  std::array<RecentLookUp, kRecentLookUps> recent_;
  // The default printer's name, as DefaultPrinterName reads it, and its
  // entry (null when no entry has that name).
  std::string defaultName_;
  const NameEntry* defaultEntry_ = nullptr;
  // The entry of the name in the profile's `device` value, whole (null when
  // no entry has that name), compared with each removed printer's.
  const NameEntry* deviceEntry_ = nullptr;
};

}  // namespace quelmar
