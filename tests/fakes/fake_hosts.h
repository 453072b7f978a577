// Fakes of the page array and the main window: they record what the logic asks of them.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/connection.h"
#include "hosts/input_hook.h"
#include "hosts/main_window_host.h"
#include "hosts/page_commands.h"
#include "hosts/page_control.h"
#include "hosts/window_system.h"

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
  // Calls of the browser members, one text each ("stop", "back", "refresh:1", "exec:19:2:4").
  std::vector<std::string> calls;
  // A member named here ("stop", "exec", "focus", ...) throws, as a failing call does.
  std::string failing;
  // Answers to RunDom, by script; the scripts run are kept in order.
  std::vector<std::string> scripts;
  std::function<hosts::ScriptResult(const std::string&)> dom_answer;

  void Call(const std::string& what, const std::string& detail = {}) {
    if (!failing.empty() && what == failing) throw std::runtime_error(what + " failed");
    calls.push_back(detail.empty() ? what : what + ":" + detail);
  }

  void SetContainer(hosts::Container c) override { container = c; }
  void SetVisible(bool v) override { visible = v; }
  void MoveToFill() override {}
  void BringToFront() override { ++fronted; }
  void Focus() override {
    Call("focus");
    ++focused;
  }
  std::string Tag() const override { return tag; }
  void SetTag(const std::string& t) override { tag = t; }
  void Navigate(const std::string& url) override {
    navigations.push_back(url);
    location = url;
  }
  void Stop() override { Call("stop"); }
  std::string LocationURL() const override { return location; }
  std::string location_name;  // when empty, the title or else the address stands for it
  std::string LocationName() const override {
    return !location_name.empty() ? location_name : title.empty() ? location : title;
  }
  bool HasDocument() const override { return has_document; }
  std::string DocumentTitle() const override {
    if (failing == "title") throw std::runtime_error("title failed");
    return title;
  }
  void ClearDocument() override { ++cleared; }
  bool Busy() const override { return busy; }
  int ReadyState() const override { return ready_state; }
  bool busy = false;
  int ready_state = 0;
  bool Silent() const override { return silent; }
  void SetSilent(bool s) override { silent = s; }
  void SetRegisterAsBrowser(bool on) override { register_as_browser = on; }
  void SetRegisterAsDropTarget(bool on) override { register_as_drop_target = on; }
  void GoBack() override { Call("back"); }
  void GoForward() override { Call("forward"); }
  void GoHome() override { Call("home"); }
  void Refresh(int level) override { Call("refresh", std::to_string(level)); }
  void ExecWB(int command, int option, int input) override {
    Call("exec", std::to_string(command) + ":" + std::to_string(option) + ":" + std::to_string(input));
  }
  int page_zoom = 100;
  void SetPageZoom(int percent) override { page_zoom = percent; }
  // The error page shown last, and the address it stands in for.
  std::string error_html, error_url;
  void ShowErrorPage(const std::string& html, const std::string& url) override {
    error_html = html;
    error_url = url;
  }
  // What the page's script reported last.
  hosts::DocumentSnapshot snapshot;
  const hosts::DocumentSnapshot& Snapshot() const override {
    if (failing == "snapshot") throw std::runtime_error("snapshot failed");
    return snapshot;
  }
  void RunDom(const std::string& body, hosts::ScriptDone done) override {
    scripts.push_back(body);
    if (done) done(dom_answer ? dom_answer(body) : hosts::ScriptResult{false, "", "no document"});
  }
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
  void SetImageLoadsBlocked(bool on) override { images_blocked = on; }
  bool images_blocked = false;
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
  std::vector<std::string> message_titles;
  std::vector<std::string> address_items;
  std::string address_text;
  std::string progress_image;
  bool shown = false;
  bool maximized = false;

  void SetCaption(const std::string& c) override { caption = c; }
  std::string Caption() const override { return caption; }
  void Show() override { shown = true; }
  void Maximize() override { maximized = true; }
  std::vector<std::string> sounds;  // files played, in order
  void PlaySound(const std::string& path) override { sounds.push_back(path); }
  hosts::MessageResult MessageBox(const std::string& text, hosts::MessageButtons, const std::string& title) override {
    messages.push_back(text);
    message_titles.push_back(title);
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

  // The address box's selection, the typed-URL store, the progress area, band places.
  bool AddressAllSelected() const override { return all_selected; }
  void SelectAllAddress() override {
    ++select_alls;
    all_selected = true;
  }
  std::string TypedUrlsFile() const override { return typed_urls_file; }
  void DrawProgress(int percent, bool loading, const std::string& label) override {
    progress = {percent, loading, label};
    ++progress_draws;
  }
  int BandLeft(const std::string& band) const override {
    auto it = band_left.find(band);
    return it == band_left.end() ? 0 : it->second;
  }
  struct Progress {
    int percent = 0;
    bool loading = false;
    std::string label;
  } progress;
  int progress_draws = 0;
  bool all_selected = true;
  int select_alls = 0;
  std::string typed_urls_file;
  std::map<std::string, int> band_left;

  void SendControlKey(char key) override { keys.push_back(std::string("Ctrl+") + key); }
  void SetEnabled(bool on) override { enabled_log.push_back(on); }
  void WaitForEvents() override {
    ++waits;
    if (on_wait) on_wait();
  }
  int StartInternetOptions(int page) override {
    options_pages.push_back(page);
    return options_task;
  }
  bool TaskRunning(int task) const override { return task != 0 && task == running_task; }
  std::vector<std::string> keys;
  std::vector<bool> enabled_log;
  int waits = 0;
  std::function<void()> on_wait;  // what happens while the window waits (the user closing a window)
  std::vector<int> options_pages;
  int options_task = 0;  // what StartInternetOptions returns
  int running_task = 0;  // the task that is still running
};

