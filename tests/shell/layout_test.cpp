// The address-box width rule, full screen round trips and the crash-recovery list.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "browser/shell/main_form.h"
#include "common/files.h"
#include "fakes/fake_hosts.h"

namespace fs = std::filesystem;
using zor::fakes::FakePageHost;
using zor::fakes::FakeWindow;
using zor::shell::MainForm;

namespace {

constexpr const char* kSkin = R"(tb2 1
band mnu_Main type=menubar caption="Menu"
band tb_Main row=1 caption="Standard Buttons"
  tool b_fullscreen id=2 caption="Full Screen"
band tb_Addressbar row=1 pos=0 caption="Address"
  tool ctl_addr type=custom
band tb_Tabs type=tabs row=3 caption="Tabs"
band sb_Status type=status caption="Status"
band sub_View type=popup caption=View
  tool b_fullscreen id=2 caption="Full Screen"
band sub_Usetools type=popup caption=Tools
  tool b_besilent id=31
)";

class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("zor-layout-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::ofstream(folder / "default.tb2") << kSkin;
    form = std::make_unique<MainForm>(toolbar, pages, window, folder.string());
    ASSERT_TRUE(form->StartUp(""));
  }
  void TearDown() override { fs::remove_all(folder); }

  int AddressWidthTwips() { return toolbar.tool("tb_Addressbar", "ctl_addr")->width * 15; }

  fs::path folder;
  zor::toolbar::ToolbarControl toolbar;
  FakePageHost pages;
  FakeWindow window;
  std::unique_ptr<MainForm> form;
};

TEST_F(LayoutTest, AddressBoxBesideTheToolbar) {
  window.inner_width = 12000 / 15;
  form->layout.OnMainWindowResize();
  EXPECT_EQ(AddressWidthTwips(), 570);
  window.inner_width = 11000 / 15;  // below 11430: a fixed 3000
  form->layout.OnMainWindowResize();
  EXPECT_EQ(AddressWidthTwips(), 3000);
  window.inner_width = 1000;  // 15000 twips
  form->layout.OnMainWindowResize();
  EXPECT_EQ(AddressWidthTwips(), 3570);
}

TEST_F(LayoutTest, AddressBoxOnItsOwnRow) {
  toolbar.band("tb_Addressbar")->dock_row = 2;
  window.inner_width = 1000;  // 15000 twips, less 3200: 11800, in whole pixels 11790
  form->layout.OnMainWindowResize();
  EXPECT_EQ(AddressWidthTwips(), 11790);
}

TEST_F(LayoutTest, MinimisedWindowChangesNoLayout) {
  window.inner_width = 12000 / 15;
  form->layout.OnMainWindowResize();
  window.minimized = true;
  window.inner_width = 100;
  form->layout.OnMainWindowResize();
  EXPECT_EQ(AddressWidthTwips(), 570);
}

TEST_F(LayoutTest, FullScreenFromMaximisedEndsMaximised) {
  window.maximized = true;
  form->layout.ToggleFullScreen();
  EXPECT_TRUE(window.full_screen);
  EXPECT_FALSE(window.decorated);
  EXPECT_TRUE(toolbar.tool("tb_Main", "b_fullscreen")->checked);
  EXPECT_TRUE(toolbar.tool("sub_View", "b_fullscreen")->checked);
  EXPECT_FALSE(toolbar.band("mnu_Main")->visible);
  EXPECT_FALSE(toolbar.band("sb_Status")->visible);
  EXPECT_EQ(form->layout.SavedWindowRect.left, -1);
  EXPECT_TRUE(form->chrome.FullScreen());

  form->layout.ToggleFullScreen();
  EXPECT_FALSE(window.full_screen);
  EXPECT_TRUE(window.decorated);
  EXPECT_TRUE(window.maximized);
  EXPECT_FALSE(toolbar.tool("tb_Main", "b_fullscreen")->checked);
  EXPECT_TRUE(toolbar.band("mnu_Main")->visible);
  EXPECT_TRUE(toolbar.band("sb_Status")->visible);
  EXPECT_EQ(toolbar.band("tb_Main")->dock_row, 1);
  EXPECT_EQ(toolbar.band("tb_Addressbar")->dock_row, 2);
  EXPECT_EQ(form->layout.SavedWindowRect.left, 0);
  EXPECT_EQ(form->layout.SavedWindowRect.width, 0);
}

