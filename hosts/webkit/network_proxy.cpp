#include "hosts/webkit/network_proxy.h"

#include <vector>

#include "hosts/webkit/website_data.h"

namespace zor::webkit {

void SetSessionProxy(WebKitNetworkSession* session, const EngineProxy& proxy) {
  if (proxy.direct) {
    webkit_network_session_set_proxy_settings(session, WEBKIT_NETWORK_PROXY_MODE_NO_PROXY, nullptr);
    return;
  }
  std::vector<const char*> hosts;
  for (const std::string& host : proxy.ignore_hosts) hosts.push_back(host.c_str());
  hosts.push_back(nullptr);
  // Without a default URI every scheme not named below goes direct.
  WebKitNetworkProxySettings* settings =
      webkit_network_proxy_settings_new(proxy.default_uri ? proxy.default_uri->c_str() : nullptr, hosts.data());
  for (const auto& [scheme, uri] : proxy.scheme_uris)
    webkit_network_proxy_settings_add_proxy_for_scheme(settings, scheme.c_str(), uri.c_str());
  webkit_network_session_set_proxy_settings(session, WEBKIT_NETWORK_PROXY_MODE_CUSTOM, settings);
  webkit_network_proxy_settings_free(settings);
}

std::shared_ptr<SessionProxy> SessionProxy::Create(WebKitNetworkSession* session) {
  return std::shared_ptr<SessionProxy>(new SessionProxy(session));
}

SessionProxy::SessionProxy(WebKitNetworkSession* session) : session_(session) {
  if (session_) g_object_add_weak_pointer(G_OBJECT(session_), reinterpret_cast<gpointer*>(&session_));
}

SessionProxy::~SessionProxy() {
  if (session_) g_object_remove_weak_pointer(G_OBJECT(session_), reinterpret_cast<gpointer*>(&session_));
}

bool SessionProxy::Apply(const ProxyRecord& record) {
  const std::optional<EngineProxy> engine = ToEngineProxy(record, g_get_host_name());
  if (!engine) return false;
  if (session_) SetSessionProxy(session_, *engine);
  record_ = record;
  return true;
}

ConnectionServices SessionProxy::Services(std::function<void(const std::string&, const std::string&)> warn) {
  ConnectionServices services;
  std::shared_ptr<SessionProxy> self = shared_from_this();
  services.applyProxy = [self](const ProxyRecord& record) { return self->Apply(record); };
  services.queryProxy = [self]() -> std::optional<ProxyRecord> { return self->InForce(); };
  services.warn = std::move(warn);
  AddWebsiteDataServices(services, session_);
  return services;
}

}  // namespace zor::webkit
