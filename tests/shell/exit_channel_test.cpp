// The exit sequence and the status-box command channel, against fake hosts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "browser/shell/main_form.h"
#include "common/files.h"
#include "fakes/fake_hosts.h"

namespace fs = std::filesystem;
using zor::fakes::FakePageHost;
using zor::fakes::FakeWindow;
using zor::hosts::MessageResult;
using zor::shell::MainForm;

namespace {

constexpr const char* kSkin = R"(tb2 1
band tb_Main row=1 caption="Standard Buttons"
  tool b_fullscreen id=2 caption="Full Screen"
band tb_Addressbar row=2 caption="Address"
  tool ctl_addr type=custom
band tb_Tabs type=tabs row=3 caption="Tabs"
band sb_Status type=status caption="Status"
band sub_View type=popup caption=View
  tool b_fullscreen id=2
band sub_Usetools type=popup caption=Tools
  tool b_opengetbar id=30 checked=1
  tool b_besilent id=31
band sub_Blocked type=popup caption=Blocked
)";

class ExitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("zor-exit-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::ofstream(folder / "default.tb2") << kSkin;
    std::ofstream(folder / "lng.ini") << "[ZOR_Main]\nmsg_Exit=Really quit?\n";
    form = std::make_unique<MainForm>(toolbar, pages, window, folder.string());
    ASSERT_TRUE(form->StartUp(""));
    form->WireEvents();
    window.messages.clear();
  }
  void TearDown() override { fs::remove_all(folder); }
  std::string LastPages() { return zor::ReadWholeFile((folder / "LastPages.ini").string()).value_or("<none>"); }
  void OpenThree() {
    pages.Fake(1)->Navigate("http://127.0.0.1:1/a");
    form->tabs.AddNewPage("", true);  // blank: not written
    form->tabs.AddNewPage("http://127.0.0.1:1/c", true);
  }

  fs::path folder;
  zor::toolbar::ToolbarControl toolbar;
  FakePageHost pages;
  FakeWindow window;
  std::unique_ptr<MainForm> form;
};

TEST_F(ExitTest, QuitCancelledKeepsTheWindowAndAsksAgain) {
  window.message_answer = MessageResult::kCancel;
  form->exit.QuitBrowser();
  EXPECT_EQ(window.close_requests, 1);
  EXPECT_FALSE(form->exit.CloseCheck()) << "the quit answer applies";
  EXPECT_EQ(window.messages, (std::vector<std::string>{"Really quit?"})) << "asked once for this close";
  EXPECT_FALSE(form->exit.CloseCheck());
  EXPECT_EQ(window.messages.size(), 2u) << "the next close asks again";
  EXPECT_FALSE(fs::exists(folder / "Browser.ini"));
}

TEST_F(ExitTest, ExitWritesOpenPagesInTabOrderAndTheSettings) {
  OpenThree();
  form->tabs.AddNewPage("javascript:void(0)", true);  // a script is no page to bring back
  std::ofstream(folder / "Temp.txt") << "x";
  form->recovery.RecoveryFile = (folder / "open-pages.txt").string();
  form->recovery.SaveRecovery();
  ASSERT_TRUE(fs::exists(form->recovery.RecoveryFile));
  EXPECT_TRUE(form->exit.CloseCheck());
  EXPECT_EQ(LastPages(), "http://127.0.0.1:1/a\r\nhttp://127.0.0.1:1/c\r\n");
  EXPECT_TRUE(fs::exists(folder / "Browser.ini"));
  EXPECT_FALSE(fs::exists(folder / "Temp.txt"));
  EXPECT_FALSE(fs::exists(form->recovery.RecoveryFile)) << "a clean exit leaves nothing to recover";
  EXPECT_EQ(window.messages, (std::vector<std::string>{"Really quit?"}));
}

TEST_F(ExitTest, WhatCannotBeWrittenIsNamedAndThePagesStayForRecovery) {
  OpenThree();
  form->tabs.AddNewPage("javascript:void(0)", true);  // a script is no page to bring back
  form->recovery.RecoveryFile = (folder / "open-pages.txt").string();
  form->recovery.SaveRecovery();
  // Folders where the files should go: neither can be replaced.
  fs::create_directories(folder / "LastPages.ini" / "x");
  fs::create_directories(folder / "Browser.ini" / "x");
  EXPECT_TRUE(form->exit.CloseCheck());
  ASSERT_EQ(window.messages.size(), 2u);
  EXPECT_NE(window.messages[1].find("LastPages.ini"), std::string::npos) << window.messages[1];
  EXPECT_NE(window.messages[1].find("Browser.ini"), std::string::npos) << window.messages[1];
  EXPECT_EQ(zor::ReadWholeFile(form->recovery.RecoveryFile).value_or("<none>"),
            "http://127.0.0.1:1/a\nhttp://127.0.0.1:1/c\n");
}

TEST_F(ExitTest, ExitStopsSavingPagesAfterTheTimeBudget) {
  OpenThree();
  auto now = std::chrono::steady_clock::time_point{};
  // Every reading of the clock is 20 s later: the second page is already past the budget.
  form->exit.Clock = [&] {
    now += std::chrono::seconds(20);
    return now;
  };
  EXPECT_TRUE(form->exit.CloseCheck());
  EXPECT_EQ(LastPages(), "http://127.0.0.1:1/a\r\n");
  EXPECT_TRUE(fs::exists(folder / "Browser.ini")) << "the settings are written anyway";
}

