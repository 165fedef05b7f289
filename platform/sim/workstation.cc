#include "platform/sim/workstation.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "services/text_utils.h"
#include "services/unicode.h"

namespace quelmar {
namespace {

// "\\\\server\\" at the start of `name`, or nothing when the name does not
// start with a whole server name.
std::string_view ServerOf(std::string_view name) {
  if (!name.starts_with("\\\\")) return {};
  const size_t end = name.find('\\', 2);
  return end == std::string_view::npos ? std::string_view()
                                       : name.substr(0, end + 1);
}

// Common spooler errors, so that a rehearsal reads like a real run.
constexpr std::pair<int32_t, const char*> kBuiltInMessages[] = {
    {2, "Le fichier spécifié est introuvable."},
    {5, "Accès refusé."},
    {53, "Le chemin réseau n'a pas été trouvé."},
    {1722, "Le serveur RPC n'est pas disponible."},
    {1801, "Le nom de l'imprimante n'est pas valide."},
    {1930, "Le pilote d'imprimante en mode noyau est bloqué sur ce système."},
    {3019,
     "Le pilote de l'imprimante est introuvable sur ce système et doit être "
     "téléchargé."},
};

constexpr int32_t kInvalidPrinterName = 1801;

// The profile value as a 254-character buffer with its terminating null
// holds it: at most 253 characters, up to the first null.
std::string_view ProfileBufferText(std::string_view value) {
  value = value.substr(0, value.find('\0'));
  // 253 bytes are at most 253 characters: only a longer value is counted.
  if (value.size() <= 253) return value;
  size_t pos = 0;
  for (int count = 0; count < 253 && pos < value.size(); ++count)
    NextCodePoint(value, pos);
  return value.substr(0, pos);
}

// A whole decimal 32-bit number, blanks around it allowed.
std::optional<int32_t> ParseNumber(std::string_view text) {
  const std::string digits(TrimBlanks(text));
  if (digits.empty() || digits.size() > 11) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  long long number = std::strtoll(digits.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || number < INT32_MIN || number > INT32_MAX ||
      !(std::isdigit(static_cast<unsigned char>(digits[0])) ||
        digits[0] == '-'))
    return std::nullopt;
  return static_cast<int32_t>(number);
}

// "OPERATION PRINTER=NUMBER"; the number follows the last "=". A line of
// another shape is ignored; a number that cannot be read makes the line
// unreadable (false).
bool ParseFailure(std::string_view line, std::vector<ForcedFailure>& into) {
  size_t space = line.find(' ');
  size_t equals = line.rfind('=');
  if (space == std::string_view::npos || equals == std::string_view::npos ||
      equals < space)
    return true;
  std::optional<int32_t> error = ParseNumber(line.substr(equals + 1));
  if (!error) return false;
  ForcedFailure failure;
  failure.operation = ToLowerUtf8(line.substr(0, space));
  failure.printer = TrimBlanks(line.substr(space + 1, equals - space - 1));
  failure.error = *error;
  into.push_back(std::move(failure));
  return true;
}

// False when the line's number cannot be read.
bool ParseLine(WorkstationState& state, const std::string& section,
               std::string_view line) {
  if (section == "printers") {
    state.printers.emplace_back(line);
  } else if (section == "shares") {
    state.shares.emplace_back(line);
  } else if (section == "default") {
    size_t equals = line.find('=');
    if (equals != std::string_view::npos &&
        EqualsIgnoreCase(TrimBlanks(line.substr(0, equals)), "device"))
      state.device = std::string(TrimBlanks(line.substr(equals + 1)));
  } else if (section == "failures") {
    return ParseFailure(line, state.failures);
  } else if (section == "messages") {
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) return true;
    std::optional<int32_t> code = ParseNumber(line.substr(0, equals));
    if (!code) return false;
    state.messages.emplace_back(*code, std::string(line.substr(equals + 1)));
  }
  return true;
}

// Why the bytes are not a workstation file's text; empty when they are.
std::string EncodingProblem(std::string_view text) {
  if (text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF")
    return "fichier en UTF-16 ; il doit être en UTF-8";
  if (!IsValidUtf8(text)) return "fichier qui n'est pas du texte UTF-8";
  for (char c : text)
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' &&
         c != '\n') ||
        c == 0x7F)
      return "fichier binaire (caractère de contrôle)";
  return {};
}

}  // namespace

