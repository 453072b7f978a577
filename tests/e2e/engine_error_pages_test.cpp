// What the address box and the tab show when a load fails, when a document has no title,
// and where typed words go: the real main window against pages from 127.0.0.1.
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/browser_window.h"
#include "common/ini_text.h"
#include "common/text_width.h"
#include "e2e/support/engine_support.h"

namespace fs = std::filesystem;

namespace zor::gtk {
namespace {

const fs::path kScratch = [] {
  const fs::path dir = fs::temp_directory_path() / ("zor-engine-errors-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  for (const char* var : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) setenv(var, (dir / var).c_str(), 1);
  std::atexit([] { fs::remove_all(fs::temp_directory_path() / ("zor-engine-errors-" + std::to_string(::getpid()))); });
  return dir;
}();

using e2e::PumpUntil;

// "/plain" is a document without a title, "/find..." the search service's results; every
// other path is titled "Page <path>".
e2e::HttpResponse Answer(const e2e::HttpRequest& request, const std::atomic<bool>&) {
  e2e::HttpResponse response;
  if (request.path == "/plain")
    response.body = "<!DOCTYPE html><p>no title here</p>";
  else if (request.path.rfind("/find?", 0) == 0)
    response.body = "<!DOCTYPE html><title>Results</title><p>found</p>";
  else
    response.body = "<!DOCTYPE html><title>Page " + request.path.substr(1) + "</title><p>content</p>";
  return response;
}

class EngineErrorPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Each window starts on a fresh profile. GLib reads the XDG folders once, and another
    // test file of this program may have set them first: ask GLib where they are.
    e2e::RemoveProfileFolder(fs::path(Glib::get_user_data_dir()) / "zor-browser");
    e2e::RemoveProfileFolder(fs::path(Glib::get_user_config_dir()) / "zor-browser");
    folder = kScratch / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(folder);
    for (const char* file : {"default.tb2", "lng.ini", "Translist.txt"})
      fs::copy_file(fs::path(ZOR_PROGRAM_DIR) / file, folder / file);
    fs::copy(fs::path(ZOR_PROGRAM_DIR) / "res", folder / "res", fs::copy_options::recursive);
  }
  void Open() { window = std::make_unique<app::BrowserWindow>(folder.string()); }
  void TearDown() override {
    window.reset();
    fs::remove_all(folder);
  }
  shell::MainForm& form() { return window->form(); }
  std::string Lng(const char* key) { return ReadIniText((folder / "lng.ini").string(), "ZOR_Main", key); }
  std::string TabCaption(int page) {
    const toolbar::Tool* tab = form().chrome.ab_Main.tool("tb_Tabs", "tabs-" + std::to_string(page));
    return tab ? tab->caption : "";
  }
  std::string Address() { return window->mainWindow().AddressText(); }
  std::string Caption() { return window->mainWindow().get_title(); }
  // The shown page's text, as the user reads it.
  std::string PageText(int page) {
    std::string text;
    bool done = false;
    form().chrome.WB.Page(page)->RunDom("return document.body ? document.body.innerText : '';",
                                        [&](const hosts::ScriptResult& result) {
                                          text = result.value;
                                          done = true;
                                        });
    PumpUntil([&] { return done; }, 10);
    return text;
  }
  bool ShowsErrorPage(int page) {
    const std::string title = Lng("err_Title");
    return TabCaption(page) == ShortenText(title, 14) && Caption().rfind(title + " - ", 0) == 0;
  }

