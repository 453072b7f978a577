// Tabs in the real main window: WebKit pages from 127.0.0.1, the GTK tab strip, the
// address box and the page area, checked as the user would see them.
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/browser_window.h"
#include "common/text_width.h"
#include "e2e/support/engine_support.h"

namespace fs = std::filesystem;

namespace zor::gtk {
namespace {

// The window keeps its profile (recovery list, typed addresses, engine data) in the XDG
// folders; point them at a scratch folder before anything reads them.
const fs::path kScratch = [] {
  const fs::path dir = fs::temp_directory_path() / ("zor-engine-tabs-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  for (const char* var : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
    setenv(var, (dir / var).c_str(), 1);
  std::atexit([] { fs::remove_all(fs::temp_directory_path() / ("zor-engine-tabs-" + std::to_string(::getpid()))); });
  return dir;
}();

using e2e::PumpUntil;

// Pages titled "Page <name>"; "/slow..." holds its picture back for two seconds, and
// "/closer..." closes its own window a moment after loading.
e2e::HttpResponse AnswerPage(const e2e::HttpRequest& request, const std::atomic<bool>& stopping) {
  const std::string name = request.path.substr(1);
  e2e::HttpResponse response;
  if (name.rfind("picture", 0) == 0) {
    for (int i = 0; i < 20 && !stopping; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    response.type = "image/svg+xml";
    response.body = "<svg xmlns='http://www.w3.org/2000/svg' width='8' height='8'/>";
    return response;
  }
  response.body = "<!DOCTYPE html><html><head><title>Page " + name + "</title></head><body><h1>" + name + "</h1>";
  if (name.rfind("slow", 0) == 0) response.body += "<img src='/picture-" + name + "'>";
  if (name.rfind("closer", 0) == 0) response.body += "<script>setTimeout(function () { window.close(); }, 300);</script>";
  response.body += "</body></html>";
  return response;
}

struct PageServer : e2e::LoopbackServer {
  PageServer() : LoopbackServer(AnswerPage) {}
  std::string Url(const std::string& name) const { return LoopbackServer::Url("/" + name); }
};

// The text of the first label inside `widget`.
std::string LabelText(Gtk::Widget* widget) {
  if (!widget) return {};
  if (auto* label = dynamic_cast<Gtk::Label*>(widget)) return label->get_text();
  for (Gtk::Widget* child = widget->get_first_child(); child; child = child->get_next_sibling())
    if (std::string text = LabelText(child); !text.empty()) return text;
  return {};
}

class EngineTabsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Each window starts on a fresh profile: no recovery list left by the one before.
    e2e::RemoveProfileFolder(kScratch / "XDG_DATA_HOME" / "zor-browser");
    folder = kScratch / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(folder);
    for (const char* file : {"default.tb2", "lng.ini", "Translist.txt"})
      fs::copy_file(fs::path(ZOR_PROGRAM_DIR) / file, folder / file);
    fs::copy(fs::path(ZOR_PROGRAM_DIR) / "res", folder / "res", fs::copy_options::recursive);
    window = std::make_unique<app::BrowserWindow>(folder.string());
  }
  void TearDown() override {
    window.reset();
    fs::remove_all(folder);
  }
  shell::MainForm& form() { return window->form(); }
  toolbar::Tool* Tab(int page) { return form().chrome.ab_Main.tool("tb_Tabs", "tabs-" + std::to_string(page)); }
  std::string Caption() { return window->mainWindow().get_title(); }
  bool Titled(int page, const std::string& name) {
    const toolbar::Tool* tab = Tab(page);
    return tab && tab->caption == ShortenText("Page " + name, 14);
  }
  // The web view of page `n` is what the page area shows.
  bool Shows(int n) {
    auto* page = static_cast<webkit::WebKitPage*>(form().chrome.WB.Page(n));
    Gtk::Widget* shown = window->pageArea().get_visible_child();
    return page && shown && shown->gobj() == GTK_WIDGET(page->view());
  }

  PageServer server;
  fs::path folder;
  std::unique_ptr<app::BrowserWindow> window;
};

TEST_F(EngineTabsTest, ThreeTabsCloseTheMiddleOne) {
  ASSERT_TRUE(window->StartUp(server.Url("a")));
  ASSERT_TRUE(PumpUntil([&] { return Titled(1, "a"); }));
  form().tabs.AddNewPage(server.Url("b"), true);
  form().tabs.AddNewPage(server.Url("c"), true);
  ASSERT_TRUE(PumpUntil([&] { return Titled(2, "b") && Titled(3, "c"); }));
  EXPECT_EQ(Caption().rfind("Page c - ", 0), 0u) << Caption();

  form().tabs.SelectPage(2);
  ASSERT_TRUE(PumpUntil([&] { return Shows(2); }));
  EXPECT_EQ(Caption(), "Page b - " + window->form().chrome.TitleText);
  form().tabs.ClosePage(0);  // the middle tab, shown; the page shown before it comes back
  ASSERT_TRUE(PumpUntil([&] { return Shows(3); }));

  EXPECT_EQ(Caption(), "Page c - " + window->form().chrome.TitleText);
  EXPECT_EQ(window->mainWindow().AddressText(), server.Url("c"));
  EXPECT_EQ(form().chrome.WB.Page(2), nullptr);
  const toolbar::Band* strip = form().chrome.ab_Main.band("tb_Tabs");
  ASSERT_EQ(strip->tools().count(), 2);
  EXPECT_EQ(strip->tools().at(0)->name, "tabs-1");
  EXPECT_EQ(strip->tools().at(1)->name, "tabs-3");
  // What the strip shows on screen, not only the model.
  EXPECT_TRUE(PumpUntil([&] { return LabelText(window->bars().toolWidget(*Tab(3))) == "Page c"; }))
      << LabelText(window->bars().toolWidget(*Tab(3)));
  EXPECT_EQ(LabelText(window->bars().toolWidget(*Tab(1))), "Page a");
  auto* shown_tab = dynamic_cast<Gtk::ToggleButton*>(window->bars().toolWidget(*Tab(3)));
  ASSERT_NE(shown_tab, nullptr);
  EXPECT_TRUE(shown_tab->get_active());
}

TEST_F(EngineTabsTest, ABackgroundTabShowsItsLoadingWhileTheProgressAreaStays) {
  ASSERT_TRUE(window->StartUp(server.Url("a")));
  ASSERT_TRUE(PumpUntil([&] { return Titled(1, "a") && !form().chrome.WB.Page(1)->Busy(); }));
  const std::string percent = form().progress.PercentText;
  const std::string label = form().progress.lbl_Inf;

  form().tabs.AddNewPage(server.Url("slow"), false);
  const int hidden = form().tabs.LastPageIndex;
  const std::string page_icon = form().chrome.PageIconImage;
  // Its picture is held back, so the page sits at a loading stage for a while.
  ASSERT_TRUE(PumpUntil([&] {
    const toolbar::Tool* tab = Tab(hidden);
    return tab && tab->image != page_icon && !tab->image.empty();
  }));
  const std::string stage = Tab(hidden)->image;
  EXPECT_TRUE(stage == form().tabs.TabIcons[0] || stage == form().tabs.TabIcons[1] || stage == form().tabs.TabIcons[2])
      << stage;
  EXPECT_GT(form().tabs.PageProgress.get(hidden), 0);
  EXPECT_EQ(form().progress.PercentText, percent);
  EXPECT_EQ(form().progress.lbl_Inf, label);
  EXPECT_EQ(form().tabs.ActivePage, 1);
  EXPECT_TRUE(Shows(1));
  ASSERT_TRUE(PumpUntil([&] { return Titled(hidden, "slow"); }));
  EXPECT_EQ(Caption().rfind("Page a - ", 0), 0u) << "a hidden page never titles the window: " << Caption();
}

TEST_F(EngineTabsTest, APageClosingItselfTakesItsTabAlong) {
  ASSERT_TRUE(window->StartUp(server.Url("a")));
  ASSERT_TRUE(PumpUntil([&] { return Titled(1, "a"); }));
  form().tabs.AddNewPage(server.Url("closer-hidden"), false);
  const int hidden = form().tabs.LastPageIndex;
  form().tabs.AddNewPage(server.Url("closer-shown"), true);
  const int shown = form().tabs.LastPageIndex;
  ASSERT_TRUE(
      PumpUntil([&] { return form().chrome.WB.Page(hidden) == nullptr && form().chrome.WB.Page(shown) == nullptr; }));
  EXPECT_EQ(form().tabs.TabCount(), 1);
  EXPECT_EQ(form().tabs.ActivePage, 1);
  EXPECT_TRUE(PumpUntil([&] { return Shows(1); }));
  EXPECT_EQ(Caption(), "Page a - " + window->form().chrome.TitleText);
}

// Web processes started by this program now.
int WebProcesses() {
  int count = 0;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::ifstream stat(entry.path() / "stat");
    std::string pid, name, state;
    long parent = 0;
    if (stat >> pid >> name >> state >> parent && parent == ::getpid() && name.find("WebKitWeb") != std::string::npos)
      ++count;
  }
  return count;
}

// Each web process holds a display connection; at the X server's 256 clients the engine
// aborts, so pages opened by hand must share processes long before that.
TEST_F(EngineTabsTest, ThreeHundredTabsShareWebProcessesAndTheLastStillLoads) {
  ASSERT_TRUE(window->StartUp(server.Url("p1")));
  ASSERT_TRUE(PumpUntil([&] { return Titled(1, "p1"); }));
  for (int i = 2; i <= 300; ++i) {
    form().tabs.AddNewPage(server.Url("p" + std::to_string(i)), i == 300);
    e2e::Pump(0.005);
  }
  const int last = form().tabs.LastPageIndex;
  ASSERT_TRUE(PumpUntil([&] { return Titled(last, "p300"); }, 120));
  EXPECT_EQ(form().tabs.TabCount(), 300);
  EXPECT_LE(WebProcesses(), 40);
  form().tabs.SelectPage(1);
  form().chrome.WB.Page(1)->Navigate(server.Url("again"));
  EXPECT_TRUE(PumpUntil([&] { return Titled(1, "again"); }));
}

// Restored tabs load only when first shown; shown in turn, they too must share processes.
TEST_F(EngineTabsTest, ThreeHundredRestoredTabsShownInTurnShareWebProcesses) {
  {
    std::ofstream saved(folder / "LastPages.ini", std::ios::binary);
    for (int i = 1; i <= 300; ++i) saved << server.Url("r" + std::to_string(i)) << "\r\n";
  }
  ASSERT_TRUE(window->StartUp(""));
  ASSERT_EQ(form().tabs.TabCount(), 300);
  const int last = form().tabs.LastPageIndex;
  for (int position = 1; position <= 300; ++position) {
    form().tabs.SelectPage(form().tabs.PageAtPosition.get(position));
    e2e::Pump(0.01);
  }
  ASSERT_TRUE(PumpUntil([&] { return Titled(last, "r300"); }, 120));
  EXPECT_LE(WebProcesses(), 40);
  form().chrome.WB.Page(last)->Navigate(server.Url("again"));
  EXPECT_TRUE(PumpUntil([&] { return Titled(last, "again"); }));
}

}  // namespace
}  // namespace zor::gtk
