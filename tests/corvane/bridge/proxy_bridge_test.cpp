// The browser's side of Corvane: the proxy menu, the calls behind the commands, the
// library loader, and the proxy record in the engine's terms. The menu runs against a
// recording Connection and against the real library loaded from a Requires/ folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "browser/commands/connection_loader.h"
#include "browser/shell/main_form.h"
#include "common/engine_proxy.h"
#include "common/files.h"
#include "fakes/fake_hosts.h"

namespace fs = std::filesystem;
using zor::Connection;
using zor::ConnectionServices;
using zor::EngineProxy;
using zor::ProxyRecord;
using zor::ToEngineProxy;
using zor::commands::HostPart;
using zor::fakes::FakePageHost;
using zor::fakes::FakeWindow;
using zor::shell::MainForm;
using Strings = std::vector<std::string>;

namespace {

constexpr const char* kSkin = R"(tb2 1
band tb_Tabs type=tabs caption="Tabs"
band sub_Proxylist type=popup caption=Proxies
)";

// Records every call with its arguments; serves `proxies`; throws from the methods named
// in `failing`.
class RecordingConnection : public Connection {
 public:
  RecordingConnection(Strings* log, Strings proxies, Strings failing = {}, bool blocked = false)
      : log_(log), proxies_(std::move(proxies)), failing_(std::move(failing)), blocked_(blocked) {}
  void ShowWindow(zor::StatusBox* box, const std::string& version) override {
    Call("ShowWindow", (box ? "box," : "null,") + version);
  }
  void GetProxyList(Strings& c) override {
    Call("GetProxyList", std::to_string(c.size()));
    c.insert(c.end(), proxies_.begin(), proxies_.end());
  }
  bool setProxy(const std::string& ip) override {
    Call("setProxy", ip);
    return false;
  }
  bool inBlackList(const std::string& s) override {
    Call("inBlackList", s);
    return blocked_;
  }
  void delTemp(bool a, bool b, bool c, zor::StatusBox* box, const std::string& version) override {
    Call("delTemp", std::to_string(a) + std::to_string(b) + std::to_string(c) + (box ? ",box," : ",null,") + version);
  }
  void addtoHei(const std::string& s) override { Call("addtoHei", s); }
  void addToNonProxy(const std::string& ip, const std::string& nonip) override { Call("addToNonProxy", ip + "|" + nonip); }

 private:
  void Call(const std::string& method, const std::string& args) {
    log_->push_back(method + ":" + args);
    for (const std::string& f : failing_)
      if (f == method) throw std::runtime_error(method + " failed");
  }
  Strings* log_;
  Strings proxies_;
  Strings failing_;
  bool blocked_;
};

class BridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(toolbar.loadLayoutText(kSkin, "test.tb2", &error)) << error;
    form = std::make_unique<MainForm>(toolbar, pages, window, "/nonexistent");
  }
  void UseConnection(Strings proxies, Strings failing = {}, bool blocked = false) {
    form->proxies.createConnection = [this, proxies, failing, blocked] {
      ++created;
      return std::make_unique<RecordingConnection>(&log, proxies, failing, blocked);
    };
  }
  const zor::toolbar::ToolCollection& Menu() { return toolbar.band("sub_Proxylist")->tools(); }
  Strings Captions() {
    Strings out;
    for (const auto& t : Menu()) out.push_back(t->caption + (t->checked ? "*" : ""));
    return out;
  }
  zor::toolbar::Tool& MenuTool(const std::string& name) { return *Menu().item(name); }
  void OpenPage(int n, const std::string& url) {
    pages.Create(n);
    pages.Fake(n)->location = url;
  }

  zor::toolbar::ToolbarControl toolbar;
  FakePageHost pages;
  FakeWindow window;
  std::unique_ptr<MainForm> form;
  Strings log;
  int created = 0;
};

TEST(HostPartTest, TextBetweenDoubleSlashAndNextSlash) {
  EXPECT_EQ(HostPart("http://example.org/a/b"), "example.org");
  EXPECT_EQ(HostPart("http://127.0.0.2:8080"), "127.0.0.2:8080");
  EXPECT_EQ(HostPart("https://user@host.lan/x//y"), "user@host.lan");
  EXPECT_EQ(HostPart("about:blank"), "bout:blank") << "no \"//\": from the second character";
  EXPECT_EQ(HostPart("a/b"), "");
  EXPECT_EQ(HostPart(""), "");
}

