// The page array on WebKitGTK: every element is a WebKitWebView inside one Gtk::Stack
// (the page area). "Shown" is the stack's visible child; a hidden page stays in the
// stack so it keeps loading, as the original hidden holder did.
#pragma once

#include <gtkmm.h>
#include <webkit/webkit.h>

#include <map>
#include <memory>
#include <string>

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
  void SetRegisterAsDropTarget(bool on) override { register_as_drop_target_ = on; }
  void GoBack() override;
  void GoForward() override;
  void GoHome() override;
  void Refresh(int level) override;
  void ExecWB(int command, int option, int input) override;

 private:
  friend class WebKitPageHost;
  void Connect();
  void ReportNavigationState();
  void ReportSecurity();

  WebKitPageHost& host_;
  int index_;
  WebKitWebView* view_;
  std::string tag_;
  std::string location_;
  int ready_state_ = 0;
  bool silent_ = false;
  bool register_as_browser_ = false;
  bool register_as_drop_target_ = true;
  bool mixed_content_ = false;
};

class WebKitPageHost : public hosts::PageHost {
 public:
  // Creates element 0 (the never-shown sink for refused windows).
  explicit WebKitPageHost(Gtk::Stack& page_area);
  ~WebKitPageHost() override;

  hosts::PageControl* Create(int index) override;
  void Destroy(int index) override;
  hosts::PageControl* Page(int index) const override;
  WebKitPage* WebPage(int index) const;

  Gtk::Stack& page_area() { return page_area_; }
  WebKitNetworkSession* session() const { return session_; }
  std::string home_page = "about:blank";

 private:
  friend class WebKitPage;
  WebKitWebView* NewView(WebKitWebView* related);
  Gtk::Stack& page_area_;
  WebKitNetworkSession* session_ = nullptr;
  WebKitSettings* settings_ = nullptr;
  // Set while a page's create signal is answered, so the new element shares its web process.
  WebKitWebView* pending_related_ = nullptr;
  WebKitWebView* created_related_ = nullptr;
  std::map<int, std::unique_ptr<WebKitPage>> pages_;
};

}  // namespace zor::webkit