TEST_F(LayoutTest, FullScreenFromNormalWindowRestoresItsSize) {
  window.maximized = false;
  window.normal_width = 900;
  window.normal_height = 700;
  form->layout.ToggleFullScreen();
  EXPECT_EQ(form->layout.SavedWindowRect.width, 900);
  window.normal_width = 1366;  // what full screen did to it
  window.normal_height = 768;
  pages.Fake(1)->location = "http://127.0.0.1/";
  pages.Fake(1)->title = "Set while full screen";
  form->tabs.SetPageTitle(1, "Set while full screen", "");
  form->layout.ToggleFullScreen();
  EXPECT_EQ(window.caption.rfind("Set while full screen - ", 0), 0u) << window.caption;
  EXPECT_FALSE(window.maximized);
  EXPECT_EQ(window.normal_width, 900);
  EXPECT_EQ(window.normal_height, 700);
  EXPECT_GT(pages.Fake(1)->focused, 0) << "the page gets the focus back";
}

// ---- crash recovery --------------------------------------------------------------

class RecoveryTest : public LayoutTest {
 protected:
  void SetUp() override {
    LayoutTest::SetUp();
    form->recovery.RecoveryFile = (folder / "open-pages.txt").string();
  }
  std::string Saved() { return zor::ReadWholeFile(form->recovery.RecoveryFile).value_or("<none>"); }
};

TEST_F(RecoveryTest, ListFollowsTheOpenPagesInTabOrder) {
  form->recovery.SaveRecovery();
  EXPECT_EQ(Saved(), "") << "a blank page is not worth recovering, but the file marks the run";
  pages.Fake(1)->Navigate("http://127.0.0.1:1/a");
  form->tabs.AddNewPage("http://127.0.0.1:1/b", true);
  form->tabs.AddNewPage("", false);
  form->recovery.SaveRecovery();
  EXPECT_EQ(Saved(), "http://127.0.0.1:1/a\nhttp://127.0.0.1:1/b\n");
  form->recovery.EndRecovery();
  EXPECT_FALSE(fs::exists(form->recovery.RecoveryFile));
}

TEST_F(RecoveryTest, LeftOverListReopensThePages) {
  { std::ofstream(form->recovery.RecoveryFile) << "http://127.0.0.1:1/a\r\nhttp://127.0.0.1:1/b\n\n"; }
  ASSERT_TRUE(form->recovery.RecoverPages());
  EXPECT_TRUE(pages.Fake(1)->navigations.empty()) << "loaded when first shown";
  ASSERT_NE(pages.Fake(2), nullptr);
  EXPECT_EQ(pages.Fake(2)->location, "http://127.0.0.1:1/b");
  EXPECT_EQ(form->tabs.ActivePage, 2);
  EXPECT_EQ(Saved(), "http://127.0.0.1:1/a\nhttp://127.0.0.1:1/b\n") << "the running browser keeps the list";
  EXPECT_FALSE(fs::exists(folder / "LastPages.ini")) << "LastPages.ini keeps its own life cycle";
}

