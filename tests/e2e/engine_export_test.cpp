// Page extraction in the real main window: the links page of a loopback page with a frame
// from another site, and the quick save handing the page to the quick-save program.
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "app/browser_window.h"
#include "e2e/support/engine_support.h"

namespace fs = std::filesystem;

namespace zor::gtk {
namespace {

const fs::path kScratch = [] {
  const fs::path dir = fs::temp_directory_path() / ("zor-engine-export-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  for (const char* var : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) setenv(var, (dir / var).c_str(), 1);
  std::atexit([] { fs::remove_all(fs::temp_directory_path() / ("zor-engine-export-" + std::to_string(::getpid()))); });
  return dir;
}();

using e2e::PumpUntil;
using Pages = std::map<std::string, std::string>;

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class EngineExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Each window starts on a fresh profile: no recovery list left by the one before.
    // (Another test file of the program may have named the XDG folders last.)
    e2e::RemoveProfileFolder(fs::path(std::getenv("XDG_DATA_HOME")) / "zor-browser");
    folder = kScratch / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(folder);
    for (const char* file : {"default.tb2", "lng.ini", "Translist.txt"})
      fs::copy_file(fs::path(ZOR_PROGRAM_DIR) / file, folder / file);
    fs::copy(fs::path(ZOR_PROGRAM_DIR) / "res", folder / "res", fs::copy_options::recursive);
    // A stand-in for the quick-save program: it notes the arguments it was given.
    std::ofstream(folder / "snavel") << "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/snavel-args.txt\"\n";
    fs::permissions(folder / "snavel", fs::perms::owner_all);
    window = std::make_unique<app::BrowserWindow>(folder.string());
  }
  void TearDown() override {
    window.reset();
    fs::remove_all(folder);
  }
  shell::MainForm& form() { return window->form(); }
  hosts::PageControl* Current() { return form().chrome.WB.Page(form().tabs.ActivePage); }
  void Click(const char* band, const char* name) {
    toolbar::Tool* tool = form().chrome.ab_Main.tool(band, name);
    ASSERT_NE(tool, nullptr) << band << "/" << name;
    form().chrome.ab_Main.events.toolClick(*tool);
  }
  bool StartOn(const std::string& url) {
    if (!window->StartUp(url)) return false;
    return PumpUntil([&] { return Current() && Current()->LocationURL() == url && Current()->ReadyState() == 4; });
  }
  std::string Run(hosts::PageControl* page, const std::string& script) {
    std::string value;
    bool done = false;
    page->RunDom(script, [&](const hosts::ScriptResult& result) {
      value = result.ok ? result.value : "error: " + result.error;
      done = true;
    });
    PumpUntil([&] { return done; });
    return value;
  }

  fs::path folder;
  std::unique_ptr<app::BrowserWindow> window;
};

TEST_F(EngineExportTest, LinksPageListsThePageAndAFrameOfAnotherSite) {
  e2e::LoopbackServer other(Pages{{"/frame",
                                   "<html><body><a href='/relative'>r</a><a href='http://127.0.0.1:1/f1'>1</a>"
                                   "<a href=\"http://127.0.0.1:1/f2'q\">2</a></body></html>"}});
  e2e::LoopbackServer own(Pages{{"/page",
                                 "<html><head><link rel=stylesheet href='/none.css'></head><body>"
                                 "<a href='http://127.0.0.1:1/x'>x</a><a href='here.html'>here</a>"
                                 "<map name=m><area shape=rect coords='0,0,9,9' href='http://127.0.0.1:1/zone'></map>"
                                 "<iframe src='" +
                                     other.Url("/frame") +
                                     "'></iframe>"
                                     "<iframe src='/same'></iframe></body></html>"},
                                {"/same", "<html><body><a href='http://127.0.0.1:1/s1'>s</a></body></html>"}});
  ASSERT_TRUE(StartOn(own.Url("/page")));
  Click("sub_Links", "b_viewlinks");
  ASSERT_EQ(form().tabs.ActivePage, 2);
  hosts::PageControl* links = Current();
  const std::string read =
      "return document.title + '|' + Array.from(document.querySelectorAll('center')).map(c => "
      "c.textContent.replace(/\\u00a0/g, ' ') + ' ' + c.querySelector('a, area').tagName + ' ' + "
      "c.querySelector('a, area').getAttributeNames().join()).join('|');";
  std::string listed;
  ASSERT_TRUE(PumpUntil([&] { return (listed = Run(links, read)).find("s1") != std::string::npos; })) << listed;
  EXPECT_EQ(listed,
            "\"Page Links|1.   http://127.0.0.1:1/x A href|2.   http://127.0.0.1:1/zone AREA src|"
            "1.   http://127.0.0.1:1/f1 A href|2.   http://127.0.0.1:1/f2'q A href|"
            "3.   http://127.0.0.1:1/s1 A href\"");
  EXPECT_EQ(links->LocationURL(), "about:blank");
}

TEST_F(EngineExportTest, QuickSaveWritesThePageAndStartsTheQuickSaveProgram) {
  e2e::LoopbackServer server(Pages{{"/page", "<html><body><p>Quick ünïcode</p></body></html>"}});
  ASSERT_TRUE(StartOn(server.Url("/page")));
  Click("tb_Main", "b_fastsave");
  const fs::path arguments = folder / "snavel-args.txt";
  ASSERT_TRUE(PumpUntil([&] { return fs::exists(arguments) && !ReadText(arguments).empty(); }));
  EXPECT_EQ(ReadText(arguments), "url:" + server.Url("/page") + "\n");
  EXPECT_EQ(ReadText(folder / "SavedFiles" / "QuickSave.dat"), "<head></head><body><p>Quick ünïcode</p></body>\r\n");
}

}  // namespace
}  // namespace zor::gtk
