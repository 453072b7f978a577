// The page host on real WebKitWebViews against pages served from 127.0.0.1.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "e2e/support/engine_support.h"
#include "hosts/webkit/webkit_page_host.h"

namespace zor::webkit {
namespace {

using e2e::LoopbackServer;
using e2e::PumpUntil;

const std::map<std::string, std::string> kPages = {
    {"/one", "<html><head><title>First page</title></head><body>one</body></html>"},
    {"/two", "<html><head><title>Second page</title></head><body>two</body></html>"},
    {"/opener",
     "<html><head><title>Opener</title></head><body>"
     "</body></html>"},
    {"/popup", "<html><head><title>Popup page</title></head><body>popup</body></html>"},
    {"/link",
     "<html><head><title>Links</title></head><body style='margin:0'>"
     "<a id='big' href='#stay' style='display:block;width:400px;height:200px;background:#8cf'>target</a>"
     "<img src='/none.png'><img src='/none.png'><a href='/two'>two</a></body></html>"},
    {"/zoom",
     "<html><head><title>Zoom</title></head><body style='margin:0'>"
     "<span id='text' style='font-size:16px'>Some text</span>"
     "<div id='box' style='width:100px;height:50px;background:#8cf'></div></body></html>"},
};

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() : server(kPages) {
    window.set_title("engine-test");
    window.set_default_size(640, 480);
    window.set_child(stack);
    host = std::make_unique<WebKitPageHost>(stack);
    host->events.titleChange = [this](int page, const std::string& title) { titles.push_back({page, title}); };
    host->events.progressChange = [this](int page, long progress, long) {
      if (progress == -1) completed.push_back(page);
    };
  }
  ~EngineTest() override {
    host->events = {};
    host.reset();
    window.destroy();
  }
  // Page n, shown in the window.
  WebKitPage* Shown(int n) {
    auto* page = static_cast<WebKitPage*>(host->Create(n));
    page->SetVisible(true);
    page->SetContainer(hosts::Container::kPageArea);
    return page;
  }
  bool Completed(int page) {
    for (int p : completed)
      if (p == page) return true;
    return false;
  }
  bool Titled(int page, const std::string& title) {
    for (auto& [p, t] : titles)
      if (p == page && t == title) return true;
    return false;
  }
  bool LoadAndWait(WebKitPage* page, const std::string& path) {
    completed.clear();
    page->Navigate(server.Url(path));
    return PumpUntil([&] { return Completed(page->index()) && page->ReadyState() == 4; });
  }

  LoopbackServer server;
  Gtk::Window window;
  Gtk::Stack stack;
  std::unique_ptr<WebKitPageHost> host;
  std::vector<std::pair<int, std::string>> titles;
  std::vector<int> completed;
};

TEST_F(EngineTest, ElementsStartEmptyAndTheSinkNeverShows) {
  // No element at all at first, not even the sink: it is made when first needed.
  EXPECT_EQ(host->Page(0), nullptr);
  hosts::PageControl* sink = host->Create(0);
  ASSERT_NE(sink, nullptr);
  sink->SetVisible(true);
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(host->WebPage(0)->view())));
  hosts::PageControl* page = host->Create(1);
  EXPECT_EQ(host->Create(1), page);  // creating an existing element returns it
  EXPECT_EQ(page->LocationURL(), "");
  EXPECT_FALSE(page->HasDocument());
  EXPECT_EQ(page->ReadyState(), 0);
  host->Destroy(1);
  EXPECT_EQ(host->Page(1), nullptr);
}

TEST_F(EngineTest, LoadReportsTitleProgressAndHistoryForItsOwnIndex) {
  host->Create(1);
  WebKitPage* page = Shown(3);
  std::vector<std::pair<int, bool>> back;
  host->events.commandStateChange = [&](int p, int command, bool enable) {
    if (command == 2) back.push_back({p, enable});
  };
  ASSERT_TRUE(LoadAndWait(page, "/one"));
  EXPECT_TRUE(PumpUntil([&] { return Titled(3, "First page"); }));
  EXPECT_EQ(page->LocationURL(), server.Url("/one"));
  EXPECT_FALSE(page->Busy());
  EXPECT_FALSE(Completed(1));
  ASSERT_TRUE(LoadAndWait(page, "/two"));
  // The engine may name the new document just after it reports the load done.
  EXPECT_TRUE(PumpUntil([&] { return Titled(3, "Second page"); }));
  EXPECT_EQ(page->DocumentTitle(), "Second page");
  EXPECT_TRUE(PumpUntil([&] { return !back.empty() && back.back() == std::make_pair(3, true); }));
  for (auto& [p, t] : titles) EXPECT_EQ(p, 3) << t;
}

