// The proxy menu on the real engine: Corvane loaded from a program folder's Requires/
// exactly as the browser loads it, its setting put into force on a real WebKit network
// session, and pages loaded from loopback servers. The origin listens on 127.0.0.2 so that
// only the bypass list, never a loopback rule, keeps it direct.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <unistd.h>
#include <webkit/webkit.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "browser/commands/connection_loader.h"
#include "browser/shell/main_form.h"
#include "corvane/engine/loopback_servers.h"
#include "fakes/fake_hosts.h"
#include "hosts/webkit/network_proxy.h"

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using zor::testing::CountingListener;
using zor::testing::ForwardingProxy;
using zor::testing::OriginServer;

namespace {

constexpr const char* kSkin = R"(tb2 1
band tb_Tabs type=tabs caption="Tabs"
band sub_Proxylist type=popup caption=Proxies
band tab_Menu type=popup caption=Tab
  tool b_addtononproxy id=60 caption="Do not use the proxy for this site"
)";

class ProxyEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gtk_is_initialized()) gtk_init();
    folder = fs::temp_directory_path() / ("zor-corvane-engine-" + std::to_string(::getpid()));
    fs::create_directories(folder / "Requires");
    fs::copy_file(fs::path(ZOR_PROGRAM_DIR) / "Requires/libcorvane.so", folder / "Requires/libcorvane.so",
                  fs::copy_options::overwrite_existing);
    std::ofstream(folder / "Requires/proxylist.ini", std::ios::binary)
        << "127.0.0.1:" << proxy.port() << "@loopback test proxy\r\n";

    session = webkit_network_session_new_ephemeral();
    view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", session, nullptr));
    // Only the end of the load asked for counts: a load that is replaced also finishes.
    g_signal_connect(view, "load-changed", G_CALLBACK(+[](WebKitWebView* v, WebKitLoadEvent event, gpointer data) {
                       auto* self = static_cast<ProxyEngineTest*>(data);
                       const char* uri = webkit_web_view_get_uri(v);
                       if (event == WEBKIT_LOAD_FINISHED && uri && self->loading == uri) self->finished = true;
                     }),
                     this);
    window = gtk_window_new();
    gtk_window_set_default_size(GTK_WINDOW(window), 400, 300);
    gtk_window_set_child(GTK_WINDOW(window), GTK_WIDGET(view));
    gtk_window_present(GTK_WINDOW(window));

    std::string error;
    ASSERT_TRUE(toolbar.loadLayoutText(kSkin, "test.tb2", &error)) << error;
    form = std::make_unique<zor::shell::MainForm>(toolbar, pages, main_window, folder.string());
    form->createConnection = zor::shell::ConnectionLibrary(
        form->FolderPath() + zor::shell::kConnectionLibrary,
        zor::webkit::SessionProxy::Create(session)->Services(
            [this](const std::string& text, const std::string&) { warnings.push_back(text); }),
        [this](const std::string& e) { ADD_FAILURE() << e; });
  }

  void TearDown() override {
    form.reset();
    gtk_window_destroy(GTK_WINDOW(window));
    g_clear_object(&session);
    fs::remove_all(folder);
  }

  // Loads the address and waits for the engine to finish with it (a failure finishes too).
  std::string Load(const std::string& url, bool wait_for_title = true) {
    finished = false;
    loading = url;
    webkit_web_view_load_uri(view, url.c_str());
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!finished && std::chrono::steady_clock::now() < until) g_main_context_iteration(nullptr, FALSE);
    EXPECT_TRUE(finished) << url << " did not finish loading";
    // The title may reach this process just after the end of the load.
    const auto title_until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (wait_for_title && !*Title() && std::chrono::steady_clock::now() < title_until)
      g_main_context_iteration(nullptr, FALSE);
    return Title();
  }
  const char* Title() const {
    const char* title = webkit_web_view_get_title(view);
    return title ? title : "";
  }

  zor::toolbar::Tool& MenuTool(const char* name) { return *toolbar.band("sub_Proxylist")->tools().item(name); }
  // A click on a menu tool, through the command dispatcher as the toolbar reports it.
  void Click(zor::toolbar::Tool& tool) { form->OnToolClick(tool); }

  ForwardingProxy proxy{"127.0.0.1"};
  OriginServer origin{"127.0.0.2"};
  OriginServer other_origin{"127.0.0.2"};
  CountingListener tls{"127.0.0.2"};
  fs::path folder;
  WebKitNetworkSession* session = nullptr;
  WebKitWebView* view = nullptr;
  GtkWidget* window = nullptr;
  std::string loading;
  bool finished = false;
  zor::toolbar::ToolbarControl toolbar;
  zor::fakes::FakePageHost pages;
  zor::fakes::FakeWindow main_window;
  std::unique_ptr<zor::shell::MainForm> form;
  Strings warnings;
};

TEST_F(ProxyEngineTest, ProxyMenuSwitchesTheEnginesTrafficWithoutARestart) {
  const std::string site = origin.base();
  const std::string other = other_origin.base();
  pages.Create(1);  // the current page, whose address the commands use
  pages.Fake(1)->location = site + "/";
  form->BuildStartupProxyMenu("");
  ASSERT_EQ(MenuTool("Proxy2").caption, "127.0.0.1:" + std::to_string(proxy.port()) + "@loopback test proxy");

  // Direct at start.
  EXPECT_EQ(Load(site + "/direct-1"), "/direct-1");
  EXPECT_EQ(origin.Seen(), (Strings{"/direct-1"}));
  EXPECT_TRUE(proxy.Seen().empty());

  // Picking the proxy sends the next http page through it.
  Click(MenuTool("Proxy2"));
  EXPECT_EQ(Load(site + "/proxied-2"), "/proxied-2");
  EXPECT_EQ(proxy.Seen(), (Strings{"GET " + site + "/proxied-2 HTTP/1.1"}));
  EXPECT_EQ(origin.Seen().back(), "/proxied-2 via 1.1 test-proxy");

  // https goes direct: the listener sees the connection, the proxy no CONNECT.
  Load("https://127.0.0.2:" + std::to_string(tls.port()) + "/secure", false);
  EXPECT_FALSE(tls.Seen().empty());
  EXPECT_EQ(proxy.Seen().size(), 1u);

  // A host added to the no-proxy list goes direct; another port of the same address
  // still goes through the proxy.
  pages.Fake(1)->location = site + "/proxied-2";
  Click(*toolbar.tool("tab_Menu", "b_addtononproxy"));
  EXPECT_EQ(Load(site + "/bypassed-3"), "/bypassed-3");
  EXPECT_EQ(origin.Seen().back(), "/bypassed-3");
  EXPECT_EQ(Load(other + "/proxied-4"), "/proxied-4");
  EXPECT_EQ(other_origin.Seen(), (Strings{"/proxied-4 via 1.1 test-proxy"}));
  EXPECT_EQ(proxy.Seen().size(), 2u);

  // "Empty" is the direct connection again.
  Click(MenuTool("Proxy1"));
  EXPECT_EQ(Load(other + "/direct-5"), "/direct-5");
  EXPECT_EQ(other_origin.Seen().back(), "/direct-5");
  EXPECT_EQ(proxy.Seen().size(), 2u);
  EXPECT_TRUE(warnings.empty());
}

}  // namespace
