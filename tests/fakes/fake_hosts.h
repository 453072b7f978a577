// Fakes of the page array and the main window: they record what the logic asks of them.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/connection.h"
#include "hosts/main_window_host.h"
#include "hosts/page_control.h"

namespace zor::fakes {

class FakePage : public hosts::PageControl {
 public:
  explicit FakePage(int index) : index(index) {}
  int index;
  hosts::Container container = hosts::Container::kHidden;
  bool visible = false;
  std::string tag;
  std::string location;
  std::string title;
  std::vector<std::string> navigations;
  bool silent = false;
  bool register_as_browser = false;
  bool register_as_drop_target = true;
  bool has_document = false;
  int cleared = 0;
  int focused = 0;
  int fronted = 0;

  void SetContainer(hosts::Container c) override { container = c; }
  void SetVisible(bool v) override { visible = v; }
  void MoveToFill() override {}
  void BringToFront() override { ++fronted; }
  void Focus() override { ++focused; }
  std::string Tag() const override { return tag; }
  void SetTag(const std::string& t) override { tag = t; }
  void Navigate(const std::string& url) override {
    navigations.push_back(url);
    location = url;
  }
  void Stop() override {}
  std::string LocationURL() const override { return location; }
  std::string LocationName() const override { return title.empty() ? location : title; }
  bool HasDocument() const override { return has_document; }
  std::string DocumentTitle() const override { return title; }
  void ClearDocument() override { ++cleared; }
  bool Busy() const override { return false; }
  int ReadyState() const override { return 0; }
  bool Silent() const override { return silent; }
  void SetSilent(bool s) override { silent = s; }
  void SetRegisterAsBrowser(bool on) override { register_as_browser = on; }
  void SetRegisterAsDropTarget(bool on) override { register_as_drop_target = on; }
  void GoBack() override {}
  void GoForward() override {}
  void GoHome() override {}
  void Refresh(int) override {}
  void ExecWB(int, int, int) override {}
};

class FakePageHost : public hosts::PageHost {
 public:
  FakePageHost() { Create(0); }
  hosts::PageControl* Create(int index) override {
    auto& slot = pages[index];
    if (!slot) slot = std::make_unique<FakePage>(index);
    return slot.get();
  }
  void Destroy(int index) override { pages.erase(index); }
  hosts::PageControl* Page(int index) const override { return Fake(index); }
  FakePage* Fake(int index) const {
    auto it = pages.find(index);
    return it == pages.end() ? nullptr : it->second.get();
  }
  std::map<int, std::unique_ptr<FakePage>> pages;
};

class FakeWindow : public hosts::MainWindowHost {
 public:
  std::string caption;
  std::vector<std::string> messages;
  std::vector<std::string> address_items;
  std::string address_text;
  std::string progress_image;
  bool shown = false;
  bool maximized = false;

  void SetCaption(const std::string& c) override { caption = c; }
  std::string Caption() const override { return caption; }
  void Show() override { shown = true; }
  void Maximize() override { maximized = true; }
  hosts::MessageResult MessageBox(const std::string& text, hosts::MessageButtons, const std::string&) override {
    messages.push_back(text);
    return message_answer;
  }
  hosts::MessageResult message_answer = hosts::MessageResult::kOk;
  void AddAddressItem(const std::string& item) override { address_items.push_back(item); }
  void SetAddressText(const std::string& text) override { address_text = text; }
  std::string AddressText() const override { return address_text; }
  bool LoadProgressImage(const std::string& path) override {
    progress_image = path;
    return true;
  }
  bool IsMaximized() const override { return maximized; }
  bool IsMinimized() const override { return minimized; }
  int InnerWidth() const override { return inner_width; }
  void GetNormalSize(int& w, int& h) const override {
    w = normal_width;
    h = normal_height;
  }
  void SetNormalSize(int w, int h) override {
    normal_width = w;
    normal_height = h;
  }
  void Unmaximize() override { maximized = false; }
  bool minimized = false;
  int inner_width = 1200;
  int normal_width = 800;
  int normal_height = 600;
  bool IsVisible() const override { return shown; }
  void SetFullScreen(bool on) override { full_screen = on; }
  void SetDecorated(bool on) override { decorated = on; }
  void Close() override { ++close_requests; }
  void ProcessPendingEvents() override { ++pending_runs; }
  std::optional<std::string> InputBox(const std::string& prompt, const std::string&, const std::string&) override {
    prompts.push_back(prompt);
    return input_answer;
  }
  std::string OpenFileDialog(const std::string& filter) override {
    file_filters.push_back(filter);
    return file_answer;
  }

  bool full_screen = false;
  bool decorated = true;
  int close_requests = 0;
  int pending_runs = 0;
  std::vector<std::string> prompts;
  std::optional<std::string> input_answer;
  std::vector<std::string> file_filters;
  std::string file_answer;
};

// A Connection that records the calls and serves a fixed proxy list.
class FakeConnection : public Connection {
 public:
  explicit FakeConnection(std::vector<std::string>* log, std::vector<std::string> proxies = {})
      : log_(log), proxies_(std::move(proxies)) {}
  void ShowWindow(StatusBox*, const std::string&) override { log_->push_back("ShowWindow"); }
  void GetProxyList(std::vector<std::string>& c) override {
    log_->push_back("GetProxyList");
    c.insert(c.end(), proxies_.begin(), proxies_.end());
  }
  bool setProxy(const std::string& ip) override {
    log_->push_back("setProxy:" + ip);
    return false;
  }
  bool inBlackList(const std::string&) override { return false; }
  void delTemp(bool, bool, bool, StatusBox*, const std::string&) override {}
  void addtoHei(const std::string&) override {}
  void addToNonProxy(const std::string&, const std::string&) override {}

 private:
  std::vector<std::string>* log_;
  std::vector<std::string> proxies_;
};

}  // namespace zor::fakes
