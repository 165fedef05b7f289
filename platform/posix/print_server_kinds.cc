#include "platform/posix/print_server_kinds.h"

#include "platform/posix/server_probe.h"
#include "services/unicode.h"

namespace quelmar {
namespace {

std::optional<ServerKind> ParseKind(std::string_view text) {
  const std::string kind = ToLowerUtf8(text);
  if (kind == "ipp") return ServerKind::kIpp;
  if (kind == "smb") return ServerKind::kSmb;
  if (kind == "auto") return ServerKind::kProbe;
  return std::nullopt;
}

std::vector<std::string_view> Entries(std::string_view text) {
  std::vector<std::string_view> entries;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() &&
        std::string_view(" \t,;").find(text[i]) == std::string_view::npos)
      continue;
    if (i > start) entries.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  return entries;
}

}  // namespace

std::optional<ServerKindSettings> ServerKindSettings::Parse(
    std::string_view text) {
  ServerKindSettings settings;
  for (std::string_view entry : Entries(text)) {
    const size_t equals = entry.find('=');
    std::optional<ServerKind> kind = ParseKind(
        equals == std::string_view::npos ? entry : entry.substr(equals + 1));
    if (!kind) return std::nullopt;
    if (equals == std::string_view::npos) {
      settings.everyServer_ = *kind;
    } else if (equals == 0) {
      return std::nullopt;
    } else {
      settings.perServer_[ToLowerUtf8(entry.substr(0, equals))] = *kind;
    }
  }
  return settings;
}

ServerKind ServerKindSettings::KindOf(std::string_view server) const {
  auto found = perServer_.find(ToLowerUtf8(server));
  return found != perServer_.end() ? found->second : everyServer_;
}

std::optional<ServerKind> KindFromOpenPorts(const std::vector<int>& open) {
  for (int port : open)
    if (port == kIppPort) return ServerKind::kIpp;
  for (int port : open)
    if (port == kSmbPort) return ServerKind::kSmb;
  return std::nullopt;
}

std::optional<std::string> FindPrinterShare(
    const std::vector<std::string>& shares, std::string_view printer) {
  for (const std::string& share : shares)
    if (EqualsIgnoreCase(share, printer)) return share;
  return std::nullopt;
}

}  // namespace quelmar
