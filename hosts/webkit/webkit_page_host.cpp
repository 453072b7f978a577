#include "hosts/webkit/webkit_page_host.h"

#include <glib.h>

#include <cmath>
#include <string>
#include <utility>

#include "hosts/gtk/toolbar_widgets.h"
#include "hosts/webkit/memory_trim.h"
#include "hosts/webkit/page_script.h"

namespace zor::webkit {

namespace {

std::string UserDir(const char* base, const char* fallback_rel) {
  const char* home = g_get_home_dir();
  std::string root = base && *base ? base : std::string(home ? home : "/tmp") + "/" + fallback_rel;
  return root + "/zor-browser";
}

WebKitPage* PageOf(gpointer data) { return static_cast<WebKitPage*>(data); }

// Text sizes 0..4 (smallest .. biggest); only the text scales, as the text-size tools promise.
constexpr double kTextZoom[] = {0.7, 0.85, 1.0, 1.2, 1.5};

// Every network scheme the engine loads; file:, data:, about: and blob: stay local.
// (The rule language has no alternation, hence one rule per scheme family.)
constexpr char kOfflineRule[] =
    R"([{"trigger":{"url-filter":"^https?://"},"action":{"type":"block"}},)"
    R"({"trigger":{"url-filter":"^wss?://"},"action":{"type":"block"}},)"
    R"({"trigger":{"url-filter":"^ftp://"},"action":{"type":"block"}}])";
// The compiled lists are kept in the store by id and loaded at later starts: a changed
// rule takes a new id.
constexpr char kOfflineRuleId[] = "zor-offline-1";
// While images are blocked none is downloaded; the content blocker removes the elements.
constexpr char kImageRule[] = R"([{"trigger":{"url-filter":".*","resource-type":["image"]},"action":{"type":"block"}}])";
constexpr char kImageRuleId[] = "zor-images-1";

bool IsNetworkAddress(const char* uri) {
  if (!uri) return false;
  const std::string scheme = g_uri_peek_scheme(uri) ? g_uri_peek_scheme(uri) : "";
  return scheme == "http" || scheme == "https" || scheme == "ws" || scheme == "wss" || scheme == "ftp";
}

std::string PropertyString(JSCValue* object, const char* name) {
  JSCValue* value = jsc_value_object_get_property(object, name);
  std::string out;
  if (value && jsc_value_is_string(value)) {
    char* text = jsc_value_to_string(value);
    out = text ? text : "";
    g_free(text);
  }
  if (value) g_object_unref(value);
  return out;
}

double PropertyNumber(JSCValue* object, const char* name, double fallback) {
  JSCValue* value = jsc_value_object_get_property(object, name);
  double out = value && jsc_value_is_number(value) ? jsc_value_to_double(value) : fallback;
  if (value) g_object_unref(value);
  return out;
}

bool PropertyBool(JSCValue* object, const char* name) {
  JSCValue* value = jsc_value_object_get_property(object, name);
  bool out = value && jsc_value_is_boolean(value) && jsc_value_to_boolean(value);
  if (value) g_object_unref(value);
  return out;
}

hosts::ElementInfo Element(JSCValue* value) {
  hosts::ElementInfo info;
  if (!value || !jsc_value_is_object(value)) return info;
  info.tag = PropertyString(value, "tag");
  info.text = PropertyString(value, "text");
  info.outer_head = PropertyString(value, "head");
  return info;
}

hosts::ElementInfo ElementProperty(JSCValue* object, const char* name) {
  JSCValue* value = jsc_value_object_get_property(object, name);
  hosts::ElementInfo info = Element(value);
  if (value) g_object_unref(value);
  return info;
}

// [tagName, href] pairs as the page script lists them.
std::vector<hosts::PageLink> LinkList(JSCValue* array) {
  std::vector<hosts::PageLink> out;
  if (!array || !jsc_value_is_array(array)) return out;
  const int length = static_cast<int>(PropertyNumber(array, "length", 0));
  for (int i = 0; i < length; ++i) {
    JSCValue* pair = jsc_value_object_get_property_at_index(array, i);
    hosts::PageLink link;
    for (std::string* field : {&link.tag, &link.href}) {
      JSCValue* part = pair ? jsc_value_object_get_property_at_index(pair, field == &link.tag ? 0 : 1) : nullptr;
      if (part && jsc_value_is_string(part)) {
        char* text = jsc_value_to_string(part);
        *field = text ? text : "";
        g_free(text);
      }
      if (part) g_object_unref(part);
    }
    if (pair) g_object_unref(pair);
    out.push_back(std::move(link));
  }
  return out;
}

Gtk::Window* WindowOf(WebKitWebView* view) {
  GtkRoot* root = gtk_widget_get_root(GTK_WIDGET(view));
  return root && GTK_IS_WINDOW(root) ? Glib::wrap(GTK_WINDOW(root)) : nullptr;
}

// The page setup and print settings chosen last, shared by all pages as one printer is.
GtkPageSetup* g_page_setup = nullptr;
GtkPrintSettings* g_print_settings = nullptr;

}  // namespace

// ---- the page array ------------------------------------------------------------

WebKitPageHost::WebKitPageHost(Gtk::Stack& page_area) : page_area_(page_area) {
  const std::string data = UserDir(g_getenv("XDG_DATA_HOME"), ".local/share");
  const std::string cache = UserDir(g_getenv("XDG_CACHE_HOME"), ".cache");
  session_ = webkit_network_session_new(data.c_str(), cache.c_str());
  settings_ = webkit_settings_new();
  // Our popup rules decide which script-opened windows appear, so every request must reach them.
  webkit_settings_set_javascript_can_open_windows_automatically(settings_, TRUE);
  webkit_settings_set_enable_developer_extras(settings_, TRUE);
  const std::string page_script = std::string(kLinkListFunction) + kPageScript;
  script_ = webkit_user_script_new_for_world(page_script.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kPageWorld, nullptr, nullptr);

  // Compiled once per profile and kept; ready long before a user can switch offline.
  const std::string filters = cache + "/content-rules";
  filter_store_ = webkit_user_content_filter_store_new(filters.c_str());
  Compile(kOfflineRuleId, kOfflineRule, sizeof kOfflineRule - 1);
  Compile(kImageRuleId, kImageRule, sizeof kImageRule - 1);
  g_object_set_data(G_OBJECT(filter_store_), "zor-host", this);
  // Element 0 is made when a window is first refused: nothing needs it before then.
}

void WebKitPageHost::Compile(const char* id, const char* rule_text, size_t size) {
  struct Pending {
    std::weak_ptr<bool> alive;
    WebKitPageHost* host;
    bool images;
    std::string id;
    GBytes* rule;
    ~Pending() { g_bytes_unref(rule); }
    void Take(WebKitUserContentFilter* filter) {
      if (alive.expired()) {
        webkit_user_content_filter_unref(filter);
        return;
      }
      (images ? host->image_filter_ : host->offline_filter_) = filter;
      for (auto& [index, page] : host->pages_) host->ApplyFilters(page->content_);
    }
  };
  auto* pending = new Pending{alive_, this, std::string(id) == kImageRuleId, id, g_bytes_new_static(rule_text, size)};
  // Compiling costs the engine a while at every start; a list compiled by an earlier run is
  // only read back.
  webkit_user_content_filter_store_load(
      filter_store_, id, nullptr,
      +[](GObject* store, GAsyncResult* result, gpointer data) {
        std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
        if (WebKitUserContentFilter* filter = webkit_user_content_filter_store_load_finish(
                WEBKIT_USER_CONTENT_FILTER_STORE(store), result, nullptr)) {
          pending->Take(filter);
          return;
        }
        if (pending->alive.expired()) return;
        Pending* const held = pending.release();  // the save's callback owns it now
        webkit_user_content_filter_store_save(
            WEBKIT_USER_CONTENT_FILTER_STORE(store), held->id.c_str(), held->rule, nullptr,
            +[](GObject* store, GAsyncResult* result, gpointer data) {
              std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
              if (WebKitUserContentFilter* filter = webkit_user_content_filter_store_save_finish(
                      WEBKIT_USER_CONTENT_FILTER_STORE(store), result, nullptr))
                pending->Take(filter);
            },
            held);
      },
      pending);
}

WebKitPageHost::~WebKitPageHost() {
  alive_.reset();
  while (!pages_.empty()) Destroy(pages_.begin()->first);
  retired_sinks_.clear();
  if (offline_filter_) webkit_user_content_filter_unref(offline_filter_);
  if (image_filter_) webkit_user_content_filter_unref(image_filter_);
  g_object_set_data(G_OBJECT(filter_store_), "zor-host", nullptr);
  g_clear_object(&filter_store_);
  webkit_user_script_unref(script_);
  g_clear_object(&settings_);
  g_clear_object(&session_);
}

WebKitWebView* WebKitPageHost::NewView(WebKitWebView* related) {
  WebKitUserContentManager* content = webkit_user_content_manager_new();
  webkit_user_content_manager_add_script(content, script_);
  ApplyFilters(content);
  GObject* object = related ? static_cast<GObject*>(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", related,
                                                                  "settings", settings_, "user-content-manager",
                                                                  content, nullptr))
                            : static_cast<GObject*>(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", session_,
                                                                  "settings", settings_, "user-content-manager",
                                                                  content, nullptr));
  g_object_unref(content);
  return WEBKIT_WEB_VIEW(object);
}

