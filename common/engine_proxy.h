// The proxy record Corvane applies, in the engine's terms: a proxy per URI scheme and the
// hosts that go direct. The record's text is the platform's proxy-list and bypass-list
// syntax; the engine knows schemes, proxy URIs and host patterns.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/connection.h"

namespace zor {

struct EngineProxy {
  bool direct = true;
  std::optional<std::string> default_uri;                        // every scheme not named
  std::vector<std::pair<std::string, std::string>> scheme_uris;  // scheme, proxy URI
  std::vector<std::string> ignore_hosts;
  bool operator==(const EngineProxy&) const = default;
};

// nullopt when a proxy of the list has no usable host and port: the record is refused.
// "<local>" means host names without a dot, so it becomes "localhost", "::1" and the
// machine's own name when that has no dot, never the whole loopback range; "10.*" and
// "192.168.1.*" become address ranges; "user@" before a host is dropped.
std::optional<EngineProxy> ToEngineProxy(const ProxyRecord& record, const std::string& machine_name);

}  // namespace zor
