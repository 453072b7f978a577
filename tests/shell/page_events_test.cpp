// What the pages report: progress and its picture, navigation tools, security, status
// text, focus and full-screen requests, through the events as the engine raises them.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <set>
#include <string>

#include "browser/shell/error_page.h"
#include "common/text_width.h"
#include "tab_fixture.h"

namespace zor::testing {
namespace {

TEST(ProgressPercent, RoundsHalvesToEvenAndNeverOverflows) {
  struct Row {
    long progress, max;
    int percent;
  };
  const Row rows[] = {
      {50, 200, 25},   {1, 3, 33},      {2, 3, 67},     {0, 0, 0},       {-1, 0, 100},   {300, 200, 100},
      {200, 200, 100}, {1, 200, 0},     {3, 200, 2},    {5, 200, 2},     {7, 200, 4},    {5, -1, 100},
      {0, 10000, 0},   {-1, 10000, 0},  {-150, 200, -75},
      // Past 21 474 836 the product no longer fits 32 bits.
      {21474837, 42949674, 50}, {1073741824, INT_MAX, 50}, {INT_MAX - 1, INT_MAX, 100},
      {INT_MAX, INT_MAX, 100},  {1, INT_MAX, 0},           {INT_MIN, INT_MAX, -100},
  };
  for (const Row& row : rows)
    EXPECT_EQ(shell::ProgressPercent(row.progress, row.max), row.percent) << row.progress << " of " << row.max;
}

TEST(ProgressPercent, BarWidthFollowsThePercentage) {
  EXPECT_EQ(shell::ProgressBarPixels(120, 50), 60);
  EXPECT_EQ(shell::ProgressBarPixels(100, 33), 33);
  EXPECT_EQ(shell::ProgressBarPixels(120, 0), 0);
  EXPECT_EQ(shell::ProgressBarPixels(120, 100), 120);
  EXPECT_EQ(shell::ProgressBarPixels(1, 50), 0);  // half a pixel rounds to even
  EXPECT_EQ(shell::ProgressBarPixels(3, 50), 2);
  EXPECT_EQ(shell::ProgressBarPixels(0, 50), 0);
}

TEST(SecurityText, PicksTheFieldOfTheLockState) {
  const std::string fields = "Not secure at all|Mixed|Fully secured page|";
  EXPECT_EQ(shell::SecurityText(fields, 0), "Not secure at all");
  EXPECT_EQ(shell::SecurityText(fields, 1), "Mixed");
  EXPECT_EQ(shell::SecurityText(fields, 2), "Fully secured page");
  EXPECT_EQ(shell::SecurityText(fields, 3), "40-bit");
  EXPECT_EQ(shell::SecurityText(fields, 4), "56-bit");
  EXPECT_EQ(shell::SecurityText(fields, 5), "Fortezza");
  EXPECT_EQ(shell::SecurityText(fields, 6), "128-bit");
  EXPECT_EQ(shell::SecurityText(fields, 7), "");
  EXPECT_EQ(shell::SecurityText(fields, -1), "");
  EXPECT_EQ(shell::SecurityText("||", 1), "");
  EXPECT_EQ(shell::SecurityText("only|", 2), "") << "a missing field is empty";
}

class PageEventsTest : public TabFixture {
 protected:
  void SetUp() override {
    TabFixture::SetUp();
    window.shown = true;
  }
  void Progress(int n, long progress, long max) { pages.events.progressChange(n, progress, max); }
};

TEST_F(PageEventsTest, ProgressOfTheShownPageDrawsTheBarAndItsLabel) {
  Page(1)->busy = true;
  Progress(1, 4000, 10000);
  EXPECT_EQ(form->tabs.PageProgress.get(1), 40);
  EXPECT_EQ(window.progress.percent, 40);
  EXPECT_TRUE(window.progress.loading);
  EXPECT_EQ(window.progress.label, "40%");
  EXPECT_EQ(form->progress.PercentText, "40%");
  EXPECT_EQ(Tab(1)->image, form->tabs.TabIcons[1]);

  // Finished: the tab shows the page icon and the bar is cleared, though the engine
  // may still call the page busy for a moment.
  Progress(1, 10000, 10000);
  EXPECT_EQ(window.progress.percent, 0);
  EXPECT_FALSE(window.progress.loading);
  EXPECT_EQ(window.progress.label, "");
  EXPECT_EQ(Tab(1)->image, form->chrome.PageIconImage);

  Page(1)->busy = false;
  Progress(1, 0, 10000);
  EXPECT_EQ(window.progress.percent, 0);
  EXPECT_FALSE(window.progress.loading) << "idle: the bar's own background";
  EXPECT_EQ(window.progress.label, "");
  EXPECT_EQ(form->progress.lbl_Inf, "");

  // Hidden from view, the bar is not drawn and the label keeps the last figure drawn.
  window.shown = false;
  Page(1)->busy = true;
  Progress(1, 7000, 10000);
  EXPECT_EQ(window.progress.percent, 0);
  EXPECT_EQ(window.progress.label, "0%");
}

TEST_F(PageEventsTest, AHiddenPageChangesOnlyItsOwnTabAndRecord) {
  const int hidden = Open("http://h/", "", false);
  Progress(1, 1000, 10000);
  const int draws = window.progress_draws;
  const auto before = window.progress;

  Progress(hidden, 4000, 10000);
  EXPECT_EQ(Tab(hidden)->image, form->tabs.TabIcons[1]);
  EXPECT_EQ(form->tabs.PageProgress.get(hidden), 40);
  EXPECT_EQ(window.progress_draws, draws);
  EXPECT_EQ(window.progress.percent, before.percent);

  // Switching to it shows its own figure; a finished page shows an empty bar.
  form->tabs.SelectPage(hidden);
  EXPECT_EQ(window.progress.percent, 40);
  Progress(hidden, 10000, 10000);
  Page(1)->busy = true;
  form->tabs.SelectPage(1);
  EXPECT_EQ(window.progress.percent, 10);
  Page(hidden)->busy = true;  // still busy at 100 %: the label is cleared all the same
  form->tabs.SelectPage(hidden);
  EXPECT_EQ(window.progress.percent, 0);
  EXPECT_EQ(window.progress.label, "");
  EXPECT_EQ(form->progress.lbl_Inf, "");
}

TEST_F(PageEventsTest, StopIsEnabledOnlyWhileTheShownPageLoads) {
  auto stop_enabled = [&] {
    const bool bar = toolbar.tool("tb_Main", "b_stop")->enabled;
    EXPECT_EQ(toolbar.tool("sub_View", "b_stop")->enabled, bar);
    return bar;
  };
  EXPECT_FALSE(stop_enabled()) << "a blank first page";
  Page(1)->busy = true;
  Progress(1, 0, 10000);
  EXPECT_TRUE(stop_enabled()) << "started, nothing received yet";
  Progress(1, 5000, 10000);
  EXPECT_TRUE(stop_enabled());
  // A page loading in the background does not count; the shown one decides again on switching.
  const int hidden = Open("http://127.0.0.1/b", "", false);
  Page(hidden)->busy = true;
  Progress(hidden, 3000, 10000);
  Progress(1, 10000, 10000);
  EXPECT_FALSE(stop_enabled()) << "finished, while still reported busy";
  form->tabs.SelectPage(hidden);
  EXPECT_TRUE(stop_enabled());
  Page(hidden)->busy = false;
  Progress(hidden, -1, 0);
  EXPECT_FALSE(stop_enabled());
}

TEST_F(PageEventsTest, AFailedSaveSaysWhereAndWhy) {
  std::ofstream(folder / "lng.ini") << "[ZOR_Main]\nmsg_SaveFailed=Not saved: {P} ({E})\n";
  pages.events.saveFailed(1, "/no/such/folder/a.mht", "Permission denied");
  EXPECT_EQ(window.messages, std::vector<std::string>{"Not saved: /no/such/folder/a.mht (Permission denied)"});
}

TEST_F(PageEventsTest, BackAndForwardFollowTheTabPosition) {
  toolbar::Tool* back = toolbar.tool("tb_Main", "b_back");
  toolbar::Tool* forward = toolbar.tool("tb_Main", "b_forward");
  const int second = Open("http://two/");
  pages.events.commandStateChange(second, 2, true);
  EXPECT_TRUE(back->enabled);
  EXPECT_FALSE(forward->enabled);
  EXPECT_TRUE(form->tabs.BackEnabled.get(2));

  pages.events.commandStateChange(1, 1, true);  // a hidden page keeps its own entries
  EXPECT_FALSE(forward->enabled);
  form->tabs.SelectPage(1);
  EXPECT_FALSE(back->enabled);
  EXPECT_TRUE(forward->enabled);

  form->tabs.SelectPage(second);
  forward->enabled = true;
  pages.events.commandStateChange(second, -1, false);  // "update all" is ignored
  EXPECT_TRUE(forward->enabled);
  pages.events.commandStateChange(second, 5, true);  // any other command refreshes the tools
  EXPECT_FALSE(forward->enabled);
}

TEST_F(PageEventsTest, SecurityIndicatorShowsTheFieldOfTheShownPage) {
  toolbar::Tool* indicator = toolbar.tool("sb_Status", "b_security");
  indicator->tag = "Open|Part secure, part not|Locked|";
  const int hidden = Open("https://h/", "", false);
  pages.events.setSecureLockIcon(1, 1);
  EXPECT_EQ(indicator->caption, "Part secure, part not");
  pages.events.setSecureLockIcon(hidden, 2);
  EXPECT_EQ(indicator->caption, "Part secure, part not") << "only the shown page";
  form->tabs.SelectPage(hidden);
  EXPECT_EQ(indicator->caption, "Part secure, part not") << "not reset by switching";
  pages.events.setSecureLockIcon(hidden, 2);
  EXPECT_EQ(indicator->caption, "Locked");
  pages.events.setSecureLockIcon(hidden, 0);
  EXPECT_EQ(indicator->caption, "Open");
}

TEST_F(PageEventsTest, StatusTextComesFromTheShownPageAndSyncsOffline) {
  std::string shown;
  form->chrome.hooks.setStatusText = [&](const std::string& text) { shown = text; };
  std::vector<int> hooked;
  form->chrome.hooks.applyPageHooks = [&](int page) { hooked.push_back(page); };
  const int hidden = Open("http://h/", "", false);

  pages.events.statusTextChange(hidden, "http://h/link");
  EXPECT_EQ(form->chrome.txt_status.Text(), "");
  EXPECT_EQ(shown, "");

  commands.offline = true;
  pages.events.statusTextChange(1, "Done");
  EXPECT_EQ(form->chrome.txt_status.Text(), "Done");
  EXPECT_EQ(shown, "Done");
  EXPECT_TRUE(toolbar.tool("sub_File", "b_offline")->checked);
  EXPECT_TRUE(toolbar.tool("sb_Status", "b_offline")->checked);
  EXPECT_TRUE(hooked.empty()) << "page 1 has no address yet";

  Page(1)->location = "http://one/";
  Page(1)->ready_state = 3;
  commands.offline = false;
  pages.events.statusTextChange(1, "ZOR_close");  // a page's text is shown, never run
  EXPECT_EQ(form->chrome.txt_status.Text(), "ZOR_close");
  EXPECT_EQ(form->tabs.TabCount(), 2);
  EXPECT_FALSE(toolbar.tool("sb_Status", "b_offline")->checked);
  EXPECT_EQ(hooked, std::vector<int>{1});
}

TEST_F(PageEventsTest, FocusStaysWithTheShownPage) {
  const int hidden = Open("http://h/", "", false);
  int raised = 0;
  form->chrome.hooks.raiseWindow = [&] { ++raised; };
  pages.events.gotFocus(1);
  EXPECT_TRUE(form->pageReports.PageAreaFocus);
  pages.events.lostFocus(hidden);
  EXPECT_TRUE(form->pageReports.PageAreaFocus) << "a hidden page losing focus means nothing";
  pages.events.lostFocus(1);
  EXPECT_FALSE(form->pageReports.PageAreaFocus);

  const int focused = Page(1)->focused;
  pages.events.gotFocus(hidden);
  EXPECT_EQ(raised, 1);
  EXPECT_EQ(Page(1)->focused, focused + 1);
  EXPECT_FALSE(form->pageReports.PageAreaFocus);
}

TEST_F(PageEventsTest, NavigationPullsTheFocusBackUnlessTheUserIsTyping) {
  int refreshes = 0;
  form->chrome.hooks.refreshEditTools = [&] { ++refreshes; };
  bool cancel = false;
  int focused = Page(1)->focused;
  pages.events.beforeNavigate2(1, "http://x/", cancel);
  EXPECT_EQ(Page(1)->focused, focused + 1);
  EXPECT_EQ(refreshes, 1);

  form->address.OnAddressFocus(true);
  focused = Page(1)->focused;
  pages.events.beforeNavigate2(1, "http://y/", cancel);
  EXPECT_EQ(Page(1)->focused, focused) << "the address box keeps the keys";
  form->address.OnAddressFocus(false);
  pages.events.gotFocus(1);
  pages.events.beforeNavigate2(1, "http://z/", cancel);
  EXPECT_EQ(Page(1)->focused, focused) << "the page has it already";

  form->pageReports.OnBeforeNavigate(1, true);
  EXPECT_EQ(refreshes, 3) << "a cancelled navigation leaves the edit tools";
  pages.events.beforeNavigate2(0, "http://refused/", cancel);  // the sink
  EXPECT_EQ(refreshes, 3);
}

TEST_F(PageEventsTest, APagesFullScreenHidesEveryBarAndLeavesTheWindowAsItWas) {
  auto shown = [&] {
    std::string names;
    for (const auto& band : form->chrome.ab_Main.bands())
      if (band->visible) names += band->name + " ";
    return names;
  };
  const int hidden = Open("http://h/", "", false);
  const std::string bars = shown();
  pages.events.onFullScreen(hidden, true);  // only the shown page may
  EXPECT_FALSE(window.full_screen);
  pages.events.onFullScreen(1, false);  // leaving what was never entered
  EXPECT_EQ(shown(), bars);

  pages.events.onFullScreen(1, true);
  EXPECT_TRUE(window.full_screen);
  EXPECT_EQ(shown(), "");
  EXPECT_FALSE(form->chrome.FullScreen()) << "the user's full screen is not ticked by a page";
  pages.events.onFullScreen(1, false);
  EXPECT_FALSE(window.full_screen);
  EXPECT_EQ(shown(), bars);

  // Inside the user's full screen, leaving the page's returns to the user's.
  form->layout.ToggleFullScreen();
  const std::string user_bars = shown();
  ASSERT_NE(user_bars, bars);
  pages.events.onFullScreen(1, true);
  EXPECT_EQ(shown(), "");
  pages.events.onFullScreen(1, false);
  EXPECT_TRUE(window.full_screen);
  EXPECT_TRUE(form->chrome.FullScreen());
  EXPECT_EQ(shown(), user_bars);
  form->layout.ToggleFullScreen();
  EXPECT_FALSE(window.full_screen);
  EXPECT_EQ(shown(), bars);

  // A page closed in its full screen gives the bars back.
  const int other = Open("http://o/", "", true);
  pages.events.onFullScreen(other, true);
  ASSERT_EQ(shown(), "");
  form->tabs.ClosePage(other);
  EXPECT_EQ(shown(), bars);
  EXPECT_FALSE(window.full_screen);

  // Closing the program in a page's full screen keeps the user's bars.
  pages.events.onFullScreen(1, true);
  form->exit.CloseCheck();
  EXPECT_EQ(shown(), bars);
}

TEST_F(PageEventsTest, TitlesReachTabAndWindowThroughTheEvent) {
  std::vector<int> framed;
  form->chrome.hooks.applyToFrames = [&](int page) { framed.push_back(page); };
  pages.events.titleChange(1, "Loaded");
  EXPECT_EQ(Tab(1)->caption, "Loaded");
  EXPECT_EQ(window.caption, "Loaded - ZOR");
  EXPECT_EQ(framed, std::vector<int>{1});
}

TEST_F(PageEventsTest, AFailedLoadShowsItsErrorPageWithTheAddressMadeHarmless) {
  std::ofstream(folder / "lng.ini") << "[ZOR_Main]\nerr_Refused=Refused <b>here</b>\nerr_TryAgain=Again\n";
  const std::string hostile = "http://127.0.0.1:9/<script>alert(1)</script>\"'&x";
  pages.events.navigateError(1, hostile, hosts::LoadError::kRefused, "Connection <refused>");
  const std::string& html = Page(1)->error_html;
  EXPECT_EQ(Page(1)->error_url, hostile);
  EXPECT_EQ(html.find("<script>"), std::string::npos) << html;
  EXPECT_NE(html.find("http://127.0.0.1:9/&lt;script&gt;alert(1)&lt;/script&gt;&quot;&#39;&amp;x"), std::string::npos);
  EXPECT_NE(html.find("Refused &lt;b&gt;here&lt;/b&gt;"), std::string::npos) << "the language file's words, as text";
  EXPECT_NE(html.find("Connection &lt;refused&gt;"), std::string::npos);
  EXPECT_NE(html.find("<title>The page cannot be displayed</title>"), std::string::npos) << "a missing key's words";
  EXPECT_NE(html.find(">Again</button>"), std::string::npos);
  // Each kind of failure has its own words; the sink of refused windows shows none.
  std::set<std::string> keys;
  for (hosts::LoadError kind : {hosts::LoadError::kNoSuchHost, hosts::LoadError::kRefused, hosts::LoadError::kSecurity,
                                hosts::LoadError::kTimeout, hosts::LoadError::kBlockedPort, hosts::LoadError::kOffline,
                                hosts::LoadError::kOther})
    keys.insert(shell::ErrorTextKey(kind));
  EXPECT_EQ(keys.size(), 7u);
  pages.events.navigateError(0, "http://127.0.0.1:9/", hosts::LoadError::kRefused, "");
  EXPECT_TRUE(Page(0)->error_html.empty());
}

TEST_F(PageEventsTest, ACommittedDocumentIsNamedByItsAddressUntilItHasATitle) {
  Page(1)->location = "http://a.test/one";
  pages.events.titleChange(1, "One");
  const int hidden = Open("http://a.test/h", "Hidden", false);
  // The next document of the shown page has no title (a picture, a plain text).
  Page(1)->location = "http://a.test/two%20x.png";
  Page(1)->title = "";
  pages.events.navigateComplete2(1, "http://a.test/two%20x.png");
  EXPECT_EQ(Tab(1)->caption, ShortenText("http://a.test/two%20x.png", 14));
  EXPECT_EQ(window.caption, "http://a.test/two%20x.png - ZOR");
  EXPECT_EQ(window.address_text, "http://a.test/two x.png");
  // about:blank after Home: nothing of the page before stays.
  Page(1)->location = "about:blank";
  pages.events.navigateComplete2(1, "about:blank");
  EXPECT_EQ(Tab(1)->caption, "about:blank");
  EXPECT_EQ(window.address_text, "about:blank");
  // A hidden page's document changes only its own tab.
  Page(hidden)->location = "http://a.test/h2";
  Page(hidden)->title = "";
  pages.events.navigateComplete2(hidden, "http://a.test/h2");
  EXPECT_EQ(Tab(hidden)->caption, ShortenText("http://a.test/h2", 14));
  EXPECT_EQ(window.address_text, "about:blank");
}

}  // namespace
}  // namespace zor::testing