void WebKitPageHost::ApplyFilters(WebKitUserContentManager* content) const {
  if (offline_filter_) {
    if (offline_)
      webkit_user_content_manager_add_filter(content, offline_filter_);
    else
      webkit_user_content_manager_remove_filter_by_id(content, kOfflineRuleId);
  }
  if (image_filter_) {
    if (images_blocked_)
      webkit_user_content_manager_add_filter(content, image_filter_);
    else
      webkit_user_content_manager_remove_filter_by_id(content, kImageRuleId);
  }
}

void WebKitPageHost::SetOffline(bool offline) {
  if (offline == offline_) return;
  offline_ = offline;
  for (auto& [index, page] : pages_) ApplyFilters(page->content_);
}

void WebKitPageHost::SetImageLoadsBlocked(bool on) {
  if (on == images_blocked_) return;
  images_blocked_ = on;
  for (auto& [index, page] : pages_) ApplyFilters(page->content_);
}

WebKitPage* WebKitPageHost::Insert(int index, WebKitWebView* view) {
  GtkWidget* widget = GTK_WIDGET(view);
  gtk_widget_set_hexpand(widget, TRUE);
  gtk_widget_set_vexpand(widget, TRUE);
  // Element 0 never shows; other pages appear when the logic makes them visible.
  gtk_widget_set_visible(widget, FALSE);
  gtk_stack_add_child(page_area_.gobj(), widget);
  auto page = std::make_unique<WebKitPage>(*this, index, view);
  WebKitPage* raw = page.get();
  pages_[index] = std::move(page);
  raw->Connect();
  return raw;
}

hosts::PageControl* WebKitPageHost::Create(int index) {
  if (index < 0) return nullptr;
  if (auto it = pages_.find(index); it != pages_.end()) return it->second.get();
  WebKitWebView* peer = pending_related_ ? pending_related_ : ProcessPeer();
  WebKitWebView* view = NewView(peer);
  if (pending_related_) created_related_ = view;
  pending_related_ = nullptr;
  WebKitPage* page = Insert(index, view);
  page->own_process_ = !peer;
  return page;
}

WebKitWebView* WebKitPageHost::ProcessPeer() {
  // Each page that loaded in a view of its own stands for a web process.
  std::vector<WebKitWebView*> loaded;
  size_t processes = 0;
  for (const auto& [index, page] : pages_) {
    if (index <= 0 || !webkit_web_view_get_uri(page->view())) continue;
    loaded.push_back(page->view());
    processes += page->own_process_;
  }
  if (processes < kOwnProcesses) return nullptr;
  // Only a page that has loaded: relating to one that has not would start its process now.
  return loaded[next_peer_++ % loaded.size()];
}

WebKitPage* WebKitPageHost::RenewSink(WebKitWebView* opener) {
  std::string tag;
  bool silent = false, drop_target = false;
  if (WebKitPage* old = WebPage(0)) {
    tag = old->tag_;
    silent = old->silent_;
    drop_target = old->register_as_drop_target_;
  }
  // A sink whose window has not tried its first navigation yet stays until it has, so
  // two windows refused at once are both caught.
  if (auto it = pages_.find(0); it != pages_.end()) {
    if (it->second->sink_waiting_) {
      gtk_stack_remove(page_area_.gobj(), GTK_WIDGET(it->second->view()));
      retired_sinks_.push_back(std::move(it->second));
      pages_.erase(it);
      if (retired_sinks_.size() > kRetiredSinks) retired_sinks_.erase(retired_sinks_.begin());
    } else {
      Destroy(0);
    }
  }
  WebKitPage* sink = Insert(0, NewView(opener));
  sink->sink_waiting_ = true;
  sink->tag_ = tag;
  sink->silent_ = silent;
  sink->register_as_drop_target_ = drop_target;
  return sink;
}

void WebKitPageHost::Destroy(int index) {
  auto it = pages_.find(index);
  if (it == pages_.end()) return;
  std::unique_ptr<WebKitPage> page = std::move(it->second);
  pages_.erase(it);
  // Signals may still be queued for this view; disconnect before it goes.
  g_signal_handlers_disconnect_by_data(page->view(), page.get());
  webkit_web_view_stop_loading(page->view());
  gtk_stack_remove(page_area_.gobj(), GTK_WIDGET(page->view()));
  TrimFreedMemorySoon();
}

hosts::PageControl* WebKitPageHost::Page(int index) const { return WebPage(index); }

