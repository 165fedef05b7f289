#include "platform/win32/host_win32.h"

#include <vector>

#include "platform/native_host.h"
#include "platform/win32/file_system_win32.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_api.h"

namespace quelmar {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// The last `count` arguments of this process's command line, split by the
// system's rules from the wide command line, so that a name outside the
// ANSI code page arrives intact.
std::vector<std::string> LastWideArguments(size_t count) {
  int argc = 0;
  UniqueArgv argv(CommandLineToArgvW(GetCommandLineW(), &argc));
  std::vector<std::string> arguments;
  if (!argv) return arguments;
  const size_t total = static_cast<size_t>(argc);
  for (size_t i = total > count ? total - count : 0; i < total; ++i)
    arguments.push_back(WideToUtf8(argv.get()[i]));
  return arguments;
}

}  // namespace

std::wstring ArgumentText(std::wstring_view commandLine) {
  size_t pos = 0;
  if (!commandLine.empty() && commandLine[0] == L'"') {
    size_t close = commandLine.find(L'"', 1);
    pos = close == std::wstring_view::npos ? commandLine.size() : close + 1;
  } else {
    while (pos < commandLine.size() && !IsBlank(commandLine[pos])) ++pos;
  }
  while (pos < commandLine.size() && IsBlank(commandLine[pos])) ++pos;
  return std::wstring(commandLine.substr(pos));
}

Win32Host Win32Host::FromProcessCommandLine() {
  return Win32Host(WideToUtf8(ArgumentText(GetCommandLineW())));
}

CommandLine Win32Host::GetCommandLine() {
  CommandLine commandLine;
  commandLine.text = argumentText_;
  return commandLine;
}

std::string Win32Host::ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(),
                                      static_cast<DWORD>(path.size()));
    if (length == 0) return ".";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return WideToUtf8(path.substr(0, path.rfind(L'\\')));
}

std::optional<std::string> Win32Host::Environment(const std::string& name) {
  if (name.empty()) return std::nullopt;
  const std::wstring wideName = Utf8ToWide(name);
  std::wstring value(256, L'\0');
  for (;;) {
    SetLastError(0);
    DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(),
                                           static_cast<DWORD>(value.size()));
    if (length == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    if (length < value.size()) {
      value.resize(length);
      return WideToUtf8(value);
    }
    value.resize(length);  // the size asked for, terminating null included
  }
}

LocalTime Win32Host::Now() {
  SYSTEMTIME time{};
  GetLocalTime(&time);
  return {time.wYear, time.wMonth,  time.wDay,
          time.wHour, time.wMinute, time.wSecond};
}

std::string Win32Host::ComputerName() {
  return Environment("COMPUTERNAME").value_or(std::string());
}

std::string Win32Host::AnsiToUtf8(std::string_view bytes) {
  return AnsiToUtf8Text(bytes);
}

// quelmar-dryrun hands over the arguments that follow its options; they are
// the last arguments of the process, read again from the wide command line.
// Windows sends no signal for a closed pipe: the write fails.
void KeepRunningWhenOutputCloses() {}

std::unique_ptr<Host> CreateNativeHost(std::vector<std::string> arguments) {
  std::string text;
  for (const std::string& argument : LastWideArguments(arguments.size())) {
    if (!text.empty()) text += ' ';
    text += argument;
  }
  return std::make_unique<Win32Host>(std::move(text));
}

std::unique_ptr<FileSystem> CreateNativeFileSystem() {
  return std::make_unique<Win32FileSystem>();
}

}  // namespace quelmar
