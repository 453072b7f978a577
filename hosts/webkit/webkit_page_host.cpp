#include "hosts/webkit/webkit_page_host.h"

#include <glib.h>

#include <cmath>
#include <string>

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
  Create(0);
}

WebKitPageHost::~WebKitPageHost() {
  pages_.clear();
  g_clear_object(&settings_);
  g_clear_object(&session_);
}

WebKitWebView* WebKitPageHost::NewView(WebKitWebView* related) {
  GObject* object = related ? static_cast<GObject*>(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", related,
                                                                  "settings", settings_, nullptr))
                            : static_cast<GObject*>(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", session_,
                                                                  "settings", settings_, nullptr));
  return WEBKIT_WEB_VIEW(object);
}

hosts::PageControl* WebKitPageHost::Create(int index) {
  if (index < 0) return nullptr;
  if (auto it = pages_.find(index); it != pages_.end()) return it->second.get();
  WebKitWebView* view = NewView(pending_related_);
  if (pending_related_) created_related_ = view;
  pending_related_ = nullptr;
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

void WebKitPageHost::Destroy(int index) {
  auto it = pages_.find(index);
  if (it == pages_.end()) return;
  std::unique_ptr<WebKitPage> page = std::move(it->second);
  pages_.erase(it);
  // Signals may still be queued for this view; disconnect before it goes.
  g_signal_handlers_disconnect_by_data(page->view(), page.get());
  gtk_stack_remove(page_area_.gobj(), GTK_WIDGET(page->view()));
}

hosts::PageControl* WebKitPageHost::Page(int index) const { return WebPage(index); }

WebKitPage* WebKitPageHost::WebPage(int index) const {
  auto it = pages_.find(index);
  return it == pages_.end() ? nullptr : it->second.get();
}

// ---- one page --------------------------------------------------------------------

WebKitPage::WebKitPage(WebKitPageHost& host, int index, WebKitWebView* view)
    : host_(host), index_(index), view_(view) {
  g_object_ref_sink(view_);
}

WebKitPage::~WebKitPage() {
  g_signal_handlers_disconnect_by_data(view_, this);
  g_object_unref(view_);
}

void WebKitPage::Connect() {
  g_signal_connect(view_, "notify::title", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer data) {
                     WebKitPage* page = PageOf(data);
                     if (auto& handler = page->host_.events.titleChange) handler(page->index_, page->DocumentTitle());
                   }),
                   this);
  g_signal_connect(view_, "notify::uri", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer data) {
                     WebKitPage* page = PageOf(data);
                     const char* uri = webkit_web_view_get_uri(page->view_);
                     page->location_ = uri ? uri : "";
                   }),
                   this);
  g_signal_connect(view_, "notify::estimated-load-progress", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer data) {
                     WebKitPage* page = PageOf(data);
                     const double p = webkit_web_view_get_estimated_load_progress(page->view_);
                     if (auto& handler = page->host_.events.progressChange)
                       handler(page->index_, std::lround(p * 10000.0), 10000);
                   }),
                   this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer data) {
                     WebKitPage* page = PageOf(data);
                     switch (event) {
                       case WEBKIT_LOAD_STARTED:
                         page->ready_state_ = 1;
                         page->mixed_content_ = false;
                         break;
                       case WEBKIT_LOAD_REDIRECTED:
                         break;
                       case WEBKIT_LOAD_COMMITTED:
                         page->ready_state_ = 3;
                         page->ReportSecurity();
                         break;
                       case WEBKIT_LOAD_FINISHED:
                         page->ready_state_ = 4;
                         if (auto& handler = page->host_.events.progressChange) handler(page->index_, -1, 10000);
                         break;
                     }
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
                     if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) return FALSE;
                     auto* action = webkit_navigation_policy_decision_get_navigation_action(
                         WEBKIT_NAVIGATION_POLICY_DECISION(decision));
                     WebKitURIRequest* request = webkit_navigation_action_get_request(action);
                     const char* uri = webkit_uri_request_get_uri(request);
                     bool cancel = false;
                     if (auto& handler = page->host_.events.beforeNavigate2) handler(page->index_, uri ? uri : "", cancel);
                     if (!cancel) return FALSE;
                     webkit_policy_decision_ignore(decision);
                     return TRUE;
                   }),
                   this);
  g_signal_connect(view_, "create",
                   G_CALLBACK(+[](WebKitWebView* view, WebKitNavigationAction*, gpointer data) -> GtkWidget* {
                     WebKitPage* page = PageOf(data);
                     auto& handler = page->host_.events.newWindow2;
                     if (!handler) return nullptr;
                     int target = -1;
                     bool cancel = false;
                     // Any element the handler creates now shares the opener's process and session.
                     WebKitPageHost& host = page->host_;
                     host.pending_related_ = view;
                     host.created_related_ = nullptr;
                     handler(page->index_, target, cancel);
                     host.pending_related_ = nullptr;
                     WebKitWebView* created = host.created_related_;
                     host.created_related_ = nullptr;
                     if (cancel || target < 0) return nullptr;
                     WebKitPage* chosen = host.WebPage(target);
                     // The engine takes only a view created as related to the opener.
                     if (!chosen || chosen->view_ != created) return nullptr;
                     return GTK_WIDGET(chosen->view_);
                   }),
                   this);
  g_signal_connect(view_, "close", G_CALLBACK(+[](WebKitWebView*, gpointer data) {
                     WebKitPage* page = PageOf(data);
                     bool cancel = false;
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
                     WebKitPage* page = PageOf(data);
                     if (auto& handler = page->host_.events.onFullScreen) handler(page->index_, false);
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
                     // Handled (and so never shown) while the page runs silent.
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
  g_signal_connect(webkit_web_view_get_back_forward_list(view_), "changed",
                   G_CALLBACK(+[](WebKitBackForwardList*, gpointer, gpointer, gpointer data) {
                     PageOf(data)->ReportNavigationState();
                   }),
                   this);

  GtkEventController* focus = gtk_event_controller_focus_new();
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
}

void WebKitPage::ReportNavigationState() {
  auto& handler = host_.events.commandStateChange;
  if (!handler) return;
  handler(index_, 1, webkit_web_view_can_go_forward(view_));
  handler(index_, 2, webkit_web_view_can_go_back(view_));
}

void WebKitPage::ReportSecurity() {
  auto& handler = host_.events.setSecureLockIcon;
  if (!handler) return;
  GTlsCertificate* certificate = nullptr;
  GTlsCertificateFlags errors = static_cast<GTlsCertificateFlags>(0);
  const bool tls = webkit_web_view_get_tls_info(view_, &certificate, &errors);
  int state = 0;  // not secure
  if (tls && certificate && errors == 0) state = mixed_content_ ? 1 : 6;  // mixed / fully secure
  handler(index_, state);
}

void WebKitPage::SetContainer(hosts::Container container) {
  if (container == hosts::Container::kPageArea) BringToFront();
}

void WebKitPage::SetVisible(bool visible) {
  // The sink never shows, whatever the logic asks.
  gtk_widget_set_visible(GTK_WIDGET(view_), visible && index_ != 0);
}

void WebKitPage::BringToFront() {
  GtkWidget* widget = GTK_WIDGET(view_);
  if (gtk_widget_get_visible(widget)) gtk_stack_set_visible_child(host_.page_area().gobj(), widget);
}

void WebKitPage::Focus() { gtk_widget_grab_focus(GTK_WIDGET(view_)); }

void WebKitPage::Navigate(const std::string& url) {
  location_ = url;
  webkit_web_view_load_uri(view_, url.c_str());
}

void WebKitPage::Stop() { webkit_web_view_stop_loading(view_); }

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

void WebKitPage::ExecWB(int command, int /*option*/, int input) {
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
    case hosts::kExecZoom: {
      if (input < 0 || input > 4) break;
      webkit_settings_set_zoom_text_only(webkit_web_view_get_settings(view_), TRUE);
      webkit_web_view_set_zoom_level(view_, kTextZoom[input]);
      break;
    }
    case hosts::kExecPrint:
    case hosts::kExecPrintPreview: {
      WebKitPrintOperation* print = webkit_print_operation_new(view_);
      GtkRoot* root = gtk_widget_get_root(GTK_WIDGET(view_));
      webkit_print_operation_run_dialog(print, root ? GTK_WINDOW(root) : nullptr);
      g_object_unref(print);
      break;
    }
    default:
      break;
  }
}

}  // namespace zor::webkit