void WebKitPageHost::ReleaseRetiredSink(WebKitPage* page) {
  for (auto it = retired_sinks_.begin(); it != retired_sinks_.end(); ++it) {
    if (it->get() != page) continue;
    // Freed once the engine is done with this decision.
    std::shared_ptr<WebKitPage> done(std::move(*it));
    retired_sinks_.erase(it);
    Glib::signal_idle().connect_once([done] {});
    return;
  }
}

int WebKitPageHost::IndexOf(WebKitWebView* view) const {
  if (!view) return -1;
  for (const auto& [index, page] : pages_)
    if (page->view() == view) return index;
  return -1;
}

bool WebKitPageHost::TakeDownloadGesture(WebKitWebView* view, const std::string& uri) {
  WebKitPage* page = WebPage(IndexOf(view));
  if (!page) return false;
  // A slow server may take a while to answer a click; a gesture older than that belongs
  // to something else (a download that never passed a navigation decision).
  constexpr gint64 kGestureLifetime = 10 * G_USEC_PER_SEC;
  const bool recent = g_get_monotonic_time() - page->navigation_decided_ < kGestureLifetime;
  const bool gesture = (page->navigation_gesture_ && recent) || (!uri.empty() && uri == page->context_link_);
  page->navigation_gesture_ = false;
  page->context_link_.clear();
  return gesture;
}

WebKitPage* WebKitPageHost::WebPage(int index) const {
  auto it = pages_.find(index);
  return it == pages_.end() ? nullptr : it->second.get();
}

// ---- one page --------------------------------------------------------------------

WebKitPage::WebKitPage(WebKitPageHost& host, int index, WebKitWebView* view)
    : host_(host), index_(index), view_(view), content_(webkit_web_view_get_user_content_manager(view)) {
  g_object_ref_sink(view_);
  g_object_ref(content_);
}

WebKitPage::~WebKitPage() {
  if (links_) links_->give_up.disconnect();
  Release();
  if (zoom_sheet_) webkit_user_style_sheet_unref(zoom_sheet_);
}

void WebKitPage::Release() {
  g_signal_handlers_disconnect_by_data(view_, this);
  g_signal_handlers_disconnect_by_data(focus_, this);
  g_signal_handlers_disconnect_by_data(wheel_, this);
  g_signal_handlers_disconnect_by_data(content_, this);
  g_signal_handlers_disconnect_by_data(webkit_web_view_get_back_forward_list(view_), this);
  webkit_user_content_manager_unregister_script_message_handler(content_, kPageChannel, kPageWorld);
  g_object_unref(content_);
  g_object_unref(view_);
}

