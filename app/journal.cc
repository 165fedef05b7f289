#include "app/journal.h"

#include <cstdio>

#include "services/text_utils.h"

namespace quelmar {
namespace {

std::string TwoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

}  // namespace

std::string JournalFailureMessage(const std::string& logFile) {
  return "L'écriture dans le fichier journal (" + logFile +
         ") a déclenché une erreur qui peut avoir plusieurs origines : "
         "\r\n\r\n"
         "   - emplacement/nom du fichier incorrect (utilisation de caractères "
         "non-autorisés, disque ou partage inexistant, etc.)\r\n"
         "   - pas de droits d'écriture à cet emplacement\r\n"
         "   - disque saturé ou défectueux\r\n\r\n"
         "La journalisation ne peut donc être effectuée...";
}

std::string TimeStamp(const LocalTime& time) {
  char year[16];
  std::snprintf(year, sizeof year, "%04d", time.year);
  return TwoDigits(time.day) + "/" + TwoDigits(time.month) + "/" + year +
         " à " + TwoDigits(time.hour) + ":" + TwoDigits(time.minute) + ":" +
         TwoDigits(time.second);
}

bool AppendToLogFile(FileSystem& files, const std::string& logFile,
                     std::string_view head, std::string_view body,
                     std::string_view tail) {
  // A control character would cut the path where the system reads it, and
  // the entry would go to another file.
  if (logFile.empty() || HasControlCharacter(logFile)) return false;
  return files.AppendToFile(logFile, {head, body, tail, "\r\n"});
}

bool WriteJournal(const RunSettings& settings, std::string_view tracedText,
                  const std::string& finalMessage, Platform& platform) {
  if (settings.ModeLog == "A") return true;
  const std::string stamp = TimeStamp(platform.host.Now());
  const std::string computer = platform.host.ComputerName();
  const bool written =
      settings.ModeLog == "C"
          ? AppendToLogFile(
                platform.files, settings.LogFile,
                "--- Traitement du " + stamp + " sur " + computer + " ---\r\n",
                tracedText, "\r\n" + finalMessage + "\r\n")
          : AppendToLogFile(platform.files, settings.LogFile,
                            stamp + " sur " + computer + " : " + finalMessage);
  if (written) return true;
  if (settings.Mode != "M")
    platform.ui.MessageBox(JournalFailureMessage(settings.LogFile), "Erreur",
                           BoxIcon::kExclamation);
  return false;
}

}  // namespace quelmar
