// The host, the files and the terminal of the system the program was built
// for.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/host.h"
#include "platform/terminal.h"

namespace quelmar {

// `arguments`: the program's arguments after its own name and options.
std::unique_ptr<Host> CreateNativeHost(std::vector<std::string> arguments);
std::unique_ptr<FileSystem> CreateNativeFileSystem();
// The process's own standard input and output.
std::unique_ptr<Terminal> CreateNativeTerminal();

// A console program whose output goes to a pipe that closes (`| head`)
// goes on with its run, its journal and its other files, instead of being
// ended by the system; its writes to the pipe then fail.
void KeepRunningWhenOutputCloses();

}  // namespace quelmar