void WebKitPage::Connect() {
  g_signal_connect(content_, "script-message-received::zor",
                   G_CALLBACK(+[](WebKitUserContentManager*, JSCValue* message, gpointer data) {
                     PageOf(data)->OnScriptMessage(message);
                   }),
                   this);
  webkit_user_content_manager_register_script_message_handler(content_, kPageChannel, kPageWorld);

  g_signal_connect(view_, "notify::title", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer data) {
                     WebKitPage* page = PageOf(data);
                     if (auto& handler = page->host_.events.titleChange) handler(page->index_, page->DocumentTitle());
                   }),
                   this);
  g_signal_connect(view_, "notify::uri", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer data) {
                     WebKitPage* page = PageOf(data);
                     const char* uri = webkit_web_view_get_uri(page->view_);
                     if (uri && *uri) page->location_ = uri;
                   }),
                   this);
  g_signal_connect(view_, "notify::estimated-load-progress", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer data) {
                     WebKitPage* page = PageOf(data);
                     const double p = webkit_web_view_get_estimated_load_progress(page->view_);
                     // Done is reported once, as -1, when the load finishes.
                     if (p >= 1.0) return;
                     if (auto& handler = page->host_.events.progressChange)
                       handler(page->index_, std::lround(p * 10000.0), 10000);
                   }),
                   this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer data) {
                     WebKitPage* page = PageOf(data);
                     switch (event) {
                       case WEBKIT_LOAD_STARTED:
                         page->ready_state_ = 1;  // loading
                         page->mixed_content_ = false;
                         break;
                       case WEBKIT_LOAD_REDIRECTED:
                         break;
                       case WEBKIT_LOAD_COMMITTED: {
                         page->ready_state_ = 2;  // loaded: the new document exists; 3 comes from its script
                         page->snapshot_ = {};
                         const char* committed = webkit_web_view_get_uri(page->view_);
                         page->error_shown_ = page->error_pending_ && committed && page->error_url_ == committed;
                         page->error_pending_ = false;
                         page->ReportSecurity();
                         if (auto& handler = page->host_.events.navigateComplete2) {
                           const char* uri = webkit_web_view_get_uri(page->view_);
                           handler(page->index_, uri ? uri : "");
                         }
                         break;
                       }
                       case WEBKIT_LOAD_FINISHED:
                         page->ready_state_ = 4;  // complete
                         if (auto& handler = page->host_.events.progressChange) handler(page->index_, -1, 0);
                         // Done: a status report once everything (pictures, frames) is in.
                         if (page->host_.WebPage(page->index_) == page)
                           if (auto& handler = page->host_.events.statusTextChange) handler(page->index_, "");
                         TrimFreedMemorySoon();
                         break;
                     }
                   }),
                   this);
  g_signal_connect(
      view_, "load-failed",
      G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, char* uri, GError* error, gpointer data) -> gboolean {
        WebKitPage* page = PageOf(data);
        // A failed or stopped load leaves whatever document there is as complete.
        page->ready_state_ = 4;
        const bool tls = page->tls_failed_;
        page->tls_failed_ = false;
        const std::string failed = uri ? uri : "";
        hosts::LoadError kind;
        auto& handler = page->host_.events.navigateError;
        // Unanswered, the engine's own one-line page stays.
        if (!handler || !page->FailureShown(failed, error, tls, kind)) return FALSE;
        handler(page->index_, failed, kind, error && error->message ? error->message : "");
        return TRUE;
      }),
      this);
  g_signal_connect(
      view_, "load-failed-with-tls-errors",
      G_CALLBACK(+[](WebKitWebView*, char*, GTlsCertificate*, GTlsCertificateFlags, gpointer data) -> gboolean {
        WebKitPage* page = PageOf(data);
        // Silent: no error page either; the load just ends.
        if (page->silent_) return TRUE;
        page->tls_failed_ = true;
        return FALSE;
      }),
      this);
  g_signal_connect(view_, "mouse-target-changed",
                   G_CALLBACK(+[](WebKitWebView*, WebKitHitTestResult* hit, guint, gpointer data) {
                     WebKitPage* page = PageOf(data);
                     std::string text;
                     if (webkit_hit_test_result_context_is_link(hit))
                       if (const char* uri = webkit_hit_test_result_get_link_uri(hit)) text = uri;
                     if (auto& handler = page->host_.events.statusTextChange) handler(page->index_, text);
                   }),
                   this);
  g_signal_connect(view_, "decide-policy",
                   G_CALLBACK(+[](WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                  gpointer data) -> gboolean {
                     WebKitPage* page = PageOf(data);
                     if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
                       // A document the engine cannot show becomes a download (left alone it
                       // would be dropped without a word); attachments download by default.
                       // Either way the download waits for the user's choice.
                       auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
                       if (webkit_response_policy_decision_is_main_frame_main_resource(response) &&
                           !webkit_response_policy_decision_is_mime_type_supported(response)) {
                         webkit_policy_decision_download(decision);
                         return TRUE;
                       }
                       return FALSE;
                     }
                     auto* action = webkit_navigation_policy_decision_get_navigation_action(
                         WEBKIT_NAVIGATION_POLICY_DECISION(decision));
                     WebKitURIRequest* request = webkit_navigation_action_get_request(action);
                     const char* uri = webkit_uri_request_get_uri(request);
                     // A link the user's own click sends to a new tab (Ctrl or middle: behind,
                     // Shift: shown) is not loaded here.
                     if (uri && webkit_navigation_action_is_user_gesture(action) &&
                         webkit_navigation_action_get_navigation_type(action) == WEBKIT_NAVIGATION_TYPE_LINK_CLICKED) {
                       const guint button = webkit_navigation_action_get_mouse_button(action);
                       const guint mods = webkit_navigation_action_get_modifiers(action);
                       const bool ctrl = mods & GDK_CONTROL_MASK;
                       const bool shift = mods & GDK_SHIFT_MASK;
                       auto& handler = page->host_.events.linkToNewTab;
                       if (handler && (button == 2 || (button == 1 && (ctrl || shift)))) {
                         const std::string link = uri;
                         webkit_policy_decision_ignore(decision);
                         handler(page->index_, link, shift && !ctrl);  // `page` may be gone after this
                         return TRUE;
                       }
                     }
                     // A new-window request is answered by the create signal, not here.
                     if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) return FALSE;
                     page->navigation_gesture_ = webkit_navigation_action_is_user_gesture(action);
                     page->navigation_decided_ = g_get_monotonic_time();
                     bool cancel = false;
                     WebKitPageHost& host = page->host_;
                     const std::string target = uri ? uri : "";
                     // Our own error page standing in for its address is no navigation of the page's.
                     if (page->error_pending_ && target == page->error_url_) return FALSE;
                     if (page->index_ == 0) page->sink_waiting_ = false;
                     host.ReleaseRetiredSink(page);
                     // The handler may close the page (the black-list guard does): nothing
                     // of `page` is touched after it, the decision is kept alive instead.
                     g_object_ref(decision);
                     if (auto& handler = host.events.beforeNavigate2) handler(page->index_, target, cancel);
                     // Offline, the blocking rule stops the load as it starts, and the failure
                     // brings the error page; refused here instead, the load would never end.
                     // Only before the rule is ready is the navigation refused here.
                     if (!cancel && host.offline_ && !host.offline_rule_ready() && IsNetworkAddress(target.c_str()))
                       cancel = true;
                     if (cancel) webkit_policy_decision_ignore(decision);
                     g_object_unref(decision);
                     return cancel ? TRUE : FALSE;
                   }),
                   this);
  g_signal_connect(view_, "create",
                   G_CALLBACK(+[](WebKitWebView* view, WebKitNavigationAction*, gpointer data) -> GtkWidget* {
                     WebKitPage* page = PageOf(data);
                     WebKitPageHost& host = page->host_;
                     auto& handler = host.events.newWindow2;
                     if (!handler) return nullptr;
                     const int opener = page->index_;
                     int target = -1;
                     bool cancel = false;
                     // Any element the handler creates now shares the opener's process and session.
                     host.pending_related_ = view;
                     host.created_related_ = nullptr;
                     handler(opener, target, cancel);  // `page` may be gone after this
                     host.pending_related_ = nullptr;
                     WebKitWebView* created = host.created_related_;
                     host.created_related_ = nullptr;
                     if (cancel || target < 0) return nullptr;
                     if (target == 0) return GTK_WIDGET(host.RenewSink(view)->view_);
                     WebKitPage* chosen = host.WebPage(target);
                     // The engine takes only a view created as related to the opener.
                     if (!chosen || chosen->view_ != created) return nullptr;
                     return GTK_WIDGET(chosen->view_);
                   }),
                   this);
  g_signal_connect(view_, "close", G_CALLBACK(+[](WebKitWebView*, gpointer data) {
                     WebKitPage* page = PageOf(data);
                     bool cancel = false;
                     // Closing is the handler's to do; a cancelled close leaves the page as it is.
                     if (auto& handler = page->host_.events.windowClosing) handler(page->index_, cancel);
                   }),
                   this);
  g_signal_connect(view_, "enter-fullscreen", G_CALLBACK(+[](WebKitWebView*, gpointer data) -> gboolean {
                     WebKitPage* page = PageOf(data);
                     if (auto& handler = page->host_.events.onFullScreen) handler(page->index_, true);
                     return FALSE;
                   }),
                   this);
  g_signal_connect(view_, "leave-fullscreen", G_CALLBACK(+[](WebKitWebView*, gpointer data) -> gboolean {
                     // The engine restores the window after this signal; the report comes
                     // after that, so the window ends as the program wants it.
                     WebKitPage* page = PageOf(data);
                     Glib::signal_idle().connect_once([host = &page->host_, index = page->index_] {
                       if (auto& handler = host->events.onFullScreen) handler(index, false);
                     });
                     return FALSE;
                   }),
                   this);
  g_signal_connect(view_, "insecure-content-detected",
                   G_CALLBACK(+[](WebKitWebView*, WebKitInsecureContentEvent, gpointer data) {
                     WebKitPage* page = PageOf(data);
                     page->mixed_content_ = true;
                     page->ReportSecurity();
                   }),
                   this);
  g_signal_connect(view_, "script-dialog",
                   G_CALLBACK(+[](WebKitWebView*, WebKitScriptDialog*, gpointer data) -> gboolean {
                     // Handled (and so never shown, with alert/confirm/prompt answering
                     // their defaults) while the page runs silent.
                     return PageOf(data)->silent_ ? TRUE : FALSE;
                   }),
                   this);
  g_signal_connect(view_, "authenticate",
                   G_CALLBACK(+[](WebKitWebView*, WebKitAuthenticationRequest* request, gpointer data) -> gboolean {
                     if (!PageOf(data)->silent_) return FALSE;
                     webkit_authentication_request_cancel(request);
                     return TRUE;
                   }),
                   this);
  g_signal_connect(
      view_, "context-menu",
      G_CALLBACK(+[](WebKitWebView*, WebKitContextMenu* menu, WebKitHitTestResult* hit, gpointer data) -> gboolean {
        WebKitPage* page = PageOf(data);
        page->context_link_.clear();
        if (webkit_hit_test_result_context_is_link(hit))
          if (const char* uri = webkit_hit_test_result_get_link_uri(hit)) page->context_link_ = uri;
        if (!page->context_link_.empty()) page->OfferNewTab(menu);
        auto& suppress = page->host_.suppressContextMenu;
        if (suppress && suppress()) return TRUE;
        bool cancel = false;
        if (auto& handler = page->host_.events.contextMenu) handler(page->index_, cancel);
        return cancel ? TRUE : FALSE;
      }),
      this);
  g_signal_connect(webkit_web_view_get_back_forward_list(view_), "changed",
                   G_CALLBACK(+[](WebKitBackForwardList*, gpointer, gpointer, gpointer data) {
                     PageOf(data)->ReportNavigationState();
                   }),
                   this);

  GtkEventController* focus = focus_ = gtk_event_controller_focus_new();
  g_signal_connect(focus, "enter", G_CALLBACK(+[](GtkEventControllerFocus*, gpointer data) {
                     WebKitPage* page = PageOf(data);
                     if (auto& handler = page->host_.events.gotFocus) handler(page->index_);
                   }),
                   this);
  g_signal_connect(focus, "leave", G_CALLBACK(+[](GtkEventControllerFocus*, gpointer data) {
                     WebKitPage* page = PageOf(data);
                     if (auto& handler = page->host_.events.lostFocus) handler(page->index_);
                   }),
                   this);
  gtk_widget_add_controller(GTK_WIDGET(view_), focus);

  // Ctrl and the wheel zoom the page; caught before the page scrolls.
  GtkEventController* wheel = wheel_ = gtk_event_controller_scroll_new(static_cast<GtkEventControllerScrollFlags>(
      GTK_EVENT_CONTROLLER_SCROLL_VERTICAL | GTK_EVENT_CONTROLLER_SCROLL_DISCRETE));
  gtk_event_controller_set_propagation_phase(wheel, GTK_PHASE_CAPTURE);
  g_signal_connect(wheel, "scroll",
                   G_CALLBACK(+[](GtkEventControllerScroll* controller, double, double dy, gpointer data) -> gboolean {
                     const GdkModifierType held =
                         gtk_event_controller_get_current_event_state(GTK_EVENT_CONTROLLER(controller));
                     if (!(held & GDK_CONTROL_MASK) || dy == 0) return FALSE;
                     WebKitPage* page = PageOf(data);
                     if (auto& handler = page->host_.events.zoomWheel) handler(page->index_, dy < 0 ? 1 : -1);
                     return TRUE;
                   }),
                   this);
  gtk_widget_add_controller(GTK_WIDGET(view_), wheel);
}

