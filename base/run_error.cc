#include "base/run_error.h"

namespace quelmar {
namespace {

std::string DescriptionOf(int number) {
  switch (number) {
    case kInvalidArgument:
      return "Appel de procédure ou argument incorrect";
    case kOverflow:
      return "Dépassement de capacité";
    case kOutOfMemory:
      return "Mémoire insuffisante";
    case kFileNotFound:
      return "Fichier introuvable";
    case kInputPastEnd:
      return "Lecture au-delà de la fin du fichier";
    case kDeviceUnavailable:
      return "Périphérique non disponible";
    case kPathFileAccess:
      return "Erreur d'accès au chemin ou au fichier";
    default:
      return "Erreur d'exécution";
  }
}

}  // namespace

RunError::RunError(int number) : RunError(number, DescriptionOf(number)) {}

}  // namespace quelmar
