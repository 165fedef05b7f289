#include "platform/posix/cups_names.h"

#include <cups/http.h>

#include <cctype>
#include <cstring>

#include "services/text_utils.h"
#include "services/unicode.h"

namespace quelmar {
namespace {

constexpr int kIppPort = 631;
// Queue names beyond the first few variants are numbered; past this many
// the last candidate is returned and the server's refusal reports it.
constexpr int kMaxQueueNameVariants = 1000;

struct UriParts {
  std::string scheme;
  std::string host;
  int port = 0;  // 0 when the URI names none
  std::vector<std::string> segments;
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string PercentDecode(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    int high = 0, low = 0;
    if (text[i] == '%' && i + 2 < text.size() &&
        (high = HexValue(text[i + 1])) >= 0 &&
        (low = HexValue(text[i + 2])) >= 0) {
      out += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string PercentEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// A name as one segment of a URI's path. "." and ".." are encoded too:
// left as they are, they would name the folder itself or its parent
// (ipp://srv/printers/.. is the server's root).
std::string PathSegment(std::string_view name) {
  if (name == "." || name == "..") return name == "." ? "%2E" : "%2E%2E";
  return PercentEncode(name);
}

// A port number of 1 to 65535 written in decimal digits; 0 otherwise.
int ParsePort(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return 0;
  int port = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    port = port * 10 + (c - '0');
  }
  return port <= 65535 ? port : 0;
}

// "host", "host:port", "[v6]" or "[v6]:port"; false when a port is
// malformed.
bool SplitHostPort(std::string_view text, std::string& host, int& port) {
  size_t colon = text.rfind(':');
  if (!text.empty() && text.front() == '[') {
    size_t close = text.find(']');
    if (close == std::string_view::npos) return false;
    colon = close + 1 < text.size() ? close + 1 : std::string_view::npos;
    if (colon != std::string_view::npos && text[colon] != ':') return false;
  }
  host = std::string(text.substr(0, colon));
  port = 0;
  if (colon == std::string_view::npos) return !host.empty();
  port = ParsePort(text.substr(colon + 1));
  return port != 0 && !host.empty();
}

int DefaultPortOf(std::string_view scheme) {
  if (scheme == "http") return 80;
  if (scheme == "https") return 443;
  if (scheme == "smb") return 445;
  return kIppPort;
}

// The parts of a URI. libcups splits it and decodes the host; the path is
// split and decoded here, segment by segment: asked to decode it,
// httpSeparateURI turns "%2F" into "/" before the path is split (a printer
// named "a/b" would be two segments), refuses a "%" not followed by two
// hexadecimal digits (a printer named "100%") and ends a name at "%00".
std::optional<UriParts> SplitUri(std::string_view uri) {
  const std::string text(uri);
  // Buffers as long as the URI: no part of it can overflow them.
  std::string scheme(text.size() + 1, '\0'), user(scheme), host(scheme),
      resource(scheme);
  UriParts parts;
  const int size = static_cast<int>(scheme.size());
  if (httpSeparateURI(HTTP_URI_CODING_HOSTNAME, text.c_str(), scheme.data(),
                      size, user.data(), size, host.data(), size, &parts.port,
                      resource.data(), size) < HTTP_URI_STATUS_OK)
    return std::nullopt;
  for (const char* c = scheme.c_str(); *c; ++c)
    parts.scheme +=
        static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
  host.resize(std::strlen(host.c_str()));  // the text libcups wrote
  parts.host = std::move(host);
  if (parts.host.empty()) return std::nullopt;
  // libcups gives an IPv6 address without its brackets.
  if (parts.host.find(':') != std::string::npos)
    parts.host = "[" + parts.host + "]";
  std::string_view path(resource.c_str());
  path = path.substr(0, path.find_first_of("?#"));
  for (std::string_view segment : SplitFields(path, '/'))
    if (!segment.empty()) parts.segments.push_back(PercentDecode(segment));
  return parts;
}

// scheme://host[:port]resource, with the host encoded as a URI needs;
// `resource` is encoded already (PathSegment): httpAssembleURI would leave
// a name's "/", "?", "#" and a "." or ".." segment as they are, and the URI
// would name another resource.
std::string AssembleUri(const char* scheme, std::string_view server,
                        std::string_view resource) {
  std::string host;
  int port = 0;
  if (!SplitHostPort(server, host, port)) host = std::string(server);
  // libcups adds the brackets of an IPv6 address itself.
  if (host.size() > 1 && host.front() == '[')
    host = host.substr(1, host.size() - 2);
  if (port == DefaultPortOf(scheme)) port = 0;  // not written
  // Three bytes per byte of the host at most: the buffer never overflows,
  // which is httpAssembleURI's only failure with these arguments.
  std::string uri(std::strlen(scheme) + 3 * host.size() + resource.size() + 16,
                  '\0');
  const std::string path(resource);
  httpAssembleURI(HTTP_URI_CODING_HOSTNAME, uri.data(),
                  static_cast<int>(uri.size()), scheme, nullptr, host.c_str(),
                  port, path.c_str());
  uri.resize(std::strlen(uri.c_str()));
  return uri;
}

std::string NetworkName(std::string_view host, int port,
                        std::string_view scheme, std::string_view name) {
  std::string server(host);
  if (port != 0 && port != DefaultPortOf(scheme))
    server += ":" + DecimalText(port);
  return "\\\\" + server + "\\" + std::string(name);
}

// The server and printer a device URI points at, when it names one.
std::optional<std::string> NetworkNameOf(std::string_view deviceUri) {
  std::optional<UriParts> uri = SplitUri(deviceUri);
  if (!uri) return std::nullopt;
  const std::vector<std::string>& path = uri->segments;
  std::string host = uri->host, name;
  int port = uri->port;
  if (uri->scheme == "ipp" || uri->scheme == "ipps" || uri->scheme == "http" ||
      uri->scheme == "https") {
    if (path.size() != 2 || (path[0] != "printers" && path[0] != "classes"))
      return std::nullopt;
    name = path[1];
  } else if (uri->scheme == "smb" && path.size() == 1) {
    name = path[0];
  } else if (uri->scheme == "smb" && path.size() == 2) {
    host = path[0];  // smb://group/host/name
    port = 0;
    name = path[1];
  } else {
    return std::nullopt;
  }
  if (host.find('\\') != std::string::npos ||
      name.find('\\') != std::string::npos)
    return std::nullopt;
  return NetworkName(host, port, uri->scheme, name);
}

std::string QueueNamePart(std::string_view text) {
  std::string out;
  for (size_t pos = 0; pos < text.size();) {
    char32_t c = NextCodePoint(text, pos);
    bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
    out += kept ? static_cast<char>(c) : '_';
  }
  // "." and ".." are no queue names: a queue's URI would name its folder.
  if (out.find_first_not_of('.') == std::string::npos)
    out.assign(out.size(), '_');
  return out;
}

bool IsTaken(const std::string& name, const std::vector<std::string>& taken) {
  for (const std::string& queue : taken)
    if (EqualsIgnoreCase(queue, name)) return true;
  return false;
}

}  // namespace

std::string DeviceNameOf(std::string_view queueName,
                         std::string_view deviceUri) {
  if (std::optional<std::string> name = NetworkNameOf(deviceUri)) return *name;
  return std::string(queueName);
}

std::optional<SharedPrinter> ParseSharedPrinter(std::string_view name) {
  if (name.substr(0, 2) != "\\\\") return std::nullopt;
  name.remove_prefix(2);
  size_t backslash = name.find('\\');
  if (backslash == std::string_view::npos) return std::nullopt;
  SharedPrinter printer{std::string(name.substr(0, backslash)),
                        std::string(name.substr(backslash + 1))};
  std::string host;
  int port = 0;
  if (printer.printer.empty() ||
      printer.printer.find('\\') != std::string::npos ||
      printer.server.find_first_of("/?#@%\\ \t") != std::string::npos ||
      !SplitHostPort(printer.server, host, port))
    return std::nullopt;
  // One printer, one name: \\srv:631\a is \\srv\a.
  if (port == kIppPort) printer.server = host;
  return printer;
}

std::string OnePrinterName(std::string_view name) {
  std::optional<SharedPrinter> printer = ParseSharedPrinter(name);
  if (!printer) return std::string(name);
  return "\\\\" + printer->server + "\\" + printer->printer;
}

ServerAddress AddressOf(std::string_view server) {
  ServerAddress address;
  if (!SplitHostPort(server, address.host, address.port))
    address.host = std::string(server);
  if (address.host.size() > 1 && address.host.front() == '[')
    address.host = address.host.substr(1, address.host.size() - 2);
  address.portGiven = address.port != 0;
  if (address.port == 0) address.port = kIppPort;
  return address;
}

std::string SharedPrinterUri(const SharedPrinter& printer, bool isClass) {
  return AssembleUri(
      "ipp", printer.server,
      (isClass ? "/classes/" : "/printers/") + PathSegment(printer.printer));
}

std::string SmbShareUri(std::string_view host, std::string_view share) {
  return AssembleUri("smb", host, "/" + PathSegment(share));
}

std::string LocalQueueUri(std::string_view queueName) {
  return AssembleUri("ipp", "localhost", "/printers/" + PathSegment(queueName));
}

std::string LocalQueuePpdResource(std::string_view queueName) {
  return "/printers/" + PathSegment(queueName) + ".ppd";
}

std::string QueueNameFor(const SharedPrinter& printer,
                         const std::vector<std::string>& takenNames) {
  std::string name = QueueNamePart(printer.printer);
  if (!IsTaken(name, takenNames)) return name;
  const std::string withServer = name + "@" + QueueNamePart(printer.server);
  name = withServer;
  for (int n = 2; IsTaken(name, takenNames) && n <= kMaxQueueNameVariants; ++n)
    name = withServer + "-" + DecimalText(n);
  return name;
}

}  // namespace quelmar
