#include "browser/shell/address.h"

#include <cctype>
#include <filesystem>
#include <system_error>

namespace zor::shell {

namespace {

bool HasScheme(const std::string& text) {
  // scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ) ":"
  if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return false;
  for (size_t i = 1; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == ':') return true;
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return false;
}

std::string FileUri(const std::string& path) {
  static const char* hex = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) || std::string_view("/-._~!$&'()*+,;=:@").find(static_cast<char>(c)) != std::string_view::npos) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += hex[c >> 4];
      uri += hex[c & 15];
    }
  }
  return uri;
}

}  // namespace

std::string LoadableAddress(const std::string& text) {
  if (text.empty()) return text;
  if (text[0] == '/') return FileUri(text);
  // "localhost:8080/x" parses as a scheme but is a host with a port.
  const size_t colon = text.find(':');
  const bool port_after_host = colon != std::string::npos && colon + 1 < text.size() &&
                               std::isdigit(static_cast<unsigned char>(text[colon + 1]));
  if (HasScheme(text) && !port_after_host) return text;
  // A host name has a dot or is localhost, and no blanks.
  const std::string host = text.substr(0, text.find_first_of(":/?#"));
  if (host.find(' ') != std::string::npos || host.empty()) return text;
  if (host.find('.') == std::string::npos && host != "localhost") return text;
  return "http://" + text;
}

std::string StartAddress(const std::string& text, const std::string& working_folder) {
  // "docs/a.html" would otherwise read as a host name.
  if (!text.empty() && text[0] != '/' && !working_folder.empty()) {
    std::error_code error;
    const std::filesystem::path local = std::filesystem::path(working_folder) / text;
    if (std::filesystem::is_regular_file(local, error))
      return FileUri(std::filesystem::weakly_canonical(local, error).string());
  }
  return LoadableAddress(text);
}

std::string ShowBlanks(std::string address) {
  std::string shown;
  shown.reserve(address.size());
  for (size_t i = 0; i < address.size(); ++i) {
    if (address.compare(i, 3, "%20") == 0) {
      shown += ' ';
      i += 2;
    } else {
      shown += address[i];
    }
  }
  return shown;
}

}  // namespace zor::shell
