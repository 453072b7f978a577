#include "corvane/proxy_setting.h"

#include <algorithm>
#include <charconv>

#include "corvane/entries.h"

namespace zor::corvane {

namespace {

std::string Trim(const std::string& text, bool left) {
  size_t begin = 0, end = text.size();
  if (left)
    while (begin < end && text[begin] == ' ') ++begin;
  while (end > begin && text[end - 1] == ' ') --end;
  return text.substr(begin, end - begin);
}

std::vector<std::string> Tokens(const std::string& text, const char* separators) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find_first_of(separators, start);
    const std::string token = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!token.empty()) out.push_back(token);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

bool IsNumber(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "host:port", with an optional "@description" after the port, as a proxy URI.
std::optional<std::string> ProxyUri(const std::string& entry, const std::string& scheme) {
  std::string host_port = entry.substr(0, entry.find('@'));
  const size_t colon = host_port.rfind(':');
  if (colon == std::string::npos || colon == 0) return std::nullopt;
  const std::string port = host_port.substr(colon + 1);
  int value = 0;
  if (!IsNumber(port) || port.size() > 5) return std::nullopt;
  std::from_chars(port.data(), port.data() + port.size(), value);
  if (value < 1 || value > 65535) return std::nullopt;
  const std::string host = host_port.substr(0, colon);
  if (host.find_first_of(" /?#") != std::string::npos) return std::nullopt;
  return scheme + "://" + host + ":" + std::to_string(value);
}

// "10.*" and "192.168.1.*" as address ranges; other entries stay as they are.
std::string IgnoreHost(std::string entry) {
  // A host part taken from an address may carry "user:password@".
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

ProxyRecord BuildProxyRecord(const std::string& ip, const std::string& addresses) {
  ProxyRecord record;
  std::string bypass = addresses;
  std::replace(bypass.begin(), bypass.end(), ';', ' ');
  record.bypass = Trim(bypass + " <local>", true);
  // Only the http scheme goes through the proxy.
  record.proxy = Trim(CheckProxy(ip) ? "http=" + ip : std::string(), false);
  record.access_type = record.proxy.empty() ? kAccessDirect : kAccessProxy;
  return record;
}

std::string AddressesFromBypass(const std::string& bypass) {
  std::string joined;
  size_t start = 0;
  for (;;) {
    const size_t blank = bypass.find(' ', start);
    const std::string piece = bypass.substr(start, blank == std::string::npos ? std::string::npos : blank - start);
    if (piece != "<local>") joined += piece + ";";
    if (blank == std::string::npos) break;
    start = blank + 1;
  }
  if (!joined.empty()) joined.pop_back();
  return joined;
}

std::optional<EngineProxy> ToEngineProxy(const ProxyRecord& record, const std::string& host_name) {
  EngineProxy engine;
  if (record.access_type != kAccessProxy) return engine;
  for (const std::string& item : Tokens(record.proxy, " ;")) {
    const size_t equals = item.find('=');
    if (equals == std::string::npos) {
      auto uri = ProxyUri(item, "http");
      if (!uri) return std::nullopt;
      engine.default_uri = *uri;
      continue;
    }
    std::string scheme = item.substr(0, equals);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
    auto uri = ProxyUri(item.substr(equals + 1), scheme == "socks" ? "socks" : "http");
    if (!uri) return std::nullopt;
    if (scheme == "socks")
      engine.default_uri = *uri;
    else
      engine.scheme_uris.emplace_back(scheme, *uri);
  }
  if (!engine.default_uri && engine.scheme_uris.empty()) return engine;  // nothing named: direct
  engine.direct = false;
  for (const std::string& entry : Tokens(record.bypass, " ;")) {
    if (entry == "<local>") {
      engine.ignore_hosts.push_back("localhost");
      engine.ignore_hosts.push_back("::1");
      if (!host_name.empty() && host_name.find('.') == std::string::npos && host_name != "localhost")
        engine.ignore_hosts.push_back(host_name);
    } else if (entry != "<-loopback>") {
      engine.ignore_hosts.push_back(IgnoreHost(entry));
    }
  }
  return engine;
}

ProxyInForce::ProxyInForce(Applier apply, std::string host_name)
    : apply_(std::move(apply)), host_name_(std::move(host_name)) {}

bool ProxyInForce::Set(const ProxyRecord& record) {
  const std::optional<EngineProxy> engine = ToEngineProxy(record, host_name_);
  if (!engine || (apply_ && !apply_(*engine))) return false;
  record_ = record;
  return true;
}

}  // namespace zor::corvane
