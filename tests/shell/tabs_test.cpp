// Pages and tabs: opening, switching, closing, titles, loading pictures and the
// bookkeeping between page indexes and tab positions.
#include "browser/shell/tabs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "browser/shell/tab_menu.h"
#include "common/temp_dir.h"
#include "fakes/fake_toolbar_view.h"
#include "tab_fixture.h"

namespace zor::testing {
namespace {

using hosts::Container;

// The tab bookkeeping on its own: the bars, the fake pages and window, and nothing of the
// rest of the main window.
class TabsTest : public ::testing::Test {
 protected:
  TabsTest() : chrome(toolbar, pages, window, dir.path()), progress(window), tabs(chrome, progress) {}
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(toolbar.loadLayout("", dir.Write("default.tb2", kTabSkin), 1, &error)) << error;
    pages.events.windowClosing = [this](int n, bool& cancel) { tabs.OnWindowClosing(n, cancel); };
    ASSERT_TRUE(tabs.CreateFirstPage());
    chrome.TitleText = "ZOR";
  }

  toolbar::Tool* Tab(int page) { return toolbar.tool("tb_Tabs", "tabs-" + std::to_string(page)); }
  fakes::FakePage* Page(int page) { return pages.Fake(page); }
  std::string Strip() { return TabStrip(toolbar); }

  // Every invariant that ties pages, tabs and tables together.
  void ExpectConsistent() {
    const int count = tabs.TabCount();
    ASSERT_GE(count, 1);
    int checked = 0;
    std::set<int> seen;
    for (int p = 1; p <= count; ++p) {
      const int n = tabs.PageAtPosition.get(p);
      ASSERT_GT(n, 0) << "position " << p;
      ASSERT_TRUE(seen.insert(n).second);
      ASSERT_NE(Page(n), nullptr) << "page " << n;
      EXPECT_EQ(Page(n)->tag, std::to_string(p));
      toolbar::Tool* tab = toolbar.band("tb_Tabs")->tools().at(p - 1);
      EXPECT_EQ(tab->name, "tabs-" + std::to_string(n));
      if (tab->checked) ++checked;
      EXPECT_EQ(Page(n)->container == Container::kPageArea, n == tabs.ActivePage) << "page " << n;
    }
    EXPECT_EQ(tabs.PageAtPosition.get(count + 1), 0);
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(Tab(tabs.ActivePage)->checked);
    EXPECT_EQ(pages.pages.size(), static_cast<size_t>(count) + 1);  // plus element 0
  }

