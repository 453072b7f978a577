// The page array on WebKitGTK: every element is a WebKitWebView inside one Gtk::Stack
// (the page area). "Shown" is the stack's visible child; a hidden page stays in the
// stack so it keeps loading.
//
// Element 0, the sink for refused new windows, never shows; it is made when the first
// window is refused.
// The engine accepts as a new window only a view created as related to the opener, so
// whenever the logic hands a window to element 0, the host replaces element 0's view
// with a fresh view related to that opener (carrying over its tag and flags) and gives
// that one to the engine. The same holds for a page the logic creates while answering
// the new-window event: it is born related to the opener.
//
// Web processes are capped: every web process holds a connection to the display, and at
// the display server's client limit the engine aborts. Once kOwnProcesses pages have
// loaded in views of their own, a new page is created related to a page that has loaded,
// taken in turn, and so shares that page's web process. A page whose view was made
// earlier but has never loaded (a restored tab) takes such a related view at its first load.
//
// Each view has its own user-content manager: the page script's reports carry no view,
// so the manager they arrive on names the page.
#pragma once

#include <gtkmm.h>
#include <webkit/webkit.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hosts/page_control.h"

namespace zor::webkit {

class WebKitPageHost;

class WebKitPage : public hosts::PageControl {
 public:
  WebKitPage(WebKitPageHost& host, int index, WebKitWebView* view);
  ~WebKitPage() override;

  WebKitWebView* view() const { return view_; }
  int index() const { return index_; }

  void SetContainer(hosts::Container container) override;
  void SetVisible(bool visible) override;
  void MoveToFill() override {}  // the stack always fills the page area
  void BringToFront() override;
  void Focus() override;
  std::string Tag() const override { return tag_; }
  void SetTag(const std::string& tag) override { tag_ = tag; }

  void Navigate(const std::string& url) override;
  void Stop() override;
  std::string LocationURL() const override { return location_; }
  std::string LocationName() const override;
  bool HasDocument() const override { return !location_.empty(); }
  std::string DocumentTitle() const override;
  void ClearDocument() override;
  bool Busy() const override;
  int ReadyState() const override { return ready_state_; }
  bool Silent() const override { return silent_; }
  void SetSilent(bool silent) override { silent_ = silent; }
  void SetRegisterAsBrowser(bool on) override { register_as_browser_ = on; }
  void SetRegisterAsDropTarget(bool on) override;
  void GoBack() override;
  void GoForward() override;
  void GoHome() override;
  void Refresh(int level) override;
  void ExecWB(int command, int option, int input = 0) override;

  void SetPageZoom(int percent) override;
  void ShowErrorPage(const std::string& html, const std::string& url) override;
  bool ErrorPageShown() const override { return error_shown_; }

  const hosts::DocumentSnapshot& Snapshot() const override { return snapshot_; }
  void RunDom(const std::string& body, hosts::ScriptDone done) override;
  void GatherLinks(hosts::LinksDone done) override;
  void ReadDocument(bool html, hosts::TextDone done) override;
  void WriteDocument(const std::string& html) override;

  int zoom_level() const { return zoom_level_; }

 private:
  friend class WebKitPageHost;
  void Connect();
  void ReportNavigationState();
  void ReportSecurity();
  int LockState() const;
  void OnScriptMessage(JSCValue* message);
  // Runs `body` (a function body) with `arguments` (a floating a{sv} or null) in the page
  // script's world of the top document; `answer` gets the value, null on failure, unless
  // the page has gone by then.
  void CallInPageWorld(const std::string& body, GVariant* arguments,
                       std::function<void(JSCValue* value, const GError* error)> answer);
  void OnTopLinks(const std::string& token, JSCValue* value);
  void OnFrameLinks(const std::string& token, int index, std::vector<hosts::PageLink> links);
  // Answers the pending links request with what has arrived; frames still silent are left out.
  void FinishLinks();
  // Whether a failed load of `uri` gets the error page, and for what reason.
  bool FailureShown(const std::string& uri, const GError* error, bool tls, hosts::LoadError& kind) const;
  void SaveAs();
  void ShowProperties();
  void Print(bool dialog);
  // Puts `fresh` in place of a view that has never loaded, keeping what the page has set.
  void ReplaceView(WebKitWebView* fresh);
  // Lets go of the view and its content manager, with every handler of this page on them.
  void Release();

