#include "platform/posix/host_posix.h"

#include <limits.h>
#include <time.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "services/unicode.h"

namespace quelmar {

PosixHost::PosixHost(std::vector<std::string> arguments)
    : arguments_(std::move(arguments)) {}

CommandLine PosixHost::GetCommandLine() {
  CommandLine commandLine;
  for (const std::string& argument : arguments_) {
    if (!commandLine.text.empty()) commandLine.text += ' ';
    commandLine.text += argument;
  }
  commandLine.switchesAreWholeArguments = true;
  commandLine.arguments = arguments_;
  return commandLine;
}

std::string PosixHost::ProgramFolder() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  std::string folder(path, static_cast<size_t>(length));
  size_t slash = folder.rfind('/');
  return slash == 0 ? "/" : folder.substr(0, slash);
}

std::optional<std::string> PosixHost::Environment(const std::string& name) {
  if (name.empty()) return std::nullopt;
  const char* value = std::getenv(name.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

LocalTime PosixHost::Now() {
  time_t now = time(nullptr);
  struct tm parts {};
  localtime_r(&now, &parts);
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
          parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

std::string PosixHost::ComputerName() {
  if (std::optional<std::string> name = Environment("COMPUTERNAME"))
    return *name;
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::string PosixHost::AnsiToUtf8(std::string_view bytes) {
  return Windows1252ToUtf8(bytes);
}

}  // namespace quelmar

#include "platform/native_host.h"
#include "platform/posix/file_system_posix.h"

namespace quelmar {

void KeepRunningWhenOutputCloses() { std::signal(SIGPIPE, SIG_IGN); }

std::unique_ptr<Host> CreateNativeHost(std::vector<std::string> arguments) {
  return std::make_unique<PosixHost>(std::move(arguments));
}

std::unique_ptr<FileSystem> CreateNativeFileSystem() {
  return std::make_unique<PosixFileSystem>();
}

}  // namespace quelmar