TEST_F(BridgeTest, RebuildKeepsTheCheckedProxyAndReleasesTheConnection) {
  UseConnection({"10.0.0.1:8080", "proxy.lan:3128@office"});
  form->proxies.BuildStartupProxyMenu("proxy.lan:3128@office");
  log.clear();
  UseConnection({"proxy.lan:3128@office", "10.0.0.9:80", "10.0.0.1:8080"});
  form->proxies.BuildProxyMenu();
  EXPECT_EQ(log, (Strings{"GetProxyList:0"})) << "no setProxy while the proxy in use is still listed";
  EXPECT_EQ(Captions(), (Strings{"Empty", "", "proxy.lan:3128@office*", "10.0.0.9:80", "10.0.0.1:8080"}));
  EXPECT_EQ(Menu().at(4)->name, "Proxy4");
  EXPECT_EQ(Menu().at(4)->id, 3015);
  EXPECT_EQ(form->proxies.ConnectionObject, nullptr);
}

TEST_F(BridgeTest, RebuildFallsBackToDirectWhenTheProxyInUseIsGone) {
  UseConnection({"10.0.0.1:8080"});
  form->proxies.BuildStartupProxyMenu("10.0.0.1:8080");
  log.clear();
  UseConnection({"10.0.0.2:8080"});
  form->proxies.BuildProxyMenu();
  EXPECT_EQ(log, (Strings{"GetProxyList:0", "setProxy:"}));
  EXPECT_EQ(Captions(), (Strings{"Empty*", "", "10.0.0.2:8080"}));
}

TEST_F(BridgeTest, RebuildWithNothingCheckedDoesNotTakeAnEmptyEntryForIt) {
  // An invalid saved proxy leaves nothing checked; a blank line of the list is an entry.
  UseConnection({"", "10.0.0.1:8080"});
  form->proxies.BuildStartupProxyMenu("gone:80");
  EXPECT_EQ(form->proxies.GetCheckedProxyTool(), nullptr);
  log.clear();
  form->proxies.BuildProxyMenu();
  EXPECT_EQ(Captions(), (Strings{"Empty*", "", "", "10.0.0.1:8080"}));
  EXPECT_EQ(log.back(), "setProxy:");
}

TEST_F(BridgeTest, RebuildKeepsEmptyCheckedAndSurvivesAMissingOrFailingLibrary) {
  UseConnection({"10.0.0.1:8080"});
  form->proxies.BuildStartupProxyMenu("");
  log.clear();
  form->proxies.BuildProxyMenu();
  EXPECT_EQ(log, (Strings{"GetProxyList:0"}));
  EXPECT_EQ(Captions(), (Strings{"Empty*", "", "10.0.0.1:8080"}));

  UseConnection({"10.0.0.1:8080"}, {"GetProxyList", "setProxy"});
  form->proxies.BuildProxyMenu();
  EXPECT_EQ(Captions(), (Strings{"Empty*", ""})) << "a failing list call leaves the direct entry";

  form->proxies.createConnection = [] { return std::unique_ptr<Connection>(); };
  form->proxies.BuildProxyMenu();
  EXPECT_EQ(Captions(), (Strings{"Empty*", ""}));
}

TEST_F(BridgeTest, IdenticalEntriesAreBothCheckedAndTheFirstCounts) {
  UseConnection({"10.0.0.1:8080", "10.0.0.1:8080"});
  form->proxies.BuildStartupProxyMenu("10.0.0.1:8080");
  EXPECT_EQ(Captions(), (Strings{"Empty", "", "10.0.0.1:8080*", "10.0.0.1:8080*"}));
  EXPECT_EQ(form->proxies.GetCheckedProxyTool()->name, "Proxy2");
  form->proxies.BuildProxyMenu();
  EXPECT_EQ(Captions(), (Strings{"Empty", "", "10.0.0.1:8080*", "10.0.0.1:8080*"}));
}