TEST_F(EngineTest, CancelledNavigationNeverReachesTheServer) {
  WebKitPage* page = Shown(1);
  ASSERT_TRUE(LoadAndWait(page, "/one"));
  std::vector<std::pair<int, std::string>> asked;
  host->events.beforeNavigate2 = [&](int p, const std::string& url, bool& cancel) {
    asked.push_back({p, url});
    cancel = url.find("/two") != std::string::npos;
  };
  page->Navigate(server.Url("/two"));
  ASSERT_TRUE(PumpUntil([&] { return !asked.empty(); }));
  PumpUntil([] { return false; }, 1.0);
  EXPECT_EQ(asked.front(), std::make_pair(1, server.Url("/two")));
  EXPECT_FALSE(server.Asked("/two"));
  EXPECT_EQ(page->DocumentTitle(), "First page");
}

TEST_F(EngineTest, NewWindowGoesToThePageTheHandlerCreatesOrToTheSink) {
  WebKitPage* opener = Shown(1);
  ASSERT_TRUE(LoadAndWait(opener, "/opener"));
  int next_target = 2;
  std::vector<int> openers;
  host->events.newWindow2 = [&](int p, int& target, bool&) {
    openers.push_back(p);
    if (next_target > 0) host->Create(next_target);
    target = next_target;
  };
  std::vector<std::pair<int, std::string>> navigations;
  host->events.beforeNavigate2 = [&](int p, const std::string& url, bool& cancel) {
    navigations.push_back({p, url});
    cancel = p == 0;  // the sink loads nothing
  };
  opener->RunDom("window.open('/popup', '_blank'); return true;", nullptr);
  ASSERT_TRUE(PumpUntil([&] { return Titled(2, "Popup page"); }));
  EXPECT_EQ(openers, std::vector<int>{1});
  EXPECT_EQ(host->Page(2)->LocationURL(), server.Url("/popup"));

  // Refused: the sink takes it twice running, each time as a fresh related view.
  next_target = 0;
  // Held, so that no later view can be made at its address.
  host->Create(0);
  WebKitWebView* old_sink = WEBKIT_WEB_VIEW(g_object_ref(host->WebPage(0)->view()));
  host->Page(0)->SetTag("sink");
  for (const char* path : {"/one", "/two"}) {
    opener->RunDom(std::string("window.open('") + path + "', '_blank'); return true;", nullptr);
    ASSERT_TRUE(PumpUntil([&] {
      for (auto& [p, url] : navigations)
        if (p == 0 && url == server.Url(path)) return true;
      return false;
    })) << path;
  }
  EXPECT_NE(host->WebPage(0)->view(), old_sink);
  g_object_unref(old_sink);
  EXPECT_EQ(host->Page(0)->Tag(), "sink");
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(host->WebPage(0)->view())));
  PumpUntil([] { return false; }, 0.5);
  EXPECT_FALSE(server.Asked("/one") && server.Asked("/two") && server.Requests().size() > 4)
      << "the sink fetched a refused window's page";

  // A script-opened page may close itself; the host reports it with its index.
  std::vector<int> closing;
  host->events.windowClosing = [&](int p, bool&) { closing.push_back(p); };
  host->Page(2)->RunDom("window.close(); return true;", nullptr);
  ASSERT_TRUE(PumpUntil([&] { return !closing.empty(); }));
  EXPECT_EQ(closing, std::vector<int>{2});
}

TEST_F(EngineTest, TrustedClickFillsTheSnapshotAndDomCallsAnswer) {
  WebKitPage* page = Shown(1);
  window.present();
  ASSERT_TRUE(LoadAndWait(page, "/link"));
  EXPECT_EQ(page->Snapshot().reports, 0u);
  std::vector<std::pair<int, std::string>> events;
  host->events.documentEvent = [&](int p, const std::string& type) { events.push_back({p, type}); };

  // Script-made clicks are not the user's and must not show up.
  page->RunDom("document.getElementById('big').click(); return true;", nullptr);
  PumpUntil([] { return false; }, 0.5);
  EXPECT_TRUE(events.empty());

  PumpUntil([] { return false; }, 0.5);
  ASSERT_EQ(std::system("xdotool search --sync --name '^engine-test$' mousemove --window %1 60 40 click 1"), 0);
  ASSERT_TRUE(PumpUntil([&] { return page->Snapshot().last_event == "click"; }));
  const hosts::DocumentSnapshot& shot = page->Snapshot();
  EXPECT_EQ(shot.pointer_element.tag, "A");
  EXPECT_EQ(shot.pointer_element.text, server.Url("/link#stay"));
  EXPECT_EQ(shot.pointer_element.outer_head.rfind("<a id=\"big\"", 0), 0u) << shot.pointer_element.outer_head;
  EXPECT_EQ(shot.active_element.tag, "A");  // the clicked link takes the focus
  EXPECT_GT(shot.last_click_time, 0);
  EXPECT_EQ(shot.last_key_time, 0);
  EXPECT_NEAR(shot.pointer_x, 60, 3);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), std::make_pair(1, std::string("mousedown")));

  ASSERT_EQ(std::system("xdotool key x"), 0);
  ASSERT_TRUE(PumpUntil([&] { return page->Snapshot().last_key_time > 0; }));
  EXPECT_NEAR(page->Snapshot().last_key_time, g_get_real_time() / 1e6, 10);

  std::vector<hosts::ScriptResult> results;
  page->RunDom(hosts::dom::LinksScript(), [&](const hosts::ScriptResult& r) { results.push_back(r); });
  page->RunDom(hosts::dom::RemoveElementsScript({"IMG"}), [&](const hosts::ScriptResult& r) { results.push_back(r); });
  page->RunDom("throw new Error('broken ' + " + hosts::dom::JsString("quote\" </script>") + ");",
               [&](const hosts::ScriptResult& r) { results.push_back(r); });
  ASSERT_TRUE(PumpUntil([&] { return results.size() == 3; }));
  EXPECT_TRUE(results[0].ok);
  EXPECT_EQ(results[0].value,
            "[[\"" + server.Url("/link#stay") + "\",\"target\"],[\"" + server.Url("/two") + "\",\"two\"]]");
  EXPECT_EQ(results[1].value, "2");
  EXPECT_FALSE(results[2].ok);
  EXPECT_NE(results[2].error.find("broken quote\" </script>"), std::string::npos) << results[2].error;
}