// The text size already holds the engine's zoom factor (text only), so the whole page is
// scaled by a user style sheet's CSS zoom on the root; the engine multiplies the two.
void WebKitPage::SetPageZoom(int percent) {
  if (zoom_sheet_) {
    webkit_user_content_manager_remove_style_sheet(content_, zoom_sheet_);
    webkit_user_style_sheet_unref(zoom_sheet_);
    zoom_sheet_ = nullptr;
  }
  if (percent == 100 || percent <= 0) return;
  const std::string css = ":root { zoom: " + std::to_string(percent) + "% !important; }";
  zoom_sheet_ = webkit_user_style_sheet_new(css.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                            WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
  webkit_user_content_manager_add_style_sheet(content_, zoom_sheet_);
}

void WebKitPage::OnScriptMessage(JSCValue* message) {
  if (!message || !jsc_value_is_object(message)) return;
  const std::string type = PropertyString(message, "type");
  const bool top = PropertyBool(message, "top");
  if (type == "ready") {
    if (ready_state_ == 2) ready_state_ = 3;  // interactive
    // A loading page reports its status as the document becomes usable, as the old
    // control did; the content blocker strips the page at each report.
    if (auto& handler = host_.events.statusTextChange) handler(index_, "");
    return;
  }
  if (type == "links") {
    JSCValue* links = jsc_value_object_get_property(message, "links");
    OnFrameLinks(PropertyString(message, "token"), static_cast<int>(PropertyNumber(message, "index", -1)),
                 LinkList(links));
    if (links) g_object_unref(links);
    return;
  }
  if (type == "drag") {
    hosts::DragReport drag;
    drag.type = PropertyString(message, "event");
    drag.previous = PropertyString(message, "previous");
    drag.tag = PropertyString(message, "tag");
    drag.src = PropertyString(message, "src");
    drag.data = PropertyString(message, "data");
    if (auto& handler = host_.events.dragEvent) handler(index_, drag);
    return;
  }
  const double time = PropertyNumber(message, "time", 0);
  if (type == "keydown") snapshot_.last_key_time = time;
  if (type == "mousedown" || type == "click") snapshot_.last_click_time = time;
  snapshot_.last_event = type;
  ++snapshot_.reports;
  if (top) {
    snapshot_.url = PropertyString(message, "url");
    snapshot_.active_element = ElementProperty(message, "active");
    snapshot_.pointer_in_active = PropertyBool(message, "inside");
    if (type == "mousedown" || type == "click") {
      snapshot_.pointer_element = ElementProperty(message, "pointer");
      snapshot_.pointer_x = static_cast<int>(PropertyNumber(message, "x", -1));
      snapshot_.pointer_y = static_cast<int>(PropertyNumber(message, "y", -1));
    }
    snapshot_.frame_active_elements.clear();
    if (JSCValue* frames = jsc_value_object_get_property(message, "frames")) {
      if (jsc_value_is_array(frames)) {
        const int length = static_cast<int>(PropertyNumber(frames, "length", 0));
        for (int i = 0; i < length; ++i) {
          JSCValue* item = jsc_value_object_get_property_at_index(frames, i);
          snapshot_.frame_active_elements.push_back(Element(item));
          if (item) g_object_unref(item);
        }
      }
      g_object_unref(frames);
    }
  } else {
    // A frame's own report: the top cannot read a cross-origin frame, the frame can.
    // It stands for the frame the top's active element is.
    const hosts::ElementInfo active = ElementProperty(message, "active");
    if (snapshot_.frame_active_elements.empty()) snapshot_.frame_active_elements.push_back(active);
    // The top document's focus is then in the frame: its active element is the frame's
    // element, which a frame from another site cannot name, and any frame stands for it.
    hosts::ElementInfo frame = ElementProperty(message, "frame");
    if (frame.empty() && snapshot_.active_element.tag != "FRAME" && snapshot_.active_element.tag != "IFRAME")
      frame = {"IFRAME", "[object HTMLIFrameElement]", "<iframe>"};
    if (!frame.empty()) snapshot_.active_element = frame;
    if (type == "mousedown" || type == "click") snapshot_.pointer_element = ElementProperty(message, "pointer");
  }
  if (auto& handler = host_.events.documentEvent) handler(index_, type);
}

void WebKitPage::CallInPageWorld(const std::string& body, GVariant* arguments,
                                 std::function<void(JSCValue*, const GError*)> answer) {
  struct Call {
    std::weak_ptr<bool> alive;
    std::function<void(JSCValue*, const GError*)> answer;
  };
  auto* call = new Call{alive_, std::move(answer)};
  webkit_web_view_call_async_javascript_function(
      view_, body.c_str(), static_cast<gssize>(body.size()), arguments, kPageWorld, nullptr, nullptr,
      +[](GObject* view, GAsyncResult* result, gpointer data) {
        std::unique_ptr<Call> call(static_cast<Call*>(data));
        GError* error = nullptr;
        JSCValue* value = webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(view), result, &error);
        if (!call->alive.expired() && call->answer) call->answer(value, error);
        if (value) g_object_unref(value);
        if (error) g_error_free(error);
      },
      call);
}

