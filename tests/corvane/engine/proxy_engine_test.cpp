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

#include "corvane/engine/loopback_servers.h"
#include "corvane/engine/session_fixture.h"

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

class ProxyEngineTest : public zor::testing::SessionFixture {
 protected:
  void SetUp() override {
    StartSession("zor-corvane-engine", {"Requires/libcorvane.so"}, kSkin);
    std::ofstream(folder / "Requires/proxylist.ini", std::ios::binary)
        << "127.0.0.1:" << proxy.port() << "@loopback test proxy\r\n";
  }

  zor::toolbar::Tool& MenuTool(const char* name) { return *toolbar.band("sub_Proxylist")->tools().item(name); }
  // A click on a menu tool, through the command dispatcher as the toolbar reports it.
  void Click(zor::toolbar::Tool& tool) { form->dispatcher.OnToolClick(tool); }

  ForwardingProxy proxy{"127.0.0.1"};
  OriginServer origin{"127.0.0.2"};
  OriginServer other_origin{"127.0.0.2"};
  CountingListener tls{"127.0.0.2"};
};

TEST_F(ProxyEngineTest, ProxyMenuSwitchesTheEnginesTrafficWithoutARestart) {
  const std::string site = origin.base();
  const std::string other = other_origin.base();
  pages.Create(1);  // the current page, whose address the commands use
  pages.Fake(1)->location = site + "/";
  form->proxies.BuildStartupProxyMenu("");
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