// The page command object: records the commands and holds the offline state.
class FakePageCommands : public hosts::PageCommands {
 public:
  void Attach(int page) override { attached = page; }
  int AttachedPage() const override { return attached; }
  bool Offline() const override { return offline; }
  void SetOffline(bool on) override { offline = on; }
  void ShowFind() override { log.push_back("find"); }
  void ShowSource() override { log.push_back("source"); }
  void OrganizeFavorites() override { log.push_back("organize"); }
  void OpenAddressBook() override { log.push_back("addressbook"); }
  int attached = 0;
  bool offline = false;
  std::vector<std::string> log;
};

// Top-level windows kept as a list under the desktop (handle 1), in window order.
class FakeWindowSystem : public hosts::WindowSystem {
 public:
  struct Win {
    Handle handle = 0;
    std::string title;
    std::string class_name = "FakeWindow";
    Rect rect;
    int process = 100;
    bool topmost = false;
    int flashes = 0;
    bool minimized = false;
    Handle parent = 0;
  };
  static constexpr Handle kDesktop = 1;
  std::vector<Win> windows;
  Handle main_window = 0;
  std::vector<std::string> log;

  Handle Add(const std::string& title, int process = 100, Rect rect = {}) {
    Win w;
    w.handle = next_++;
    w.title = title;
    w.process = process;
    w.rect = rect;
    windows.push_back(w);
    return w.handle;
  }
  Win* Find(Handle h) {
    for (Win& w : windows)
      if (w.handle == h) return &w;
    return nullptr;
  }
  const Win* Find(Handle h) const { return const_cast<FakeWindowSystem*>(this)->Find(h); }

