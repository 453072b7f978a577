// Pages and tabs: opening, switching, closing, titles, loading pictures and the
// bookkeeping between page indexes and tab positions.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "tab_fixture.h"

namespace zor::testing {
namespace {

using hosts::Container;

class TabsTest : public TabFixture {
 protected:
  // Every invariant that ties pages, tabs and tables together.
  void ExpectConsistent() {
    const int count = form->TabCount();
    ASSERT_GE(count, 1);
    int checked = 0;
    std::set<int> seen;
    for (int p = 1; p <= count; ++p) {
      const int n = form->PageAtPosition.get(p);
      ASSERT_GT(n, 0) << "position " << p;
      ASSERT_TRUE(seen.insert(n).second);
      ASSERT_NE(Page(n), nullptr) << "page " << n;
      EXPECT_EQ(Page(n)->tag, std::to_string(p));
      toolbar::Tool* tab = toolbar.band("tb_Tabs")->tools().at(p - 1);
      EXPECT_EQ(tab->name, "tabs-" + std::to_string(n));
      if (tab->checked) ++checked;
      EXPECT_EQ(Page(n)->container == Container::kPageArea, n == form->ActivePage) << "page " << n;
    }
    EXPECT_EQ(form->PageAtPosition.get(count + 1), 0);
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(Tab(form->ActivePage)->checked);
    EXPECT_EQ(pages.pages.size(), static_cast<size_t>(count) + 1);  // plus element 0
  }
};

TEST_F(TabsTest, ClosingTheMiddleTabRenumbersAndNeverReusesAnIndex) {
  form->AddNewPage("http://127.0.0.1/b", true);
  form->AddNewPage("http://127.0.0.1/c", true);
  ASSERT_EQ(Strip(), "tabs-1 tabs-2 tabs-3");
  form->ClosePage(2);
  EXPECT_EQ(Strip(), "tabs-1 tabs-3");
  EXPECT_EQ(Page(3)->tag, "2");
  EXPECT_EQ(form->PageAtPosition.get(1), 1);
  EXPECT_EQ(form->PageAtPosition.get(2), 3);
  EXPECT_EQ(form->PageAtPosition.get(3), 0);
  EXPECT_EQ(Page(2), nullptr);
  form->AddNewPage("", false);
  EXPECT_NE(Page(4), nullptr);
  EXPECT_EQ(Page(4)->tag, "3");
  ExpectConsistent();
}

TEST_F(TabsTest, ClosingPreviousThenFallback) {
  form->AddNewPage("", true);  // B
  form->AddNewPage("", true);  // C: active, previous B
  ASSERT_EQ(form->ActivePage, 3);
  ASSERT_EQ(form->PreviousPage, 2);
  form->ClosePage(0);
  EXPECT_EQ(form->ActivePage, 2);
  EXPECT_EQ(Page(2)->container, Container::kPageArea);
  form->ClosePage(0);
  EXPECT_EQ(form->ActivePage, 1);
  ExpectConsistent();
}

TEST_F(TabsTest, ClosingTheOnlyTabLeavesAFreshNewTab) {
  std::vector<std::string> blocked;
  form->hooks.addBlocked = [&](const std::string& name, const std::string& url) { blocked.push_back(name + "|" + url); };
  Page(1)->Navigate("http://127.0.0.1/only");
  form->ClosePage(1);
  EXPECT_EQ(Strip(), "tabs-2");
  EXPECT_EQ(Tab(2)->caption, "New");
  EXPECT_EQ(form->ActivePage, 2);
  EXPECT_FALSE(form->ClosingPages);
  EXPECT_EQ(blocked, std::vector<std::string>{"http://127.0.0.1/only|http://127.0.0.1/only"});
  ExpectConsistent();
}

TEST_F(TabsTest, CloseOtherPagesKeepsOneTabAtPositionOne) {
  form->AddNewPage("", true);
  form->AddNewPage("", false);
  form->AddNewPage("", false);
  form->BackEnabled.set(3, true);
  Tab(3)->caption = "Third";
  form->CloseOtherPages(3);
  EXPECT_EQ(Strip(), "tabs-3");
  EXPECT_EQ(Tab(3)->caption, "Third");
  EXPECT_EQ(form->ActivePage, 3);
  EXPECT_TRUE(form->BackEnabled.get(1));
  EXPECT_FALSE(form->BackEnabled.get(3));
  ExpectConsistent();
  form->CloseAllPages();
  EXPECT_EQ(Strip(), "tabs-5");
  ExpectConsistent();
}

TEST_F(TabsTest, SelectingShowsThatPageOnly) {
  form->AddNewPage("", false);
  Page(2)->Navigate("http://127.0.0.1/a%20b");
  Page(2)->title = "Second";
  form->SelectPage(2);
  EXPECT_EQ(form->PreviousPage, 1);
  EXPECT_EQ(window.caption, "Second - ZOR-BROWSER");
  EXPECT_EQ(window.address_text, "http://127.0.0.1/a b");
  EXPECT_EQ(Tab(2)->caption, "Second");
  ExpectConsistent();
  form->SkipNextContextMenu = true;
  form->SelectPage(0);
  EXPECT_FALSE(form->SkipNextContextMenu);
  EXPECT_EQ(form->ActivePage, 2);
  form->SelectPage(1);  // no location: the bare caption
  EXPECT_EQ(window.caption, " - ZOR-BROWSER");
}

TEST_F(TabsTest, TitlesAndTheThreeCaptionForms) {
  form->AddNewPage("", true);
  EXPECT_EQ(window.caption, " - ZOR");
  form->SetPageTitle(2, "abcdefghijklmnopqrstuvwxyz1234", "");
  EXPECT_EQ(Tab(2)->caption, "abcdefghijklm ...");
  EXPECT_EQ(window.caption, "abcdefghijklmnopqrstuvwxyz1234 - ZOR");
  form->SetPageTitle(2, "exactly14bytes", "");
  EXPECT_EQ(Tab(2)->caption, "exactly14bytes");
  form->SetPageTitle(1, "Hidden", "");  // a hidden page retitles only its tab
  EXPECT_EQ(Tab(1)->caption, "Hidden");
  EXPECT_EQ(window.caption, "exactly14bytes - ZOR");
  form->SetPageTitle(2, "", "");
  EXPECT_EQ(Tab(2)->caption, "exactly14bytes");
}

TEST_F(TabsTest, HoverTooltipAndContextPage) {
  form->AddNewPage("http://127.0.0.1/some%20page/with/a/path/long/enough/to/be/cut", false);
  form->OnToolHover(*Tab(1));
  EXPECT_EQ(Tab(1)->tooltip, "Blank Page");
  EXPECT_EQ(form->ContextPage, 1);
  EXPECT_TRUE(form->OverTab);
  form->OnToolHover(*Tab(2));
  EXPECT_EQ(Tab(2)->tooltip, "http://127.0.0.1/some page/with/a/path/long/enoug ...");
  EXPECT_EQ(form->ContextPage, 2);
  // While the tab menu is open (menu-band flag clear) its tab stays the context page.
  form->MenuBandFlag = false;
  form->OnToolHover(*toolbar.tool("tb_Main", "b_back"));
  EXPECT_FALSE(form->OverTab);
  EXPECT_EQ(form->ContextPage, 2);
  form->MenuBandFlag = true;
  form->OnToolHover(*toolbar.tool("tb_Main", "b_back"));
  EXPECT_EQ(form->ContextPage, 0);
}

TEST_F(TabsTest, LoadingPicturesChangeOncePerStage) {
  int redraws = 0;
  struct Counter : toolbar::ToolbarView {
    int* n;
    explicit Counter(int* c) : n(c) {}
    void recalcLayout() override {}
    void redraw() override { ++*n; }
    void popupMenu(toolbar::Band&) override {}
  } view(&redraws);
  toolbar.setView(&view);
  const std::string icon = form->PageIconImage;
  form->SetTabIcon(1, 0);
  EXPECT_EQ(Tab(1)->tag, "");
  form->SetTabIcon(1, 25);
  EXPECT_EQ(Tab(1)->image, "res/tab1.ico");
  form->SetTabIcon(1, 26);
  EXPECT_EQ(Tab(1)->image, "res/tab2.ico");
  EXPECT_EQ(Tab(1)->tag, "2");
  form->SetTabIcon(1, 30);
  form->SetTabIcon(1, 30);
  EXPECT_EQ(redraws, 2);
  form->SetTabIcon(1, 51);
  EXPECT_EQ(Tab(1)->image, "res/tab3.ico");
  form->SetTabIcon(1, 100);
  EXPECT_EQ(Tab(1)->image, icon);
  EXPECT_EQ(Tab(1)->tag, "4");
  form->SetTabIcon(1, -5);
  EXPECT_EQ(Tab(1)->tag, "4");
  toolbar.setView(nullptr);
}

TEST_F(TabsTest, SilentFollowsTheToolOnEveryPage) {
  for (int i = 0; i < 4; ++i) form->AddNewPage("", i % 2 == 0);
  form->ToggleSilent();
  for (int n = 1; n <= 5; ++n) EXPECT_TRUE(Page(n)->silent) << n;
  form->AddNewPage("", false);  // a new page takes the current state
  EXPECT_TRUE(Page(6)->silent);
  form->ToggleSilent();
  for (int n = 1; n <= 6; ++n) EXPECT_FALSE(Page(n)->silent) << n;
}

TEST_F(TabsTest, ScriptClosingAHiddenPageKeepsTheActiveOne) {
  form->AddNewPage("", true);
  form->AddNewPage("", false);
  bool cancel = false;
  pages.events.windowClosing(2, cancel);  // the active page
  EXPECT_TRUE(cancel);
  EXPECT_EQ(Strip(), "tabs-1 tabs-3");
  form->SelectPage(1);
  cancel = false;
  pages.events.windowClosing(3, cancel);
  EXPECT_TRUE(cancel);
  EXPECT_EQ(Strip(), "tabs-1");
  EXPECT_EQ(form->ActivePage, 1);
  ExpectConsistent();
  cancel = false;
  pages.events.windowClosing(0, cancel);  // the sink of refused windows stays
  EXPECT_NE(Page(0), nullptr);
  form->ClosingPages = true;
  cancel = false;
  pages.events.windowClosing(1, cancel);
  EXPECT_FALSE(cancel);
  EXPECT_NE(Page(1), nullptr);
}

// Random opens, closes, switches and script closes: beyond 200 tabs and 1000 pages.
TEST_F(TabsTest, RandomOpensAndClosesKeepEveryInvariant) {
  std::mt19937 random(20240611);
  for (int step = 0; step < 1200; ++step) {
    const int count = form->TabCount();
    const int what = static_cast<int>(random() % 10);
    const int position = 1 + static_cast<int>(random() % count);
    const int page = form->PageAtPosition.get(position);
    if (what < 5 || count < 3) {
      form->AddNewPage("", what % 2 == 0);
    } else if (what < 7) {
      form->ClosePage(what == 5 ? 0 : page);
    } else if (what < 9) {
      form->SelectPage(page);
    } else {
      bool cancel = false;
      pages.events.windowClosing(page, cancel);
    }
    ExpectConsistent();
    if (HasFatalFailure()) FAIL() << "step " << step;
  }
  // Past the thousandth page of the run and the two hundredth open tab.
  while (form->LastPageIndex <= 1000) {
    form->AddNewPage("", false);
    form->ClosePage(form->PageAtPosition.get(1 + static_cast<int>(random() % form->TabCount())));
  }
  while (form->TabCount() < 205) form->AddNewPage("", false);
  ExpectConsistent();
  EXPECT_GT(form->LastPageIndex, 1000);
  form->SelectPage(form->PageAtPosition.get(205));
  form->CloseOtherPages(0);
  ExpectConsistent();
}

}  // namespace
}  // namespace zor::testing
