#include "report/journal_reader.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>
#include <vector>

namespace quelmar {
namespace {

const std::string kClosing =
    "Traitement terminé : 4 opérations à effectuer, 5 imp. traitées avec "
    "succès, 1 erreur de migration.";
const std::string kNoValid =
    "Le fichier à traiter ne possédait pas de section [actions] ou celle-ci "
    "ne contenait aucune instruction valide à exécuter...";

std::string OneLine(const std::string& name, const std::string& closing,
                    const std::string& stamp = "07/12/2026 à 08:15:02") {
  return stamp + " sur " + name + " : " + closing + "\r\n";
}

std::string Header(const std::string& name,
                   const std::string& stamp = "07/12/2026 à 08:15:02") {
  return "--- Traitement du " + stamp + " sur " + name + " ---\r\n";
}

std::string FullTrace(const std::string& name, const std::string& trace,
                      const std::string& closing) {
  return Header(name) + trace + closing + "\r\n\r\n";
}

// The replacement of a default printer whose new printer fails, the old one
// connected again and made the default again, then a failed connection and
// a failed default setting.
const std::string kTrace =
    "Migration\r\n"
    "\r\n"
    "Déconnexion de \\\\old\\Laser...\r\n"
    "   -> OK.\r\n"
    "Et reconnexion de \\\\new\\Laser...\r\n"
    "   -> erreur rencontrée : Accès refusé.\r\n"
    "Reconnexion de l'imprimante déconnectée...\r\n"
    "   -> erreur rencontrée : Le serveur RPC n'est pas disponible.\r\n"
    "\r\n"
    "Déconnexion de \\\\old\\Jet...\r\n"
    "   -> OK.\r\n"
    "Et reconnexion de \\\\new\\Jet...\r\n"
    "   -> OK.\r\n"
    "L'imprimante désinstallée était celle définit par défaut, définir par "
    "défaut celle qui la remplace...\r\n"
    "   -> erreur rencontrée : l'imprimante n'existe peut-être pas\r\n"
    "\r\n"
    "Connexion de \\\\new\\Couleur...\r\n"
    "   -> erreur rencontrée : Accès refusé.\r\n"
    "\r\n"
    "Sélection par défaut de PDF local...\r\n"
    "   -> erreur rencontrée : l'imprimante n'existe peut-être pas\r\n";

// Windows-1252 bytes of a UTF-8 text made only of Latin-1 letters.
std::string ToWindows1252(const std::string& utf8) {
  std::string out;
  for (size_t k = 0; k < utf8.size(); ++k) {
    unsigned char c = utf8[k];
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(((c & 0x1F) << 6) | (utf8[++k] & 0x3F));
    }
  }
  return out;
}

// The five counters of a closing sentence in its order (operations,
// succeeded, skipped, migration errors, script errors), read into counters
// that held other values; nothing when the sentence is refused.
std::optional<std::vector<int>> CountsOf(std::string_view sentence) {
  RunCounts c{9, 9, 9, 9, 9};
  if (!ParseClosingSentence(sentence, c)) return std::nullopt;
  return std::vector<int>{c.operations, c.succeeded, c.skipped,
                          c.migrationErrors, c.scriptErrors};
}

TEST(ClosingSentenceTest, EveryPartAndTheRunWithoutValidLine) {
  EXPECT_EQ(CountsOf("Traitement terminé : 1 opération à effectuer, 0 imp. "
                     "traitée avec succès, 2 imp. évitées, 3 erreurs de "
                     "migration, 1 erreur de script."),
            (std::vector<int>{1, 0, 2, 3, 1}));
  // The parts a run leaves out are zero.
  EXPECT_EQ(CountsOf("Traitement terminé : 2 opérations à effectuer, 2 imp. "
                     "traitées avec succès, 4 erreurs de script."),
            (std::vector<int>{2, 2, 0, 0, 4}));
  EXPECT_EQ(CountsOf(kNoValid), (std::vector<int>{0, 0, 0, 0, 0}));
}

TEST(ClosingSentenceTest, RefusesWhatARunNeverWrites) {
  for (const char* text : {
           "Traitement terminé : 4 opérations à effectuer, 5 imp. traitées "
           "avec succès",  // cut before the full stop
           "Traitement terminé : 4 opérations à effectuer.",
           "Traitement terminé : 40000 opérations à effectuer, 5 imp. "
           "traitées avec succès.",  // past the 16-bit counter
           "Traitement terminé : 1 opération à effectuer, 1 imp. traitée "
           "avec succès, 1 erreur de script, 1 erreur de migration.",
           "Traitement terminé : -1 opération à effectuer, 1 imp. traitée "
           "avec succès.",
           "Traitement fini : 1 opération à effectuer, 1 imp. traitée avec "
           "succès.",
       })
    EXPECT_FALSE(CountsOf(text)) << text;
}

TEST(JournalReaderTest, OneLineEntriesInBothCodePagesAndLineEnds) {
  const std::string utf8 = OneLine("POSTE01", kClosing);
  const std::string ansi = ToWindows1252(OneLine("POSTÉ02", kClosing));
  std::string lf = OneLine("POSTE03", kClosing);
  lf.erase(lf.size() - 2, 1);
  ParsedJournal parsed = ParseJournalText(utf8 + ansi + lf);
  EXPECT_TRUE(parsed.unreadableLines.empty());
  ASSERT_EQ(parsed.entries.size(), 3u);
  EXPECT_EQ(parsed.entries[0].workstation, "POSTE01");
  EXPECT_EQ(parsed.entries[1].workstation, "POSTÉ02");
  EXPECT_EQ(parsed.entries[2].workstation, "POSTE03");
  for (const JournalEntry& e : parsed.entries) {
    EXPECT_EQ(e.level, 'S');
    EXPECT_TRUE(e.completed);
    EXPECT_EQ(e.time.Text(), "2026-12-07 08:15:02");
    EXPECT_EQ(e.counts.operations, 4);
    EXPECT_EQ(e.counts.succeeded, 5);
    EXPECT_EQ(e.counts.migrationErrors, 1);
    EXPECT_EQ(ExitClass(e), 1);
  }
  EXPECT_EQ(parsed.entries[1].line, 2u);
}

TEST(JournalReaderTest, NamesWithBlanksColonsAndNone) {
  ParsedJournal parsed =
      ParseJournalText(OneLine("PC : salle 2", kNoValid) +
                       OneLine("", kNoValid) + FullTrace("", "", kNoValid));
  ASSERT_EQ(parsed.entries.size(), 3u);
  EXPECT_EQ(parsed.entries[0].workstation, "PC : salle 2");
  EXPECT_EQ(parsed.entries[1].workstation, "");
  EXPECT_EQ(parsed.entries[2].workstation, "");
  EXPECT_EQ(ExitClass(parsed.entries[0]), 0);
}

TEST(JournalReaderTest, FullTraceGivesCountsAndFailuresByPrinter) {
  for (bool ansi : {false, true}) {
    std::string text = FullTrace("POSTE01", kTrace, kClosing);
    ParsedJournal parsed = ParseJournalText(ansi ? ToWindows1252(text) : text);
    EXPECT_TRUE(parsed.unreadableLines.empty());
    ASSERT_EQ(parsed.entries.size(), 1u);
    const JournalEntry& e = parsed.entries[0];
    EXPECT_EQ(e.level, 'C');
    EXPECT_TRUE(e.completed);
    EXPECT_EQ(e.counts.succeeded, 5);
    ASSERT_EQ(e.failures.size(), 5u);
    EXPECT_EQ(e.failures[0].printer, "\\\\new\\Laser");
    EXPECT_EQ(e.failures[0].errorText, "Accès refusé.");
    EXPECT_EQ(e.failures[1].printer, "\\\\old\\Laser");
    EXPECT_EQ(e.failures[1].errorText, "Le serveur RPC n'est pas disponible.");
    EXPECT_EQ(e.failures[2].printer, "\\\\new\\Jet");
    EXPECT_EQ(e.failures[2].errorText, "l'imprimante n'existe peut-être pas");
    EXPECT_EQ(e.failures[3].printer, "\\\\new\\Couleur");
    EXPECT_EQ(e.failures[4].printer, "PDF local");
  }
}

TEST(JournalReaderTest, RestoringTheDefaultFailsOnTheOldPrinter) {
  ParsedJournal parsed = ParseJournalText(FullTrace(
      "P",
      "Déconnexion de \\\\old\\A...\r\n   -> OK.\r\n"
      "Et reconnexion de \\\\new\\A...\r\n   -> erreur rencontrée : x\r\n"
      "Reconnexion de l'imprimante déconnectée...\r\n   -> OK.\r\n"
      "Restauration de l'état d'imprimante par défaut...\r\n"
      "   -> erreur rencontrée : y\r\n",
      kClosing));
  ASSERT_EQ(parsed.entries.size(), 1u);
  ASSERT_EQ(parsed.entries[0].failures.size(), 2u);
  EXPECT_EQ(parsed.entries[0].failures[1].printer, "\\\\old\\A");
  EXPECT_EQ(parsed.entries[0].failures[1].errorText, "y");
}

TEST(JournalReaderTest, RunWithoutValidLineCountsTheRejectedLines) {
  const std::string rejected =
      "Erreur de syntaxe (ligne 1), commande inconnue...\r\n"
      "Erreur de syntaxe (ligne 2), commande inconnue...\r\n";
  ParsedJournal parsed = ParseJournalText(FullTrace("P", rejected, kNoValid) +
                                          FullTrace("Q", "", kNoValid));
  ASSERT_EQ(parsed.entries.size(), 2u);
  EXPECT_EQ(parsed.entries[0].counts.scriptErrors, 2);
  EXPECT_EQ(ExitClass(parsed.entries[0]), 1);
  EXPECT_EQ(parsed.entries[1].counts.scriptErrors, 0);
  EXPECT_EQ(ExitClass(parsed.entries[1]), 0);
}

TEST(JournalReaderTest, ClosingSentenceInsideTheTraceDoesNotEndIt) {
  // LogInfos may read like a closing sentence; only one followed by the
  // entry's empty line closes it.
  ParsedJournal parsed = ParseJournalText(FullTrace(
      "P", kClosing + "\r\nConnexion de \\\\s\\p...\r\n   -> OK.\r\n",
      "Traitement terminé : 1 opération à effectuer, 1 imp. traitée avec "
      "succès."));
  ASSERT_EQ(parsed.entries.size(), 1u);
  EXPECT_EQ(parsed.entries[0].counts.operations, 1);
  EXPECT_TRUE(parsed.unreadableLines.empty());
}

TEST(JournalReaderTest, CutEntriesAreIncompleteNeverLost) {
  const std::string whole = FullTrace("A", kTrace, kClosing);
  // Cut in the trace and followed by another workstation's entry.
  std::string text =
      whole.substr(0, whole.find("Connexion de")) + OneLine("B", kClosing) +
      // Cut right after its closing sentence: counts known.
      whole.substr(0, whole.size() - 2) +
      // Its closing sentence without the empty line.
      whole.substr(0, whole.size() - 2) + OneLine("C", kNoValid) +
      // Cut at the end of the file.
      Header("D") + "Connexion de \\\\s\\p...\r\n";
  ParsedJournal parsed = ParseJournalText(text);
  EXPECT_TRUE(parsed.unreadableLines.empty());
  ASSERT_EQ(parsed.entries.size(), 6u);
  EXPECT_FALSE(parsed.entries[0].completed);
  EXPECT_EQ(ExitClass(parsed.entries[0]), 2);
  EXPECT_EQ(parsed.entries[0].failures.size(), 3u);  // those it shows
  EXPECT_EQ(parsed.entries[1].workstation, "B");
  EXPECT_TRUE(parsed.entries[2].completed);
  EXPECT_EQ(parsed.entries[2].counts.succeeded, 5);
  EXPECT_TRUE(parsed.entries[3].completed);
  EXPECT_EQ(parsed.entries[4].workstation, "C");
  EXPECT_EQ(parsed.entries[5].workstation, "D");
  EXPECT_FALSE(parsed.entries[5].completed);
}

TEST(JournalReaderTest, EntryOfTheOtherCodePageCutsOneShort) {
  std::string text = Header("LINUX") + "Connexion de \\\\s\\p...\r\n" +
                     ToWindows1252(OneLine("WINDOWS", kClosing)) +
                     ToWindows1252(Header("WIN2")) +
                     OneLine("LINUX2", kNoValid);
  ParsedJournal parsed = ParseJournalText(text);
  EXPECT_TRUE(parsed.unreadableLines.empty());
  ASSERT_EQ(parsed.entries.size(), 4u);
  EXPECT_EQ(parsed.entries[1].workstation, "WINDOWS");
  EXPECT_EQ(parsed.entries[2].workstation, "WIN2");
  EXPECT_EQ(parsed.entries[3].workstation, "LINUX2");
}

TEST(JournalReaderTest, EachGarbageLineReportedOnceWithItsNumber) {
  const std::string cutLine = OneLine("X", kClosing).substr(0, 50);
  std::string text = std::string("\xEF\xBB\xBF") + OneLine("A", kClosing) +
                     "garbage\r\n" +                 // 2
                     std::string("\0\0\0\r\n", 5) +  // 3
                     "\r\n" +                        // 4: blank, fine
                     OneLine("B", "Fini.") +         // 5: other wording
                     OneLine("C", kClosing, "31/02/2026 à 08:15:02") +  // 6
                     OneLine("D", kClosing, "07/12/26 à 08:15:02") +    // 7
                     Header("E") + "\xC3\x28 bad UTF-8\r\n" +           // 8, 9
                     kClosing + "\r\n\r\n" +  // 10, 11
                     cutLine;                 // 12
  ParsedJournal parsed = ParseJournalText(text);
  EXPECT_EQ(parsed.unreadableLines,
            (std::vector<size_t>{2, 3, 5, 6, 7, 9, 12}));
  ASSERT_EQ(parsed.entries.size(), 2u);
  EXPECT_EQ(parsed.entries[0].workstation, "A");
  EXPECT_EQ(parsed.entries[1].workstation, "E");
  EXPECT_TRUE(parsed.entries[1].completed);
}

TEST(JournalReaderTest, LocaleSeparatorsInTheTimeStamp) {
  ParsedJournal parsed =
      ParseJournalText(OneLine("P", kClosing, "07.12.2026 à 08.15.02"));
  ASSERT_EQ(parsed.entries.size(), 1u);
  EXPECT_EQ(parsed.entries[0].time.Text(), "2026-12-07 08:15:02");
}

TEST(JournalReaderTest, AnyPiecesGiveTheSameEntries) {
  const std::string text = OneLine("A", kClosing) +
                           FullTrace("B", kTrace, kClosing) + "junk\r\n" +
                           ToWindows1252(FullTrace("C", kTrace, kNoValid));
  ParsedJournal whole = ParseJournalText(text);
  for (size_t piece : {1u, 2u, 7u, 64u}) {
    ParsedJournal pieces;
    struct Sink : JournalSink {
      ParsedJournal& out;
      explicit Sink(ParsedJournal& o) : out(o) {}
      void OnEntry(const JournalEntry& e) override { out.entries.push_back(e); }
      void OnUnreadableLine(size_t l) override {
        out.unreadableLines.push_back(l);
      }
    } sink(pieces);
    JournalReader reader(sink);
    for (size_t k = 0; k < text.size(); k += piece)
      reader.Feed(std::string_view(text).substr(k, piece));
    reader.Finish();
    ASSERT_EQ(pieces.entries.size(), whole.entries.size()) << piece;
    EXPECT_EQ(pieces.unreadableLines, whole.unreadableLines);
    for (size_t k = 0; k < whole.entries.size(); ++k) {
      EXPECT_EQ(pieces.entries[k].workstation, whole.entries[k].workstation);
      EXPECT_EQ(pieces.entries[k].failures.size(),
                whole.entries[k].failures.size());
      EXPECT_EQ(pieces.entries[k].line, whole.entries[k].line);
    }
  }
  EXPECT_EQ(whole.unreadableLines, (std::vector<size_t>{26}));
}

TEST(JournalReaderTest, OverlongLineIsUnreadableAndDropped) {
  std::string text = std::string(kMaxJournalLine + 10, '\0');
  text +=
      "\r\n" + OneLine("A", kClosing) + std::string(3 * kMaxJournalLine, 'x');
  ParsedJournal parsed = ParseJournalText(text);
  EXPECT_EQ(parsed.unreadableLines, (std::vector<size_t>{1, 3}));
  ASSERT_EQ(parsed.entries.size(), 1u);
  EXPECT_EQ(parsed.entries[0].line, 2u);
}

}  // namespace
}  // namespace quelmar
