// The new-window decision, the sink of refused windows, the black-list guard and the
// blocked and closed pages menu.
#include <gtest/gtest.h>

#include "common/text_width.h"
#include "fakes/reported_elements.h"
#include "protection/protection_fixture.h"

namespace zor::testing {
namespace {

using Popup = ProtectionFixture;

hosts::ElementInfo El(const std::string& tag, const std::string& text, const std::string& head = {}) {
  return {tag, text, head};
}

TEST_F(Popup, WithBlockingOffEveryRequestOpensABackgroundPage) {
  const int shown = OpenShown("http://127.0.0.1/a");
  const int other = OpenShown("http://127.0.0.1/b");
  form->tabs.SelectPage(shown);
  const int tabs = form->tabs.TabCount();

  const Request r = NewWindow(other);  // not the current page, nothing clicked
  EXPECT_FALSE(r.cancel);
  ASSERT_EQ(r.target, form->tabs.LastPageIndex);
  fakes::FakePage* page = Page(r.target);
  EXPECT_EQ(Tool("tb_Tabs", "tabs-" + std::to_string(r.target))->caption, "New");
  EXPECT_EQ(form->tabs.TabCount(), tabs + 1);
  EXPECT_EQ(page->tag, std::to_string(tabs + 1));
  EXPECT_EQ(form->tabs.PageAtPosition.get(tabs + 1), r.target);
  EXPECT_TRUE(page->register_as_browser);
  EXPECT_TRUE(page->visible);
  EXPECT_EQ(page->container, hosts::Container::kHidden);
  EXPECT_EQ(form->tabs.ActivePage, shown);
  EXPECT_TRUE(hook.click_questions.empty());
  EXPECT_TRUE(window.sounds.empty());
  EXPECT_FALSE(guard().AllowPopup);
}

TEST_F(Popup, WithBlockingOnRequestsOfHiddenOrBlankPagesGoToTheSink) {
  Check("sub_Usetools", "b_stoppopup", true);
  hook.recent_click = true;
  const int background = OpenShown("http://127.0.0.1/a");
  Page(background)->snapshot.active_element = El("A", "http://127.0.0.1/x");
  Page(background)->snapshot.pointer_element = El("A", "http://127.0.0.1/x");
  OpenShown("http://127.0.0.1/b");
  const int last = form->tabs.LastPageIndex;

  Request r = NewWindow(background);
  EXPECT_EQ(r.target, 0);
  EXPECT_FALSE(r.cancel);  // the sink's first navigation is what gets caught
  EXPECT_EQ(window.sounds, std::vector<std::string>{form->chrome.files.FolderPath() + "block.wav"});
  EXPECT_EQ(window.pending_runs, 1);
  EXPECT_EQ(form->tabs.LastPageIndex, last);

  // The current page itself, while blank.
  const int blank = OpenShown("");
  Page(blank)->snapshot.active_element = El("A", "http://127.0.0.1/x");
  r = NewWindow(blank);
  EXPECT_EQ(r.target, 0);
  EXPECT_TRUE(hook.click_questions.empty());  // never judged
  EXPECT_EQ(window.sounds.size(), 2u);
}

TEST_F(Popup, MouseTestComparesThePointedAndTheActiveElement) {
  Check("sub_Usetools", "b_stoppopup", true);
  const int n = OpenShown("http://127.0.0.1/page");
  struct Case {
    const char* name;
    bool click;
    hosts::ElementInfo pointer, active;
    bool allowed;
    bool inside = false;  // the pointer's element lies strictly inside the active one
  };
  using namespace fakes::reported;
  const hosts::ElementInfo body = kBody, div = kDiv, link = kLink, button = kButton, span = kSpan;
  const Case cases[] = {
      {"a link clicked and focused", true, link, link, true},
      {"a button clicked and focused", true, button, button, true},
      {"the body clicked", true, body, body, false},
      {"no element under the pointer", true, {}, link, false},
      {"no recent click", false, link, link, false},
      {"a link under the pointer, body active", true, link, body, true, true},
      {"a focused link, a div under the pointer", true, div, link, true},
      {"a div over a body whose text holds ://", true, div, El("BODY", "http://odd"), false, true},
      {"a plain div clicked", true, div, body, false, true},
      {"a script link under the pointer", true, El("A", "javascript:openIt()"), body, true, true},
      {"a focused script link", true, div, El("A", "JavaScript:void(0)"), true},
      {"a button's label clicked", true, span, button, true, true},
      {"a span inside the body", true, span, body, false, true},
      {"a span beside the focused button", true, span, button, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    hook.recent_click = c.click;
    ++hook.clicks;
    Page(n)->snapshot.pointer_element = c.pointer;
    Page(n)->snapshot.active_element = c.active;
    Page(n)->snapshot.pointer_in_active = c.inside;
    const Request r = NewWindow(n);
    EXPECT_EQ(r.target != 0, c.allowed);
    EXPECT_FALSE(r.cancel);
    if (r.target > 0) form->tabs.SelectPage(n);
  }
  EXPECT_EQ(hook.click_questions.back(), 55.0);
}

TEST_F(Popup, KeyPressCountsForHalfASecond) {
  Check("sub_Usetools", "b_stoppopup", true);
  const int n = OpenShown("http://127.0.0.1/page");
  Page(n)->snapshot.active_element = El("A", "http://127.0.0.1/next");
  form->tabs.ShowPage(n);  // binds the document whose keys count
  auto key_then_popup = [&](double key_at, double popup_at) {
    now = key_at;
    pages.events.documentEvent(n, "keydown");
    now = popup_at;
    const bool allowed = NewWindow(n).target != 0;
    form->tabs.SelectPage(n);
    return allowed;
  };
  const double s = 1'800'000'000.0;
  // Wherever in its second the key was pressed.
  EXPECT_TRUE(key_then_popup(s + 0.45, s + 0.9));
  EXPECT_FALSE(key_then_popup(s + 0.45, s + 0.95));
  EXPECT_TRUE(key_then_popup(s + 0.6, s + 1.05));
  EXPECT_FALSE(key_then_popup(s + 0.6, s + 1.1));
  // A key in a page whose document is not bound does not count.
  const int other = OpenShown("http://127.0.0.1/other");
  form->tabs.SelectPage(n);
  form->tabs.SelectPage(other);  // binds the other page's document
  now = s + 10.0;
  pages.events.documentEvent(n, "keydown");
  Page(other)->snapshot.active_element = El("A", "http://127.0.0.1/next");
  now = s + 10.1;
  EXPECT_EQ(NewWindow(other).target, 0);
}

TEST_F(Popup, KeyPressOnInputsAndFrames) {
  Check("sub_Usetools", "b_stoppopup", true);
  const int n = OpenShown("http://127.0.0.1/page");
  form->tabs.ShowPage(n);
  auto allowed = [&](const hosts::ElementInfo& active, std::vector<hosts::ElementInfo> frames = {}) {
    Page(n)->snapshot.active_element = active;
    Page(n)->snapshot.frame_active_elements = std::move(frames);
    pages.events.documentEvent(n, "keydown");
    const bool yes = NewWindow(n).target != 0;
    form->tabs.SelectPage(n);
    return yes;
  };
  EXPECT_TRUE(allowed(El("INPUT", "[object HTMLInputElement]", "<input type=\"SUBMIT\" value=\"Go\">")));
  EXPECT_TRUE(allowed(El("INPUT", "[object HTMLInputElement]", "<input type=\"Image\" src=\"go.png\">")));
  EXPECT_FALSE(allowed(El("INPUT", "[object HTMLInputElement]", "<input type=\"text\" name=\"q\">")));
  EXPECT_FALSE(allowed(El("BUTTON", "[object HTMLButtonElement]", "<button>")));
  EXPECT_FALSE(allowed(El("a", "http://127.0.0.1/lower")));  // tag names compare exactly
  const hosts::ElementInfo frame = El("FRAME", "[object HTMLFrameElement]");
  EXPECT_TRUE(allowed(frame, {{}, El("A", "http://127.0.0.1/in-frame")}));
  EXPECT_FALSE(allowed(frame, {{}, {}}));  // every frame unreadable
  EXPECT_FALSE(allowed(El("IFRAME", "[object HTMLIFrameElement]"), {El("A", "http://127.0.0.1/x")}));
}

TEST_F(Popup, OneClickOrKeyPressOpensOneWindow) {
  Check("sub_Usetools", "b_stoppopup", true);
  const int n = OpenShown("http://127.0.0.1/page");
  form->tabs.ShowPage(n);
  const hosts::ElementInfo link = El("A", "http://127.0.0.1/next");
  Page(n)->snapshot.pointer_element = link;
  Page(n)->snapshot.active_element = link;
  auto opened = [&](int requests) {
    int count = 0;
    for (int i = 0; i < requests; ++i)
      if (NewWindow(n).target != 0) ++count;
    form->tabs.SelectPage(n);
    return count;
  };
  hook.recent_click = true;
  ++hook.clicks;
  EXPECT_EQ(opened(40), 1) << "a handler calling window.open in a loop";
  EXPECT_EQ(opened(1), 0) << "a timer moments later, still within the click's time";
  ++hook.clicks;
  EXPECT_EQ(opened(3), 1) << "the next click";
  hook.recent_click = false;
  pages.events.documentEvent(n, "keydown");
  EXPECT_EQ(opened(5), 1) << "Enter on a focused link";
  pages.events.documentEvent(n, "keydown");
  EXPECT_EQ(opened(1), 1);
  // A link the user sent to a tab with this click is the window the click opened.
  ++hook.clicks;
  pages.events.linkToNewTab(n, "http://127.0.0.1/sent", false);
  EXPECT_EQ(Page(form->tabs.LastPageIndex)->navigations.back(), "http://127.0.0.1/sent");
  EXPECT_EQ(form->tabs.ActivePage, n) << "behind the page";
  EXPECT_EQ(opened(1), 0) << "the page's own window on the same click";
  pages.events.linkToNewTab(n, "http://127.0.0.1/shown", true);
  EXPECT_EQ(form->tabs.ActivePage, form->tabs.LastPageIndex);
  form->tabs.SelectPage(n);
  // With the blocker off, the page opens what it asks for.
  Check("sub_Usetools", "b_stoppopup", false);
  EXPECT_EQ(opened(3), 3);
}

TEST_F(Popup, AFailureInTheDecisionCancelsAndIsLogged) {
  Check("sub_Usetools", "b_stoppopup", true);
  const int n = OpenShown("http://127.0.0.1/page");
  Page(n)->snapshot.active_element = El("A", "http://127.0.0.1/next");
  hook.failing = true;
  const int last = form->tabs.LastPageIndex;
  const Request r = NewWindow(n);
  EXPECT_TRUE(r.cancel);
  EXPECT_EQ(r.target, -1);
  EXPECT_EQ(system_log, std::vector<std::string>{"hook failedNewWindow2"});
  EXPECT_EQ(form->tabs.LastPageIndex, last);
  EXPECT_TRUE(window.sounds.empty());
  // The next request is judged afresh.
  hook.failing = false;
  EXPECT_EQ(NewWindow(n).target, 0);
}

TEST_F(Popup, NoWindowOpensWhilePagesClose) {
  form->tabs.ClosingPages = true;
  const Request r = NewWindow(1);
  EXPECT_TRUE(r.cancel);
  EXPECT_EQ(r.target, -1);
}

using BlockedMenu = ProtectionFixture;

TEST_F(BlockedMenu, TheSinkRecordsEveryNavigationAndTheEleventhShiftsTheMenu) {
  ASSERT_EQ(Tool("sb_Status", "b_blocked")->caption, "Blocked:0");
  for (int k = 1; k <= 10; ++k) EXPECT_TRUE(Navigate(0, "http://127.0.0.1/p" + std::to_string(k)));
  EXPECT_EQ(Menu().back(), "blocked-10=10. http://127.0.0.1/p10");
  EXPECT_EQ(Tool("sub_Blocked", "blocked-10")->id, 2810);
  EXPECT_TRUE(Navigate(0, "http://127.0.0.1/p11"));

  const std::vector<std::string> menu = Menu();
  ASSERT_EQ(menu.size(), 10u);
  for (int p = 1; p <= 10; ++p)
    EXPECT_EQ(menu[p - 1], "blocked-" + std::to_string(p) + "=" + std::to_string(p + 1) + ". http://127.0.0.1/p" +
                               std::to_string(p + 1));
  EXPECT_EQ(Tool("sb_Status", "b_blocked")->caption, "Blocked:11");
  EXPECT_EQ(guard().BlockedUrl(1), "http://127.0.0.1/p2");
  EXPECT_EQ(guard().BlockedUrl(10), "http://127.0.0.1/p11");
  // Ids are not renumbered: the newest carries the id of position 10 again.
  EXPECT_EQ(toolbar.band("sub_Blocked")->tools().at(0)->id, 2802);
  EXPECT_EQ(toolbar.band("sub_Blocked")->tools().at(9)->id, 2810);
  EXPECT_TRUE(window.sounds.empty());  // the sound belongs to the refusal, not to the record

  // An entry opens its own address.
  toolbar.fireToolClick(*Tool("sub_Blocked", "blocked-3"));
  const fakes::FakePage* current = Page(form->tabs.ActivePage);
  ASSERT_FALSE(current->navigations.empty());
  EXPECT_EQ(current->navigations.back(), "http://127.0.0.1/p4");
}

TEST_F(BlockedMenu, CounterWithoutColonAndClosedPagesShareTheMenu) {
  Tool("sb_Status", "b_blocked")->caption = "7";
  Navigate(0, "http://127.0.0.1/a");
  EXPECT_EQ(Tool("sb_Status", "b_blocked")->caption, "8");
  EXPECT_EQ(Menu().back(), "blocked-1=8. http://127.0.0.1/a");
  const int n = OpenShown("http://127.0.0.1/closed");
  Page(n)->title = "Closed page";
  form->tabs.ClosePage(n);
  EXPECT_EQ(Menu().back(), "blocked-2=9. Closed page");
  EXPECT_EQ(guard().BlockedUrl(2), "http://127.0.0.1/closed");
}

TEST_F(BlockedMenu, LongAddressesAreCutButBlackListedOnesShowInFull) {
  const std::string long_url = "http://127.0.0.1/" + std::string(60, 'x');
  Navigate(0, long_url);
  EXPECT_EQ(Menu().back(), "blocked-1=1. " + ShortenText(long_url, 50));
  EXPECT_EQ(Menu().back().substr(Menu().back().size() - 4), " ...");
  EXPECT_EQ(guard().BlockedUrl(1), long_url);

  Check("sub_Usetools", "b_killpop", true);
  black_list = {"127.0.0.2"};
  const std::string listed = "http://127.0.0.2/" + std::string(60, 'y');
  form->tabs.AddNewPage("", false);
  const int fresh = form->tabs.LastPageIndex;
  EXPECT_TRUE(Navigate(fresh, listed));
  EXPECT_EQ(Menu().back(), "blocked-2=2. " + listed);
  EXPECT_EQ(Page(fresh), nullptr);  // closed before it loaded
  EXPECT_EQ(window.sounds.size(), 1u);
}

using Guard = ProtectionFixture;

TEST_F(Guard, APageIsJudgedByTheSiteItShows) {
  black_list = {"127.0.0.2"};
  const int n = OpenShown("http://127.0.0.1/fine");
  Page(n)->location = "http://127.0.0.1/fine";
  // Kill mode off: nothing is asked.
  corvane.clear();
  EXPECT_FALSE(Navigate(n, "http://127.0.0.2/bad"));
  EXPECT_TRUE(corvane.empty());

  Check("sub_Usetools", "b_killpop", true);
  // Its own address is fine, so the link to a listed site passes.
  EXPECT_FALSE(Navigate(n, "http://127.0.0.2/bad"));
  EXPECT_EQ(corvane.back(), "inBlackList:http://127.0.0.1/fine");
  EXPECT_NE(Page(n), nullptr);

  // A page already showing a listed site goes at its next navigation; the current
  // page's close records it once more through the closing handler.
  const int bad = OpenShown("http://127.0.0.2/shown");
  EXPECT_TRUE(Navigate(bad, "http://127.0.0.1/anything"));
  EXPECT_EQ(Page(bad), nullptr);
  EXPECT_EQ(Menu().front(), "blocked-1=1. http://127.0.0.2/shown");
  EXPECT_EQ(form->tabs.ActivePage, n);

  // Without the library the guard is off.
  form->proxies.ConnectionObject.reset();
  form->proxies.createConnection = [] { return std::unique_ptr<Connection>(); };
  const int again = OpenShown("http://127.0.0.2/shown");
  EXPECT_FALSE(Navigate(again, "http://127.0.0.2/x"));
}

TEST_F(Guard, ImageLoadsFollowTheToggleBeforeEveryNavigation) {
  const int n = OpenShown("http://127.0.0.1/a");
  Check("sub_ContentBlock", "b_imgs", true);
  Navigate(n, "http://127.0.0.1/b");
  EXPECT_TRUE(pages.images_blocked);
  Check("sub_ContentBlock", "b_imgs", false);
  Navigate(n, "http://127.0.0.1/c");
  EXPECT_FALSE(pages.images_blocked);
}

}  // namespace
}  // namespace zor::testing
