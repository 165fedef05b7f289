#include <unistd.h>

#include "platform/console/console_ui.h"

namespace quelmar {

bool StandardInputIsTerminal() { return isatty(STDIN_FILENO) == 1; }
bool StandardOutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

}  // namespace quelmar