void WebKitPage::RunDom(const std::string& body, hosts::ScriptDone done) {
  CallInPageWorld(body, nullptr, [done = std::move(done)](JSCValue* value, const GError* error) {
    hosts::ScriptResult out;
    if (value) {
      out.ok = true;
      char* json = jsc_value_is_undefined(value) ? nullptr : jsc_value_to_json(value, 0);
      out.value = json ? json : "null";
      g_free(json);
    } else {
      out.error = error ? error->message : "failed";
    }
    if (done) done(out);
  });
}

void WebKitPage::ReadDocument(bool html, hosts::TextDone done) {
  const char* body = html ? "const d = document.documentElement; return d ? d.innerHTML : null;"
                          : "const d = document.documentElement; return d ? d.outerText : null;";
  CallInPageWorld(body, nullptr, [done = std::move(done)](JSCValue* value, const GError*) {
    if (!done) return;
    if (!value || !jsc_value_is_string(value)) return done(std::nullopt);
    char* text = jsc_value_to_string(value);
    std::string out = text ? text : "";
    g_free(text);
    done(std::move(out));
  });
}

void WebKitPage::WriteDocument(const std::string& html) {
  webkit_web_view_load_html(view_, html.c_str(), "about:blank");
}

// A frame that never answers (its document is gone or has no page script) is left out after this.
constexpr unsigned kFrameLinksWaitMs = 2000;

void WebKitPage::GatherLinks(hosts::LinksDone done) {
  FinishLinks();  // a request still under way answers with what it has
  links_ = std::make_unique<LinksRequest>();
  links_->token = std::to_string(g_random_int()) + "-" + std::to_string(++links_serial_);
  links_->done = std::move(done);
  GVariantBuilder arguments;
  g_variant_builder_init(&arguments, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&arguments, "{sv}", "token", g_variant_new_string(links_->token.c_str()));
  const std::string body = std::string(kLinkListFunction) + kGatherLinksBody;
  CallInPageWorld(body, g_variant_builder_end(&arguments),
                  [this, token = links_->token](JSCValue* value, const GError*) { OnTopLinks(token, value); });
}

void WebKitPage::OnTopLinks(const std::string& token, JSCValue* value) {
  if (!links_ || links_->token != token) return;
  if (!value || !jsc_value_is_object(value)) return FinishLinks();
  LinksRequest& request = *links_;
  request.top_answered = true;
  JSCValue* own = jsc_value_object_get_property(value, "own");
  request.own = LinkList(own);
  if (own) g_object_unref(own);
  if (JSCValue* frames = jsc_value_object_get_property(value, "frames")) {
    const int length = jsc_value_is_array(frames) ? static_cast<int>(PropertyNumber(frames, "length", 0)) : 0;
    for (int i = 0; i < length; ++i) {
      JSCValue* item = jsc_value_object_get_property_at_index(frames, i);
      if (item && jsc_value_is_array(item)) {
        request.frames.emplace_back(LinkList(item));
      } else if (auto early = request.early.find(i); early != request.early.end()) {
        request.frames.emplace_back(std::move(early->second));
      } else {
        request.frames.emplace_back(std::nullopt);
        ++request.waiting;
      }
      if (item) g_object_unref(item);
    }
    g_object_unref(frames);
  }
  if (request.waiting == 0) return FinishLinks();
  request.give_up = Glib::signal_timeout().connect(
      [this] {
        FinishLinks();
        return false;
      },
      kFrameLinksWaitMs);
}

void WebKitPage::OnFrameLinks(const std::string& token, int index, std::vector<hosts::PageLink> links) {
  if (!links_ || links_->token != token || index < 0) return;
  LinksRequest& request = *links_;
  if (!request.top_answered) {
    request.early.emplace(index, std::move(links));
    return;
  }
  if (index >= static_cast<int>(request.frames.size()) || request.frames[index]) return;
  request.frames[index] = std::move(links);
  if (--request.waiting == 0) FinishLinks();
}

void WebKitPage::FinishLinks() {
  if (!links_) return;
  std::unique_ptr<LinksRequest> request = std::move(links_);
  request->give_up.disconnect();
  std::vector<std::vector<hosts::PageLink>> documents;
  if (request->top_answered) {
    documents.push_back(std::move(request->own));
    for (auto& frame : request->frames)
      if (frame) documents.push_back(std::move(*frame));
  }
  if (request->done) request->done(std::move(documents));
}

void WebKitPage::ReportNavigationState() {
  auto& handler = host_.events.commandStateChange;
  if (!handler) return;
  handler(index_, 1, webkit_web_view_can_go_forward(view_));
  handler(index_, 2, webkit_web_view_can_go_back(view_));
}

int WebKitPage::LockState() const {
  GTlsCertificate* certificate = nullptr;
  GTlsCertificateFlags errors = static_cast<GTlsCertificateFlags>(0);
  const bool tls = webkit_web_view_get_tls_info(view_, &certificate, &errors);
  if (!tls || !certificate || errors != 0) return 0;  // not secure
  // The engine gives no key strength, so a sound connection is the plain "secure" state.
  return mixed_content_ ? 1 : 2;  // mixed / secure
}

void WebKitPage::ReportSecurity() {
  if (auto& handler = host_.events.setSecureLockIcon) handler(index_, LockState());
}

void WebKitPage::SetContainer(hosts::Container container) {
  if (container == hosts::Container::kPageArea) BringToFront();
}

void WebKitPage::SetVisible(bool visible) {
  // The sink never shows, whatever the logic asks.
  gtk_widget_set_visible(GTK_WIDGET(view_), visible && index_ != 0);
}

void WebKitPage::ReplaceView(WebKitWebView* fresh) {
  GtkStack* stack = host_.page_area().gobj();
  GtkWidget* old = GTK_WIDGET(view_);
  const bool visible = gtk_widget_get_visible(old);
  const bool shown = gtk_stack_get_visible_child(stack) == old;
  const bool focused = gtk_widget_has_focus(old);
  if (zoom_sheet_) webkit_user_content_manager_remove_style_sheet(content_, zoom_sheet_);
  // Handlers go first: taking the view out of the stack moves the focus.
  g_object_ref(old);
  Release();
  gtk_stack_remove(stack, old);
  g_object_unref(old);

  view_ = fresh;
  g_object_ref_sink(view_);
  content_ = webkit_web_view_get_user_content_manager(view_);
  g_object_ref(content_);
  own_process_ = false;
  GtkWidget* widget = GTK_WIDGET(view_);
  gtk_widget_set_hexpand(widget, TRUE);
  gtk_widget_set_vexpand(widget, TRUE);
  gtk_widget_set_visible(widget, visible);
  gtk_widget_set_can_target(widget, register_as_drop_target_);
  gtk_stack_add_child(stack, widget);
  if (shown) gtk_stack_set_visible_child(stack, widget);
  Connect();
  if (zoom_sheet_) webkit_user_content_manager_add_style_sheet(content_, zoom_sheet_);
  if (zoom_level_ != 2) webkit_web_view_set_zoom_level(view_, kTextZoom[zoom_level_]);
  if (focused) gtk_widget_grab_focus(widget);
}

