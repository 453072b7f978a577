// Menus about to open, bands closed, double clicks and the side bar, and the tools they
// keep truthful: text size, edit commands, offline, bar toggles; the Internet options.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "commands/command_fixture.h"

namespace zor::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Bands : public CommandFixture {
 protected:
  std::vector<std::string> Checked(const std::string& band) {
    std::vector<std::string> names;
    for (const auto& tool : toolbar.band(band)->tools())
      if (tool->checked) names.push_back(tool->name);
    return names;
  }
  bool Enabled(const std::string& tool) { return Tool("sub_Edit", tool).enabled; }
};

TEST_F(Bands, TextMenuFollowsTheZoomLevelOnlyOnAPageWithAnAddress) {
  int level = 4;
  form->chrome.commandHooks.zoomLevel = [&](int) { return level; };
  EXPECT_FALSE(Open("sub_Text"));
  EXPECT_THAT(Checked("sub_Text"), ElementsAre("b_normal"));  // blank page: no change

  Load(1, "http://127.0.0.1:9/a");
  Open("sub_Text");
  EXPECT_THAT(Checked("sub_Text"), ElementsAre("b_biggest"));
  level = 0;
  Open("sub_Text");
  EXPECT_THAT(Checked("sub_Text"), ElementsAre("b_smallest"));
  level = -1;  // unreadable: left as it was
  Open("sub_Text");
  EXPECT_THAT(Checked("sub_Text"), ElementsAre("b_smallest"));
  level = 7;  // no tool stands for it
  Open("sub_Text");
  EXPECT_THAT(Checked("sub_Text"), IsEmpty());
}

TEST_F(Bands, EditMenuEnablesCopyExactlyWhenTheDocumentSaysSo) {
  std::map<std::string, bool> states = {{"copy", true}, {"cut", false}, {"paste", false}, {"selectall", true}};
  std::vector<std::string> asked;
  form->chrome.commandHooks.queryCommandEnabled = [&](int, const std::string& command,
                                                      std::function<void(bool)> answer) {
    asked.push_back(command);
    if (states.count(command)) answer(states[command]);
  };
  view.redraws = 0;
  Open("sub_Edit");
  EXPECT_THAT(asked, ElementsAre("undo", "redo", "cut", "copy", "paste", "delete", "selectall"));
  EXPECT_TRUE(Enabled("b_copy"));
  EXPECT_FALSE(Enabled("b_cut"));
  EXPECT_FALSE(Enabled("b_paste"));
  EXPECT_FALSE(Enabled("b_undo"));  // never answered: off until the page says
  EXPECT_GE(view.redraws, 1);

  states["copy"] = false;
  Open("sub_Edit");
  EXPECT_FALSE(Enabled("b_copy"));

  // Another page that has not answered yet shows none of the first page's states.
  states["copy"] = true;
  Open("sub_Edit");
  ASSERT_TRUE(Enabled("b_copy"));
  states.clear();
  OpenPage("http://127.0.0.1:9/other");
  Open("sub_Edit");
  EXPECT_FALSE(Enabled("b_copy"));
  EXPECT_FALSE(Enabled("b_selectall"));
}

TEST_F(Bands, EditStatesAskedAfterPageEventsShowAtOnceWhenTheMenuOpens) {
  std::vector<std::pair<int, std::function<void(bool)>>> pending;
  form->chrome.commandHooks.queryCommandEnabled = [&](int page, const std::string& command,
                                                      std::function<void(bool)> answer) {
    if (command == "copy") pending.emplace_back(page, answer);
  };
  const int second = OpenPage("http://127.0.0.1:9/b");
  pages.events.documentEvent(second, "click");
  pages.events.documentEvent(1, "click");  // a hidden page asks nothing
  ASSERT_EQ(pending.size(), 1u);
  EXPECT_EQ(pending[0].first, second);
  pending[0].second(false);
  pending.clear();
  EXPECT_FALSE(Enabled("b_copy"));

  // The menu opens with the answer already there; the fresh question answers later.
  Tool("sub_Edit", "b_copy").enabled = true;
  Open("sub_Edit");
  EXPECT_FALSE(Enabled("b_copy"));
  ASSERT_EQ(pending.size(), 1u);
  pending[0].second(true);
  EXPECT_TRUE(Enabled("b_copy"));

  // An answer that arrives once another page is shown only goes to its page's record.
  Open("sub_Edit");
  form->tabs.SelectPage(1);
  pending.back().second(false);
  EXPECT_TRUE(Enabled("b_copy"));
  EXPECT_FALSE(form->edit.EditStates.get(second).enabled[3]);
}

