#include "common/engine_proxy.h"

#include <algorithm>
#include <charconv>

namespace zor {

namespace {

std::vector<std::string> Tokens(const std::string& text, const char* separators) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find_first_of(separators, start);
    std::string token = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!token.empty()) out.push_back(std::move(token));
    if (end == std::string::npos) return out;
    start = end + 1;
  }
}

bool IsNumber(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string Lowered(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// "host:port", with an optional "@description" after the port, as a proxy URI.
std::optional<std::string> ProxyUri(const std::string& entry, const std::string& uri_scheme) {
  const std::string host_port = entry.substr(0, entry.find('@'));
  const size_t colon = host_port.rfind(':');
  if (colon == std::string::npos || colon == 0) return std::nullopt;
  const std::string host = host_port.substr(0, colon);
  const std::string port = host_port.substr(colon + 1);
  if (!IsNumber(port) || port.size() > 5 || host.find_first_of(" /?#") != std::string::npos) return std::nullopt;
  int value = 0;
  std::from_chars(port.data(), port.data() + port.size(), value);
  if (value < 1 || value > 65535) return std::nullopt;
  return uri_scheme + "://" + host + ":" + std::to_string(value);
}

// "http=host:port" and its kind: an item of its own, never part of a description.
bool IsSchemeProxy(const std::string& token) {
  const size_t equals = token.find('=');
  if (equals == std::string::npos) return false;
  const std::string scheme = Lowered(token.substr(0, equals));
  if (scheme != "http" && scheme != "https" && scheme != "ftp" && scheme != "socks" && scheme != "gopher") return false;
  return ProxyUri(token.substr(equals + 1), "http").has_value();
}

std::string IgnoreHost(std::string entry) {
  if (const size_t at = entry.rfind('@'); at != std::string::npos) entry.erase(0, at + 1);
  if (entry.size() < 3 || entry.compare(entry.size() - 2, 2, ".*") != 0) return entry;
  const std::vector<std::string> octets = Tokens(entry.substr(0, entry.size() - 2), ".");
  if (octets.empty() || octets.size() > 3) return entry;
  std::string base;
  for (const std::string& octet : octets) {
    if (!IsNumber(octet) || octet.size() > 3 || std::stoi(octet) > 255) return entry;
    base += octet + ".";
  }
  for (size_t i = octets.size(); i < 4; ++i) base += "0.";
  base.pop_back();
  return base + "/" + std::to_string(8 * octets.size());
}

}  // namespace

std::optional<EngineProxy> ToEngineProxy(const ProxyRecord& record, const std::string& machine_name) {
  EngineProxy engine;
  if (record.access_type != ProxyRecord::kProxy) return engine;
  // A description after "@" may hold blanks and "=": what follows it belongs to it up to
  // the next "scheme=host:port" of a scheme the proxy list names.
  std::vector<std::string> items;
  for (std::string& token : Tokens(record.proxy, " ;")) {
    if (!items.empty() && items.back().find('@') != std::string::npos && !IsSchemeProxy(token))
      items.back() += " " + token;
    else
      items.push_back(std::move(token));
  }
  for (const std::string& item : items) {
    // Without "scheme=" the proxy serves every scheme; an "=" after "@" is the description's.
    size_t equals = item.find('=');
    if (equals != std::string::npos && equals > item.find('@')) equals = std::string::npos;
    const std::string scheme = equals == std::string::npos ? "" : Lowered(item.substr(0, equals));
    const std::optional<std::string> uri =
        ProxyUri(equals == std::string::npos ? item : item.substr(equals + 1), scheme == "socks" ? "socks" : "http");
    if (!uri) return std::nullopt;
    if (scheme.empty() || scheme == "socks")
      engine.default_uri = *uri;
    else
      engine.scheme_uris.emplace_back(scheme, *uri);
  }
  if (!engine.default_uri && engine.scheme_uris.empty()) return engine;
  engine.direct = false;
  for (const std::string& entry : Tokens(record.bypass, " ;")) {
    if (entry == "<local>") {
      engine.ignore_hosts.push_back("localhost");
      engine.ignore_hosts.push_back("::1");
      if (!machine_name.empty() && machine_name.find('.') == std::string::npos && machine_name != "localhost")
        engine.ignore_hosts.push_back(machine_name);
    } else if (entry != "<-loopback>") {
      engine.ignore_hosts.push_back(IgnoreHost(entry));
    }
  }
  return engine;
}

}  // namespace zor