void WebKitPage::SetRegisterAsDropTarget(bool on) {
  register_as_drop_target_ = on;
  // A view that is no drop target must not take the drags over it either.
  gtk_widget_set_can_target(GTK_WIDGET(view_), on);
}

void WebKitPage::BringToFront() {
  GtkWidget* widget = GTK_WIDGET(view_);
  if (gtk_widget_get_visible(widget)) gtk_stack_set_visible_child(host_.page_area().gobj(), widget);
}

void WebKitPage::Focus() { gtk_widget_grab_focus(GTK_WIDGET(view_)); }

void WebKitPage::OfferNewTab(WebKitContextMenu* menu) {
  // The browser's windows are tabs: "Open Link in New Window" becomes the tab entry.
  struct Link {
    WebKitPageHost* host;
    int index;
    std::string url;
  };
  guint position = 0;
  for (GList* l = webkit_context_menu_get_items(menu); l; l = l->next, ++position) {
    auto* item = WEBKIT_CONTEXT_MENU_ITEM(l->data);
    if (webkit_context_menu_item_get_stock_action(item) != WEBKIT_CONTEXT_MENU_ACTION_OPEN_LINK_IN_NEW_WINDOW) continue;
    GSimpleAction* open = g_simple_action_new("open-link-in-new-tab", nullptr);
    g_signal_connect_data(
        open, "activate", G_CALLBACK(+[](GSimpleAction*, GVariant*, gpointer data) {
          auto* link = static_cast<Link*>(data);
          if (auto& handler = link->host->events.linkToNewTab) handler(link->index, link->url, false);
        }),
        new Link{&host_, index_, context_link_}, +[](gpointer data, GClosure*) { delete static_cast<Link*>(data); },
        GConnectFlags(0));
    const std::string label = host_.newTabLabel ? host_.newTabLabel() : std::string();
    WebKitContextMenuItem* ours = webkit_context_menu_item_new_from_gaction(
        G_ACTION(open), label.empty() ? "Open Link in New Tab" : label.c_str(), nullptr);
    g_object_unref(open);
    webkit_context_menu_remove(menu, item);
    webkit_context_menu_insert(menu, ours, static_cast<gint>(position));
    return;
  }
}

void WebKitPage::Navigate(const std::string& url) {
  // A view made before it was known to be needed (a restored tab, loaded when first shown)
  // still gets no process of its own once the cap is reached.
  if (own_process_ && index_ > 0 && !webkit_web_view_get_uri(view_))
    if (WebKitWebView* peer = host_.ProcessPeer()) ReplaceView(host_.NewView(peer));
  // A "javascript:" address (a bookmarklet) runs in the shown document and loads nothing:
  // the page keeps its address.
  if (g_ascii_strncasecmp(url.c_str(), "javascript:", 11) != 0) {
    location_ = url;
    ready_state_ = 1;
  }
  webkit_web_view_load_uri(view_, url.c_str());
}

void WebKitPage::Stop() { webkit_web_view_stop_loading(view_); }

void WebKitPage::ShowErrorPage(const std::string& html, const std::string& url) {
  error_pending_ = true;
  error_url_ = url;
  webkit_web_view_load_alternate_html(view_, html.c_str(), url.c_str(), nullptr);
}

bool WebKitPage::FailureShown(const std::string& uri, const GError* error, bool tls, hosts::LoadError& kind) const {
  using hosts::LoadError;
  // Working offline, every network address fails alike, whatever the engine calls it.
  if (host_.offline_ && IsNetworkAddress(uri.c_str())) {
    kind = LoadError::kOffline;
    return true;
  }
  if (!error || uri.empty()) return false;
  // Stopped, turned into a download, or handed to a media player: nothing failed.
  if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
      g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE) ||
      g_error_matches(error, WEBKIT_MEDIA_ERROR, WEBKIT_MEDIA_ERROR_WILL_HANDLE_LOAD))
    return false;
  if (tls || error->domain == G_TLS_ERROR)
    kind = LoadError::kSecurity;
  else if (g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_CANNOT_USE_RESTRICTED_PORT))
    kind = LoadError::kBlockedPort;
  else if (error->domain == G_RESOLVER_ERROR || g_error_matches(error, G_IO_ERROR, G_IO_ERROR_HOST_NOT_FOUND))
    kind = LoadError::kNoSuchHost;
  else if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED))
    kind = LoadError::kRefused;
  else if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT))
    kind = LoadError::kTimeout;
  else
    kind = LoadError::kOther;
  return true;
}

std::string WebKitPage::LocationName() const {
  std::string title = DocumentTitle();
  return title.empty() ? location_ : title;
}

std::string WebKitPage::DocumentTitle() const {
  const char* title = webkit_web_view_get_title(view_);
  return title ? title : "";
}

void WebKitPage::ClearDocument() { webkit_web_view_load_html(view_, "", "about:blank"); }

bool WebKitPage::Busy() const { return webkit_web_view_is_loading(view_); }

void WebKitPage::GoBack() { webkit_web_view_go_back(view_); }
void WebKitPage::GoForward() { webkit_web_view_go_forward(view_); }
void WebKitPage::GoHome() { Navigate(host_.home_page); }

void WebKitPage::Refresh(int level) {
  if (level >= 3)
    webkit_web_view_reload_bypass_cache(view_);
  else
    webkit_web_view_reload(view_);
}

void WebKitPage::ExecWB(int command, int option, int input) {
  switch (command) {
    case hosts::kExecSelectAll:
      webkit_web_view_execute_editing_command(view_, WEBKIT_EDITING_COMMAND_SELECT_ALL);
      break;
    case hosts::kExecUndo:
      webkit_web_view_execute_editing_command(view_, WEBKIT_EDITING_COMMAND_UNDO);
      break;
    case hosts::kExecRedo:
      webkit_web_view_execute_editing_command(view_, WEBKIT_EDITING_COMMAND_REDO);
      break;
    case hosts::kExecDelete:
      webkit_web_view_execute_editing_command(view_, "Delete");
      break;
    case hosts::kExecZoom:
      if (input < 0 || input > 4) break;
      zoom_level_ = input;
      webkit_settings_set_zoom_text_only(webkit_web_view_get_settings(view_), TRUE);
      webkit_web_view_set_zoom_level(view_, kTextZoom[input]);
      break;
    case hosts::kExecPrint:
      Print(option != hosts::kExecDontPromptUser);
      break;
    case hosts::kExecPrintPreview:
      // The print dialog is where the desktop offers its preview.
      Print(true);
      break;
    case hosts::kExecPageSetup: {
      Gtk::Window* parent = WindowOf(view_);
      gtk_print_run_page_setup_dialog_async(
          parent ? parent->gobj() : nullptr, g_page_setup, g_print_settings,
          +[](GtkPageSetup* setup, gpointer) {
            if (!setup) return;
            g_set_object(&g_page_setup, setup);
          },
          nullptr);
      break;
    }
    case hosts::kExecSaveAs:
      SaveAs();
      break;
    case hosts::kExecProperties:
      ShowProperties();
      break;
    default:
      break;
  }
}

