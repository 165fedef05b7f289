#include "app/action_execution.h"

#include "base/run_error.h"
#include "services/printer_services.h"
#include "services/text_utils.h"
#include "services/unicode.h"

namespace quelmar {
namespace {

constexpr char kOk[] = "OK.";
constexpr char kNotInstalled[] =
    "non effectué : l'imprimante n'est pas installée.";
constexpr char kAlreadyInstalled[] =
    "non effectué : l'imprimante est déjà installée.";
constexpr char kMaybeMissing[] =
    "erreur rencontrée : l'imprimante n'existe peut-être pas";
constexpr std::string_view kErrorMet = "erreur rencontrée : ";
constexpr std::string_view kDisconnecting = "Déconnexion de ";
constexpr std::string_view kConnecting = "Connexion de ";
constexpr char kNoPrinter[] = "aucune imprimante concernée.";
constexpr char kClosingBanner[] =
    "###################################################";
constexpr char kNoValidInstruction[] =
    "Le fichier à traiter ne possédait pas de section [actions] ou celle-ci "
    "ne contenait aucune instruction valide à exécuter...";

// "N word" with an "s" when N is greater than 1.
std::string Count(int16_t count, const std::string& word) {
  return DecimalText(count) + " " + word + (count > 1 ? "s" : "");
}

// "Remplacement de OLD par NEW en cours...", composed when the front end
// asks for it.
class ReplacementReason : public SessionEndReason {
 public:
  ReplacementReason(std::string_view name, std::string_view replacement)
      : name_(name), replacement_(replacement) {}
  std::string Text() const override {
    std::string text = "Remplacement de ";
    text.append(name_)
        .append(" par ")
        .append(replacement_)
        .append(" en cours...");
    return text;
  }

 private:
  std::string_view name_;
  std::string_view replacement_;
};

// Holds the end of the user's session while it lives: a logoff between the
// removal of an old printer and the connection of its replacement would
// leave the user with neither.
class SessionEndHold {
 public:
  SessionEndHold(UserInterface& ui, const SessionEndReason& reason) : ui_(ui) {
    ui_.HoldSessionEnd(reason);
  }
  ~SessionEndHold() { ui_.ReleaseSessionEnd(); }
  SessionEndHold(const SessionEndHold&) = delete;
  SessionEndHold& operator=(const SessionEndHold&) = delete;

