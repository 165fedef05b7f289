// The host and the files of the system the program was built for.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/host.h"

namespace quelmar {

// `arguments`: the program's arguments after its own name and options.
std::unique_ptr<Host> CreateNativeHost(std::vector<std::string> arguments);
std::unique_ptr<FileSystem> CreateNativeFileSystem();

}  // namespace quelmar