TEST_F(BridgeTest, PickingAProxyMovesTheCheckAndKeepsTheConnection) {
  UseConnection({"10.0.0.1:8080", "10.0.0.2:3128"});
  form->proxies.BuildStartupProxyMenu("");
  log.clear();
  form->proxies.PickProxy(MenuTool("Proxy3"));
  EXPECT_EQ(Captions(), (Strings{"Empty", "", "10.0.0.1:8080", "10.0.0.2:3128*"}));
  form->proxies.PickProxy(MenuTool("Proxy1"));
  EXPECT_EQ(Captions(), (Strings{"Empty*", "", "10.0.0.1:8080", "10.0.0.2:3128"}));
  EXPECT_EQ(log, (Strings{"setProxy:10.0.0.2:3128", "setProxy:"})) << "\"Empty\" passes an empty text";
  EXPECT_NE(form->proxies.ConnectionObject, nullptr);
  EXPECT_EQ(created, 2) << "one for the start-up build, one kept by the commands";

  // Nothing checked: the clicked tool is simply checked.
  MenuTool("Proxy1").checked = false;
  form->proxies.PickProxy(MenuTool("Proxy2"));
  EXPECT_EQ(form->proxies.GetCheckedProxyTool()->name, "Proxy2");
}

TEST_F(BridgeTest, PageCommandsPassTheAddressOrItsHost) {
  UseConnection({"10.0.0.1:8080"});
  form->proxies.BuildStartupProxyMenu("10.0.0.1:8080");
  log.clear();
  OpenPage(3, "http://ads.example.org:81/banner?x=1");
  form->proxies.AddToBlackList(3);
  form->proxies.AddToNonProxy(3);
  form->proxies.PickProxy(MenuTool("Proxy1"));
  form->proxies.AddToNonProxy(3);
  MenuTool("Proxy1").checked = false;
  form->proxies.AddToNonProxy(3);
  form->proxies.AddToBlackList(9);  // no such page: nothing is called
  EXPECT_EQ(log, (Strings{"addtoHei:http://ads.example.org:81/banner?x=1",
                          "addToNonProxy:10.0.0.1:8080|ads.example.org:81", "setProxy:",
                          "addToNonProxy:Empty|ads.example.org:81", "addToNonProxy:|ads.example.org:81"}));
}

TEST_F(BridgeTest, PanelCleanerAndNavigationCheck) {
  UseConnection({}, {}, true);
  form->proxies.ShowConnectionPanel();
  form->proxies.CleanPrivateData(false, true, false);
  EXPECT_TRUE(form->proxies.InBlackList("http://x/"));
  const std::string v = zor::shell::VersionText();
  EXPECT_EQ(log, (Strings{"ShowWindow:box," + v, "delTemp:010,box," + v, "inBlackList:http://x/"}));

  UseConnection({}, {"inBlackList"}, true);
  form->proxies.ConnectionObject.reset();
  EXPECT_FALSE(form->proxies.InBlackList("http://x/")) << "a failing check does not block";
  form->proxies.createConnection = [] { return std::unique_ptr<Connection>(); };
  form->proxies.ConnectionObject.reset();
  EXPECT_FALSE(form->proxies.InBlackList("http://x/"));
  form->proxies.ShowConnectionPanel();  // nothing to call, nothing breaks
}

// ---- the loader ------------------------------------------------------------------

TEST(ConnectionLoaderTest, MissingEmptyOrForeignLibraryGivesNoConnectionAndSaysWhy) {
  Strings errors;
  auto report = [&](const std::string& e) { errors.push_back(e); };
  auto missing = zor::commands::ConnectionLibrary("/nonexistent/Requires/libcorvane.so", {}, report);
  EXPECT_EQ(missing(), nullptr);
  EXPECT_EQ(missing(), nullptr) << "looked for again on each use";
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_NE(errors[0].find("/nonexistent/Requires/libcorvane.so"), std::string::npos);

  errors.clear();
  auto foreign = zor::commands::ConnectionLibrary("libm.so.6", {}, report);
  EXPECT_EQ(foreign(), nullptr);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("zor_create_connection"), std::string::npos);

  errors.clear();
  const fs::path empty = fs::temp_directory_path() / ("zor-empty-" + std::to_string(::getpid()) + ".so");
  std::ofstream(empty).close();
  auto broken = zor::commands::ConnectionLibrary(empty.string(), {}, report);
  EXPECT_EQ(broken(), nullptr);
  fs::remove(empty);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find(empty.string()), std::string::npos) << errors[0];
}

