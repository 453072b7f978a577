// Many tabs: open N background tabs of a loopback page, then switch through them, in the
// browser's own window and, as the floor no shell can beat, in a bare window holding N
// web views in a stack. Prints the time to open, the time per switch (the call, and until
// the window has painted the page) and the memory of the UI process and its web processes.
//
//   tabs_bench browser|bare [tabs=200] [rounds=3]
#include <dirent.h>
#include <gtkmm.h>
#include <gtkmm/init.h>
#include <unistd.h>
#include <webkit/webkit.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/browser_window.h"
#include "e2e/support/loopback_server.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// A plain page of some weight: text, a table and a little script, as a typical article.
class PageServer {
 public:
  PageServer() {
    std::string rows;
    for (int i = 0; i < 200; ++i) rows += "<tr><td>row " + std::to_string(i) + "</td><td>some cell text</td></tr>";
    body_ = "<!DOCTYPE html><html><head><title>Bench page</title><style>td{padding:2px}</style></head><body>"
            "<h1>Bench page</h1><p>" + std::string(2000, 'x') + "</p><table>" + rows +
            "</table><script>document.title = 'Bench ' + location.pathname.slice(1);</script></body></html>";
  }
  std::string Url(int i) const { return server_.Url("/" + std::to_string(i)); }

 private:
  std::string body_;
  zor::e2e::LoopbackServer server_{[this](const zor::e2e::HttpRequest&, const std::atomic<bool>&) {
                                     zor::e2e::HttpResponse response;
                                     response.body = body_;
                                     return response;
                                   },
                                   "127.0.0.1", 256};
};

bool PumpUntil(const std::function<bool()>& done, double seconds) {
  auto context = Glib::MainContext::get_default();
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (Clock::now() > end) return false;
    if (!context->iteration(false)) std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

// Resident and proportional memory (kB) of this process and every process below it.
struct Memory {
  long rss_self = 0, pss_self = 0, rss_children = 0, pss_children = 0;
  int children = 0;
};

long StatusField(const std::string& file, const std::string& key) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + key.size());
  return 0;
}

Memory MeasureMemory() {
  Memory m;
  const int self = getpid();
  m.rss_self = StatusField("/proc/self/status", "VmRSS:");
  m.pss_self = StatusField("/proc/self/smaps_rollup", "Pss:");
  std::set<int> family{self};
  // Parents come before their children in a few passes over the process list.
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto& entry : fs::directory_iterator("/proc")) {
      const std::string name = entry.path().filename();
      if (name.find_first_not_of("0123456789") != std::string::npos) continue;
      const int pid = std::atoi(name.c_str());
      if (family.count(pid)) continue;
      std::ifstream stat(entry.path() / "stat");
      std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
      const size_t close_paren = text.rfind(')');
      if (close_paren == std::string::npos) continue;
      std::istringstream rest(text.substr(close_paren + 2));
      char state;
      int ppid = 0;
      rest >> state >> ppid;
      if (family.count(ppid)) {
        family.insert(pid);
        grew = true;
        ++m.children;
        m.rss_children += StatusField((entry.path() / "status").string(), "VmRSS:");
        m.pss_children += StatusField((entry.path() / "smaps_rollup").string(), "Pss:");
      }
    }
  }
  return m;
}

struct Stats {
  double median = 0, p95 = 0, mean = 0;
};

Stats Summarise(std::vector<double> v) {
  Stats s;
  if (v.empty()) return s;
  std::sort(v.begin(), v.end());
  s.median = v[v.size() / 2];
  s.p95 = v[std::min(v.size() - 1, v.size() * 95 / 100)];
  for (double x : v) s.mean += x;
  s.mean /= static_cast<double>(v.size());
  return s;
}

// What the two kinds of window offer the measurement.
struct Subject {
  Gtk::Window* window = nullptr;
  std::function<void(int i, const std::string& url)> open;  // in the background
  std::function<bool(int i)> loaded;
  std::function<void(int i)> show;
};