 private:
  UserInterface& ui_;
};

}  // namespace

void ActionExecution::ExecuteActionLine(
    char command, const std::vector<std::string>& oldNames,
    const std::vector<std::string>& newNames, bool isMultiple) {
  if (oldNames.front().empty()) {
    trace_.Outcome(kNoPrinter);
  } else {
    for (size_t k = 0; k < oldNames.size(); ++k) {
      switch (command) {
        case '-':
          RunDisconnect(oldNames[k]);
          break;
        case '+':
          RunConnect(oldNames[k]);
          break;
        case '*':
          RunReplace(oldNames[k], newNames[k]);
          break;
        case '=':
          RunSetDefault(oldNames[k]);
          break;
      }
    }
  }
  if (isMultiple) trace_.Opening(kClosingBanner);
}

void ActionExecution::OutcomeOfError(const SpoolerResult& result) {
  trace_.Outcome(
      {kErrorMet, SystemErrorText(printers_.messages, result.error)});
}

bool ActionExecution::CheckPresence(Change change, const std::string& name,
                                    const std::string& printer) {
  const bool disconnect = change == Change::kDisconnect;
  trace_.Opening({disconnect ? kDisconnecting : kConnecting, name, "..."});
  if (IsPrinterInstalled(printers_.spooler, printer) == disconnect) return true;
  trace_.Outcome(disconnect ? kNotInstalled : kAlreadyInstalled);
  counters_.SkippedCount.Raise();
  return false;
}

bool ActionExecution::CallSpooler(Change change, const std::string& name) {
  SpoolerResult result;
  switch (change) {
    case Change::kDisconnect:
      result = printers_.spooler.DeletePrinterConnection(name);
      break;
    case Change::kDisconnectReplaced:
      result = printers_.spooler.DeleteReplacedConnection(name);
      break;
    case Change::kConnect:
      result = printers_.spooler.AddPrinterConnection(name);
      break;
  }
  if (!result.succeeded) {
    OutcomeOfError(result);
    counters_.MigrationErrorCount.Raise();
    return false;
  }
  trace_.Outcome(kOk);
  return true;
}

void ActionExecution::RunDisconnect(const std::string& name) {
  const std::string printer = printers_.spooler.OneName(name);
  if (CheckPresence(Change::kDisconnect, name, printer) &&
      CallSpooler(Change::kDisconnect, printer))
    counters_.SuccessCount.Raise();
}

void ActionExecution::RunConnect(const std::string& name) {
  const std::string printer = printers_.spooler.OneName(name);
  if (CheckPresence(Change::kConnect, name, printer) &&
      CallSpooler(Change::kConnect, printer))
    counters_.SuccessCount.Raise();
}

void ActionExecution::HandDefaultTo(const std::string& name) {
  bool done =
      SetDefaultPrinter(printers_.spooler, printers_.defaultPrinter, name);
  trace_.Outcome(done ? kOk : kMaybeMissing);
}

void ActionExecution::RunReplace(const std::string& name,
                                 const std::string& replacement) {
  const std::string printer = printers_.spooler.OneName(name);
  // Read before the removal: once it is gone, it is no one's default.
  const bool wasDefault = IsDefaultPrinter(printers_.defaultPrinter, printer);
  if (!CheckPresence(Change::kDisconnect, name, printer)) return;
  SessionEndHold hold(ui_, ReplacementReason(name, replacement));
  if (!CallSpooler(Change::kDisconnectReplaced, printer)) return;
  // The old printer is gone: a run-time error from here on (the
  // workstation's print service stopping) must not leave the user without
  // it.
  bool replaced = false;
  try {
    ConnectReplacement(printer, replacement, wasDefault, replaced);
  } catch (const RunError& error) {
    trace_.Outcome({kErrorMet, error.description()});
    if (!replaced) PutBack(printer, wasDefault);
    counters_.MigrationErrorCount.Raise();
    interruptedReplacement_ = true;
    throw;
  }
}

void ActionExecution::ConnectReplacement(const std::string& printer,
                                         const std::string& replacement,
                                         bool wasDefault, bool& replaced) {
  trace_.Line({"Et reconnexion de ", replacement, "..."});
  const std::string newPrinter = printers_.spooler.OneName(replacement);
  SpoolerResult connection = printers_.spooler.AddPrinterConnection(newPrinter);
  replaced = connection.succeeded;
  if (connection.succeeded) {
    trace_.Outcome(kOk);
    counters_.SuccessCount.Raise();
    if (wasDefault) {
      trace_.Line(
          "L'imprimante désinstallée était celle définit par défaut, définir "
          "par défaut celle qui la remplace...");
      HandDefaultTo(newPrinter);
    }
    return;
  }
  OutcomeOfError(connection);
  trace_.Line("Reconnexion de l'imprimante déconnectée...");
  SpoolerResult reconnection = printers_.spooler.AddPrinterConnection(printer);
  if (!reconnection.succeeded) {
    OutcomeOfError(reconnection);
  } else {
    trace_.Outcome(kOk);
    if (wasDefault) {
      trace_.Line("Restauration de l'état d'imprimante par défaut...");
      HandDefaultTo(printer);
    }
  }
  counters_.MigrationErrorCount.Raise();
}

void ActionExecution::PutBack(const std::string& name, bool wasDefault) {
  trace_.Line("Reconnexion de l'imprimante déconnectée...");
  try {
    SpoolerResult reconnection = printers_.spooler.AddPrinterConnection(name);
    if (!reconnection.succeeded) return OutcomeOfError(reconnection);
    trace_.Outcome(kOk);
    if (wasDefault) {
      trace_.Line("Restauration de l'état d'imprimante par défaut...");
      HandDefaultTo(name);
    }
  } catch (const RunError& error) {
    trace_.Outcome({kErrorMet, error.description()});
  }
}

void ActionExecution::RunSetDefault(const std::string& name) {
  trace_.Opening({"Sélection par défaut de ", name, "..."});
  if (SetDefaultPrinter(printers_.spooler, printers_.defaultPrinter,
                        printers_.spooler.OneName(name))) {
    trace_.Outcome(kOk);
    counters_.SuccessCount.Raise();
  } else {
    trace_.Outcome(kMaybeMissing);
    counters_.MigrationErrorCount.Raise();
  }
}

std::string ComposeFinalMessage(const RunCounters& counters) {
  if (counters.ActionCount.value() == 0) return kNoValidInstruction;
  std::string text =
      "Traitement terminé : " +
      Count(counters.ActionCount.value(), "opération") + " à effectuer, " +
      Count(counters.SuccessCount.value(), "imp. traitée") + " avec succès";
  if (counters.SkippedCount.value() != 0)
    text += ", " + Count(counters.SkippedCount.value(), "imp. évitée");
  if (counters.MigrationErrorCount.value() != 0)
    text += ", " + Count(counters.MigrationErrorCount.value(), "erreur") +
            " de migration";
  if (counters.ScriptErrorCount.value() != 0)
    text += ", " + Count(counters.ScriptErrorCount.value(), "erreur") +
            " de script";
  return text + ".";
}

}  // namespace quelmar
