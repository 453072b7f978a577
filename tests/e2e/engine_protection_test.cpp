// The popup blocker, the black-list guard, the content blocker and dragged links in the
// real main window: pages from tests/e2e/pages served on 127.0.0.1, real clicks and key
// presses through the X test extension.
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/browser_window.h"
#include "browser/protection/page_protection.h"
#include "common/text_width.h"
#include "e2e/support/engine_support.h"
#include "fakes/reported_elements.h"

namespace fs = std::filesystem;

// From gdk/x11/gdkx.h, whose Xlib macros clash with the test headers.
extern "C" unsigned long gdk_x11_surface_get_xid(GdkSurface* surface);

namespace zor::gtk {
namespace {

const fs::path kScratch = [] {
  const fs::path dir = fs::temp_directory_path() / ("zor-engine-protect-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  for (const char* var : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
    setenv(var, (dir / var).c_str(), 1);
  std::atexit([] { fs::remove_all(fs::temp_directory_path() / ("zor-engine-protect-" + std::to_string(::getpid()))); });
  return dir;
}();

using e2e::PumpUntil;

const fs::path kPages = fs::path(ZOR_SOURCE_DIR) / "tests" / "e2e" / "pages";

// Serves the page corpus on one loopback address and keeps every path asked for.
// Pictures are small SVGs; any other unknown path is a page titled by its path.
e2e::HttpResponse AnswerFromCorpus(const e2e::HttpRequest& request, const std::atomic<bool>&) {
  const std::string& path = request.path;
  std::string name = path.substr(1, path.find('?') == std::string::npos ? std::string::npos : path.find('?') - 1);
  e2e::HttpResponse response;
  std::error_code ec;
  if (name.find('/') == std::string::npos && !name.empty() && fs::is_regular_file(kPages / name, ec)) {
    std::ifstream in(kPages / name);
    std::stringstream text;
    text << in.rdbuf();
    response.body = text.str();
    if (name.ends_with(".css")) response.type = "text/css";
  } else if (name.ends_with(".svg")) {
    response.type = "image/svg+xml";
    response.body = "<svg xmlns='http://www.w3.org/2000/svg' width='300' height='100'><rect width='300' height='100'/></svg>";
  } else {
    response.body = "<!DOCTYPE html><html><head><title>Page " + name + "</title></head><body>" + name + "</body></html>";
  }
  return response;
}

// Serves the page corpus on one loopback address and keeps every path asked for.
// Pictures are small SVGs; any other unknown path is a page titled by its path.
struct CorpusServer : e2e::LoopbackServer {
  explicit CorpusServer(const char* address) : LoopbackServer(AnswerFromCorpus, address) {}
  std::string Url(const std::string& path) const { return LoopbackServer::Url("/" + path); }
  // Whether any path asked for starts with `prefix`.
  bool Asked(const std::string& prefix) {
    for (const e2e::HttpRequest& r : Requests())
      if (r.path.rfind("/" + prefix, 0) == 0) return true;
    return false;
  }
};

// Lets the engine run for a while when what is checked is that nothing happens.
void Settle(double seconds) {
  PumpUntil([] { return false; }, seconds);
}

// Runs an xdotool sequence while the window keeps handling its events, as a drag needs.
int XdoWhilePumping(const std::string& command) {
  std::atomic<int> rc{-1};
  std::atomic<bool> done{false};
  std::thread run([&] {
    rc = std::system(command.c_str());
    done = true;
  });
  PumpUntil([&] { return done.load(); }, 60);
  run.join();
  return rc;
}

// Black-lists every address on 127.0.0.2.
class ListingConnection : public Connection {
 public:
  void ShowWindow(StatusBox*, const std::string&) override {}
  void GetProxyList(std::vector<std::string>&) override {}
  bool setProxy(const std::string&) override { return false; }
  bool inBlackList(const std::string& s) override { return s.find("//127.0.0.2") != std::string::npos; }
  void delTemp(bool, bool, bool, StatusBox*, const std::string&) override {}
  void addtoHei(const std::string&) override {}
  void addToNonProxy(const std::string&, const std::string&) override {}
};

class EngineProtectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Each window starts on a fresh profile (the folder another test file may have chosen).
    e2e::RemoveProfileFolder(fs::path(Glib::get_user_data_dir()) / "zor-browser");
    folder = kScratch / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(folder);
    for (const char* file : {"default.tb2", "lng.ini", "Translist.txt", "block.wav"})
      fs::copy_file(fs::path(ZOR_PROGRAM_DIR) / file, folder / file);
    fs::copy(fs::path(ZOR_PROGRAM_DIR) / "res", folder / "res", fs::copy_options::recursive);
    window = std::make_unique<app::BrowserWindow>(folder.string());
    form().proxies.createConnection = [] { return std::make_unique<ListingConnection>(); };
  }
  void TearDown() override {
    window.reset();
    fs::remove_all(folder);
  }
  // Starts the window on `page` with popup blocking as given, and waits for it to load.
  void Start(const std::string& page, bool blocking = true) {
    ASSERT_TRUE(window->StartUp(""));
    form().chrome.ab_Main.tool("sub_Usetools", "b_stoppopup")->checked = blocking;
    window->mainWindow().present();
    Load(1, page);
  }
  void Load(int n, const std::string& page) {
    form().chrome.WB.Page(n)->Navigate(server.Url(page));
    ASSERT_TRUE(
        PumpUntil([&] { return form().chrome.WB.Page(n)->ReadyState() == 4 && !form().chrome.WB.Page(n)->Busy(); }));
    Settle(0.3);
  }
  shell::MainForm& form() { return window->form(); }
  protection::PageProtection& guard() { return form().protection; }
  std::string Menu() {
    std::string out;
    for (const auto& tool : form().chrome.ab_Main.band("sub_Blocked")->tools())
      out += tool->name + "=" + tool->caption + "\n";
    return out;
  }
  std::string Pages() {
    std::string out;
    for (int n = 0; n <= form().tabs.LastPageIndex; ++n)
      if (const hosts::PageControl* p = form().chrome.WB.Page(n))
        out += std::to_string(n) + ": " + p->LocationURL() + "\n";
    return out + "active " + std::to_string(form().tabs.ActivePage) + "\n";
  }
  std::string Counter() { return form().chrome.ab_Main.tool("sb_Status", "b_blocked")->caption; }
  // The X window and where a widget's point lies in it.
  std::string At(Gtk::Widget& widget, double x, double y) {
    double sx = 0, sy = 0;
    window->mainWindow().get_surface_transform(sx, sy);
    double wx = 0, wy = 0;
    widget.translate_coordinates(window->mainWindow(), x, y, wx, wy);
    const unsigned long xid = gdk_x11_surface_get_xid(window->mainWindow().get_surface()->gobj());
    return "--window " + std::to_string(xid) + " " + std::to_string(static_cast<int>(sx + wx)) + " " +
           std::to_string(static_cast<int>(sy + wy));
  }
  // A real click on row `row` (0-based, 100 pixels high) of a corpus page.
  void ClickRow(int row) {
    const std::string cmd = "xdotool mousemove " + At(window->pageArea(), 150, row * 100 + 50) + " click 1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  // Waits for a tab titled "Page <name>" in the background; its page index, or 0.
  int BackgroundPage(const std::string& name) {
    int found = 0;
    PumpUntil(
        [&] {
          for (int n = 2; n <= form().tabs.LastPageIndex; ++n)
            if (form().chrome.WB.Page(n) && form().chrome.WB.Page(n)->DocumentTitle() == "Page " + name) found = n;
          return found != 0;
        },
        15);
    return found;
  }
  std::string Dom(int n, const std::string& body) {
    std::string out;
    bool done = false;
    form().chrome.WB.Page(n)->RunDom(body, [&](const hosts::ScriptResult& r) {
      out = r.ok ? r.value : "error: " + r.error;
      done = true;
    });
    PumpUntil([&] { return done; });
    return out;
  }

  CorpusServer server{"127.0.0.1"};
  fs::path folder;
  std::unique_ptr<app::BrowserWindow> window;
};

TEST_F(EngineProtectionTest, ScriptPopupsWithoutUserActionGoToTheBlockedMenu) {
  Start("onload.html");
  ASSERT_TRUE(PumpUntil([&] { return Menu().find("popped-onload") != std::string::npos; })) << Menu();
  EXPECT_EQ(Menu(), "blocked-1=1. " + ShortenText(server.Url("popped-onload"), 50) + "\n");
  EXPECT_EQ(Counter(), "Blocked:1");
  EXPECT_EQ(window->mainWindow().soundsPlayed(),
            std::vector<std::string>{form().chrome.files.FolderPath() + "block.wav"});
  EXPECT_EQ(guard().BlockedUrl(1), server.Url("popped-onload"));

  // A timer, and a frame's timer, next in the same run: the following counts.
  Load(1, "timer.html");
  ASSERT_TRUE(PumpUntil([&] { return Menu().find("popped-timer") != std::string::npos; })) << Menu();
  Load(1, "iframes.html");
  ASSERT_TRUE(PumpUntil([&] { return Menu().find("popped-frame-timer") != std::string::npos; })) << Menu();
  EXPECT_NE(Menu().find("blocked-3=3. "), std::string::npos) << Menu();
  // Submitted to _blank by a script: the window's first navigation is a form's.
  Load(1, "form_blank.html");
  ASSERT_TRUE(PumpUntil([&] { return Menu().find("popped-autoform") != std::string::npos; })) << Menu();
  EXPECT_EQ(Counter(), "Blocked:4");
  EXPECT_EQ(window->mainWindow().soundsPlayed().size(), 4u);
  EXPECT_EQ(form().tabs.TabCount(), 1);
  for (const char* popped : {"popped-onload", "popped-timer", "popped-frame-timer", "popped-autoform"})
    EXPECT_FALSE(server.Asked(popped)) << popped;

  // A page that opens a window as it is left.
  Load(1, "onunload.html");
  Load(1, "timer.html");
  Settle(1.0);
  // The engine itself refuses a window asked for while a page unloads: it never reaches us.
  EXPECT_EQ(Menu().find("popped-onunload"), std::string::npos);
  EXPECT_FALSE(server.Asked("popped-onunload"));
  EXPECT_EQ(form().tabs.TabCount(), 1);
}

TEST_F(EngineProtectionTest, ClickedLinksOpenBackgroundTabs) {
  Start("links.html");
  ClickRow(0);  // target=_blank
  const int blank = BackgroundPage("opened-blank");
  ASSERT_NE(blank, 0) << Menu();
  EXPECT_EQ(form().tabs.ActivePage, 1);
  EXPECT_EQ(form().chrome.ab_Main.tool("tb_Tabs", "tabs-" + std::to_string(blank))->checked, false);
  ClickRow(1);  // javascript: link calling window.open
  const int script = BackgroundPage("opened-script");
  ASSERT_NE(script, 0) << Menu();
  EXPECT_EQ(form().tabs.ActivePage, 1);
  EXPECT_EQ(form().tabs.TabCount(), 3);
  EXPECT_TRUE(window->mainWindow().soundsPlayed().empty());
  EXPECT_EQ(Counter(), "Blocked:0");

  // Click handlers: a focused button counts, a plain div and a late timer do not.
  Load(1, "click_handlers.html");
  ClickRow(0);
  EXPECT_NE(BackgroundPage("opened-button"), 0);
  ClickRow(1);
  ASSERT_TRUE(PumpUntil([&] { return Menu().find("opened-div") != std::string::npos; })) << Menu();
  ClickRow(2);
  ASSERT_TRUE(PumpUntil([&] { return Menu().find("opened-late") != std::string::npos; })) << Menu();
  // The label inside a button is the button; one click opens one window however many are asked for.
  ClickRow(3);
  EXPECT_NE(BackgroundPage("opened-label"), 0) << Menu();
  const int before = form().tabs.TabCount();
  ClickRow(4);
  EXPECT_NE(BackgroundPage("opened-loop0"), 0) << Menu();
  ASSERT_TRUE(PumpUntil([&] { return Menu().find("opened-loop7") != std::string::npos; })) << Menu();
  EXPECT_EQ(form().tabs.TabCount(), before + 1);
  // A link inside a frame, and a form's submit button.
  Load(1, "iframes.html");
  ClickRow(0);
  EXPECT_NE(BackgroundPage("opened-frame"), 0) << Menu();
  Load(1, "form_blank.html");
  ClickRow(0);
  EXPECT_NE(BackgroundPage("opened-form"), 0) << Menu();
  EXPECT_EQ(form().tabs.ActivePage, 1);
}

TEST_F(EngineProtectionTest, AKeyPressOnAFocusedLinkOpensOne) {
  Start("links.html");
  ASSERT_EQ(Dom(1, "document.getElementById('blank').focus(); return document.activeElement.id;"), "\"blank\"");
  // The page must hold the keyboard focus; a click on an empty part of it gives it that.
  const std::string cmd = "xdotool mousemove " + At(window->pageArea(), 600, 500) + " click 1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  Settle(0.8);  // past the click's own window, so only the key can allow
  ASSERT_EQ(Dom(1, "document.getElementById('blank').focus(); return document.activeElement.id;"), "\"blank\"");
  ASSERT_EQ(std::system("xdotool key Return"), 0);
  EXPECT_NE(BackgroundPage("opened-blank"), 0) << Menu() << Pages();
  EXPECT_EQ(form().tabs.ActivePage, 1);
  EXPECT_TRUE(window->mainWindow().soundsPlayed().empty());
}

TEST_F(EngineProtectionTest, KillModeClosesABlackListedPageBeforeItLoads) {
  CorpusServer listed("127.0.0.2");
  Start("links.html");
  form().chrome.ab_Main.tool("sub_Usetools", "b_killpop")->checked = true;
  const int tabs = form().tabs.TabCount();
  form().tabs.AddNewPage(listed.Url("listed-page"), false);
  const int n = form().tabs.LastPageIndex;
  ASSERT_TRUE(PumpUntil([&] { return form().chrome.WB.Page(n) == nullptr; }));
  EXPECT_EQ(form().tabs.TabCount(), tabs);
  EXPECT_EQ(Menu(), "blocked-1=1. " + listed.Url("listed-page") + "\n");
  EXPECT_EQ(window->mainWindow().soundsPlayed().size(), 1u);
  Settle(0.5);
  EXPECT_TRUE(listed.Requests().empty());
  // A page of another site stays.
  form().tabs.AddNewPage(server.Url("fine-page"), false);
  EXPECT_NE(BackgroundPage("fine-page"), 0);
}

TEST_F(EngineProtectionTest, BlockedImagesAreNeverFetchedAndLateOnesGoAsTheyAreAdded) {
  Start("links.html");
  form().chrome.ab_Main.fireToolClick(*form().chrome.ab_Main.tool("sub_ContentBlock", "b_imgs"));
  form().chrome.ab_Main.fireToolClick(*form().chrome.ab_Main.tool("sub_ContentBlock", "b_swfs"));
  ASSERT_TRUE(PumpUntil([&] { return static_cast<webkit::WebKitPageHost&>(form().chrome.WB).image_rule_ready(); }));
  Load(1, "content.html");
  ASSERT_TRUE(PumpUntil([&] { return Dom(1, "return document.images.length;") == "0"; }));
  EXPECT_FALSE(server.Asked("pic-1") || server.Asked("pic-2"));
  EXPECT_EQ(Dom(1, "return Array.from(document.querySelectorAll('embed,object')).map(e => e.id).join();"),
            "\"other-embed,player\"");

  // A picture a script adds later goes at once, alone or inside other elements; with the
  // toggle off again, pictures stay.
  Dom(1,
      "const i = document.createElement('img'); i.id = 'late'; document.body.appendChild(i);"
      "const p = document.createElement('p'); p.innerHTML = '<span><img></span>'; document.body.appendChild(p); return "
      "1;");
  EXPECT_TRUE(PumpUntil([&] { return Dom(1, "return document.images.length;") == "0"; }));
  form().chrome.ab_Main.fireToolClick(*form().chrome.ab_Main.tool("sub_ContentBlock", "b_imgs"));
  Dom(1, "document.body.appendChild(document.createElement('img')); return 1;");
  Settle(0.3);
  EXPECT_EQ(Dom(1, "return document.images.length;"), "1");
  EXPECT_FALSE(server.Asked("pic-1") || server.Asked("pic-2"));
}

// Ctrl or middle click on a link opens it behind, Shift+click in a shown tab, the context
// menu's entry behind: the user's own clicks, which the popup blocker lets through.
TEST_F(EngineProtectionTest, LinksTheUserSendsToNewTabs) {
  Start("links.html");
  const std::string link = At(window->pageArea(), 150, 250);
  auto opened = [&](const std::string& xdo) {
    const int before = form().tabs.LastPageIndex;
    EXPECT_EQ(XdoWhilePumping("xdotool mousemove " + link + " " + xdo), 0);
    PumpUntil([&] { return form().tabs.LastPageIndex > before; }, 15);
    const int n = form().tabs.LastPageIndex;
    return n > before && PumpUntil([&] { return form().chrome.WB.Page(n)->DocumentTitle() == "Page dragged"; }, 15) ? n
                                                                                                                    : 0;
  };
  const int ctrl = opened("keydown ctrl click 1 keyup ctrl");
  EXPECT_NE(ctrl, 0);
  EXPECT_EQ(form().tabs.ActivePage, 1);
  EXPECT_NE(opened("click 2"), 0);
  EXPECT_EQ(form().tabs.ActivePage, 1);
  EXPECT_EQ(form().chrome.WB.Page(1)->LocationURL(), server.Url("links.html")) << "the page itself stays";
  const int shift = opened("keydown shift click 1 keyup shift");
  EXPECT_NE(shift, 0);
  EXPECT_EQ(form().tabs.ActivePage, shift);
  EXPECT_TRUE(Menu().empty() || Menu().find("dragged") == std::string::npos) << Menu();

  // The context menu offers a tab, not a window.
  form().tabs.SelectPage(1);
  Settle(0.3);
  struct Offer {
    GAction* action = nullptr;
    std::string label;
  } offer;
  WebKitWebView* view = window->pages().WebPage(1)->view();
  const gulong handler = g_signal_connect_after(
      view, "context-menu",
      G_CALLBACK(+[](WebKitWebView*, WebKitContextMenu* menu, WebKitHitTestResult*, gpointer data) -> gboolean {
        auto* offer = static_cast<Offer*>(data);
        for (GList* item = webkit_context_menu_get_items(menu); item; item = item->next) {
          auto* entry = WEBKIT_CONTEXT_MENU_ITEM(item->data);
          EXPECT_NE(webkit_context_menu_item_get_stock_action(entry),
                    WEBKIT_CONTEXT_MENU_ACTION_OPEN_LINK_IN_NEW_WINDOW);
          GAction* action = webkit_context_menu_item_get_gaction(entry);
          if (action && std::string(g_action_get_name(action)) == "open-link-in-new-tab" && !offer->action)
            offer->action = G_ACTION(g_object_ref(action));
        }
        return FALSE;
      }),
      &offer);
  ASSERT_EQ(XdoWhilePumping("xdotool mousemove " + link + " click 3"), 0);
  ASSERT_TRUE(PumpUntil([&] { return offer.action != nullptr; }, 15));
  g_signal_handler_disconnect(view, handler);
  ASSERT_EQ(XdoWhilePumping("xdotool key Escape"), 0);
  const int before = form().tabs.LastPageIndex;
  g_action_activate(offer.action, nullptr);
  g_object_unref(offer.action);
  ASSERT_TRUE(PumpUntil([&] { return form().tabs.LastPageIndex > before; }, 15));
  EXPECT_EQ(form().chrome.WB.Page(form().tabs.LastPageIndex)->LocationURL(), server.Url("dragged"));
  EXPECT_EQ(form().tabs.ActivePage, 1);
}

// The Edit menu's Cut, Copy and Paste act on the field that has the focus in the page.
TEST_F(EngineProtectionTest, EditMenuCutCopyAndPasteReachThePagesField) {
  Start("inputs.html");
  auto click = [&](const char* name) {
    form().chrome.ab_Main.fireToolClick(*form().chrome.ab_Main.tool("sub_Edit", name));
  };
  Dom(1, "const a = document.getElementById('a'); a.focus(); a.select(); return 1;");
  click("b_copy");
  Dom(1, "document.getElementById('b').focus(); return 1;");
  click("b_paste");
  EXPECT_TRUE(PumpUntil([&] { return Dom(1, "return document.getElementById('b').value;") == "\"hello world\""; }, 10));
  Dom(1, "const a = document.getElementById('a'); a.focus(); a.setSelectionRange(0, 6); return 1;");
  click("b_cut");
  EXPECT_TRUE(PumpUntil([&] { return Dom(1, "return document.getElementById('a').value;") == "\"world\""; }, 10));
  Dom(1, "const b = document.getElementById('b'); b.focus(); b.value = ''; return 1;");
  click("b_paste");
  EXPECT_TRUE(PumpUntil([&] { return Dom(1, "return document.getElementById('b').value;") == "\"hello \""; }, 10));
}

// The popup decision's unit tables use the page script's reports for these elements;
// they must stay what a real page gives.
TEST_F(EngineProtectionTest, ThePageScriptReportsTheElementsTheUnitTablesUse) {
  Start("elements.html");
  struct Row {
    int row;
    hosts::ElementInfo pointer, active;
    bool inside;
  };
  const hosts::ElementInfo link{"A", server.Url("next"), ""};
  using namespace fakes::reported;
  // "Inside" is strict: an element clicked and focused is not inside itself.
  for (const Row& r : {Row{0, kButton, kButton, false}, Row{1, kDiv, kBody, true}, Row{2, kSpan, kButton, true},
                       Row{3, link, link, false}}) {
    SCOPED_TRACE(r.row);
    const unsigned before = form().chrome.WB.Page(1)->Snapshot().reports;
    ClickRow(r.row);
    ASSERT_TRUE(PumpUntil([&] {
      const hosts::DocumentSnapshot& shot = form().chrome.WB.Page(1)->Snapshot();
      return shot.reports > before && shot.last_event == "click";
    }));
    const hosts::DocumentSnapshot& shot = form().chrome.WB.Page(1)->Snapshot();
    EXPECT_EQ(shot.pointer_element.tag, r.pointer.tag);
    EXPECT_EQ(shot.pointer_element.text, r.pointer.text);
    EXPECT_EQ(shot.active_element.tag, r.active.tag);
    EXPECT_EQ(shot.active_element.text, r.active.text);
    EXPECT_EQ(shot.pointer_in_active, r.inside);
  }
}

// A video's full-screen button: the page fills the screen without a bar, and Escape
// brings back what was there before, the user's own full screen included.
TEST_F(EngineProtectionTest, APagesFullScreenFollowsTheEngineBothWays) {
  Start("fullscreen.html");
  auto shown = [&] {
    std::string names;
    for (const auto& band : form().chrome.ab_Main.bands())
      if (band->visible) names += band->name + " ";
    return names;
  };
  auto page_full = [&] { return Dom(1, "return document.fullscreenElement ? 1 : 0;") == "1"; };
  const std::string bars = shown();
  ClickRow(0);
  ASSERT_TRUE(PumpUntil([&] { return shown().empty() && page_full(); }, 15)) << shown();
  EXPECT_FALSE(form().chrome.FullScreen());
  ASSERT_EQ(XdoWhilePumping("xdotool key Escape"), 0);
  ASSERT_TRUE(PumpUntil([&] { return shown() == bars && !page_full(); }, 15)) << shown();

  form().layout.ToggleFullScreen();
  const std::string user_bars = shown();
  Settle(0.5);
  ClickRow(0);
  ASSERT_TRUE(PumpUntil([&] { return shown().empty() && page_full(); }, 15)) << shown();
  ASSERT_EQ(XdoWhilePumping("xdotool key Escape"), 0);
  ASSERT_TRUE(PumpUntil([&] { return shown() == user_bars && !page_full(); }, 15)) << shown();
  Settle(0.3);
  EXPECT_TRUE(form().chrome.FullScreen());  // (without a window manager the X window itself never says)
}

// Drag events the page raises itself reach no hook, in the page or in its frames; a real
// drag of a link reports its start, which gives the drop decision a fresh start.
TEST_F(EngineProtectionTest, OnlyTheUsersOwnDragsReachTheDragHook) {
  Start("links.html");
  std::vector<hosts::DragReport> drags;
  auto open = form().chrome.WB.events.dragEvent;
  form().chrome.WB.events.dragEvent = [&](int n, const hosts::DragReport& drag) {
    drags.push_back(drag);
    open(n, drag);
  };
  const std::string drag =
      "const fire = (el, type) => el.dispatchEvent(new DragEvent(type, {bubbles: true, dataTransfer: new DataTransfer()}));";
  Dom(1,
      drag +
          "const a = document.getElementById('drag'); for (const t of ['dragstart', 'dragleave', 'dragend']) fire(a, "
          "t);"
          "const p = document.getElementById('pic'); for (const t of ['dragstart', 'dragend']) fire(p, t); return 1;");
  Load(1, "iframes.html");
  Dom(1, drag + "const a = window.frames[0].document.querySelector('a'); for (const t of ['dragstart', 'dragleave', 'dragend']) fire(a, t); return 1;");
  Settle(0.5);
  EXPECT_TRUE(drags.empty());
  EXPECT_EQ(form().tabs.TabCount(), 1);

  Load(1, "links.html");
  std::string cmd = "xdotool mousemove " + At(window->pageArea(), 20, 210) + " sleep 0.2 mousedown 1 sleep 0.3";
  for (int step = 1; step <= 10; ++step)
    cmd += " mousemove " + At(window->pageArea(), 20 + step * 8, 210 + step * 4) + " sleep 0.05";
  cmd += " mouseup 1 sleep 0.2";
  ASSERT_EQ(XdoWhilePumping(cmd), 0);
  ASSERT_TRUE(PumpUntil([&] { return !drags.empty(); }));
  EXPECT_EQ(drags[0].type, "dragstart");
  EXPECT_EQ(form().tabs.TabCount(), 1);
}

TEST_F(EngineProtectionTest, ThePageIconDragsTheCurrentAddress) {
  Start("links.html");
  auto* control = dynamic_cast<WidgetControl*>(form().chrome.ab_Main.tool("tb_Addressbar", "ctl_ieicon")->custom.get());
  ASSERT_TRUE(control && control->widget);
  GtkDragSource* source = nullptr;
  GListModel* controllers = gtk_widget_observe_controllers(control->widget->gobj());
  for (guint i = 0; i < g_list_model_get_n_items(controllers); ++i) {
    auto* item = static_cast<GObject*>(g_list_model_get_item(controllers, i));
    if (GTK_IS_DRAG_SOURCE(item)) source = GTK_DRAG_SOURCE(item);
    g_object_unref(item);
  }
  g_object_unref(controllers);
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(gtk_gesture_single_get_button(GTK_GESTURE_SINGLE(source)), 1u);
  EXPECT_EQ(gtk_drag_source_get_actions(source), GDK_ACTION_COPY);
  auto carried = [&] {
    GdkContentProvider* provider = nullptr;
    g_signal_emit_by_name(source, "prepare", 2.0, 2.0, &provider);
    if (!provider) return std::string("(none)");
    GValue value = G_VALUE_INIT;
    g_value_init(&value, G_TYPE_STRING);
    std::string text = gdk_content_provider_get_value(provider, &value, nullptr) ? g_value_get_string(&value) : "?";
    g_value_unset(&value);
    g_object_unref(provider);
    return text;
  };
  EXPECT_EQ(carried(), server.Url("links.html"));
  form().tabs.AddNewPage(server.Url("second"), true);
  EXPECT_EQ(carried(), server.Url("second"));
}

// Under Xvfb the engine starts the drag (the page sees dragstart and dragleave) but never
// ends it after the button goes up over the tab strip, so no dragend reaches the hook.
// Kept for a display where drags end; the decision itself is covered by the unit tests.
TEST_F(EngineProtectionTest, DISABLED_ALinkDroppedOnTheTabStripOpensInTheBackground) {
  Start("links.html");
  std::vector<hosts::DragReport> drags;
  auto open = form().chrome.WB.events.dragEvent;
  form().chrome.WB.events.dragEvent = [&](int n, const hosts::DragReport& drag) {
    drags.push_back(drag);
    open(n, drag);
  };
  Gtk::Widget* strip_tab = window->bars().toolWidget(*form().chrome.ab_Main.tool("tb_Tabs", "tabs-1"));
  ASSERT_NE(strip_tab, nullptr);
  const int width = strip_tab->get_width();
  std::string cmd = "xdotool mousemove " + At(window->pageArea(), 100, 250) + " sleep 0.2 mousedown 1 sleep 0.3";
  for (int step = 1; step <= 12; ++step)
    cmd += " mousemove " + At(window->pageArea(), 100 + step * 3, 250 - step * 2) + " sleep 0.05";
  for (int step = 1; step <= 6; ++step)
    cmd += " mousemove " + At(window->pageArea(), 136 + step * 10, 226 - step * 30) + " sleep 0.1";
  cmd += " sleep 0.1 mousemove " + At(*strip_tab, width + 40, 8) + " sleep 0.2 mousemove " +
         At(*strip_tab, width + 30, 10) + " sleep 0.3 mouseup 1 sleep 0.3 mousemove " + At(*strip_tab, width + 20, 12) +
         " sleep 0.3";
  ASSERT_EQ(XdoWhilePumping(cmd), 0);
  const int opened = BackgroundPage("dragged");
  ASSERT_EQ(drags.size(), 1u);
  EXPECT_EQ(drags[0].previous, "dragleave");
  EXPECT_EQ(drags[0].data, server.Url("dragged"));
  EXPECT_NE(opened, 0) << Pages();
  EXPECT_EQ(form().tabs.ActivePage, 1);
}

}  // namespace
}  // namespace zor::gtk