  fs::path folder;
  std::unique_ptr<app::BrowserWindow> window;
};

TEST_F(EngineErrorPagesTest, ARefusedPortShowsTheErrorPageAndTryAgainLoadsOnceTheServerIsUp) {
  int port = 0;
  {
    e2e::LoopbackServer gone(Answer);
    port = gone.port();
  }  // nothing listens there now
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/back";
  Open();
  ASSERT_TRUE(window->StartUp(url));
  ASSERT_TRUE(PumpUntil([&] { return ShowsErrorPage(1); })) << TabCaption(1) << " / " << Caption();
  EXPECT_EQ(Address(), url) << "the address asked for stays";
  const std::string text = PageText(1);
  EXPECT_NE(text.find(Lng("err_Refused")), std::string::npos) << text;
  EXPECT_NE(text.find(url), std::string::npos) << text;
  EXPECT_TRUE(PumpUntil([&] { return form().tabs.PageProgress.get(1) >= 100 || !form().chrome.WB.Page(1)->Busy(); }));

  e2e::LoopbackServer server(Answer, "127.0.0.1", 64, port);
  bool clicked = false;
  form().chrome.WB.Page(1)->RunDom("document.getElementById('try-again').click(); return true;",
                                   [&](const hosts::ScriptResult&) { clicked = true; });
  ASSERT_TRUE(PumpUntil([&] { return TabCaption(1) == ShortenText("Page back", 14); })) << TabCaption(1);
  EXPECT_TRUE(clicked);
  EXPECT_TRUE(server.Asked("/back"));
  EXPECT_EQ(Address(), url);
  EXPECT_EQ(Caption(), "Page back - " + form().chrome.TitleText);
}

TEST_F(EngineErrorPagesTest, APageWithoutATitleShowsItsAddressInTabAndAddressBox) {
  e2e::LoopbackServer server(Answer);
  Open();
  ASSERT_TRUE(window->StartUp(server.Url("/first")));
  ASSERT_TRUE(PumpUntil([&] { return TabCaption(1) == ShortenText("Page first", 14); }));
  window->mainWindow().SetAddressText(server.Url("/plain"));
  form().address.OnAddressEnter(false, false, false);
  ASSERT_TRUE(PumpUntil([&] { return TabCaption(1) == ShortenText(server.Url("/plain"), 14); })) << TabCaption(1);
  EXPECT_EQ(Address(), server.Url("/plain"));
  EXPECT_EQ(Caption(), server.Url("/plain") + " - " + form().chrome.TitleText);
}

TEST_F(EngineErrorPagesTest, TypedWordsOpenTheSearchServicesAddress) {
  e2e::LoopbackServer server(Answer);
  std::ofstream(folder / "Browser.ini") << "[ZOR-BROWSER]\nSEARCH_URL=" << server.Url("/find?q={query}&in=zor") << "\n";
  Open();
  ASSERT_TRUE(window->StartUp(""));
  window->mainWindow().SetAddressText("foo bar");
  form().address.OnAddressEnter(false, false, false);
  const std::string searched = server.Url("/find?q=foo%20bar&in=zor");
  ASSERT_TRUE(PumpUntil([&] { return server.Asked("/find?q=foo%20bar&in=zor"); }))
      << form().chrome.WB.Page(1)->LocationURL();
  ASSERT_TRUE(PumpUntil([&] { return TabCaption(1) == "Results"; })) << TabCaption(1);
  EXPECT_EQ(Address(), shell::ShowBlanks(searched)) << "the box shows blanks as blanks";
}

TEST_F(EngineErrorPagesTest, RefreshWhileOfflineEndsWithTheOfflineErrorPage) {
  e2e::LoopbackServer server(Answer);
  Open();
  ASSERT_TRUE(window->StartUp(server.Url("/here")));
  ASSERT_TRUE(PumpUntil([&] { return TabCaption(1) == ShortenText("Page here", 14); }));
  ASSERT_TRUE(PumpUntil([&] { return window->pages().offline_rule_ready(); }));
  form().chrome.page_commands->SetOffline(true);
  form().chrome.WB.Page(1)->Refresh(0);
  ASSERT_TRUE(PumpUntil([&] { return ShowsErrorPage(1); })) << TabCaption(1);
  EXPECT_NE(PageText(1).find(Lng("err_Offline")), std::string::npos);
  EXPECT_EQ(Address(), server.Url("/here"));
  EXPECT_TRUE(PumpUntil([&] { return !form().chrome.WB.Page(1)->Busy(); }));
  EXPECT_GE(form().tabs.PageProgress.get(1), 100) << "the load ended";
}

}  // namespace
}  // namespace zor::gtk
