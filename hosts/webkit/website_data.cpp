#include "hosts/webkit/website_data.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace zor::webkit {

namespace {

// The session, forgotten when the engine frees it.
struct SessionRef {
  explicit SessionRef(WebKitNetworkSession* s) : session(s) {
    if (session) g_object_add_weak_pointer(G_OBJECT(session), reinterpret_cast<gpointer*>(&session));
  }
  ~SessionRef() {
    if (session) g_object_remove_weak_pointer(G_OBJECT(session), reinterpret_cast<gpointer*>(&session));
  }
  SessionRef(const SessionRef&) = delete;
  SessionRef& operator=(const SessionRef&) = delete;
  WebKitWebsiteDataManager* manager() const {
    return session ? webkit_network_session_get_website_data_manager(session) : nullptr;
  }
  WebKitNetworkSession* session;
};

// The engine answers these calls later; the cleaner's question is answered now, so the
// main loop runs until the answer is in.
template <typename Result>
struct Waiter {
  bool done = false;
  Result result{};
};

void Wait(const bool& done) {
  GMainContext* context = g_main_context_default();
  while (!done) g_main_context_iteration(context, TRUE);
}

// The website data of the types, owned by the caller (free with webkit_website_data_unref).
GList* Fetch(WebKitWebsiteDataManager* manager, WebKitWebsiteDataTypes types) {
  Waiter<GList*> waiter;
  g_object_ref(manager);
  webkit_website_data_manager_fetch(
      manager, types, nullptr,
      +[](GObject* source, GAsyncResult* result, gpointer data) {
        auto* w = static_cast<Waiter<GList*>*>(data);
        w->result = webkit_website_data_manager_fetch_finish(WEBKIT_WEBSITE_DATA_MANAGER(source), result, nullptr);
        w->done = true;
      },
      &waiter);
  Wait(waiter.done);
  g_object_unref(manager);
  return waiter.result;
}

void FreeList(GList* list) { g_list_free_full(list, reinterpret_cast<GDestroyNotify>(webkit_website_data_unref)); }

bool Remove(WebKitWebsiteDataManager* manager, WebKitWebsiteDataTypes types, GList* data) {
  Waiter<bool> waiter;
  g_object_ref(manager);
  webkit_website_data_manager_remove(
      manager, types, data, nullptr,
      +[](GObject* source, GAsyncResult* result, gpointer user) {
        auto* w = static_cast<Waiter<bool>*>(user);
        w->result = webkit_website_data_manager_remove_finish(WEBKIT_WEBSITE_DATA_MANAGER(source), result, nullptr);
        w->done = true;
      },
      &waiter);
  Wait(waiter.done);
  g_object_unref(manager);
  return waiter.result;
}

bool Clear(WebKitWebsiteDataManager* manager, WebKitWebsiteDataTypes types) {
  Waiter<bool> waiter;
  g_object_ref(manager);
  webkit_website_data_manager_clear(
      manager, types, 0, nullptr,
      +[](GObject* source, GAsyncResult* result, gpointer user) {
        auto* w = static_cast<Waiter<bool>*>(user);
        w->result = webkit_website_data_manager_clear_finish(WEBKIT_WEBSITE_DATA_MANAGER(source), result, nullptr);
        w->done = true;
      },
      &waiter);
  Wait(waiter.done);
  g_object_unref(manager);
  return waiter.result;
}

}  // namespace

WebKitWebsiteDataTypes EngineDataTypes(uint32_t kinds) {
  int types = 0;
  if (kinds & WebsiteData::kCookies) types |= WEBKIT_WEBSITE_DATA_COOKIES;
  if (kinds & WebsiteData::kDiskCache) types |= WEBKIT_WEBSITE_DATA_DISK_CACHE;
  if (kinds & WebsiteData::kMemoryCache) types |= WEBKIT_WEBSITE_DATA_MEMORY_CACHE;
  return static_cast<WebKitWebsiteDataTypes>(types);
}

void AddWebsiteDataServices(ConnectionServices& services, WebKitNetworkSession* session,
                            std::function<std::string()> clear_url_history) {
  auto ref = std::make_shared<SessionRef>(session);
  services.fetchWebsiteData = [ref](uint32_t kinds) {
    std::vector<std::string> names;
    WebKitWebsiteDataManager* manager = ref->manager();
    const WebKitWebsiteDataTypes types = EngineDataTypes(kinds);
    if (!manager || types == 0) return names;
    GList* list = Fetch(manager, types);
    for (GList* item = list; item; item = item->next) {
      const char* name = webkit_website_data_get_name(static_cast<WebKitWebsiteData*>(item->data));
      if (name) names.emplace_back(name);
    }
    FreeList(list);
    return names;
  };
  services.removeWebsiteData = [ref](uint32_t kinds, const std::vector<std::string>& sites) {
    WebKitWebsiteDataManager* manager = ref->manager();
    const WebKitWebsiteDataTypes types = EngineDataTypes(kinds);
    if (!manager || types == 0) return false;
    // The engine removes by its own records, so the named sites are looked up again.
    GList* list = Fetch(manager, types);
    GList* chosen = nullptr;
    for (GList* item = list; item; item = item->next) {
      auto* data = static_cast<WebKitWebsiteData*>(item->data);
      const char* name = webkit_website_data_get_name(data);
      if (name && std::find(sites.begin(), sites.end(), name) != sites.end()) chosen = g_list_prepend(chosen, data);
    }
    const bool removed = !chosen || Remove(manager, types, chosen);
    g_list_free(chosen);
    FreeList(list);
    return removed;
  };
  services.cookieFolder = [ref]() -> std::string {
    WebKitWebsiteDataManager* manager = ref->manager();
    if (!manager || webkit_website_data_manager_is_ephemeral(manager)) return {};
    const char* base = webkit_website_data_manager_get_base_data_directory(manager);
    // A folder of its own: the engine's cookie database is the manager's to clear, and
    // the rest of the profile is not the cleaner's.
    return base && base[0] == '/' ? std::string(base) + "/Cookies" : std::string();
  };
  services.clearHistory = [ref, clear_url_history]() -> std::string {
    if (clear_url_history) {
      if (std::string error = clear_url_history(); !error.empty()) return error;
    }
    WebKitWebsiteDataManager* manager = ref->manager();
    if (!manager) return {};
    // What the engine keeps of where the user has been: the per-site visit statistics of
    // tracking prevention and the icons of visited pages.
    if (!Clear(manager, WEBKIT_WEBSITE_DATA_ITP)) return "The browser's record of visited sites could not be cleared.";
    if (webkit_website_data_manager_get_favicons_enabled(manager)) {
      if (WebKitFaviconDatabase* icons = webkit_website_data_manager_get_favicon_database(manager))
        webkit_favicon_database_clear(icons);
    }
    return {};
  };
}

}  // namespace zor::webkit
