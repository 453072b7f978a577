// The control panel in a real window over a real WebKit session: Corvane loaded from a
// program folder's Requires/ as the browser loads it, opened by the browser's commands,
// and driven through its widgets. A loopback page sets a cookie that the cleaner removes.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <unistd.h>
#include <webkit/webkit.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "corvane/engine/loopback_servers.h"
#include "corvane/engine/session_fixture.h"

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

namespace {

constexpr const char* kSkin = R"(tb2 1
band tb_Tabs type=tabs caption="Tabs"
band sub_Proxylist type=popup caption=Proxies
band sub_Tools type=popup caption=Tools
  tool b_setup id=410 caption="Connection Panel"
  tool b_delcookie id=412 caption="Delete Cookies"
)";

// "/set" answers with a cookie; every page is titled by the Cookie header it was sent.
class CookieServer : public zor::testing::LoopbackServer {
 public:
  explicit CookieServer(const std::string& address) : LoopbackServer(address, [this](int fd) { Serve(fd); }) {}

 private:
  void Serve(int fd) {
    const std::string head = zor::testing::ReadHead(fd);
    if (head.empty()) return;
    const size_t sp1 = head.find(' ');
    const std::string path = head.substr(sp1 + 1, head.find(' ', sp1 + 1) - sp1 - 1);
    std::string cookie = zor::testing::HeaderValue(head, "Cookie");
    if (cookie.empty()) cookie = "none";
    Record(path + " " + cookie);
    const std::string body = "<html><head><title>" + cookie + "</title></head><body>" + path + "</body></html>";
    const std::string set = path == "/set" ? "Set-Cookie: zor=1; Max-Age=3600; Path=/\r\n" : "";
    // "/cached..." pages may be kept by the engine's caches.
    const std::string cache = path.rfind("/cached", 0) == 0 ? "max-age=600" : "no-store";
    zor::testing::SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nCache-Control: " + cache + "\r\n" + set +
                                  "Connection: close\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
                                  body);
  }
};

GtkWidget* Find(GtkWidget* root, const std::function<bool(GtkWidget*)>& test) {
  if (test(root)) return root;
  for (GtkWidget* child = gtk_widget_get_first_child(root); child; child = gtk_widget_get_next_sibling(child))
    if (GtkWidget* found = Find(child, test)) return found;
  return nullptr;
}

std::vector<GtkWidget*> FindAll(GtkWidget* root, GType type) {
  std::vector<GtkWidget*> out;
  Find(root, [&](GtkWidget* w) {
    if (G_TYPE_CHECK_INSTANCE_TYPE(w, type)) out.push_back(w);
    return false;
  });
  return out;
}

GtkWindow* PanelWindow() {
  GListModel* list = gtk_window_get_toplevels();
  for (guint i = 0; i < g_list_model_get_n_items(list); ++i) {
    auto* window = static_cast<GtkWindow*>(g_list_model_get_item(list, i));
    g_object_unref(window);
    const char* title = gtk_window_get_title(window);
    if (title && std::string(title) == "CorvaneWindow" && gtk_widget_get_visible(GTK_WIDGET(window))) return window;
  }
  return nullptr;
}

// Answers every message box with Yes from inside the nested loop that waits for it, and
// counts them; a box the test does not expect then shows in the count instead of hanging.
guint AnswerYesWhenAsked(int& asked) {
  return g_timeout_add(
      20,
      +[](gpointer data) -> gboolean {
        GListModel* list = gtk_window_get_toplevels();
        for (guint i = 0; i < g_list_model_get_n_items(list); ++i) {
          auto* window = static_cast<GtkWindow*>(g_list_model_get_item(list, i));
          g_object_unref(window);
          if (GTK_IS_MESSAGE_DIALOG(window) && gtk_widget_get_visible(GTK_WIDGET(window))) {
            ++*static_cast<int*>(data);
            gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_YES);
            break;
          }
        }
        return G_SOURCE_CONTINUE;
      },
      &asked);
}

std::string ButtonLabel(GtkWidget* w) {
  const char* label = GTK_IS_BUTTON(w) ? gtk_button_get_label(GTK_BUTTON(w)) : nullptr;
  return label ? label : "";
}