int Run(Subject& subject, const PageServer& server, int tabs, int rounds, const char* mode) {
  if (!PumpUntil([&] { return subject.window->get_mapped(); }, 30)) {
    std::fprintf(stderr, "the window never appeared\n");
    return 1;
  }
  PumpUntil([] { return false; }, 1.0);  // settle the first paint and the engine's processes
  const Memory before = MeasureMemory();

  const auto open_start = Clock::now();
  for (int i = 0; i < tabs; ++i) subject.open(i, server.Url(i));
  const auto opened = Clock::now();
  if (!PumpUntil(
          [&] {
            for (int i = 0; i < tabs; ++i)
              if (!subject.loaded(i)) return false;
            return true;
          },
          600)) {
    std::fprintf(stderr, "not every page loaded\n");
    return 1;
  }
  const auto all_loaded = Clock::now();
  PumpUntil([] { return false; }, 2.0);
  const Memory after = MeasureMemory();

  // One switch: the call itself, then until the window has painted a frame with the page.
  std::vector<double> call_ms, painted_ms;
  auto clock = subject.window->get_frame_clock();
  for (int round = 0; round < rounds; ++round) {
    for (int i = 0; i < tabs; ++i) {
      bool painted = false;
      const gulong connection = g_signal_connect(clock->gobj(), "after-paint", G_CALLBACK(+[](GdkFrameClock*, gpointer flag) {
                                                    *static_cast<bool*>(flag) = true;
                                                  }),
                                                  &painted);
      const auto start = Clock::now();
      subject.show(i);
      const auto called = Clock::now();
      PumpUntil([&] { return painted; }, 10);
      const auto done = Clock::now();
      g_signal_handler_disconnect(clock->gobj(), connection);
      call_ms.push_back(Ms(called - start));
      painted_ms.push_back(Ms(done - start));
    }
  }
  const Stats call = Summarise(call_ms), paint = Summarise(painted_ms);
  std::printf("%s: %d background tabs\n", mode, tabs);
  std::printf("  open calls         %8.1f ms (%.2f ms per tab)\n", Ms(opened - open_start), Ms(opened - open_start) / tabs);
  std::printf("  all loaded after   %8.1f ms\n", Ms(all_loaded - open_start));
  std::printf("  switch call        median %.3f ms  p95 %.3f ms  mean %.3f ms  (%zu switches)\n", call.median, call.p95,
              call.mean, call_ms.size());
  std::printf("  switch to painted  median %.2f ms  p95 %.2f ms  mean %.2f ms\n", paint.median, paint.p95, paint.mean);
  std::printf("  memory before      UI %ld MB RSS (%ld MB PSS), %d child processes %ld MB RSS (%ld MB PSS)\n",
              before.rss_self / 1024, before.pss_self / 1024, before.children, before.rss_children / 1024,
              before.pss_children / 1024);
  std::printf("  memory with tabs   UI %ld MB RSS (%ld MB PSS), %d child processes %ld MB RSS (%ld MB PSS)\n",
              after.rss_self / 1024, after.pss_self / 1024, after.children, after.rss_children / 1024,
              after.pss_children / 1024);
  std::printf("  per tab            %.2f MB PSS (UI and engine together)\n",
              static_cast<double>(after.pss_self + after.pss_children - before.pss_self - before.pss_children) / 1024.0 /
                  tabs);
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "browser";
  const int tabs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
  // A scratch profile, so the run neither reads nor leaves anything in the user's own.
  const fs::path scratch = fs::temp_directory_path() / ("zor-tabs-bench-" + std::to_string(getpid()));
  fs::create_directories(scratch);
  for (const char* var : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
    fs::create_directories(scratch / var);
    setenv(var, (scratch / var).c_str(), 1);
  }
  gtk_init();
  Gtk::init_gtkmm_internals();
  PageServer server;
  int status = 0;

  if (mode == "browser") {
    const fs::path folder = scratch / "ZOR-Browser";
    fs::create_directories(folder);
    for (const char* file : {"default.tb2", "lng.ini"}) fs::copy_file(fs::path(ZOR_PROGRAM_DIR) / file, folder / file);
    fs::copy(fs::path(ZOR_PROGRAM_DIR) / "res", folder / "res", fs::copy_options::recursive);
    auto window = std::make_unique<zor::app::BrowserWindow>(folder.string());
    if (!window->StartUp("")) return 1;
    zor::shell::MainForm& form = window->form();
    std::vector<int> pages(tabs);
    Subject subject;
    subject.window = &window->mainWindow();
    subject.open = [&](int i, const std::string& url) {
      form.tabs.AddNewPage(url, false);
      pages[i] = form.tabs.LastPageIndex;
    };
    subject.loaded = [&](int i) {
      const zor::hosts::PageControl* page = form.chrome.WB.Page(pages[i]);
      return page && page->ReadyState() == 4 && !page->DocumentTitle().empty();
    };
    subject.show = [&](int i) { form.tabs.SelectPage(pages[i]); };
    status = Run(subject, server, tabs, rounds, "browser");
    window.reset();
  } else {
    Gtk::Window window;
    window.set_default_size(1280, 800);
    Gtk::Stack stack;
    window.set_child(stack);
    WebKitNetworkSession* session = webkit_network_session_new((scratch / "data").c_str(), (scratch / "cache").c_str());
    std::vector<WebKitWebView*> views;
    WebKitWebView* first = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", session, nullptr));
    gtk_stack_add_child(stack.gobj(), GTK_WIDGET(first));
    window.present();
    Subject subject;
    subject.window = &window;
    subject.open = [&](int, const std::string& url) {
      auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", session, nullptr));
      gtk_stack_add_child(stack.gobj(), GTK_WIDGET(view));
      webkit_web_view_load_uri(view, url.c_str());
      views.push_back(view);
    };
    subject.loaded = [&](int i) {
      const char* title = webkit_web_view_get_title(views[i]);
      return !webkit_web_view_is_loading(views[i]) && title && *title;
    };
    subject.show = [&](int i) { gtk_stack_set_visible_child(stack.gobj(), GTK_WIDGET(views[i])); };
    status = Run(subject, server, tabs, rounds, "bare WebKitGTK");
    window.destroy();
    g_object_unref(session);
  }
  fs::remove_all(scratch);
  return status;
}