TEST_F(BridgeTest, AMissingLibraryIsToldOnceAtTheFirstCommandThatNeedsIt) {
  const fs::path folder = fs::temp_directory_path() / ("zor-bridge-lng-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  std::ofstream(folder / "lng.ini") << "[ZOR_Main]\nmsg_CorvaneMissing=No Corvane: {E}\n";
  form = std::make_unique<MainForm>(toolbar, pages, window, folder.string());
  int tries = 0;
  form->proxies.createConnection = [this, &tries] {
    ++tries;
    form->proxies.LibraryFailed("libcorvane.so: file too short");
    return std::unique_ptr<Connection>();
  };
  OpenPage(3, "http://127.0.0.1:1/");
  // Start-up, the rebuild and navigations work without it and say nothing.
  form->proxies.BuildStartupProxyMenu("10.0.0.1:8080");
  form->proxies.BuildProxyMenu();
  EXPECT_FALSE(form->proxies.InBlackList("http://127.0.0.1:1/"));
  EXPECT_TRUE(window.messages.empty());
  // The user's commands: the first says why, the others go on silently.
  form->proxies.ShowConnectionPanel();
  form->proxies.AddToBlackList(3);
  form->proxies.PickProxy(MenuTool("Proxy1"));
  form->proxies.CleanPrivateData(true, false, false);
  EXPECT_EQ(window.messages, (Strings{"No Corvane: libcorvane.so: file too short"}));
  EXPECT_EQ(tries, 7) << "the library is looked for again on each use";
  EXPECT_EQ(Captions(), (Strings{"Empty*", ""}));
  fs::remove_all(folder);
}

// ---- the real library from a program folder's Requires/ ---------------------------

// One copy of the built library per test program: it keeps process-wide state, so every
// test here shares it and starts from empty list files.
class LibraryBridgeTest : public BridgeTest {
 protected:
  static std::string Program() {
    static const std::string folder = [] {
      const fs::path dir = fs::temp_directory_path() / ("zor-corvane-bridge-" + std::to_string(::getpid()));
      fs::create_directories(dir / "Requires");
      fs::copy_file(fs::path(ZOR_PROGRAM_DIR) / "Requires/libcorvane.so", dir / "Requires/libcorvane.so",
                    fs::copy_options::overwrite_existing);
      return dir.string();
    }();
    return folder;
  }
  static void TearDownTestSuite() { fs::remove_all(Program()); }

  void SetUp() override {
    BridgeTest::SetUp();
    fs::remove(Requires("proxylist.ini"));
    fs::remove(Requires("blacklist.ini"));
    ConnectionServices services;
    services.applyProxy = [this](const ProxyRecord& r) {
      applied.push_back(r);
      in_force = r;
      return true;
    };
    services.queryProxy = [this]() -> std::optional<ProxyRecord> { return in_force; };
    services.warn = [this](const std::string& text, const std::string& title) { warnings.push_back(title + "|" + text); };
    form->proxies.createConnection =
        zor::commands::ConnectionLibrary(Program() + "/" + zor::commands::kConnectionLibrary, services);
    form->chrome.hooks.rebuildProxyMenu = [this] { form->proxies.BuildProxyMenu(); };
    form->chrome.txt_status.onChange = [this](const std::string& text) {
      form->statusCommands.OnStatusBoxChange(text);
    };
    // Whatever an earlier test left in force is put back to direct.
    form->proxies.BuildStartupProxyMenu("");
    toolbar.band("sub_Proxylist")->tools().removeAll();
    applied.clear();
  }
  static std::string Requires(const std::string& name) { return Program() + "/Requires/" + name; }
  static void WriteFile(const std::string& name, const std::string& text) {
    std::ofstream(Requires(name), std::ios::binary) << text;
  }
  static std::string ReadFile(const std::string& name) { return zor::ReadWholeFile(Requires(name)).value_or("<none>"); }

  std::vector<ProxyRecord> applied;
  ProxyRecord in_force;
  Strings warnings;
};

TEST_F(LibraryBridgeTest, SavedProxyMissingFromTheListIsAddedBackAndChecked) {
  WriteFile("proxylist.ini", "10.0.0.1:8080\r\n\r\nproxy.lan:3128@office");
  form->proxies.BuildStartupProxyMenu("192.168.1.10:3128@home");
  EXPECT_EQ(Captions(), (Strings{"Empty", "", "10.0.0.1:8080", "", "proxy.lan:3128@office", "192.168.1.10:3128@home*"}));
  EXPECT_EQ(ReadFile("proxylist.ini"), "10.0.0.1:8080\r\n\r\nproxy.lan:3128@office\r\n192.168.1.10:3128@home\r\n")
      << "every entry kept, the blank one and the unterminated last one included";
  ASSERT_EQ(applied.size(), 1u);
  EXPECT_EQ(applied[0], (ProxyRecord{3, "http=192.168.1.10:3128@home", "<local>"}));
  EXPECT_TRUE(warnings.empty());
}

TEST_F(LibraryBridgeTest, InvalidSavedProxyIsDroppedWithOneMessageThatHasItsText) {
  for (const char* saved : {"a.b.c:80" /* six characters before the colon */, "\xff\xfe\xfd.0.0.1:8080"}) {
    SCOPED_TRACE(saved);
    WriteFile("proxylist.ini", "10.0.0.1:8080\r\n");
    toolbar.band("sub_Proxylist")->tools().removeAll();
    warnings.clear();
    applied.clear();
    form->proxies.BuildStartupProxyMenu(saved);
    EXPECT_EQ(Captions(), (Strings{"Empty", "", "10.0.0.1:8080"}));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind("|This is not a valid proxy.", 0), 0u) << warnings[0];
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(applied[0], (ProxyRecord{1, "", "<local>"}));
    EXPECT_EQ(ReadFile("proxylist.ini"), "10.0.0.1:8080\r\n");
  }
}