class PanelEngineTest : public zor::testing::SessionFixture {
 protected:
  void SetUp() override {
    StartSession("zor-corvane-panel", {"Requires/libcorvane.so", "Requires/browser.gif", "lng.ini", "corvane.tb2"},
                 kSkin);
    std::ofstream(folder / "Requires/blacklist.ini", std::ios::binary) << "ads\r\n";
    pages.Create(1);
  }

  void TearDown() override {
    if (GtkWindow* panel = PanelWindow()) gtk_window_close(panel);
    Settle();
    SessionFixture::TearDown();
  }

  // Lets pending work (a closed window's release, redraws) run.
  static void Settle() {
    while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
  }

  void Click(const char* tool) { form->dispatcher.OnToolClick(*toolbar.tool("sub_Tools", tool)); }

  // The entries a list of the panel shows (the first list is the black list).
  static Strings ListEntries(GtkWindow* panel, size_t which) {
    const std::vector<GtkWidget*> lists = FindAll(GTK_WIDGET(panel), GTK_TYPE_LIST_VIEW);
    Strings out;
    if (lists.size() <= which) return out;
    GtkSelectionModel* selection = gtk_list_view_get_model(GTK_LIST_VIEW(lists[which]));
    GListModel* model = gtk_multi_selection_get_model(GTK_MULTI_SELECTION(selection));
    for (guint i = 0; i < g_list_model_get_n_items(model); ++i)
      out.push_back(gtk_string_list_get_string(GTK_STRING_LIST(model), i));
    return out;
  }

