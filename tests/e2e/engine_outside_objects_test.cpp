// The input hook, the page commands and the address completion on real widgets.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "e2e/support/engine_support.h"
#include "hosts/gtk/address_completion.h"
#include "hosts/gtk/input_hook_gtk.h"
#include "hosts/gtk/page_commands_gtk.h"

namespace zor::gtk {
namespace {

using e2e::PumpUntil;

using hosts::Gesture;

// The gestures the hook reported, in order.
struct GestureLog {
  std::function<void(Gesture)> sink() {
    return [this](Gesture g) { seen.push_back(g); };
  }
  std::vector<Gesture> seen;
};

// A window with a bar above a page area, as the main window is laid out.
struct HookWindow {
  HookWindow() {
    window.set_title("hook-test");
    window.set_default_size(400, 300);
    bar.set_size_request(-1, 60);
    page_area.set_hexpand(true);
    page_area.set_vexpand(true);
    box.append(bar);
    box.append(page_area);
    window.set_child(box);
  }
  ~HookWindow() { window.destroy(); }
  Gtk::Window window;
  Gtk::Box box{Gtk::Orientation::VERTICAL};
  Gtk::Button bar{"tabs"};
  Gtk::DrawingArea page_area;
};

TEST(InputHookTest, RecentClickCountsHundredthsOfASecondOfClicksOnThePage) {
  HookWindow w;
  w.window.present();
  ASSERT_TRUE(PumpUntil([&] { return w.page_area.get_height() > 0; }));
  InputHookGtk hook(w.window, w.page_area);
  auto now = std::chrono::steady_clock::now();
  hook.clock = [&] { return now; };
  EXPECT_FALSE(hook.RecentClick(55.0));  // no click yet
  hook.OnButton(1, true, 10, 10);        // on the bar: not the page's click
  EXPECT_FALSE(hook.RecentClick(55.0));
  EXPECT_EQ(hook.ClickCount(), 0u);
  hook.OnButton(1, true, 200, 200);
  EXPECT_EQ(hook.ClickCount(), 1u);
  now += std::chrono::milliseconds(540);
  EXPECT_TRUE(hook.RecentClick(55.0));
  now += std::chrono::milliseconds(20);
  EXPECT_FALSE(hook.RecentClick(55.0));
  EXPECT_TRUE(hook.RecentClick(100.0));
  hook.OnButton(1, false, 200, 200);  // the release counts as the click's end, not a new click
  EXPECT_TRUE(hook.RecentClick(55.0));
  EXPECT_EQ(hook.ClickCount(), 1u);
}

TEST(InputHookTest, RightButtonGesturesAreReportedOnlyWhileHeld) {
  HookWindow w;
  InputHookGtk hook(w.window, w.page_area);
  GestureLog gestures;
  hook.Install(gestures.sink());
  EXPECT_FALSE(hook.OnScroll(-1));  // a plain wheel scrolls the page
  hook.OnButton(3, true, 5, 5);
  EXPECT_FALSE(hook.GestureInProgress());
  EXPECT_TRUE(hook.OnScroll(-1));
  EXPECT_TRUE(hook.OnScroll(2.5));
  EXPECT_FALSE(hook.OnScroll(0));
  hook.OnButton(1, true, 5, 5);  // rocker
  EXPECT_TRUE(hook.GestureInProgress());
  hook.OnButton(3, false, 5, 5);
  EXPECT_FALSE(hook.OnScroll(1));
  hook.OnButton(1, true, 5, 5);
  EXPECT_EQ(gestures.seen, (std::vector<Gesture>{Gesture::kTabLeft, Gesture::kTabRight, Gesture::kTabLeft}));
  hook.OnButton(3, true, 5, 5);
  EXPECT_FALSE(hook.GestureInProgress());  // a new hold starts clean
  hook.Remove();
  EXPECT_FALSE(hook.Installed());
  hook.OnButton(3, true, 5, 5);
  hook.OnScroll(1);
  EXPECT_EQ(gestures.seen.size(), 3u);  // removed: nothing more is reported
}

TEST(InputHookTest, ARightPressOverThePageIsHeldBackAndReplayedAtItsRelease) {
  HookWindow w;
  InputHookGtk hook(w.window, w.page_area);
  GestureLog gestures;
  hook.Install(gestures.sink());
  bool over_page = true;
  int replays = 0;
  hook.overPage = [&](double, double) { return over_page; };
  hook.replayRightClick = [&] { return ++replays, true; };

  // A plain right click over the page: held back, then given to the page whole.
  EXPECT_TRUE(hook.OnButton(3, true, 5, 5));
  EXPECT_TRUE(hook.OnButton(3, false, 5, 5));
  EXPECT_EQ(replays, 1);
  EXPECT_FALSE(hook.OnButton(3, true, 5, 5)) << "the replayed press reaches the page";
  EXPECT_FALSE(hook.OnButton(3, false, 5, 5));
  EXPECT_TRUE(gestures.seen.empty());

  // A gesture: the wheel and the rocker's left click never reach the page; the release
  // is still replayed, and no menu is suppressed by then (the page's own rule refuses it).
  EXPECT_TRUE(hook.OnButton(3, true, 5, 5));
  EXPECT_TRUE(hook.OnScroll(1));
  EXPECT_TRUE(hook.OnButton(1, true, 5, 5));
  EXPECT_TRUE(hook.GestureInProgress());
  EXPECT_TRUE(hook.OnButton(1, false, 5, 5));
  EXPECT_TRUE(hook.OnButton(3, false, 5, 5));
  EXPECT_FALSE(hook.GestureInProgress());
  EXPECT_EQ(replays, 2);
  EXPECT_EQ(gestures.seen, (std::vector<Gesture>{Gesture::kTabRight, Gesture::kTabLeft}));
  hook.OnButton(3, true, 5, 5);  // the replay passes
  hook.OnButton(3, false, 5, 5);
  EXPECT_FALSE(hook.OnButton(1, true, 5, 5)) << "a plain left click goes to the page";
  EXPECT_FALSE(hook.OnButton(1, false, 5, 5));

  // Outside the page, and where no replay is possible, the press goes through at once.
  over_page = false;
  EXPECT_FALSE(hook.OnButton(3, true, 5, 5));
  EXPECT_FALSE(hook.OnButton(3, false, 5, 5));
  over_page = true;
  hook.replayRightClick = [] { return false; };
  EXPECT_TRUE(hook.OnButton(3, true, 5, 5));
  EXPECT_TRUE(hook.OnButton(3, false, 5, 5));
  EXPECT_FALSE(hook.OnButton(3, true, 5, 5)) << "after a failed replay presses are not held back";
  EXPECT_EQ(replays, 2);
}

TEST(InputHookTest, RealInputReachesTheHookWithScreenPositions) {
  HookWindow w;
  InputHookGtk hook(w.window, w.page_area);
  GestureLog gestures;
  hook.Install(gestures.sink());
  w.window.present();
  ASSERT_TRUE(PumpUntil([&] { return w.page_area.get_width() > 0; }));
  ASSERT_EQ(std::system("xdotool search --sync --name '^hook-test$' windowmove %1 30 40"), 0);
  PumpUntil([] { return false; }, 0.5);
  ASSERT_EQ(std::system("xdotool mousemove 130 240 click 1"), 0);
  ASSERT_TRUE(PumpUntil([&] { return hook.RecentClick(55.0); }));
  EXPECT_EQ(hook.MouseX(), 130);
  EXPECT_EQ(hook.MouseY(), 240);
  ASSERT_EQ(std::system("xdotool mousedown 3 click 5 click 4 mouseup 3"), 0);
  ASSERT_TRUE(PumpUntil([&] { return gestures.seen.size() == 2; }));
  EXPECT_EQ(gestures.seen, (std::vector<Gesture>{Gesture::kTabRight, Gesture::kTabLeft}));
}

TEST(InputHookTest, DropOpensOnlyOutsideThePageArea) {
  HookWindow w;
  InputHookGtk hook(w.window, w.page_area);
  hook.Install(nullptr);
  w.window.present();
  ASSERT_TRUE(PumpUntil([&] { return w.page_area.get_height() > 0; }));
  bool first = false, open = true;
  hook.OnDragMotion(100, 200);  // over the page area
  hook.DropState(first, open);
  EXPECT_FALSE(open);
  hook.OnDragMotion(100, 20);  // over the bar
  hook.DropState(first, open);
  EXPECT_TRUE(open);
  hook.DropState(first, open);  // asked again without a new drag
  EXPECT_FALSE(open);
  hook.OnDragLeave();
  hook.DropState(first, open);
  EXPECT_TRUE(open);
}

TEST(AddressCompletionTest, MatchesIgnoreCaseSchemeAndWww) {
  EXPECT_TRUE(AddressMatches("exa", "http://www.Example.org/"));
  EXPECT_TRUE(AddressMatches("HTTP://EX", "http://example.org/"));
  EXPECT_TRUE(AddressMatches("www.ex", "https://example.org/"));
  EXPECT_TRUE(AddressMatches("about:", "About:Blank"));
  EXPECT_FALSE(AddressMatches("org", "http://example.org/"));  // only from the start
  EXPECT_FALSE(AddressMatches("", "http://example.org/"));
  EXPECT_FALSE(AddressMatches("example.org/long", "http://example.org/"));

  Gtk::ComboBoxText box(true);
  box.append("http://example.org/");
  AddressCompletion completion(box);
  EXPECT_EQ(box.get_entry()->get_completion(), completion.completion());
  EXPECT_TRUE(completion.completion()->get_popup_completion());
  EXPECT_FALSE(completion.completion()->get_inline_completion());
  box.append("http://later.example/");  // items added later are offered too
  EXPECT_EQ(completion.completion()->get_model()->children().size(), 2u);
}

TEST(PageCommandsTest, FindCountsMatchesAndSourceShowsTheDocument) {
  Gtk::Window window;
  Gtk::Stack stack;
  window.set_child(stack);
  auto pages = std::make_unique<webkit::WebKitPageHost>(stack);
  auto* page = static_cast<webkit::WebKitPage*>(pages->Create(1));
  page->SetVisible(true);
  window.present();
  bool loaded = false;
  pages->events.progressChange = [&](int, long p, long) { loaded = loaded || p == -1; };
  const std::string html = "<html><body><p>apple Apple pear apple</p></body></html>";
  webkit_web_view_load_html(page->view(), html.c_str(), "file:///fruit.html");
  ASSERT_TRUE(PumpUntil([&] { return loaded; }));

  PageCommandsGtk commands(*pages, window);
  commands.Attach(1);
  EXPECT_EQ(commands.AttachedPage(), 1);
  commands.ShowFind();
  commands.find_entry().set_text("apple");
  ASSERT_TRUE(PumpUntil([&] { return commands.find_result().get_text() == "3 matches"; }))
      << commands.find_result().get_text();
  commands.find_entry().set_text("plum");
  ASSERT_TRUE(PumpUntil([&] { return commands.find_result().get_text() == "Not found"; }));

  commands.ShowSource();
  ASSERT_EQ(commands.source_windows(), 1);
  ASSERT_TRUE(PumpUntil([&] {
    return commands.last_source_view()->get_buffer()->get_text().find("apple Apple pear") != Glib::ustring::npos;
  }));

  // Closed before its source arrives: the source goes nowhere.
  webkit_web_view_load_html(page->view(), ("<html><body>" + std::string(2'000'000, 'x') + "</body></html>").c_str(),
                            "file:///big.html");
  loaded = false;
  ASSERT_TRUE(PumpUntil([&] { return loaded; }));
  commands.ShowSource();
  ASSERT_EQ(commands.source_windows(), 2);
  auto* source_window = dynamic_cast<Gtk::Window*>(commands.last_source_view()->get_root());
  ASSERT_NE(source_window, nullptr);
  source_window->close();
  ASSERT_TRUE(PumpUntil([&] { return commands.source_windows() == 1; }));
  e2e::Pump(1.5);  // the two megabytes arrive for a window that is gone
  EXPECT_FALSE(commands.Offline());
  commands.SetOffline(true);
  EXPECT_TRUE(pages->offline());
  commands.Attach(7);  // no such page: the commands quietly do nothing
  commands.ShowSource();
  EXPECT_EQ(commands.source_windows(), 1);
  pages->events = {};
}

}  // namespace
}  // namespace zor::gtk