WorkstationState ParseWorkstation(std::string_view text, std::string* problem) {
  // Editors on Windows often save UTF-8 with a byte-order mark; left in, it
  // would hide the first section header.
  if (text.starts_with(kUtf8ByteOrderMark))
    text.remove_prefix(kUtf8ByteOrderMark.size());
  if (problem) *problem = EncodingProblem(text);
  WorkstationState state;
  std::string section;
  LineCursor lines(text);
  std::string_view raw;
  for (int number = 1; lines.Next(raw); ++number) {
    std::string_view line = TrimBlanks(raw);
    if (line.empty() || line.front() == ';') continue;
    size_t close = line.find(']');
    if (line.front() == '[' && close != std::string_view::npos) {
      section = ToLowerUtf8(TrimBlanks(line.substr(1, close - 1)));
      continue;
    }
    if (!ParseLine(state, section, line) && problem && problem->empty())
      *problem = "ligne " + DecimalText(number) +
                 " : nombre illisible ou hors limites";
  }
  return state;
}

std::string FormatWorkstation(const WorkstationState& state) {
  std::string out = "[printers]\n";
  for (const std::string& printer : state.printers) out += printer + "\n";
  out += "[default]\n";
  if (state.device) out += "device=" + *state.device + "\n";
  out += "[shares]\n";
  for (const std::string& share : state.shares) out += share + "\n";
  out += "[failures]\n";
  for (const ForcedFailure& failure : state.failures)
    out += failure.operation + " " + failure.printer + "=" +
           DecimalText(failure.error) + "\n";
  out += "[messages]\n";
  for (const auto& [code, text] : state.messages)
    out += DecimalText(code) + "=" + text + "\n";
  return out;
}

SimWorkstation::SimWorkstation(WorkstationState state, CallLog log)
    : state_(std::move(state)), keepCalls_(log == CallLog::kKept) {
  std::vector<std::string> printers = std::move(state_.printers);
  state_.printers.clear();
  for (const std::string& printer : printers)
    Install(printer, EntryOf(printer));
  for (size_t k = 0; k < state_.shares.size(); ++k) {
    NameEntry& entry = EntryOf(state_.shares[k]);
    if (!entry.share) entry.share = k;
  }
  for (size_t k = 0; k < state_.failures.size(); ++k)
    EntryOf(state_.failures[k].printer).failures.push_back(k);
  SetDevice(std::move(state_.device));
}

void SimWorkstation::SetDevice(std::optional<std::string> device) {
  state_.device = std::move(device);
  const std::string_view value =
      state_.device ? std::string_view(*state_.device) : std::string_view();
  // The name as read back and the name as stored: both start the value, so
  // they are the same bytes when they are as long (the value was read
  // whole), and the second search is spared.
  const std::string_view shown = SplitField(ProfileBufferText(value), ',', 0);
  const std::string_view stored = SplitField(value, ',', 0);
  defaultName_ = shown;
  defaultEntry_ = LookUp(defaultName_);
  deviceEntry_ = shown.size() == stored.size() ? defaultEntry_ : LookUp(stored);
}

void SimWorkstation::KeepCall(std::string_view call, std::string_view name) {
  callLog_.append(call).append(name);
  callEnds_.push_back(callLog_.size());
}

const std::vector<std::string>& SimWorkstation::calls() const {
  for (size_t k = calls_.size(); k < callEnds_.size(); ++k) {
    size_t start = k == 0 ? 0 : callEnds_[k - 1];
    calls_.emplace_back(callLog_, start, callEnds_[k] - start);
  }
  return calls_;
}