  WebKitPageHost& host_;
  int index_;
  WebKitWebView* view_;
  WebKitUserContentManager* content_;
  GtkEventController* focus_ = nullptr;  // owned by the view
  GtkEventController* wheel_ = nullptr;  // owned by the view
  WebKitUserStyleSheet* zoom_sheet_ = nullptr;  // the page zoom; none at 100%
  // Outstanding callbacks hold a weak reference and drop their answer once it is gone.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  std::string tag_;
  std::string location_;
  int ready_state_ = 0;
  int zoom_level_ = 2;
  bool silent_ = false;
  bool register_as_browser_ = false;
  bool register_as_drop_target_ = true;
  bool mixed_content_ = false;
  bool sink_waiting_ = false;
  bool own_process_ = false;    // made related to no view: its first load starts a web process
  bool tls_failed_ = false;     // the failing load's certificate was refused
  bool error_pending_ = false;  // an error page for error_url_ is on its way in
  bool error_shown_ = false;    // the committed document is that error page
  std::string error_url_;       // a sink handed to a refused window, before its first navigation
  // Whether a download the page starts follows the user's own action: the last navigation
  // decision's gesture, or the link the user opened the context menu on.
  bool navigation_gesture_ = false;
  gint64 navigation_decided_ = 0;  // monotonic microseconds
  std::string context_link_;
  hosts::DocumentSnapshot snapshot_;
  // The links request under way: frames of other sites answer through the page script.
  struct LinksRequest {
    std::string token;
    bool top_answered = false;
    std::vector<hosts::PageLink> own;
    std::vector<std::optional<std::vector<hosts::PageLink>>> frames;  // by frame index
    std::map<int, std::vector<hosts::PageLink>> early;                // frame answers before the top's
    int waiting = 0;
    hosts::LinksDone done;
    sigc::connection give_up;
  };
  std::unique_ptr<LinksRequest> links_;
  unsigned links_serial_ = 0;

  void OfferNewTab(WebKitContextMenu* menu);
};

class WebKitPageHost : public hosts::PageHost {
 public:
  explicit WebKitPageHost(Gtk::Stack& page_area);
  ~WebKitPageHost() override;

  hosts::PageControl* Create(int index) override;
  void Destroy(int index) override;
  hosts::PageControl* Page(int index) const override;
  WebKitPage* WebPage(int index) const;

  Gtk::Stack& page_area() { return page_area_; }
  WebKitNetworkSession* session() const { return session_; }
  std::string home_page = "about:blank";

  // Offline: a content rule blocks every network load of every page (subresources
  // included) and navigations to network addresses are refused before they start.
  bool offline() const { return offline_; }
  void SetOffline(bool offline);
  // True once the blocking rule has been compiled (it is, shortly after start-up).
  bool offline_rule_ready() const { return offline_filter_ != nullptr; }
  // Images: a content rule keeps every page from downloading any.
  void SetImageLoadsBlocked(bool on) override;
  bool image_rule_ready() const { return image_filter_ != nullptr; }

  // Asks the engine whether page `page` would carry out the editing command `command`
  // ("undo", "redo", "cut", "copy", "paste", "delete", "selectall") now. The answer comes
  // later, and not at all when the page or this host has gone or its view was replaced.
  void QueryCommand(int page, const std::string& command, std::function<void(bool)> answer);

  // The page element showing `view`; -1 for none.
  int IndexOf(WebKitWebView* view) const;
  // Whether a download of `uri` that `view` starts now follows the user's own action (a
  // clicked link, the context menu's download). Asked once per download: it is used up.
  bool TakeDownloadGesture(WebKitWebView* view, const std::string& uri);

  // Called with true from a right-button gesture until the button goes up: the page's
  // context menu is then not shown.
  std::function<bool()> suppressContextMenu;
  // The label of the context menu's "open link in a new tab" entry, in the user's language.
  std::function<std::string()> newTabLabel;

 private:
  friend class WebKitPage;
  WebKitWebView* NewView(WebKitWebView* related);
  // The view a new page shares its web process with, or nullptr for a process of its own.
  WebKitWebView* ProcessPeer();
  WebKitPage* Insert(int index, WebKitWebView* view);
  // Element 0 with a fresh view related to `opener`; see the header comment.
  WebKitPage* RenewSink(WebKitWebView* opener);
  void ApplyFilters(WebKitUserContentManager* content) const;
  void Compile(const char* id, const char* rule, size_t size);
  // A retired sink that has had its navigation decided goes.
  void ReleaseRetiredSink(WebKitPage* page);

  Gtk::Stack& page_area_;
  WebKitNetworkSession* session_ = nullptr;
  WebKitSettings* settings_ = nullptr;
  WebKitUserScript* script_ = nullptr;
  WebKitUserContentFilterStore* filter_store_ = nullptr;
  WebKitUserContentFilter* offline_filter_ = nullptr;
  WebKitUserContentFilter* image_filter_ = nullptr;
  bool images_blocked_ = false;
  // Sinks of earlier refused windows still waiting for their first navigation (newest last).
  static constexpr size_t kRetiredSinks = 8;
  std::vector<std::unique_ptr<WebKitPage>> retired_sinks_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  bool offline_ = false;
  // Set while a page's create signal is answered, so the new element shares its web process.
  WebKitWebView* pending_related_ = nullptr;
  WebKitWebView* created_related_ = nullptr;
  std::map<int, std::unique_ptr<WebKitPage>> pages_;
  static constexpr size_t kOwnProcesses = 32;
  size_t next_peer_ = 0;
};

}  // namespace zor::webkit