// Wherever the last run stopped (a kill in the middle of start-up or exit included), the
// next start opens every page once and keeps them in the recovery list.
TEST_F(RecoveryTest, EveryPageComesBackOnceWhereverTheLastRunStopped) {
  const std::string a = "http://127.0.0.1:1/a", b = "http://127.0.0.1:1/b", c = "http://127.0.0.1:1/c";
  struct Case {
    const char* name;
    std::string last_pages, recovery;  // "-": no such file
    std::vector<std::string> opened;
  };
  const Case cases[] = {
      {"clean exit", a + "\r\n" + b + "\r\n" + c + "\r\n", "-", {a, b, c}},
      {"killed while running", "-", a + "\n" + b + "\n" + c + "\n", {a, b, c}},
      {"killed during exit", a + "\r\n" + b + "\r\n", a + "\n" + b + "\n" + c + "\n", {a, b, c}},
      {"killed during start-up", a + "\r\n" + b + "\r\n" + c + "\r\n", a + "\n" + b + "\n" + c + "\n", {a, b, c}},
      {"a script saved by an older run", "javascript:alert(1)\r\n" + a + "\r\n", "-", {a}},
  };
  const fs::path last = folder / "LastPages.ini", list = folder / "open-pages.txt";
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    for (const auto& [path, text] : {std::pair{last, k.last_pages}, std::pair{list, k.recovery}}) {
      fs::remove(path);
      if (text != "-") std::ofstream(path, std::ios::binary) << text;
    }
    zor::toolbar::ToolbarControl bars;
    FakePageHost hosts;
    FakeWindow shown;
    MainForm run(bars, hosts, shown, folder.string());
    run.recovery.RecoveryFile = list.string();
    ASSERT_TRUE(run.StartUp(""));
    std::vector<std::string> opened;
    size_t loads = 0;
    for (int n = 1; n <= run.tabs.LastPageIndex; ++n) {
      if (!hosts.Fake(n)) continue;
      if (!run.tabs.AddressOf(n).empty()) opened.push_back(run.tabs.AddressOf(n));
      loads += hosts.Fake(n)->navigations.size();
    }
    EXPECT_EQ(opened, k.opened);
    EXPECT_EQ(loads, 1u) << "only the shown page loads";
    EXPECT_FALSE(fs::exists(last));
    std::string kept;
    for (const std::string& url : k.opened) kept += url + "\n";
    EXPECT_EQ(zor::ReadWholeFile(list.string()).value_or("<none>"), kept);
  }
}

// A start that finds the previous one ended while restoring asks first; No brings every
// tab back without loading any page. Either way the marker is gone once the window is up.
TEST_F(RecoveryTest, AStartAfterAnInterruptedRestoreAsksBeforeLoading) {
  const std::string a = "http://127.0.0.1:1/a", b = "http://127.0.0.1:1/b";
  struct Case {
    bool interrupted;
    zor::hosts::MessageResult answer;
    size_t questions, loads;
  };
  const Case cases[] = {
      {false, zor::hosts::MessageResult::kNo, 0, 1},
      {true, zor::hosts::MessageResult::kYes, 1, 1},
      {true, zor::hosts::MessageResult::kNo, 1, 0},
  };
  const fs::path list = folder / "open-pages.txt";
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.interrupted) + " " + std::to_string(k.loads));
    std::ofstream(list, std::ios::binary) << a + "\n" + b + "\n";
    const std::string marker = list.string() + ".restoring";
    if (k.interrupted) std::ofstream(marker) << "";
    zor::toolbar::ToolbarControl bars;
    FakePageHost hosts;
    FakeWindow shown;
    shown.message_answer = k.answer;
    MainForm run(bars, hosts, shown, folder.string());
    run.recovery.RecoveryFile = list.string();
    ASSERT_TRUE(run.StartUp(""));
    EXPECT_EQ(shown.messages.size(), k.questions);
    if (k.questions) {
      EXPECT_NE(shown.messages[0].find("No"), std::string::npos) << shown.messages[0];
    }
    size_t loads = 0;
    for (int n = 1; n <= run.tabs.LastPageIndex; ++n)
      if (hosts.Fake(n)) loads += hosts.Fake(n)->navigations.size();
    EXPECT_EQ(loads, k.loads);
    EXPECT_EQ(zor::ReadWholeFile(list.string()).value_or("<none>"), a + "\n" + b + "\n") << "no tab lost";
    EXPECT_FALSE(fs::exists(marker));
  }
}

TEST_F(RecoveryTest, NoListAfterACleanExit) {
  EXPECT_FALSE(form->recovery.RecoverPages());
  EXPECT_EQ(pages.Fake(2), nullptr);
}

TEST_F(RecoveryTest, AddressWithALineBreakIsNotSplit) {
  pages.Fake(1)->Navigate("http://127.0.0.1:1/a\nhttp://evil.test/");
  form->recovery.SaveRecovery();
  EXPECT_EQ(Saved(), "");
}

}  // namespace