namespace {

// The name's size and its first and last eight bytes, mixed: enough to tell
// apart the names of a script (the same server, other printers) in a few
// instructions, where std::hash of the whole name would take 2.2 M more
// over the 32,766-line benchmark. Its top bits choose a slot of recent
// look-ups.
uint64_t MixedBytes(std::string_view name) {
  uint64_t mixed = name.size();
  if (name.size() >= 8) {
    uint64_t first;
    uint64_t last;
    std::memcpy(&first, name.data(), 8);
    std::memcpy(&last, name.data() + name.size() - 8, 8);
    mixed ^= first * 0x9E3779B97F4A7C15 ^ last * 0xC2B2AE3D27D4EB4F;
  } else {
    for (char c : name) mixed = mixed * 31 + static_cast<unsigned char>(c);
    mixed *= 0x9E3779B97F4A7C15;
  }
  return mixed;
}

}  // namespace

SimWorkstation::NameEntry& SimWorkstation::EntryOf(std::string_view name) {
  if (auto known = byName_.find(name); known != byName_.end())
    return known->second;
  NameEntry& entry = byName_[std::string(name)];
  entry.hasControl = HasControlCharacter(name);
  const std::string_view server = ServerOf(name);
  if (!server.empty()) entry.serverSlots = &byServer_[std::string(server)];
  return entry;
}

SimWorkstation::NameEntry* SimWorkstation::LookUp(std::string_view name) {
  static_assert(kRecentLookUps == 64, "six top bits choose a slot");
  RecentLookUp& recent = recent_[MixedBytes(name) >> 58];
  if (recent.known && name == recent.name) return recent.entry;
  auto entry = byName_.find(name);
  recent.name.assign(name);
  recent.entry = entry == byName_.end() ? nullptr : &entry->second;
  recent.known = true;
  return recent.entry;
}

bool SimWorkstation::HasControl(const NameEntry* entry, std::string_view name) {
  return entry ? entry->hasControl : HasControlCharacter(name);
}

void SimWorkstation::Install(const std::string& printer, NameEntry& named) {
  Index(slots_.size(), named);
  slots_.emplace_back(printer, &named);
}

void SimWorkstation::Index(size_t order, NameEntry& named) {
  named.slots.push_back(order);
  if (named.serverSlots) named.serverSlots->push_back(order);
}

void SimWorkstation::Uninstall(NameEntry& named) {
  const size_t order = named.slots.front();
  named.slots.erase(named.slots.begin());
  if (named.serverSlots) {
    std::vector<size_t>& orders = *named.serverSlots;
    orders.erase(std::lower_bound(orders.begin(), orders.end(), order));
  }
  std::string().swap(slots_[order].name);
  slots_[order].removed = true;
  ++removedSlots_;
}

void SimWorkstation::CompactSlots() {
  const size_t installed = slots_.size() - removedSlots_;
  if (removedSlots_ <= std::max<size_t>(installed, 1024)) return;
  // In place: the list keeps its room for the printers connected next.
  std::erase_if(slots_, [](const Slot& slot) { return slot.removed; });
  removedSlots_ = 0;
  for (auto& [name, entry] : byName_) entry.slots.clear();
  for (auto& [server, orders] : byServer_) orders.clear();
  for (size_t order = 0; order < slots_.size(); ++order)
    Index(order, *slots_[order].named);
}

const std::vector<size_t>* SimWorkstation::ServerPrinters(
    std::string_view prefix) const {
  const std::string_view server = ServerOf(prefix);
  if (server.empty()) return nullptr;
  static const std::vector<size_t> kNone;
  auto entry = byServer_.find(server);
  return entry == byServer_.end() ? &kNone : &entry->second;
}