  std::string File(const char* name) const {
    std::ifstream in(folder / name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  CookieServer origin{"127.0.0.2"};
};

TEST_F(PanelEngineTest, DeleteCookiesOpensTheCleanerAndConfirmingRemovesTheEnginesCookie) {
  const std::string site = origin.base();
  Load(site + "/set");
  ASSERT_EQ(Load(site + "/check-1"), "zor=1");

  Click("b_delcookie");
  GtkWindow* panel = PanelWindow();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(gtk_window_get_transient_for(panel), GTK_WINDOW(window));
  GtkWidget* stack = Find(GTK_WIDGET(panel), [](GtkWidget* w) { return GTK_IS_STACK(w); });
  ASSERT_NE(stack, nullptr);
  EXPECT_STREQ(gtk_stack_get_visible_child_name(GTK_STACK(stack)), "3");
  std::vector<GtkWidget*> boxes = FindAll(GTK_WIDGET(panel), GTK_TYPE_CHECK_BUTTON);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_STREQ(gtk_check_button_get_label(GTK_CHECK_BUTTON(boxes[0])), "Cookies");
  EXPECT_TRUE(gtk_check_button_get_active(GTK_CHECK_BUTTON(boxes[0])));
  EXPECT_FALSE(gtk_check_button_get_active(GTK_CHECK_BUTTON(boxes[1])));
  EXPECT_FALSE(gtk_check_button_get_active(GTK_CHECK_BUTTON(boxes[2])));

  GtkWidget* start = Find(GTK_WIDGET(panel), [](GtkWidget* w) { return ButtonLabel(w) == "Delete"; });
  ASSERT_NE(start, nullptr);
  int asked = 0;
  const guint answering = AnswerYesWhenAsked(asked);
  g_signal_emit_by_name(start, "clicked");
  g_source_remove(answering);
  EXPECT_EQ(asked, 1) << "only the question, no error";
  EXPECT_FALSE(gtk_check_button_get_active(GTK_CHECK_BUTTON(boxes[0])));
  EXPECT_EQ(ButtonLabel(start), "Delete");

  EXPECT_EQ(Load(site + "/check-2"), "none");
  EXPECT_EQ(origin.Seen().back(), "/check-2 none");
  EXPECT_TRUE(warnings.empty());
}

TEST_F(PanelEngineTest, BlackListEditsSurviveClosingAndReopening) {
  Click("b_setup");
  GtkWindow* panel = PanelWindow();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(ListEntries(panel, 0), (Strings{"ads"}));
  GtkWidget* entry = Find(GTK_WIDGET(panel), [](GtkWidget* w) { return GTK_IS_ENTRY(w); });
  ASSERT_NE(entry, nullptr);
  gtk_editable_set_text(GTK_EDITABLE(entry), "casino{*}poker");
  g_signal_emit_by_name(entry, "activate");
  // The same entry in other letter case is not added again.
  gtk_editable_set_text(GTK_EDITABLE(entry), "ADS");
  g_signal_emit_by_name(entry, "activate");
  EXPECT_EQ(ListEntries(panel, 0), (Strings{"ads", "casino{*}poker"}));
  EXPECT_STREQ(gtk_editable_get_text(GTK_EDITABLE(entry)), "");
  EXPECT_EQ(File("Requires/blacklist.ini"), "ads\r\n") << "nothing is written while the panel is open";

  gtk_window_close(panel);
  Settle();
  EXPECT_EQ(PanelWindow(), nullptr);
  EXPECT_EQ(File("Requires/blacklist.ini"), "ads\r\ncasino{*}poker\r\n");
  EXPECT_TRUE(form->proxies.InBlackList("http://poker.casino.test/"));

  Click("b_setup");
  panel = PanelWindow();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(ListEntries(panel, 0), (Strings{"ads", "casino{*}poker"}));
}

}  // namespace

namespace {

bool HasLabel(GtkWidget* root, const std::string& text) {
  return Find(root, [&](GtkWidget* w) {
           const char* shown = GTK_IS_LABEL(w) ? gtk_label_get_text(GTK_LABEL(w)) : nullptr;
           return shown && text == shown;
         }) != nullptr;
}

TEST_F(PanelEngineTest, ChineseLanguageFileGivesThePanelItsTexts) {
  fs::copy_file(fs::path(ZOR_PROGRAM_DIR) / "lng_zh.ini", folder / "lng.ini", fs::copy_options::overwrite_existing);
  Click("b_delcookie");
  GtkWindow* panel = PanelWindow();
  ASSERT_NE(panel, nullptr);
  for (const char* text : {"黑名单", "代理服务器", "隐私清理", "关于", "关闭", "添加", "请选择要删除的内容：", "删除"})
    EXPECT_TRUE(HasLabel(GTK_WIDGET(panel), text)) << text;
  std::vector<GtkWidget*> boxes = FindAll(GTK_WIDGET(panel), GTK_TYPE_CHECK_BUTTON);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_STREQ(gtk_check_button_get_label(GTK_CHECK_BUTTON(boxes[2])), "历史记录");
}

}  // namespace

namespace {

TEST_F(PanelEngineTest, TemporaryFilesAndHistoryLeaveNoCachedSite) {
  const std::string site = origin.base();
  Load(site + "/cached-1");
  const zor::ConnectionServices services =
      zor::webkit::SessionProxy::Create(session)->Services([](const std::string&, const std::string&) {});
  const uint32_t caches = zor::WebsiteData::kDiskCache | zor::WebsiteData::kMemoryCache;
  const Strings before = services.fetchWebsiteData(caches);
  ASSERT_FALSE(before.empty()) << "the engine lists no cached site to remove";

  Click("b_setup");
  GtkWindow* panel = PanelWindow();
  ASSERT_NE(panel, nullptr);
  std::vector<GtkWidget*> boxes = FindAll(GTK_WIDGET(panel), GTK_TYPE_CHECK_BUTTON);
  ASSERT_EQ(boxes.size(), 3u);
  gtk_check_button_set_active(GTK_CHECK_BUTTON(boxes[1]), TRUE);
  gtk_check_button_set_active(GTK_CHECK_BUTTON(boxes[2]), TRUE);
  GtkWidget* start = Find(GTK_WIDGET(panel), [](GtkWidget* w) { return ButtonLabel(w) == "Delete"; });
  ASSERT_NE(start, nullptr);
  int asked = 0;
  const guint answering = AnswerYesWhenAsked(asked);
  g_signal_emit_by_name(start, "clicked");
  g_source_remove(answering);
  EXPECT_EQ(asked, 1) << "only the question, no error";
  EXPECT_FALSE(gtk_check_button_get_active(GTK_CHECK_BUTTON(boxes[1])));
  EXPECT_FALSE(gtk_check_button_get_active(GTK_CHECK_BUTTON(boxes[2])));
  EXPECT_TRUE(services.fetchWebsiteData(caches).empty());
}

}  // namespace