  Handle Desktop() const override { return kDesktop; }
  Handle FirstChild(Handle h) const override { return h == kDesktop && !windows.empty() ? windows.front().handle : 0; }
  Handle Next(Handle h) const override {
    for (size_t i = 0; i + 1 < windows.size(); ++i)
      if (windows[i].handle == h) return windows[i + 1].handle;
    return 0;
  }
  Handle FromPoint(int x, int y) const override {
    for (const Win& w : windows)
      if (x >= w.rect.left && x < w.rect.right && y >= w.rect.top && y < w.rect.bottom) return w.handle;
    return 0;
  }
  Handle MainWindow() const override { return main_window; }
  bool SetText(Handle h, const std::string& text) override {
    Win* w = Find(h);
    if (w) w->title = text;
    return w;
  }
  std::string Text(Handle h) const override {
    const Win* w = Find(h);
    return w ? w->title : std::string();
  }
  std::string ClassName(Handle h) const override {
    const Win* w = Find(h);
    return w ? w->class_name : std::string();
  }
  bool GetRect(Handle h, Rect& rect) const override {
    const Win* w = Find(h);
    if (w) rect = w->rect;
    return w;
  }
  bool Move(Handle h, int x, int y, int width, int height, bool) override {
    Win* w = Find(h);
    if (w) w->rect = {x, y, x + width, y + height};
    return w;
  }
  int Close(Handle h) override {
    Record("close", h);
    return 0;
  }
  bool Minimize(Handle h) override {
    Win* w = Find(h);
    if (w) w->minimized = true;
    return w;
  }
  bool Destroy(Handle h) override {
    for (auto it = windows.begin(); it != windows.end(); ++it)
      if (it->handle == h) {
        windows.erase(it);
        return true;
      }
    return false;
  }
  bool Flash(Handle h) override {
    Win* w = Find(h);
    if (w) ++w->flashes;
    return w;
  }
  bool BringToTop(Handle h) override { return Record("top", h); }
  bool SetTopmost(Handle h, bool on) override {
    Win* w = Find(h);
    if (w) w->topmost = on;
    return w;
  }
  Handle SetParent(Handle h, Handle parent) override {
    Win* w = Find(h);
    if (!w) return 0;
    const Handle old = w->parent;
    w->parent = parent;
    return old;
  }
  Handle Menu(Handle) const override { return 0; }
  bool SetMenu(Handle, Handle) override { return false; }
  bool DrawMenuBar(Handle h) override { return Find(h) != nullptr; }
  int ProcessOf(Handle h) const override {
    const Win* w = Find(h);
    return w ? w->process : 0;
  }

 private:
  bool Record(const char* what, Handle h) {
    log.push_back(std::string(what) + ":" + std::to_string(h));
    return Find(h) != nullptr;
  }
  Handle next_ = 2;
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
  bool inBlackList(const std::string& s) override {
    log_->push_back("inBlackList:" + s);
    for (const std::string& entry : black_list)
      if (s.find(entry) != std::string::npos) return true;
    return false;
  }
  std::vector<std::string> black_list;  // an address containing one of these is listed
  void delTemp(bool cookies, bool temp_files, bool history, StatusBox*, const std::string&) override {
    log_->push_back(std::string("delTemp:") + (cookies ? "1" : "0") + (temp_files ? "1" : "0") + (history ? "1" : "0"));
  }
  void addtoHei(const std::string& s) override { log_->push_back("addtoHei:" + s); }
  void addToNonProxy(const std::string& ip, const std::string& host) override {
    log_->push_back("addToNonProxy:" + ip + ":" + host);
  }

 private:
  std::vector<std::string>* log_;
  std::vector<std::string> proxies_;
};

// The input hook: answers as told and counts the questions.
class FakeInputHook : public hosts::InputHook {
 public:
  void Install(std::function<void(hosts::Gesture)> report) override {
    on_gesture = std::move(report);
    installed = true;
  }
  void Remove() override {
    on_gesture = nullptr;
    installed = false;
  }
  bool Installed() const override { return installed; }
  bool RecentClick(double ticks) override {
    click_questions.push_back(ticks);
    if (failing) throw std::runtime_error("hook failed");
    return recent_click;
  }
  unsigned long ClickCount() const override { return clicks; }
  int MouseX() const override { return x; }
  int MouseY() const override { return y; }
  void DropState(bool& first, bool& open_dropped_link) override {
    ++drop_questions;
    first_passed = first;
    open_dropped_link = open_drop;
    open_drop = false;  // one answer per drag, as the real hook gives
  }
  std::function<void(hosts::Gesture)> on_gesture;
  bool installed = false;
  bool recent_click = false;
  unsigned long clicks = 0;
  bool failing = false;
  bool open_drop = false;
  bool first_passed = true;
  int x = 0, y = 0;
  int drop_questions = 0;
  std::vector<double> click_questions;
};

}  // namespace zor::fakes