// The text-size tools scale the text only: a box sized in pixels keeps its size, and
// level 2 is the page as written.
TEST_F(EngineTest, ZoomLevelsScaleTextButNotTheLayoutBoxes) {
  WebKitPage* page = Shown(1);
  window.present();
  ASSERT_TRUE(LoadAndWait(page, "/zoom"));
  auto measure = [&](int level) {
    page->ExecWB(hosts::kExecZoom, hosts::kExecDontPromptUser, level);
    std::vector<hosts::ScriptResult> r;
    page->RunDom("const t = document.getElementById('text').getBoundingClientRect();"
                 "const b = document.getElementById('box').getBoundingClientRect();"
                 "return [Math.round(t.height), Math.round(b.width), Math.round(b.height)];",
                 [&](const hosts::ScriptResult& result) { r.push_back(result); });
    EXPECT_TRUE(PumpUntil([&] { return !r.empty(); }));
    return r.empty() ? std::string() : r[0].value;
  };
  auto text_height = [](const std::string& v) { return std::atoi(v.c_str() + 1); };
  const std::string normal = measure(2);
  const std::string largest = measure(4);
  const std::string smallest = measure(0);
  ASSERT_FALSE(normal.empty());
  EXPECT_GT(text_height(largest), text_height(normal)) << largest << " vs " << normal;
  EXPECT_LT(text_height(smallest), text_height(normal)) << smallest << " vs " << normal;
  auto box = [](const std::string& v) { return v.substr(v.find(',')); };
  EXPECT_EQ(box(largest), box(normal));
  EXPECT_EQ(box(smallest), box(normal));
  EXPECT_EQ(box(normal), ",100,50]");
  EXPECT_EQ(measure(2), normal);
}

TEST_F(EngineTest, ResultOfADestroyedPageIsDropped) {
  WebKitPage* page = Shown(1);
  ASSERT_TRUE(LoadAndWait(page, "/one"));
  bool called = false;
  page->RunDom("return await new Promise(r => setTimeout(() => r(1), 200));",
               [&](const hosts::ScriptResult&) { called = true; });
  host->Destroy(1);
  PumpUntil([] { return false; }, 1.0);
  EXPECT_FALSE(called);
}

TEST_F(EngineTest, OfflineLoadsNothingFromTheNetwork) {
  WebKitPage* page = Shown(1);
  ASSERT_TRUE(PumpUntil([&] { return host->offline_rule_ready(); }));
  host->SetOffline(true);
  page->Navigate(server.Url("/one"));
  PumpUntil([] { return false; }, 1.0);
  EXPECT_FALSE(server.Asked("/one"));
  // Local documents still load, but what they ask of the network does not.
  completed.clear();
  webkit_web_view_load_html(page->view(), ("<title>local</title><img src='" + server.Url("/pic.png") + "'>").c_str(),
                            "file:///local.html");
  ASSERT_TRUE(PumpUntil([&] { return page->DocumentTitle() == "local" && Completed(1); })) << page->DocumentTitle();
  EXPECT_FALSE(server.Asked("/pic.png"));
  host->SetOffline(false);
  ASSERT_TRUE(LoadAndWait(page, "/one"));
  EXPECT_TRUE(server.Asked("/one"));
}

TEST_F(EngineTest, SilentPageAnswersScriptDialogsItself) {
  WebKitPage* page = Shown(1);
  ASSERT_TRUE(LoadAndWait(page, "/one"));
  page->SetSilent(true);
  std::vector<hosts::ScriptResult> results;
  page->RunDom("return confirm('sure?');", [&](const hosts::ScriptResult& r) { results.push_back(r); });
  ASSERT_TRUE(PumpUntil([&] { return !results.empty(); }, 10));
  EXPECT_EQ(results[0].value, "false");
}

}  // namespace
}  // namespace zor::webkit
