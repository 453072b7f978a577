// The proxy setting of the browser's web traffic on the engine: Corvane's records put into
// force on the pages' network session, the last one kept so it reads back as written.
#pragma once

#include <webkit/webkit.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/connection.h"
#include "common/engine_proxy.h"

namespace zor::webkit {

class SessionProxy : public std::enable_shared_from_this<SessionProxy> {
 public:
  // Holds the session weakly: after the session is gone, records are only kept.
  static std::shared_ptr<SessionProxy> Create(WebKitNetworkSession* session);
  ~SessionProxy();
  SessionProxy(const SessionProxy&) = delete;
  SessionProxy& operator=(const SessionProxy&) = delete;

  // False when the record names no usable proxy; the setting in force then stays.
  bool Apply(const ProxyRecord& record);
  const ProxyRecord& InForce() const { return record_; }

  // The services lent to Corvane with each Connection; they keep this object alive.
  ConnectionServices Services(std::function<void(const std::string& text, const std::string& title)> warn);

 private:
  explicit SessionProxy(WebKitNetworkSession* session);
  WebKitNetworkSession* session_ = nullptr;
  ProxyRecord record_;
};

// Puts one engine configuration into force on `session`.
void SetSessionProxy(WebKitNetworkSession* session, const EngineProxy& proxy);

}  // namespace zor::webkit