TEST_F(ExitTest, FullScreenExitLeavesFullScreen) {
  form->layout.ToggleFullScreen();
  ASSERT_TRUE(window.full_screen);
  EXPECT_TRUE(form->exit.CloseCheck());
  EXPECT_FALSE(window.full_screen);
}

// ---- the status-box channel ------------------------------------------------------

class ChannelTest : public ExitTest {};

TEST_F(ChannelTest, OpenCommands) {
  const int before = form->tabs.LastPageIndex;
  form->chrome.txt_status.SetText("ZOR_openhttp://127.0.0.1:1/x");
  EXPECT_EQ(form->tabs.LastPageIndex, before + 1);
  EXPECT_EQ(pages.Fake(form->tabs.LastPageIndex)->location, "http://127.0.0.1:1/x");
  EXPECT_EQ(form->chrome.txt_status.Text(), "");

  form->chrome.txt_status.SetText("ZOR_open");
  EXPECT_EQ(form->tabs.LastPageIndex, before + 2) << "an open with nothing after it opens an empty page";
  EXPECT_TRUE(pages.Fake(form->tabs.LastPageIndex)->navigations.empty());

  for (const char* url : {"http://127.0.0.1:1/1", "http://127.0.0.1:1/2", "http://127.0.0.1:1/3"})
    form->chrome.txt_status.SetText(std::string("ZOR_open") + url);
  EXPECT_EQ(pages.Fake(form->tabs.ActivePage)->location, "http://127.0.0.1:1/3") << "the last one is current";
  EXPECT_EQ(form->tabs.TabCount(), 6);
}

TEST_F(ChannelTest, CloseIsExactAndRepeatable) {
  zor::toolbar::Tool* basket = toolbar.tool("sub_Usetools", "b_opengetbar");
  form->chrome.txt_status.SetText("zor_close");
  EXPECT_TRUE(basket->checked);
  EXPECT_EQ(form->chrome.txt_status.Text(), "zor_close") << "not a command: it stays as status text";
  form->chrome.txt_status.SetText(" ZOR_close");
  EXPECT_TRUE(basket->checked);
  form->chrome.txt_status.SetText("ZOR_close");
  EXPECT_FALSE(basket->checked);
  EXPECT_EQ(form->chrome.txt_status.Text(), "");
  basket->checked = true;
  form->chrome.txt_status.SetText("ZOR_close");
  EXPECT_FALSE(basket->checked) << "the box was cleared, so the same command runs again";
}

TEST_F(ChannelTest, ProxyChangeRebuildsTheMenu) {
  int rebuilds = 0;
  form->chrome.hooks.rebuildProxyMenu = [&] { ++rebuilds; };
  form->chrome.txt_status.SetText("ZOR_proxychange");
  form->chrome.txt_status.SetText("ZOR_proxychange");
  EXPECT_EQ(rebuilds, 2);
  form->chrome.txt_status.SetText("ZOR_unknown");
  EXPECT_EQ(form->chrome.txt_status.Text(), "ZOR_unknown");
}

TEST_F(ChannelTest, IconLeftAndRightSelectNeighbours) {
  form->tabs.AddNewPage("", true);  // page 2, position 2
  form->tabs.AddNewPage("", true);  // page 3, position 3, active
  form->chrome.txt_status.SetText("ZOR_iconright");
  EXPECT_EQ(form->tabs.ActivePage, 3) << "nothing right of the last tab";
  EXPECT_FALSE(form->chrome.SkipNextContextMenu);
  form->chrome.txt_status.SetText("ZOR_iconleft");
  EXPECT_EQ(form->tabs.ActivePage, 2);
  EXPECT_TRUE(form->chrome.SkipNextContextMenu);
  form->chrome.SkipNextContextMenu = false;
  form->chrome.txt_status.SetText("ZOR_iconleft");
  EXPECT_EQ(form->tabs.ActivePage, 1);
  form->chrome.txt_status.SetText("ZOR_iconleft");
  EXPECT_EQ(form->tabs.ActivePage, 1);
  EXPECT_FALSE(form->chrome.SkipNextContextMenu) << "nothing left of the first tab";
}

TEST_F(ChannelTest, PageTextsAreShownButNeverRun) {
  std::string shown;
  form->chrome.hooks.setStatusText = [&](const std::string& text) { shown = text; };
  const int before = form->tabs.LastPageIndex;
  pages.events.statusTextChange(form->tabs.ActivePage, "ZOR_openhttp://127.0.0.1:1/evil");
  pages.events.statusTextChange(form->tabs.ActivePage, "ZOR_close");
  EXPECT_EQ(form->tabs.LastPageIndex, before);
  EXPECT_TRUE(toolbar.tool("sub_Usetools", "b_opengetbar")->checked);
  EXPECT_EQ(shown, "ZOR_close");
  pages.events.statusTextChange(0, "from the hidden sink");
  EXPECT_EQ(shown, "ZOR_close") << "only the current page speaks";
}

}  // namespace