const ForcedFailure* SimWorkstation::FindFailure(
    const NameEntry* entry, std::string_view operation) const {
  if (!entry) return nullptr;
  for (size_t k : entry->failures)
    if (state_.failures[k].operation == operation) return &state_.failures[k];
  return nullptr;
}

const WorkstationState& SimWorkstation::state() const {
  state_.printers.clear();
  for (const Slot& slot : slots_)
    if (!slot.removed) state_.printers.push_back(slot.name);
  return state_;
}

const std::vector<std::string>& SimWorkstation::InstalledPrinters() {
  Record("list");
  return state().printers;
}

bool SimWorkstation::IsInstalled(std::string_view name) {
  Record("list");
  const NameEntry* entry = LookUp(name);
  return entry && !entry->slots.empty();
}

std::vector<std::string> SimWorkstation::InstalledMatching(
    CaseInsensitivePattern& pattern) {
  Record("list");
  std::vector<std::string> matches;
  const std::string& prefix = pattern.LowerLiteralPrefix();
  const std::vector<size_t>* orders = ServerPrinters(prefix);
  if (orders) matches.reserve(orders->size());
  if (!orders) {
    // A pattern that names no whole server: every printer is tried.
    for (const Slot& slot : slots_)
      if (!slot.removed && pattern.Matches(slot.name))
        matches.push_back(slot.name);
    return matches;
  }
  // "\\server\*", a line's wildcard: the server's printers are those whose
  // lower-case names start with the prefix, and all of them match.
  const bool wholeServer =
      pattern.IsPrefixThenStar() && prefix.size() == ServerOf(prefix).size();
  for (size_t order : *orders) {
    const std::string& printer = slots_[order].name;
    if (wholeServer || pattern.Matches(printer)) matches.push_back(printer);
  }
  return matches;
}

SpoolerResult SimWorkstation::AddPrinterConnection(const std::string& name) {
  Record("connect ", name);
  NameEntry* entry = LookUp(name);
  if (HasControl(entry, name)) return {false, kInvalidPrinterName};
  if (const ForcedFailure* failure = FindFailure(entry, "connect"))
    return {false, failure->error};
  if (!entry || !entry->share) return {false, kInvalidPrinterName};
  if (entry->slots.empty()) Install(state_.shares[*entry->share], *entry);
  return {true, 0};
}

SpoolerResult SimWorkstation::DeletePrinterConnection(const std::string& name) {
  Record("disconnect ", name);
  NameEntry* entry = LookUp(name);
  if (HasControl(entry, name)) return {false, kInvalidPrinterName};
  if (const ForcedFailure* failure = FindFailure(entry, "disconnect"))
    return {false, failure->error};
  if (!entry || entry->slots.empty()) return {false, kInvalidPrinterName};
  Uninstall(*entry);
  if (entry == deviceEntry_) SetDevice(",,,");
  CompactSlots();
  return {true, 0};
}

std::string SimWorkstation::DefaultPrinterName() {
  Record("read");
  return defaultName_;
}

bool SimWorkstation::IsDefault(std::string_view name) {
  Record("read");
  // Two names of one entry are equal without regard to case, two names of
  // two entries are not: only a name of no entry is compared with the
  // default's, itself of no entry.
  const NameEntry* entry = LookUp(name);
  if (entry || defaultEntry_) return entry == defaultEntry_;
  return EqualsIgnoreCase(defaultName_, name);
}

void SimWorkstation::MakeDefaultPrinter(const std::string& name) {
  Record("setdefault ", name);
  if (FindFailure(LookUp(name), "setdefault")) return;
  SetDevice(name + ",,");
}

std::string SimWorkstation::ErrorText(int32_t code) {
  if (keepCalls_) KeepCall("message ", DecimalText(code));
  for (const auto& [number, text] : state_.messages)
    if (number == code) return text;
  for (const auto& [number, text] : kBuiltInMessages)
    if (number == code) return text;
  return {};
}

}  // namespace quelmar
