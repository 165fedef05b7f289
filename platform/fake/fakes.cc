#include "platform/fake/fakes.h"

#include "app/frm_quelmar.h"
#include "base/run_error.h"
#include "services/unicode.h"

namespace quelmar {

std::optional<std::string> FakeHost::Environment(const std::string& name) {
  auto found = environment.find(name);
  if (found == environment.end()) return std::nullopt;
  return found->second;
}

std::string FakeHost::AnsiToUtf8(std::string_view bytes) {
  return Windows1252ToUtf8(bytes);
}

bool FakeFileSystem::IsOrdinaryFile(const std::string& path) {
  return files.count(path) != 0;
}

std::string FakeFileSystem::ReadWholeFile(const std::string& path) {
  auto found = files.find(path);
  if (found == files.end()) throw RunError(kFileNotFound);
  return found->second;
}

bool FakeFileSystem::AppendToFile(const std::string& path, TextPieces pieces) {
  if (readOnly.count(path)) return false;
  std::string text;
  for (std::string_view piece : pieces) text += piece;
  appends.emplace_back(path, text);
  files[path] += text;
  return true;
}

void RecordingWindow::AppendTrace(const std::string& chunk) {
  text += chunk;
  caret = text.size();
}

void RecordingWindow::RunUntilClosed() {
  shown = true;
  ++runs;
}

std::vector<std::string> CrLfLines(std::string_view text) {
  std::vector<std::string> lines;
  for (;;) {
    const size_t end = text.find("\r\n");
    lines.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) return lines;
    text.remove_prefix(end + 2);
  }
}

FakeRun::FakeRun(WorkstationState state) {
  fake.workstation = SimWorkstation(std::move(state));
  settings.Mode = "N";
}

int FakePlatform::RunScript(const std::string& script) {
  files.files[DefaultScriptPath()] = script;
  return RunProgram(platform, Version{1, 0, 6});
}

}  // namespace quelmar
