// Everything the run needs of the system, handed to it by the entry point.
#pragma once

#include "platform/file_system.h"
#include "platform/host.h"
#include "platform/spooler.h"
#include "platform/user_interface.h"

namespace quelmar {

struct Platform {
  Host& host;
  FileSystem& files;
  Spooler& spooler;
  DefaultPrinterSetting& defaultPrinter;
  MessageTable& messages;
  UserInterface& ui;
};

}  // namespace quelmar