void WebKitPage::Print(bool dialog) {
  WebKitPrintOperation* print = webkit_print_operation_new(view_);
  if (g_page_setup) webkit_print_operation_set_page_setup(print, g_page_setup);
  if (g_print_settings) webkit_print_operation_set_print_settings(print, g_print_settings);
  g_signal_connect(print, "finished", G_CALLBACK(+[](WebKitPrintOperation* op, gpointer) {
                     g_set_object(&g_print_settings, webkit_print_operation_get_print_settings(op));
                     g_set_object(&g_page_setup, webkit_print_operation_get_page_setup(op));
                     g_object_unref(op);
                   }),
                   nullptr);
  if (dialog) {
    Gtk::Window* parent = WindowOf(view_);
    if (webkit_print_operation_run_dialog(print, parent ? parent->gobj() : nullptr) ==
        WEBKIT_PRINT_OPERATION_RESPONSE_CANCEL)
      g_object_unref(print);  // a cancelled dialog finishes nothing
  } else {
    webkit_print_operation_print(print);
  }
}

void WebKitPage::SaveAs() {
  Gtk::Window* parent = WindowOf(view_);
  auto* dialog = new Gtk::FileChooserDialog("Save As", Gtk::FileChooser::Action::SAVE);
  // Closed from its title bar it must stay alive until its handler frees it.
  dialog->set_hide_on_close(true);
  if (parent) dialog->set_transient_for(*parent);
  dialog->set_modal(true);
  dialog->add_button("_Cancel", Gtk::ResponseType::CANCEL);
  dialog->add_button("_Save", Gtk::ResponseType::ACCEPT);
  auto filter = Gtk::FileFilter::create();
  filter->set_name("Web archive (*.mht)");
  filter->add_suffix("mht");
  dialog->add_filter(filter);
  std::string name = DocumentTitle().empty() ? std::string("page") : DocumentTitle();
  for (char& c : name)
    if (c == '/') c = '_';
  dialog->set_current_name(name + ".mht");
  std::weak_ptr<bool> alive = alive_;
  // The dialog lives until it answers, and goes once its handler has returned.
  dialog->signal_response().connect([this, alive, dialog](int response) {
    dialog->set_visible(false);
    auto file = dialog->get_file();
    if (response == Gtk::ResponseType::ACCEPT && file && !alive.expired()) {
      // A save that fails says why; the page may be gone by then.
      struct Saving {
        std::weak_ptr<bool> alive;
        WebKitPage* page;
        std::string path;
      };
      webkit_web_view_save_to_file(
          view_, file->gobj(), WEBKIT_SAVE_MODE_MHTML, nullptr,
          +[](GObject* view, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Saving> saving(static_cast<Saving*>(data));
            GError* error = nullptr;
            if (webkit_web_view_save_to_file_finish(WEBKIT_WEB_VIEW(view), result, &error)) return;
            const std::string reason = error && error->message ? error->message : "";
            if (error) g_error_free(error);
            if (saving->alive.expired()) return;
            WebKitPage& page = *saving->page;
            if (auto& handler = page.host_.events.saveFailed) handler(page.index_, saving->path, reason);
          },
          new Saving{alive, this, file->get_path()});
    }
    Glib::signal_idle().connect_once([dialog] { delete dialog; });
  });
  dialog->present();
}

void WebKitPage::ShowProperties() {
  std::string type = "unknown", size = "unknown";
  if (WebKitWebResource* resource = webkit_web_view_get_main_resource(view_)) {
    if (WebKitURIResponse* response = webkit_web_resource_get_response(resource)) {
      if (const char* mime = webkit_uri_response_get_mime_type(response)) type = mime;
      if (const guint64 length = webkit_uri_response_get_content_length(response))
        size = std::to_string(length) + " bytes";
    }
  }
  const int lock = LockState();
  const std::string security = lock == 2   ? "Encrypted connection (TLS)"
                               : lock == 1 ? "Encrypted, with some content not encrypted"
                                           : "Not encrypted";
  auto* dialog = new Gtk::Dialog("Properties", true);
  if (Gtk::Window* parent = WindowOf(view_)) dialog->set_transient_for(*parent);
  dialog->get_content_area()->append(*gtk::factsGrid({{"Address:", location_},
                                                      {"Title:", DocumentTitle()},
                                                      {"Type:", type},
                                                      {"Size:", size},
                                                      {"Security:", security}}));
  dialog->add_button("_OK", Gtk::ResponseType::OK);
  dialog->signal_response().connect([dialog](int) {
    dialog->set_visible(false);
    Glib::signal_idle().connect_once([dialog] { delete dialog; });
  });
  dialog->present();
}

void WebKitPageHost::QueryCommand(int page, const std::string& command, std::function<void(bool)> answer) {
  static const std::map<std::string, const char*> kEngineNames = {{"undo", WEBKIT_EDITING_COMMAND_UNDO},
                                                                  {"redo", WEBKIT_EDITING_COMMAND_REDO},
                                                                  {"cut", WEBKIT_EDITING_COMMAND_CUT},
                                                                  {"copy", WEBKIT_EDITING_COMMAND_COPY},
                                                                  {"paste", WEBKIT_EDITING_COMMAND_PASTE},
                                                                  {"delete", "Delete"},
                                                                  {"selectall", WEBKIT_EDITING_COMMAND_SELECT_ALL}};
  const auto name = kEngineNames.find(command);
  const WebKitPage* shown = WebPage(page);
  if (name == kEngineNames.end() || !shown) return;
  struct Asked {
    std::weak_ptr<bool> alive;
    WebKitPageHost* host;
    int page;
    WebKitWebView* view;
    std::function<void(bool)> answer;
  };
  auto* asked = new Asked{alive_, this, page, WEBKIT_WEB_VIEW(g_object_ref(shown->view())), std::move(answer)};
  webkit_web_view_can_execute_editing_command(
      asked->view, name->second, nullptr,
      +[](GObject* view, GAsyncResult* result, gpointer data) {
        std::unique_ptr<Asked> asked(static_cast<Asked*>(data));
        GError* error = nullptr;
        const bool can = webkit_web_view_can_execute_editing_command_finish(WEBKIT_WEB_VIEW(view), result, &error);
        if (error) g_error_free(error);
        // The page may have closed, or its element been given another view, meanwhile.
        const WebKitPage* now = asked->alive.expired() ? nullptr : asked->host->WebPage(asked->page);
        if (!error && now && now->view() == asked->view) asked->answer(can);
        g_object_unref(asked->view);
      },
      asked);
}

}  // namespace zor::webkit