TEST_F(Bands, FileMenuShowsTheOfflineStateInBothTools) {
  page_commands.offline = true;
  Open("sub_File");
  EXPECT_TRUE(Tool("sub_File", "b_offline").checked);
  EXPECT_TRUE(Tool("sb_Status", "b_offline").checked);
  page_commands.offline = false;
  Open("sub_File");
  EXPECT_FALSE(Tool("sb_Status", "b_offline").checked);
}

TEST_F(Bands, ViewMenuShowsWhichBarsAreVisible) {
  toolbar.band("tb_Main")->visible = false;
  toolbar.band("sb_Status")->visible = false;
  Open("sub_View");
  EXPECT_FALSE(Tool("sub_View", "b_toolsbarok").checked);
  EXPECT_TRUE(Tool("sub_View", "b_addrok").checked);
  EXPECT_FALSE(Tool("sub_View", "b_statusok").checked);
}

TEST_F(Bands, FavoritesMenuCallsItsUpdate) {
  int updates = 0;
  form->chrome.commandHooks.updateFavoritesBand = [&] { ++updates; };
  Open("sub_Fav");
  EXPECT_EQ(updates, 1);
}

TEST_F(Bands, RightClickOnATabOpensTheTabMenuWhoseCloseClosesThatTab) {
  const int second = OpenPage("http://127.0.0.1:9/b");
  const int third = OpenPage("http://127.0.0.1:9/c");
  // Away from a tab the strip's own menu opens.
  toolbar.fireMouseEnter(Tool("tb_Main", "b_back"));
  EXPECT_FALSE(Open("SysCustomize"));
  EXPECT_THAT(view.popups, IsEmpty());

  toolbar.fireMouseEnter(Tool("tb_Tabs", "tabs-" + std::to_string(second)));
  EXPECT_TRUE(Open("SysCustomize"));
  EXPECT_THAT(view.popups, ElementsAre("tab_Menu"));
  EXPECT_FALSE(form->tabMenu.MenuBandFlag);
  // Moving over the menu's entries keeps the tab the menu was opened on.
  toolbar.fireMouseEnter(Tool("tab_Menu", "b_close"));
  Click("tab_Menu", "b_close");
  EXPECT_EQ(pages.Fake(second), nullptr);
  EXPECT_NE(pages.Fake(third), nullptr);
  toolbar.fireBandClose(*toolbar.band("tab_Menu"));
  EXPECT_TRUE(form->tabMenu.MenuBandFlag);
  toolbar.fireMouseEnter(Tool("tb_Main", "b_back"));
  EXPECT_EQ(form->tabMenu.ContextPage, 0);
}

TEST_F(Bands, ClosingTheSideBarUnchecksBothToggles) {
  Click("tb_Main", "b_history");
  ASSERT_TRUE(toolbar.band("tb_Leftbar")->visible);
  toolbar.band("tb_Leftbar")->visible = false;  // its own close button
  toolbar.fireBandClose(*toolbar.band("tb_Leftbar"));
  EXPECT_FALSE(Tool("tb_Main", "b_showfav").checked);
  EXPECT_FALSE(Tool("tb_Main", "b_history").checked);
}

TEST_F(Bands, SwitchingTheSideBarToHistoryChecksItAndRefreshesTheHistory) {
  std::vector<bool> refreshes;
  form->chrome.commandHooks.refreshHistory = [&](bool force) { refreshes.push_back(force); };
  Click("tb_Main", "b_showfav");
  refreshes.clear();
  const int pending_before = window.pending_runs;
  toolbar::Band* bar = toolbar.band("tb_Leftbar");
  ASSERT_TRUE(bar->setCurrentChild(toolbar.band("cbnd_History")));
  EXPECT_TRUE(Tool("tb_Main", "b_history").checked);
  EXPECT_FALSE(Tool("tb_Main", "b_showfav").checked);
  EXPECT_THAT(refreshes, ElementsAre(false));
  EXPECT_GT(window.pending_runs, pending_before);
  ASSERT_TRUE(bar->setCurrentChild(toolbar.band("cbnd_Fav")));
  EXPECT_TRUE(Tool("tb_Main", "b_showfav").checked);
  EXPECT_THAT(refreshes, ElementsAre(false));
}