  TempDir dir;
  toolbar::ToolbarControl toolbar;
  fakes::FakePageHost pages;
  fakes::FakeWindow window;
  shell::Chrome chrome;
  shell::ProgressArea progress;
  shell::Tabs tabs;
  shell::TabMenu tabMenu{chrome};
};

TEST_F(TabsTest, ClosingTheMiddleTabRenumbersAndNeverReusesAnIndex) {
  tabs.AddNewPage("http://127.0.0.1/b", true);
  tabs.AddNewPage("http://127.0.0.1/c", true);
  ASSERT_EQ(Strip(), "tabs-1 tabs-2 tabs-3");
  tabs.ClosePage(2);
  EXPECT_EQ(Strip(), "tabs-1 tabs-3");
  EXPECT_EQ(Page(3)->tag, "2");
  EXPECT_EQ(tabs.PageAtPosition.get(1), 1);
  EXPECT_EQ(tabs.PageAtPosition.get(2), 3);
  EXPECT_EQ(tabs.PageAtPosition.get(3), 0);
  EXPECT_EQ(Page(2), nullptr);
  tabs.AddNewPage("", false);
  EXPECT_NE(Page(4), nullptr);
  EXPECT_EQ(Page(4)->tag, "3");
  ExpectConsistent();
}

TEST_F(TabsTest, ClosingPreviousThenFallback) {
  tabs.AddNewPage("", true);  // B
  tabs.AddNewPage("", true);  // C: active, previous B
  ASSERT_EQ(tabs.ActivePage, 3);
  ASSERT_EQ(tabs.PreviousPage, 2);
  tabs.ClosePage(0);
  EXPECT_EQ(tabs.ActivePage, 2);
  EXPECT_EQ(Page(2)->container, Container::kPageArea);
  tabs.ClosePage(0);
  EXPECT_EQ(tabs.ActivePage, 1);
  ExpectConsistent();
}

TEST_F(TabsTest, ClosingTheOnlyTabLeavesAFreshNewTab) {
  std::vector<std::string> blocked;
  chrome.hooks.addBlocked = [&](const std::string& name, const std::string& url) {
    blocked.push_back(name + "|" + url);
  };
  Page(1)->Navigate("http://127.0.0.1/only");
  tabs.ClosePage(1);
  EXPECT_EQ(Strip(), "tabs-2");
  EXPECT_EQ(Tab(2)->caption, "New");
  EXPECT_EQ(tabs.ActivePage, 2);
  EXPECT_FALSE(tabs.ClosingPages);
  EXPECT_EQ(blocked, std::vector<std::string>{"http://127.0.0.1/only|http://127.0.0.1/only"});
  ExpectConsistent();
}

TEST_F(TabsTest, CloseOtherPagesKeepsOneTabAtPositionOne) {
  tabs.AddNewPage("", true);
  tabs.AddNewPage("", false);
  tabs.AddNewPage("", false);
  tabs.BackEnabled.set(3, true);
  Tab(3)->caption = "Third";
  tabs.CloseOtherPages(3);
  EXPECT_EQ(Strip(), "tabs-3");
  EXPECT_EQ(Tab(3)->caption, "Third");
  EXPECT_EQ(tabs.ActivePage, 3);
  EXPECT_TRUE(tabs.BackEnabled.get(1));
  EXPECT_FALSE(tabs.BackEnabled.get(3));
  ExpectConsistent();
  tabs.CloseAllPages();
  EXPECT_EQ(Strip(), "tabs-5");
  ExpectConsistent();
}

TEST_F(TabsTest, SelectingShowsThatPageOnly) {
  tabs.AddNewPage("", false);
  Page(2)->Navigate("http://127.0.0.1/a%20b");
  Page(2)->title = "Second";
  tabs.SelectPage(2);
  EXPECT_EQ(tabs.PreviousPage, 1);
  EXPECT_EQ(window.caption, "Second - ZOR");
  EXPECT_EQ(window.address_text, "http://127.0.0.1/a b");
  EXPECT_EQ(Tab(2)->caption, "Second");
  ExpectConsistent();
  chrome.SkipNextContextMenu = true;
  tabs.SelectPage(0);
  EXPECT_FALSE(chrome.SkipNextContextMenu);
  EXPECT_EQ(tabs.ActivePage, 2);
  tabs.SelectPage(1);  // no location: the bare caption
  EXPECT_EQ(window.caption, "ZOR");
}

TEST_F(TabsTest, TheWindowCaptionHasOneFormEverywhere) {
  tabs.AddNewPage("", true);
  EXPECT_EQ(window.caption, "ZOR") << "a fresh tab: the program's title alone";
  tabs.SetPageTitle(2, "abcdefghijklmnopqrstuvwxyz1234", "");
  EXPECT_EQ(Tab(2)->caption, "abcdefghijklm ...");
  EXPECT_EQ(window.caption, "abcdefghijklmnopqrstuvwxyz1234 - ZOR");
  tabs.SetPageTitle(2, "exactly14bytes", "");
  EXPECT_EQ(Tab(2)->caption, "exactly14bytes");
  tabs.SetPageTitle(1, "Hidden", "");  // a hidden page retitles only its tab
  EXPECT_EQ(Tab(1)->caption, "Hidden");
  EXPECT_EQ(window.caption, "exactly14bytes - ZOR");
  tabs.SetPageTitle(2, "", "");
  EXPECT_EQ(Tab(2)->caption, "exactly14bytes");
}

TEST_F(TabsTest, HoverTooltipAndContextPage) {
  tabs.AddNewPage("http://127.0.0.1/some%20page/with/a/path/long/enough/to/be/cut", false);
  tabMenu.OnToolHover(*Tab(1));
  EXPECT_EQ(Tab(1)->tooltip, "Blank Page");
  EXPECT_EQ(tabMenu.ContextPage, 1);
  EXPECT_TRUE(tabMenu.OverTab);
  tabMenu.OnToolHover(*Tab(2));
  EXPECT_EQ(Tab(2)->tooltip, "http://127.0.0.1/some page/with/a/path/long/enoug ...");
  EXPECT_EQ(tabMenu.ContextPage, 2);
  // While the tab menu is open (menu-band flag clear) its tab stays the context page.
  tabMenu.MenuBandFlag = false;
  tabMenu.OnToolHover(*toolbar.tool("tb_Main", "b_back"));
  EXPECT_FALSE(tabMenu.OverTab);
  EXPECT_EQ(tabMenu.ContextPage, 2);
  tabMenu.MenuBandFlag = true;
  tabMenu.OnToolHover(*toolbar.tool("tb_Main", "b_back"));
  EXPECT_EQ(tabMenu.ContextPage, 0);
  // Off the tab strip (towards the page, which is no tool) there is no context page.
  tabMenu.OnToolHover(*Tab(1));
  tabMenu.OnToolLeave(*Tab(1));
  EXPECT_FALSE(tabMenu.OverTab);
  EXPECT_EQ(tabMenu.ContextPage, 0);
}

TEST_F(TabsTest, LoadingPicturesChangeOncePerStage) {
  fakes::FakeToolbarView view;
  int& redraws = view.redraws;
  toolbar.setView(&view);
  const std::string icon = chrome.PageIconImage;
  tabs.SetTabIcon(1, 0);
  EXPECT_EQ(Tab(1)->tag, "");
  tabs.SetTabIcon(1, 25);
  EXPECT_EQ(Tab(1)->image, "res/tab1.ico");
  tabs.SetTabIcon(1, 26);
  EXPECT_EQ(Tab(1)->image, "res/tab2.ico");
  EXPECT_EQ(Tab(1)->tag, "2");
  tabs.SetTabIcon(1, 30);
  tabs.SetTabIcon(1, 30);
  EXPECT_EQ(redraws, 2);
  tabs.SetTabIcon(1, 51);
  EXPECT_EQ(Tab(1)->image, "res/tab3.ico");
  tabs.SetTabIcon(1, 100);
  EXPECT_EQ(Tab(1)->image, icon);
  EXPECT_EQ(Tab(1)->tag, "4");
  tabs.SetTabIcon(1, -5);
  EXPECT_EQ(Tab(1)->tag, "4");
  toolbar.setView(nullptr);
}

TEST_F(TabsTest, SilentFollowsTheToolOnEveryPage) {
  for (int i = 0; i < 4; ++i) tabs.AddNewPage("", i % 2 == 0);
  tabs.ToggleSilent();
  for (int n = 1; n <= 5; ++n) EXPECT_TRUE(Page(n)->silent) << n;
  tabs.AddNewPage("", false);  // a new page takes the current state
  EXPECT_TRUE(Page(6)->silent);
  tabs.ToggleSilent();
  for (int n = 1; n <= 6; ++n) EXPECT_FALSE(Page(n)->silent) << n;
}

TEST_F(TabsTest, ScriptClosingAHiddenPageKeepsTheActiveOne) {
  tabs.AddNewPage("", true);
  tabs.AddNewPage("", false);
  bool cancel = false;
  pages.events.windowClosing(2, cancel);  // the active page
  EXPECT_TRUE(cancel);
  EXPECT_EQ(Strip(), "tabs-1 tabs-3");
  tabs.SelectPage(1);
  cancel = false;
  pages.events.windowClosing(3, cancel);
  EXPECT_TRUE(cancel);
  EXPECT_EQ(Strip(), "tabs-1");
  EXPECT_EQ(tabs.ActivePage, 1);
  ExpectConsistent();
  cancel = false;
  pages.events.windowClosing(0, cancel);  // the sink of refused windows stays
  EXPECT_NE(Page(0), nullptr);
  tabs.ClosingPages = true;
  cancel = false;
  pages.events.windowClosing(1, cancel);
  EXPECT_FALSE(cancel);
  EXPECT_NE(Page(1), nullptr);
}

// Random opens, closes, switches and script closes: beyond 200 tabs and 1000 pages.
TEST_F(TabsTest, RandomOpensAndClosesKeepEveryInvariant) {
  std::mt19937 random(20240611);
  for (int step = 0; step < 1200; ++step) {
    const int count = tabs.TabCount();
    const int what = static_cast<int>(random() % 10);
    const int position = 1 + static_cast<int>(random() % count);
    const int page = tabs.PageAtPosition.get(position);
    if (what < 5 || count < 3) {
      tabs.AddNewPage("", what % 2 == 0);
    } else if (what < 7) {
      tabs.ClosePage(what == 5 ? 0 : page);
    } else if (what < 9) {
      tabs.SelectPage(page);
    } else {
      bool cancel = false;
      pages.events.windowClosing(page, cancel);
    }
    ExpectConsistent();
    if (HasFatalFailure()) FAIL() << "step " << step;
  }
  // Past the thousandth page of the run and the two hundredth open tab.
  while (tabs.LastPageIndex <= 1000) {
    tabs.AddNewPage("", false);
    tabs.ClosePage(tabs.PageAtPosition.get(1 + static_cast<int>(random() % tabs.TabCount())));
  }
  while (tabs.TabCount() < 205) tabs.AddNewPage("", false);
  ExpectConsistent();
  EXPECT_GT(tabs.LastPageIndex, 1000);
  tabs.SelectPage(tabs.PageAtPosition.get(205));
  tabs.CloseOtherPages(0);
  ExpectConsistent();
}

}  // namespace
}  // namespace zor::testing