TEST_F(LibraryBridgeTest, MenuPicksAndNoProxyHostsReachTheProxySetting) {
  WriteFile("proxylist.ini", "1.2.3.4:8080\r\n");
  form->proxies.BuildStartupProxyMenu("");
  OpenPage(2, "http://intranet.lan:8000/wiki");
  OpenPage(3, "http://127.0.0.2/");
  form->proxies.PickProxy(MenuTool("Proxy2"));
  form->proxies.AddToNonProxy(2);
  form->proxies.AddToNonProxy(3);
  form->proxies.PickProxy(MenuTool("Proxy1"));
  ASSERT_EQ(applied.size(), 5u);
  EXPECT_EQ(applied[1], (ProxyRecord{3, "http=1.2.3.4:8080", "<local>"}));
  EXPECT_EQ(applied[2], (ProxyRecord{3, "http=1.2.3.4:8080", "intranet.lan:8000 <local>"}));
  EXPECT_EQ(applied[3], (ProxyRecord{3, "http=1.2.3.4:8080", "intranet.lan:8000 127.0.0.2 <local>"}))
      << "the first address survives the read-back";
  EXPECT_EQ(applied[4], (ProxyRecord{1, "", "<local>"})) << "a hidden panel starts with no addresses";
}

TEST_F(LibraryBridgeTest, BlackListFromTheMenuAndTheNavigationCheck) {
  WriteFile("blacklist.ini", "ads.\r\n\r\nbanner{*}.gif");
  OpenPage(2, "http://tracker.example/pixel");
  form->proxies.AddToBlackList(2);
  OpenPage(3, "http://ads.example/x");
  form->proxies.AddToBlackList(3);  // already blocked by "ads.": nothing added
  EXPECT_EQ(ReadFile("blacklist.ini"), "ads.\r\n\r\nbanner{*}.gif\r\nhttp://tracker.example/pixel\r\n");
  EXPECT_TRUE(form->proxies.InBlackList("HTTP://TRACKER.EXAMPLE/pixel"));
  EXPECT_TRUE(form->proxies.InBlackList("http://cdn.example/x.GIF?banner=1"));
  EXPECT_FALSE(form->proxies.InBlackList("http://example.org/")) << "the blank line blocks nothing";
  EXPECT_FALSE(form->proxies.InBlackList("http://tracker.example/"));
}

TEST_F(LibraryBridgeTest, ProxyChangeCommandRebuildsTheMenuFromTheFile) {
  WriteFile("proxylist.ini", "1.2.3.4:8080\r\n5.6.7.8:3128\r\n");
  form->proxies.BuildStartupProxyMenu("5.6.7.8:3128");
  // The panel's close: the file changed, then the command arrives in the status box.
  WriteFile("proxylist.ini", "1.2.3.4:8080\r\n");
  applied.clear();
  form->chrome.txt_status.SetText("ZOR_proxychange");
  EXPECT_EQ(Captions(), (Strings{"Empty*", "", "1.2.3.4:8080"}));
  ASSERT_EQ(applied.size(), 1u);
  EXPECT_EQ(applied[0].access_type, 1u);
  EXPECT_EQ(form->chrome.txt_status.Text(), "");
}