TEST_F(Bands, DoubleClicksCloseATabAndOpenTheSecurityPage) {
  const int second = OpenPage("http://127.0.0.1:9/b");
  toolbar.fireToolDblClick(Tool("tb_Tabs", "tabs-" + std::to_string(second)));
  EXPECT_EQ(pages.Fake(second), nullptr);
  EXPECT_EQ(form->tabs.TabCount(), 1);
  toolbar.fireToolDblClick(Tool("sb_Status", "b_security"));
  Click("sub_Usetools", "b_opInternet");
  EXPECT_THAT(window.options_pages, ElementsAre(1, 0));
}

TEST_F(Bands, MiddleClickClosesTheTabUnderItAndNothingElse) {
  const int second = OpenPage("http://127.0.0.1:9/b");
  const int third = OpenPage("http://127.0.0.1:9/c");
  toolbar.fireToolMiddleClick(Tool("tb_Tabs", "tabs-" + std::to_string(second)));
  EXPECT_EQ(pages.Fake(second), nullptr);
  EXPECT_NE(pages.Fake(third), nullptr);
  EXPECT_EQ(form->tabs.TabCount(), 2);
  // Not a tab: no page closes and the security tool opens nothing.
  toolbar.fireToolMiddleClick(Tool("tb_Main", "b_newt"));
  toolbar.fireToolMiddleClick(Tool("sb_Status", "b_security"));
  EXPECT_EQ(form->tabs.TabCount(), 2);
  EXPECT_THAT(window.options_pages, IsEmpty());
}

// --- Internet options -------------------------------------------------------------------

class InternetOptions : public CommandFixture {
 protected:
  static constexpr int kTask = 5000;
  void SetUp() override {
    CommandFixture::SetUp();
    windows.main_window = windows.Add("ZOR-BROWSER");
    window.options_task = kTask;
    window.running_task = kTask;
    // The user closes the window after a few rounds of events.
    window.on_wait = [this] {
      if (window.waits == 3) window.running_task = 0;
    };
  }
};

TEST_F(InternetOptions, TheStartedWindowIsRetitledRaisedAndFlashedWhileTheMainWindowWaits) {
  const auto elsewhere = windows.Add("Internet radio", 100);
  const auto options = windows.Add("internet Options", kTask);
  const auto second = windows.Add("Internet Options (2)", kTask);
  form->edit.OpenInternetOptions(1);
  EXPECT_THAT(window.options_pages, ElementsAre(1));
  EXPECT_EQ(windows.Find(options)->title, "internet Options - Lunched By VIZIRUVUZI");
  EXPECT_TRUE(windows.Find(options)->topmost);
  EXPECT_EQ(windows.Find(options)->flashes, 1);
  EXPECT_EQ(windows.Find(elsewhere)->title, "Internet radio");
  EXPECT_EQ(windows.Find(second)->title, "Internet Options (2)");
  EXPECT_EQ(window.waits, 3);
  EXPECT_THAT(window.enabled_log, ElementsAre(false, true));
  EXPECT_THAT(windows.log, ElementsAre("top:" + std::to_string(windows.main_window)));
}

TEST_F(InternetOptions, AWindowNotUpYetIsSkippedButStillWaitedFor) {
  form->edit.OpenInternetOptions(0);
  EXPECT_EQ(windows.Find(windows.main_window)->title, "ZOR-BROWSER");
  EXPECT_EQ(window.waits, 3);
  EXPECT_THAT(window.enabled_log, ElementsAre(false, true));
}

TEST_F(InternetOptions, WhenItCannotStartTheMainWindowStaysEnabled) {
  window.options_task = 0;
  form->edit.OpenInternetOptions(0);
  EXPECT_THAT(window.enabled_log, IsEmpty());
  EXPECT_EQ(window.waits, 0);
  EXPECT_THAT(windows.log, IsEmpty());
}

}  // namespace
}  // namespace zor::testing
