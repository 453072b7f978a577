// The process proxy setting: the record of access type, proxy list and bypass list that
// the panel applies and reads back, and how it becomes the engine's proxy configuration.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zor::corvane {

inline constexpr uint32_t kAccessDirect = 1;
inline constexpr uint32_t kAccessProxy = 3;

struct ProxyRecord {
  uint32_t access_type = kAccessDirect;
  std::string proxy;   // "http=" + entry, or empty
  std::string bypass;  // addresses separated by blanks, ending with "<local>"
  bool operator==(const ProxyRecord&) const = default;
};

// The record for a proxy entry (empty: direct) and the no-proxy addresses as the panel
// shows them (separated by ";").
ProxyRecord BuildProxyRecord(const std::string& ip, const std::string& addresses);

// The addresses of a bypass text as the panel shows them: every blank-separated piece
// except "<local>", joined by ";". Empty when there is none.
std::string AddressesFromBypass(const std::string& bypass);

// What the engine is told: a proxy per scheme (and one for every other scheme, when the
// list names one without a scheme) and the hosts that go direct.
struct EngineProxy {
  bool direct = true;
  std::optional<std::string> default_uri;
  std::vector<std::pair<std::string, std::string>> scheme_uris;  // scheme, proxy URI
  std::vector<std::string> ignore_hosts;
  bool operator==(const EngineProxy&) const = default;
};

// The engine's form of a record; nullopt when a proxy in the list has no usable host and
// port, which the platform refuses. `host_name` is this machine's name: "<local>" means
// names without a dot, so it covers "localhost" and a dotless machine name, never the
// whole loopback range.
std::optional<EngineProxy> ToEngineProxy(const ProxyRecord& record, const std::string& host_name);

// The setting in force for the process, kept so it reads back exactly as applied.
class ProxyInForce {
 public:
  // Puts an engine configuration into force; false when the engine cannot take it.
  using Applier = std::function<bool(const EngineProxy&)>;
  ProxyInForce(Applier apply, std::string host_name);

  // False when the record cannot be applied; the setting in force then stays as it was.
  bool Set(const ProxyRecord& record);
  const ProxyRecord& Query() const { return record_; }

 private:
  Applier apply_;
  std::string host_name_;
  ProxyRecord record_;
};

}  // namespace zor::corvane
