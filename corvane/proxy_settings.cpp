#include "corvane/proxy_settings.h"

#include <algorithm>

#include "corvane/lists.h"

namespace zor::corvane {

namespace {

std::string TrimBlanks(const std::string& s) {
  const size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace

ProxyRecord BuildProxyRecord(const std::string& addresses, const std::string& ip) {
  ProxyRecord record;
  std::string bypass = addresses;
  std::replace(bypass.begin(), bypass.end(), ';', ' ');
  record.bypass = TrimBlanks(bypass + " <local>");
  if (CheckProxy(ip)) {
    std::string proxy = "http=" + ip;
    proxy.erase(proxy.find_last_not_of(' ') + 1);
    record.proxy = proxy;
  }
  record.access_type = record.proxy.empty() ? ProxyRecord::kDirect : ProxyRecord::kProxy;
  return record;
}

std::optional<std::string> AddressesFromBypass(const std::string& bypass) {
  // The record comes back exactly as written, so its first token is an address too.
  if (bypass.empty()) return std::nullopt;
  std::string joined;
  size_t start = 0;
  for (;;) {
    const size_t blank = bypass.find(' ', start);
    const std::string piece = bypass.substr(start, blank == std::string::npos ? std::string::npos : blank - start);
    if (piece != "<local>") joined += piece + ";";
    if (blank == std::string::npos) break;
    start = blank + 1;
  }
  if (joined.empty()) return std::nullopt;
  joined.pop_back();
  return joined;
}

}  // namespace zor::corvane