// ---- the record in the engine's terms --------------------------------------------

TEST(EngineProxyTest, HttpOnlyProxyWithBypassHosts) {
  const auto engine = ToEngineProxy({3, "http=10.0.0.1:8080@office proxy", "intranet 192.168.* 10.1.2.* example.org:81 <local>"},
                                    "workstation");
  ASSERT_TRUE(engine);
  EXPECT_FALSE(engine->direct);
  EXPECT_EQ(engine->default_uri, std::nullopt) << "https and the rest go direct";
  EXPECT_EQ(engine->scheme_uris, (std::vector<std::pair<std::string, std::string>>{{"http", "http://10.0.0.1:8080"}}));
  EXPECT_EQ(engine->ignore_hosts, (Strings{"intranet", "192.168.0.0/16", "10.1.2.0/24", "example.org:81", "localhost",
                                           "::1", "workstation"}));
}

TEST(EngineProxyTest, ADescriptionMayHoldEqualsSigns) {
  const struct {
    const char* proxy;
    const char* default_uri;  // "" for none
    std::vector<std::pair<std::string, std::string>> schemes;
  } rows[] = {
      {"http=10.0.0.1:8080@office a=b", "", {{"http", "http://10.0.0.1:8080"}}},
      {"10.0.0.1:8080@key=value; more words", "http://10.0.0.1:8080", {}},
      {"http=10.0.0.1:8080@x=y https=10.0.0.2:443", "", {{"http", "http://10.0.0.1:8080"}, {"https", "http://10.0.0.2:443"}}},
      {"http=10.0.0.1:8080@see ftp=later", "", {{"http", "http://10.0.0.1:8080"}}},
  };
  for (const auto& row : rows) {
    const auto engine = ToEngineProxy({3, row.proxy, ""}, "");
    ASSERT_TRUE(engine.has_value()) << row.proxy;
    EXPECT_EQ(engine->default_uri.value_or(""), row.default_uri) << row.proxy;
    EXPECT_EQ(engine->scheme_uris, row.schemes) << row.proxy;
  }
}

TEST(EngineProxyTest, LocalMeansDotlessNamesOnly) {
  const auto engine = ToEngineProxy({3, "http=1.2.3.4:1", "<local>"}, "box.example.org");
  ASSERT_TRUE(engine);
  EXPECT_EQ(engine->ignore_hosts, (Strings{"localhost", "::1"})) << "no 127.0.0.0/8, no dotted machine name";
}

TEST(EngineProxyTest, OtherProxyListForms) {
  auto engine = ToEngineProxy({3, "HTTPS=1.2.3.4:443;ftp=1.2.3.4:21 socks=5.6.7.8:1080", ""}, "");
  ASSERT_TRUE(engine);
  EXPECT_EQ(engine->default_uri, "socks://5.6.7.8:1080");
  EXPECT_EQ(engine->scheme_uris, (std::vector<std::pair<std::string, std::string>>{
                                     {"https", "http://1.2.3.4:443"}, {"ftp", "http://1.2.3.4:21"}}));
  engine = ToEngineProxy({3, "proxy.lan:3128", "user@host.lan"}, "");
  ASSERT_TRUE(engine);
  EXPECT_EQ(engine->default_uri, "http://proxy.lan:3128");
  EXPECT_EQ(engine->ignore_hosts, (Strings{"host.lan"}));
}

TEST(EngineProxyTest, DirectAndRefusedRecords) {
  EXPECT_EQ(ToEngineProxy({1, "http=1.2.3.4:80", "x <local>"}, ""), EngineProxy{}) << "access type 1 is direct";
  EXPECT_EQ(ToEngineProxy({3, "", "<local>"}, ""), EngineProxy{});
  for (const char* bad : {"http=1234567:abc", "http=1234567:0", "http=1234567:70000", "http=:80", "http=1234567",
                          "http=a/b/c/d:80"})
    EXPECT_EQ(ToEngineProxy({3, bad, "<local>"}, ""), std::nullopt) << bad;
}

}  // namespace
