#include "report/journal_reader.h"

#include "services/unicode.h"

namespace quelmar {
namespace {

constexpr std::string_view kHeaderStart = "--- Traitement du ";
constexpr std::string_view kHeaderEnd = " ---";
constexpr std::string_view kOn = " sur ";
constexpr std::string_view kCompleted = "Traitement terminé : ";
constexpr std::string_view kNoValidInstruction =
    "Le fichier à traiter ne possédait pas de section [actions] ou celle-ci "
    "ne contenait aucune instruction valide à exécuter...";
constexpr std::string_view kFailed = "   -> erreur rencontrée : ";
constexpr std::string_view kSyntaxError = "Erreur de syntaxe (ligne ";
constexpr int kMaxCounter = 32767;  // the run's counters are 16-bit

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

bool Consume(std::string_view& text, std::string_view prefix) {
  if (text.substr(0, prefix.size()) != prefix) return false;
  text.remove_prefix(prefix.size());
  return true;
}

bool ReadNumber(std::string_view& text, int maximum, int& value) {
  size_t n = 0;
  long long v = 0;
  while (n < text.size() && IsDigit(text[n]) && n < 6)
    v = v * 10 + (text[n++] - '0');
  if (n == 0 || v > maximum) return false;
  value = static_cast<int>(v);
  text.remove_prefix(n);
  return true;
}

// Two digits, or four for the year, as the time stamp writes them.
bool ReadField(std::string_view& text, size_t digits, int& value) {
  if (text.size() < digits) return false;
  value = 0;
  for (size_t k = 0; k < digits; ++k) {
    if (!IsDigit(text[k])) return false;
    value = value * 10 + (text[k] - '0');
  }
  text.remove_prefix(digits);
  return true;
}

// The date and time separators are the user's locale's ("/" and ":" in
// French): any one visible ASCII character that is not a digit.
bool ReadSeparator(std::string_view& text) {
  if (text.empty() || IsDigit(text[0]) || text[0] <= ' ' || text[0] > '~')
    return false;
  text.remove_prefix(1);
  return true;
}

// "dd/mm/yyyy à hh:nn:ss".
bool ReadTimeStamp(std::string_view& text, JournalTime& t) {
  return ReadField(text, 2, t.day) && ReadSeparator(text) &&
         ReadField(text, 2, t.month) && ReadSeparator(text) &&
         ReadField(text, 4, t.year) && Consume(text, " à ") &&
         ReadField(text, 2, t.hour) && ReadSeparator(text) &&
         ReadField(text, 2, t.minute) && ReadSeparator(text) &&
         ReadField(text, 2, t.second) && IsPossibleTime(t);
}

// "N word", "N words" (any N but 1 may take the "s"), then `after`.
bool ReadCount(std::string_view& text, std::string_view word,
               std::string_view after, int& count) {
  std::string_view rest = text;
  int n;
  if (!ReadNumber(rest, kMaxCounter, n) || !Consume(rest, " ") ||
      !Consume(rest, word))
    return false;
  if (n != 1) Consume(rest, "s");
  if (!Consume(rest, after)) return false;
  text = rest;
  count = n;
  return true;
}

// An optional ", N word after" part of the closing sentence.
void ReadOptionalCount(std::string_view& text, std::string_view word,
                       std::string_view after, int& count) {
  std::string_view rest = text;
  if (Consume(rest, ", ") && ReadCount(rest, word, after, count)) text = rest;
}

// "--- Traitement du STAMP sur NAME ---".
bool ReadHeader(std::string_view line, JournalEntry& entry) {
  if (!Consume(line, kHeaderStart) || !ReadTimeStamp(line, entry.time) ||
      !Consume(line, kOn) || line.size() < kHeaderEnd.size() ||
      line.substr(line.size() - kHeaderEnd.size()) != kHeaderEnd)
    return false;
  entry.workstation = line.substr(0, line.size() - kHeaderEnd.size());
  return true;
}

// "STAMP sur NAME : CLOSING SENTENCE".
bool ReadOneLineEntry(std::string_view line, JournalEntry& entry) {
  if (!ReadTimeStamp(line, entry.time) || !Consume(line, kOn)) return false;
  size_t end = line.find(std::string(" : ").append(kCompleted));
  if (end == std::string_view::npos)
    end = line.find(std::string(" : ").append(kNoValidInstruction));
  if (end == std::string_view::npos) return false;
  entry.workstation = line.substr(0, end);
  return ParseClosingSentence(line.substr(end + 3), entry.counts);
}

// "Step of NAME..." gives NAME.
bool ReadStepName(std::string_view line, std::string_view step,
                  std::string& name) {
  if (!Consume(line, step) || line.size() < 3 ||
      line.substr(line.size() - 3) != "...")
    return false;
  name = line.substr(0, line.size() - 3);
  return true;
}

}  // namespace

bool ParseClosingSentence(std::string_view text, RunCounts& counts) {
  RunCounts c;
  if (text == kNoValidInstruction) {
    counts = c;
    return true;
  }
  if (!Consume(text, kCompleted) ||
      !ReadCount(text, "opération", " à effectuer, ", c.operations) ||
      !ReadCount(text, "imp. traitée", " avec succès", c.succeeded))
    return false;
  ReadOptionalCount(text, "imp. évitée", "", c.skipped);
  ReadOptionalCount(text, "erreur", " de migration", c.migrationErrors);
  ReadOptionalCount(text, "erreur", " de script", c.scriptErrors);
  if (text != ".") return false;
  counts = c;
  return true;
}

void JournalReader::Feed(std::string_view bytes) {
  while (!bytes.empty()) {
    size_t end = bytes.find('\n');
    std::string_view piece = bytes.substr(0, end);
    if (!overlong_) {
      if (partial_.size() + piece.size() > kMaxJournalLine) {
        overlong_ = true;
        partial_.clear();
      } else if (end != std::string_view::npos && partial_.empty()) {
        ReadLine(piece);  // the whole line is in this piece: no copy
      } else {
        partial_.append(piece);
      }
    }
    if (end == std::string_view::npos) return;
    if (overlong_) {
      ++lineNumber_;
      sink_.OnUnreadableLine(lineNumber_);
      overlong_ = false;
    } else if (!partial_.empty()) {
      ReadLine(partial_);
      partial_.clear();
    }
    bytes.remove_prefix(end + 1);
  }
}

void JournalReader::Finish() {
  if (overlong_) {
    sink_.OnUnreadableLine(++lineNumber_);
  } else if (!partial_.empty()) {
    ReadLine(partial_);
  }
  partial_.clear();
  overlong_ = false;
  if (inEntry_) EndEntry(closingRead_);
}

void JournalReader::ReadLine(std::string_view raw) {
  ++lineNumber_;
  if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
  if (lineNumber_ == 1 && raw.substr(0, 3) == "\xEF\xBB\xBF")
    raw.remove_prefix(3);
  if (inEntry_) {
    ReadTraceLine(raw);
  } else {
    ReadOutsideEntry(raw);
  }
}

void JournalReader::ReadOutsideEntry(std::string_view raw) {
  if (raw.empty()) return;
  // Each entry is written in one piece by one workstation: its first line
  // tells its code page (the time stamp's "à" is not valid UTF-8 in
  // Windows-1252).
  entryIsUtf8_ = IsValidUtf8(raw);
  std::string_view line = raw;
  if (!entryIsUtf8_) line = decoded_ = Windows1252ToUtf8(raw);
  entry_ = JournalEntry{};
  entry_.line = lineNumber_;
  if (ReadHeader(line, entry_)) {
    entry_.level = 'C';
    inEntry_ = true;
    closingRead_ = false;
    syntaxErrors_ = 0;
    current_.clear(), removed_.clear(), replacement_.clear();
  } else if (ReadOneLineEntry(line, entry_)) {
    entry_.level = 'S';
    sink_.OnEntry(entry_);
  } else {
    sink_.OnUnreadableLine(lineNumber_);
  }
}

void JournalReader::ReadTraceLine(std::string_view raw) {
  // The closing sentence is followed by the empty line that ends the entry;
  // without it, the sentence was a line of the trace.
  if (closingRead_ && raw.empty()) {
    EndEntry(true);
    return;
  }
  if (BeginsEntry(raw)) {
    // Another entry begins: this one ends, cut short unless its closing
    // sentence came.
    EndEntry(closingRead_);
    ReadOutsideEntry(raw);
    return;
  }
  closingRead_ = false;
  std::string_view line = raw;
  if (!entryIsUtf8_) {
    // Most trace lines are ASCII, the same in both code pages.
    if (!IsAscii(raw)) line = decoded_ = Windows1252ToUtf8(raw);
  } else if (!IsValidUtf8(raw)) {
    sink_.OnUnreadableLine(lineNumber_);
    return;
  }
  if (ParseClosingSentence(line, closingCounts_)) {
    closingRead_ = true;
    return;
  }
  NoteTraceLine(line);
}

// A line of another entry, in its own code page (the entry may come from
// another system than the one it cuts short).
bool JournalReader::BeginsEntry(std::string_view raw) {
  if (raw.empty() || (raw[0] != '-' && !IsDigit(raw[0]))) return false;
  std::string_view line = raw;
  if (!IsValidUtf8(raw)) line = decoded_ = Windows1252ToUtf8(raw);
  JournalEntry next;
  return ReadHeader(line, next) || ReadOneLineEntry(line, next);
}

void JournalReader::NoteTraceLine(std::string_view line) {
  std::string name;
  if (line.substr(0, kFailed.size()) == kFailed) {
    entry_.failures.push_back(
        {current_, std::string(line.substr(kFailed.size()))});
  } else if (line.substr(0, kSyntaxError.size()) == kSyntaxError) {
    ++syntaxErrors_;
  } else if (ReadStepName(line, "Déconnexion de ", name)) {
    current_ = removed_ = name;
  } else if (ReadStepName(line, "Et reconnexion de ", name)) {
    current_ = replacement_ = name;
  } else if (ReadStepName(line, "Connexion de ", name) ||
             ReadStepName(line, "Sélection par défaut de ", name)) {
    current_ = name;
  } else if (line == "Reconnexion de l'imprimante déconnectée..." ||
             line == "Restauration de l'état d'imprimante par défaut...") {
    current_ = removed_;
  } else if (line.substr(0, 45) ==
             "L'imprimante désinstallée était celle définit") {
    current_ = replacement_;
  }
}

void JournalReader::EndEntry(bool completed) {
  inEntry_ = false;
  closingRead_ = false;
  entry_.completed = completed;
  if (completed) {
    entry_.counts = closingCounts_;
    // The sentence of a run without any valid line gives no count; its
    // trace still shows the lines it rejected.
    if (entry_.counts.operations == 0 && entry_.counts.scriptErrors == 0)
      entry_.counts.scriptErrors = syntaxErrors_;
  }
  sink_.OnEntry(entry_);
}

namespace {

class CollectingSink : public JournalSink {
 public:
  explicit CollectingSink(ParsedJournal& out) : out_(out) {}
  void OnEntry(const JournalEntry& entry) override {
    out_.entries.push_back(entry);
  }
  void OnUnreadableLine(size_t line) override {
    out_.unreadableLines.push_back(line);
  }

 private:
  ParsedJournal& out_;
};

}  // namespace

ParsedJournal ParseJournalText(std::string_view text) {
  ParsedJournal parsed;
  CollectingSink sink(parsed);
  JournalReader reader(sink);
  reader.Feed(text);
  reader.Finish();
  return parsed;
}

}  // namespace quelmar
