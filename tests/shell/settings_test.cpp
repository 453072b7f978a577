// Browser.ini, lng.ini and LastPages.ini as the main window reads and writes them,
// and the start-up sequence, against fake hosts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "browser/shell/address.h"
#include "browser/shell/main_form.h"
#include "common/files.h"
#include "common/ini.h"
#include "fakes/fake_hosts.h"

namespace fs = std::filesystem;
using zor::fakes::FakeConnection;
using zor::fakes::FakePageHost;
using zor::fakes::FakeWindow;
using zor::shell::MainForm;

namespace {

// Just the bands and tools the settings touch, in the skin's own format.
constexpr const char* kSkin = R"(tb2 1
band mnu_Main type=menubar caption="Menu"
  tool m_View caption=View submenu=sub_View
band tb_Main caption="Standard Buttons"
  tool b_back id=1 caption=Back
  tool b_fullscreen id=2 caption="Full Screen"
band tb_Addressbar caption="Address"
  tool ctl_addr type=custom
band tb_Tabs type=tabs caption="Tabs"
band sb_Status type=status caption="Status"
  tool b_security id=3
band sub_View type=popup caption=View
  tool b_addrok id=10 checked=1
  tool b_statusok id=11 checked=1
  tool b_toolsbarok id=12 checked=1
band sub_Fav type=popup caption=Favorites
  tool b_iconon id=20
band sub_Usetools type=popup caption=Tools
  tool b_opengetbar id=30
  tool b_besilent id=31
  tool b_stoppopup id=32
  tool b_killpop id=33
band sub_Proxylist type=popup caption=Proxies
tools
  tool b_loose id=40 caption=Loose
)";

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("zor-shell-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::string error;
    ASSERT_TRUE(toolbar.loadLayoutText(kSkin, "test.tb2", &error)) << error;
    form = std::make_unique<MainForm>(toolbar, pages, window, folder.string());
  }
  void TearDown() override { fs::remove_all(folder); }

  void Write(const std::string& name, const std::string& text) {
    std::ofstream(folder / name, std::ios::binary) << text;
  }
  std::string Read(const std::string& name) { return zor::ReadWholeFile((folder / name).string()).value_or(""); }
  zor::toolbar::Tool* Tool(const char* band, const char* name) { return toolbar.tool(band, name); }

  fs::path folder;
  zor::toolbar::ToolbarControl toolbar;
  FakePageHost pages;
  FakeWindow window;
  std::unique_ptr<MainForm> form;
};

// ---- lng.ini ---------------------------------------------------------------------

TEST_F(ShellTest, LanguageSetsCaptionsTooltipsAndKeepsMenuBandCaptions) {
  Write("lng.ini",
        "[ZOR_Main]\r\ntb_Main=Toolbar\r\nsub_View=Ansicht\r\nb_back=Zurueck\r\ntip_b_back=Eine Seite zurueck\r\n"
        "b_loose=Lose\r\nb_iconon=\r\n");
  Tool("sub_Fav", "b_iconon")->caption = "Icons";
  form->settings.ApplyLanguage();
  EXPECT_EQ(toolbar.band("tb_Main")->caption, "Toolbar");
  EXPECT_EQ(toolbar.band("sub_View")->caption, "View") << "bands named *sub* keep their caption";
  EXPECT_EQ(Tool("tb_Main", "b_back")->caption, "Zurueck");
  EXPECT_EQ(Tool("tb_Main", "b_back")->tooltip, "Eine Seite zurueck");
  EXPECT_EQ(Tool("sub_Fav", "b_iconon")->caption, "Icons") << "an empty value changes nothing";
  EXPECT_EQ(toolbar.tools().item("b_loose")->caption, "Lose") << "tools outside bands are reached too";
}

TEST_F(ShellTest, SecurityTagAlwaysHoldsThreeFields) {
  Write("lng.ini", "[ZOR_Main]\nb_security1=Not secure\nb_security3=Partly secure\n");
  form->settings.ApplyLanguage();
  EXPECT_EQ(Tool("sb_Status", "b_security")->tag, "Not secure||Partly secure|");
}

TEST_F(ShellTest, TitlePlaceholders) {
  const std::string v = zor::shell::VersionText();
  Write("lng.ini", "[ZOR_Main]\nZOR_TITLE={N}{V}\n");
  form->settings.ApplyLanguage();
  EXPECT_EQ(form->chrome.TitleText, "ZOR-BROWSER " + v);
  EXPECT_EQ(window.caption, form->chrome.TitleText);

  Write("lng.ini", "[ZOR_Main]\nZOR_TITLE={V}/{N}/{V}\n");
  form->settings.ApplyLanguage();
  EXPECT_EQ(form->chrome.TitleText, " " + v + "/ZOR-BROWSER/ " + v);

  Write("lng.ini", "[ZOR_Main]\nZOR_TITLE=My Browser\n");
  form->settings.ApplyLanguage();
  EXPECT_EQ(form->chrome.TitleText, "My Browser");

  fs::remove(folder / "lng.ini");
  form->settings.ApplyLanguage();
  EXPECT_EQ(window.caption, "") << "no language file: the caption is empty";
  EXPECT_EQ(Tool("tb_Main", "b_back")->caption, "Back") << "skin texts stay";
}

TEST(VersionText, IsThreeNumbersJoinedByPoints) {
  const std::string v = zor::shell::VersionText();
  int a = -1, b = -1, c = -1;
  char tail = 0;
  EXPECT_EQ(std::sscanf(v.c_str(), "%d.%d.%d%c", &a, &b, &c, &tail), 3) << v;
  EXPECT_GE(a, 0);
}

// ---- Browser.ini -------------------------------------------------------------------

TEST_F(ShellTest, DefaultsWithoutBrowserIni) {
  form->settings.LoadSettings();
  EXPECT_TRUE(Tool("sub_View", "b_addrok")->checked);
  EXPECT_TRUE(toolbar.band("tb_Addressbar")->visible);
  EXPECT_TRUE(toolbar.band("sb_Status")->visible);
  EXPECT_TRUE(toolbar.band("tb_Main")->visible);
  EXPECT_FALSE(Tool("sub_Fav", "b_iconon")->checked);
  EXPECT_FALSE(Tool("sub_Usetools", "b_besilent")->checked);
  EXPECT_FALSE(Tool("sub_Usetools", "b_killpop")->checked);
  EXPECT_EQ(window.progress_image, (folder / "res/pb.bmp").string());
}

TEST_F(ShellTest, OnlyOneReadsAsOn) {
  Write("Browser.ini",
        "[ZOR-BROWSER]\nADDRESSBAR=2\nSTATUSBAR=1x\nTOOLSBAR=yes\nICONON=1\nBESILENT= 1 \nSTOPPOPUP=01\nKILLPOP=-1\n");
  form->settings.LoadSettings();
  EXPECT_FALSE(Tool("sub_View", "b_addrok")->checked);
  EXPECT_FALSE(toolbar.band("tb_Addressbar")->visible) << "2 is off";
  EXPECT_TRUE(toolbar.band("sb_Status")->visible) << "1x is on";
  EXPECT_FALSE(toolbar.band("tb_Main")->visible) << "no digits is 0";
  EXPECT_TRUE(Tool("sub_Fav", "b_iconon")->checked);
  EXPECT_TRUE(Tool("sub_Usetools", "b_besilent")->checked);
  EXPECT_TRUE(Tool("sub_Usetools", "b_stoppopup")->checked);
  EXPECT_FALSE(Tool("sub_Usetools", "b_killpop")->checked);
}

TEST_F(ShellTest, TheBasketSettingSurvivesARunWithoutABasket) {
  Write("Browser.ini", "[ZOR-BROWSER]\nOPENGETBAR=1\n");
  form->settings.LoadSettings();
  EXPECT_FALSE(Tool("sub_Usetools", "b_opengetbar")->checked) << "no basket opened";
  ASSERT_TRUE(form->settings.SaveSettings(nullptr));
  EXPECT_NE(zor::ReadWholeFile((folder / "Browser.ini").string()).value_or("").find("OPENGETBAR=1"), std::string::npos);
}

TEST_F(ShellTest, ProxyMenuFromSavedProxy) {
  std::vector<std::string> log;
  form->proxies.createConnection = [&] {
    return std::make_unique<FakeConnection>(&log, std::vector<std::string>{"10.0.0.1:8080", "proxy.lan:3128@office"});
  };
  Write("Browser.ini", "[ZOR-BROWSER]\nPROXY_IP=proxy.lan:3128@office\n");
  form->settings.LoadSettings();
  EXPECT_EQ(log, (std::vector<std::string>{"setProxy:proxy.lan:3128@office", "GetProxyList"}));
  const auto& menu = toolbar.band("sub_Proxylist")->tools();
  ASSERT_EQ(menu.count(), 4);
  EXPECT_EQ(menu.at(0)->name, "Proxy1");
  EXPECT_EQ(menu.at(0)->id, 3011);
  EXPECT_EQ(menu.at(0)->caption, "Empty");
  EXPECT_FALSE(menu.at(0)->checked);
  EXPECT_EQ(menu.at(1)->name, "spe_sProxy1");
  EXPECT_EQ(menu.at(1)->control_type, zor::toolbar::kSeparator);
  EXPECT_EQ(menu.at(2)->name, "Proxy2");
  EXPECT_EQ(menu.at(2)->id, 3013);
  EXPECT_FALSE(menu.at(2)->checked);
  EXPECT_EQ(menu.at(3)->name, "Proxy3");
  EXPECT_TRUE(menu.at(3)->checked);
  EXPECT_EQ(form->proxies.ConnectionObject, nullptr) << "start-up releases the connection";
}

TEST_F(ShellTest, UnknownSavedProxyChecksNothing) {
  std::vector<std::string> log;
  form->proxies.createConnection = [&] {
    return std::make_unique<FakeConnection>(&log, std::vector<std::string>{"a.b.c.d:1"});
  };
  Write("Browser.ini", "[ZOR-BROWSER]\nPROXY_IP=gone.example:80\n");
  form->settings.LoadSettings();
  EXPECT_EQ(form->proxies.GetCheckedProxyTool(), nullptr);
}

TEST_F(ShellTest, MissingLibraryStillOffersDirectConnection) {
  form->proxies.createConnection = [] { return std::unique_ptr<zor::Connection>(); };
  form->settings.LoadSettings();
  const auto& menu = toolbar.band("sub_Proxylist")->tools();
  ASSERT_EQ(menu.count(), 2);
  EXPECT_TRUE(menu.at(0)->checked);
}

TEST_F(ShellTest, SaveSettingsRoundTrip) {
  std::vector<std::string> log;
  form->proxies.createConnection = [&] {
    return std::make_unique<FakeConnection>(&log, std::vector<std::string>{"127.0.0.1:3128"});
  };
  Write("Browser.ini", "; kept\r\n[Other]\r\nx=1\r\n[ZOR-BROWSER]\r\nADDRESSBAR=0\r\nPROXY_IP=127.0.0.1:3128\r\n");
  form->settings.LoadSettings();
  Tool("sub_Usetools", "b_killpop")->checked = true;
  Tool("sub_View", "b_statusok")->checked = false;
  ASSERT_TRUE(form->settings.SaveSettings());

  const std::string saved = Read("Browser.ini");
  EXPECT_NE(saved.find("; kept"), std::string::npos) << "other content of the file stays";
  const auto doc = zor::ini::IniDocument::Parse(saved);
  EXPECT_EQ(doc.Keys("ZOR-BROWSER"),
            (std::vector<std::string>{"ADDRESSBAR", "PROXY_IP", "STATUSBAR", "TOOLSBAR", "ICONON", "OPENGETBAR",
                                      "BESILENT", "STOPPOPUP", "KILLPOP", "SEARCH_URL"}));
  EXPECT_EQ(doc.Get("ZOR-BROWSER", "ADDRESSBAR"), "0");
  EXPECT_EQ(doc.Get("ZOR-BROWSER", "STATUSBAR"), "0");
  EXPECT_EQ(doc.Get("ZOR-BROWSER", "TOOLSBAR"), "1");
  EXPECT_EQ(doc.Get("ZOR-BROWSER", "KILLPOP"), "1");
  EXPECT_EQ(doc.Get("ZOR-BROWSER", "PROXY_IP"), "127.0.0.1:3128");

  // A new form reading the file sees the same settings.
  zor::toolbar::ToolbarControl toolbar2;
  ASSERT_TRUE(toolbar2.loadLayoutText(kSkin, "test.tb2"));
  FakePageHost pages2;
  FakeWindow window2;
  MainForm form2(toolbar2, pages2, window2, folder.string());
  form2.proxies.createConnection = form->proxies.createConnection;
  form2.settings.LoadSettings();
  EXPECT_TRUE(toolbar2.tool("sub_Usetools", "b_killpop")->checked);
  EXPECT_FALSE(toolbar2.band("sb_Status")->visible);
  ASSERT_NE(form2.proxies.GetCheckedProxyTool(), nullptr);
  EXPECT_EQ(form2.proxies.GetCheckedProxyTool()->caption, "127.0.0.1:3128");
}

TEST_F(ShellTest, NewFileHasItsKeysInOrderAndDirectProxyIsEmpty) {
  form->settings.LoadSettings();  // no library: "Empty" checked
  ASSERT_TRUE(form->settings.SaveSettings());
  const auto doc = zor::ini::IniDocument::Parse(Read("Browser.ini"));
  EXPECT_EQ(doc.Keys("ZOR-BROWSER"),
            (std::vector<std::string>{"ADDRESSBAR", "STATUSBAR", "TOOLSBAR", "ICONON", "OPENGETBAR", "BESILENT",
                                      "STOPPOPUP", "KILLPOP", "PROXY_IP", "SEARCH_URL"}));
  EXPECT_EQ(doc.Get("ZOR-BROWSER", "PROXY_IP"), "");
  EXPECT_EQ(doc.Get("ZOR-BROWSER", "ICONON"), "0");
}

TEST_F(ShellTest, ShippedSettingsTurnThePopupBlockerOnAndLeaveTheRestAtTheirDefaults) {
  fs::copy_file(fs::path(ZOR_SOURCE_DIR) / "data" / "Browser.ini", folder / "Browser.ini");
  form->settings.LoadSettings();
  EXPECT_TRUE(Tool("sub_Usetools", "b_stoppopup")->checked);
  for (const char* tool : {"b_addrok", "b_statusok", "b_toolsbarok"}) EXPECT_TRUE(Tool("sub_View", tool)->checked);
  EXPECT_FALSE(Tool("sub_Fav", "b_iconon")->checked);
  for (const char* tool : {"b_opengetbar", "b_besilent", "b_killpop"})
    EXPECT_FALSE(Tool("sub_Usetools", tool)->checked) << tool;
  EXPECT_EQ(form->proxies.GetCheckedProxyTool()->caption, "Empty");
  EXPECT_EQ(form->chrome.SearchTemplate, zor::shell::SearchServices().front().address);
}

TEST_F(ShellTest, TheSearchTemplateIsKeptOnlyWhenItCanTakeTheWords) {
  Write("Browser.ini", "[ZOR-BROWSER]\nSEARCH_URL=http://127.0.0.1/find\n");
  form->settings.LoadSettings();
  EXPECT_EQ(form->chrome.SearchTemplate, zor::shell::SearchServices().front().address) << "no {query}: the default";
  Write("Browser.ini", "[ZOR-BROWSER]\nSEARCH_URL=http://127.0.0.1/find?q={query}\n");
  form->settings.LoadSettings();
  EXPECT_EQ(form->chrome.SearchTemplate, "http://127.0.0.1/find?q={query}");
  form->chrome.SearchTemplate = "https://s.test/?q={query}";
  ASSERT_TRUE(form->settings.SaveSettings());
  EXPECT_EQ(zor::ini::IniDocument::Parse(Read("Browser.ini")).Get("ZOR-BROWSER", "SEARCH_URL"),
            "https://s.test/?q={query}");
}

TEST_F(ShellTest, UnwritableSettingsAreReported) {
  zor::toolbar::ToolbarControl toolbar2;
  ASSERT_TRUE(toolbar2.loadLayoutText(kSkin, "test.tb2"));
  FakePageHost pages2;
  FakeWindow window2;
  MainForm form2(toolbar2, pages2, window2, (folder / "missing-folder").string());
  std::string error;
  EXPECT_FALSE(form2.settings.SaveSettings(&error));
  EXPECT_NE(error.find("Browser.ini"), std::string::npos) << error;
}

// ---- LastPages.ini ----------------------------------------------------------------

TEST_F(ShellTest, RestoreThreePagesLastActiveFileKeptForTheRecoveryList) {
  Write("LastPages.ini", "http://a.test/\r\njavascript:window.open('x')\r\nhttp://b.test/x,y\r\nhttp://c.test/");
  pages.Create(1);
  form->settings.RestoreLastPages();
  EXPECT_EQ(form->tabs.AddressOf(1), "http://a.test/");
  EXPECT_TRUE(pages.Fake(1)->navigations.empty()) << "loaded when first shown";
  ASSERT_NE(pages.Fake(2), nullptr);
  EXPECT_EQ(form->tabs.AddressOf(2), "http://b.test/x,y") << "a comma stays in the URL";
  ASSERT_NE(pages.Fake(3), nullptr);
  EXPECT_EQ(pages.Fake(3)->navigations, (std::vector<std::string>{"http://c.test/"})) << "last line without CR LF";
  EXPECT_EQ(form->tabs.ActivePage, 3);
  EXPECT_EQ(form->tabs.TabCount(), 2) << "the script line opens nothing";
  EXPECT_TRUE(fs::exists(folder / "LastPages.ini")) << "removed only once the recovery list holds the pages";
}

TEST_F(ShellTest, RestoreKeepsTheCommandLinePage) {
  Write("LastPages.ini", "http://a.test/\r\n");
  pages.Create(1)->Navigate("http://given.test/");
  form->settings.RestoreLastPages();
  EXPECT_EQ(pages.Fake(1)->navigations.size(), 1u);
  ASSERT_NE(pages.Fake(2), nullptr);
  EXPECT_EQ(form->tabs.AddressOf(2), "http://a.test/");
}

TEST_F(ShellTest, RestoreWithoutFileDoesNothing) {
  pages.Create(1);
  form->settings.RestoreLastPages();
  EXPECT_TRUE(pages.Fake(1)->navigations.empty());
  EXPECT_EQ(form->tabs.LastPageIndex, 1);
}

TEST_F(ShellTest, SaveLastPagesReplacesTheFileThatRestoreReads) {
  Write("LastPages.ini", "http://old.test/\r\n");
  ASSERT_TRUE(form->settings.SaveLastPages({"http://one.test/", "http://two.test/?q=a b"}));
  EXPECT_EQ(Read("LastPages.ini"), "http://one.test/\r\nhttp://two.test/?q=a b\r\n");
  pages.Create(1);
  form->settings.RestoreLastPages();
  EXPECT_EQ(form->tabs.AddressOf(1), "http://one.test/");
  EXPECT_EQ(pages.Fake(2)->location, "http://two.test/?q=a b");
}

// A large session costs one loading page at start: the other tabs are there, captioned
// with their addresses, and each loads once when first shown; an unvisited tab closes.
TEST_F(ShellTest, FiveHundredRestoredPagesLoadOnlyWhenShown) {
  std::string saved, kept;
  for (int i = 1; i <= 500; ++i) {
    const std::string url = "http://127.0.0.1:1/" + std::to_string(i);
    saved += url + "\r\n";
    if (i != 3 && i != 1) kept += url + "\r\n";  // page 1 has no tab here
  }
  Write("LastPages.ini", saved);
  pages.Create(1);
  form->settings.RestoreLastPages();
  size_t loads = 0;
  for (int n = 1; n <= form->tabs.LastPageIndex; ++n) loads += pages.Fake(n)->navigations.size();
  EXPECT_EQ(loads, 1u);
  EXPECT_EQ(form->tabs.TabCount(), 499);
  EXPECT_EQ(toolbar.tool("tb_Tabs", "tabs-2")->caption.rfind("http://127", 0), 0u) << "captioned with its address";
  EXPECT_FALSE(form->tabs.BackEnabled.get(2));

  form->tabs.SelectPage(2);
  form->tabs.SelectPage(500);
  form->tabs.SelectPage(2);
  EXPECT_EQ(pages.Fake(2)->navigations, (std::vector<std::string>{"http://127.0.0.1:1/2"})) << "loaded once";
  form->tabs.ClosePage(3);
  EXPECT_EQ(form->tabs.TabCount(), 498);
  loads = 0;
  for (int n = 1; n <= form->tabs.LastPageIndex; ++n)
    if (pages.Fake(n)) loads += pages.Fake(n)->navigations.size();
  EXPECT_EQ(loads, 2u) << "closing an unvisited tab loads nothing";

  ASSERT_TRUE(form->exit.CloseCheck());
  EXPECT_TRUE(Read("LastPages.ini") == kept) << "unvisited tabs are saved with their addresses";
}

// ---- start-up ----------------------------------------------------------------------

TEST_F(ShellTest, MissingSkinEndsStartUpWithTheMessage) {
  EXPECT_FALSE(form->StartUp(""));
  EXPECT_EQ(window.messages, (std::vector<std::string>{"Cannot find skin file:default.tb2"}));
  EXPECT_FALSE(window.shown);
  EXPECT_EQ(pages.Fake(1), nullptr) << "nothing else is created";
}

TEST_F(ShellTest, MalformedSkinIsReportedWithFileAndLine) {
  Write("default.tb2", "tb2 1\nband tb_Main\n  tool b_back captoin=Back\n");
  EXPECT_FALSE(form->StartUp(""));
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_NE(window.messages[0].find("default.tb2:3"), std::string::npos) << window.messages[0];
}

TEST_F(ShellTest, PlainStartShowsOneNewTab) {
  Write("default.tb2", kSkin);
  Write("lng.ini", "[ZOR_Main]\nZOR_TITLE={N}\n");
  ASSERT_TRUE(form->StartUp(""));
  EXPECT_TRUE(window.shown);
  EXPECT_TRUE(window.maximized);
  EXPECT_EQ(window.address_items, (std::vector<std::string>{"About:Blank"}));
  ASSERT_EQ(form->tabs.TabCount(), 1);
  const auto* tab = toolbar.band("tb_Tabs")->tools().at(0);
  EXPECT_EQ(tab->name, "tabs-1");
  EXPECT_EQ(tab->id, 50001);
  EXPECT_EQ(tab->caption, "New");
  EXPECT_TRUE(tab->checked);
  EXPECT_EQ(pages.Fake(1)->tag, "1");
  EXPECT_TRUE(pages.Fake(1)->register_as_browser);
  EXPECT_FALSE(pages.Fake(0)->register_as_drop_target);
  EXPECT_TRUE(pages.Fake(1)->navigations.empty());
  EXPECT_EQ(window.caption, "ZOR-BROWSER");
}

TEST_F(ShellTest, CommandLineLosesItsQuotesAndPathsBecomeFileAddresses) {
  Write("default.tb2", kSkin);
  ASSERT_TRUE(form->StartUp("\"/tmp/my page.html\""));
  EXPECT_EQ(pages.Fake(1)->navigations, (std::vector<std::string>{"file:///tmp/my%20page.html"}));
}

// A later start on the same files hands its command line to the running window.
TEST_F(ShellTest, AHandedOverCommandLineOpensInANewPageInFront) {
  Write("default.tb2", kSkin);
  ASSERT_TRUE(form->StartUp("http://127.0.0.1:1/one"));
  int raised = 0;
  form->chrome.hooks.raiseWindow = [&] { ++raised; };
  Write("two page.html", "<p>2</p>");
  // Relative to the later start's folder, not this process's.
  form->OpenHandedAddress("\"two page.html\"", folder.string());
  ASSERT_EQ(form->tabs.TabCount(), 2);
  EXPECT_EQ(form->tabs.ActivePage, 2);
  EXPECT_EQ(pages.Fake(2)->navigations,
            (std::vector<std::string>{"file://" + fs::weakly_canonical(folder).string() + "/two%20page.html"}));
  // No address: a blank page in front, as a new window would be.
  form->OpenHandedAddress("", "/");
  ASSERT_EQ(form->tabs.TabCount(), 3);
  EXPECT_EQ(form->tabs.ActivePage, 3);
  EXPECT_TRUE(pages.Fake(3)->navigations.empty());
  EXPECT_EQ(pages.Fake(1)->navigations, (std::vector<std::string>{"http://127.0.0.1:1/one"}));
  EXPECT_EQ(raised, 2);
}

TEST_F(ShellTest, SettingsApplyFromTheFirstPaint) {
  Write("default.tb2", kSkin);
  Write("Browser.ini", "[ZOR-BROWSER]\nADDRESSBAR=0\nBESILENT=1\n");
  ASSERT_TRUE(form->StartUp(""));
  EXPECT_FALSE(toolbar.band("tb_Addressbar")->visible);
  EXPECT_FALSE(Tool("sub_View", "b_addrok")->checked);
  EXPECT_TRUE(pages.Fake(1)->silent);
}

// ---- titles and addresses ------------------------------------------------------------

TEST_F(ShellTest, PageTitleShortensTabCaptionAndSetsWindowCaption) {
  Write("default.tb2", kSkin);
  Write("lng.ini", "[ZOR_Main]\nZOR_TITLE={N}\n");
  ASSERT_TRUE(form->StartUp(""));
  pages.Fake(1)->location = "http://x.test/a%20b";
  form->tabs.SetPageTitle(1, "A title of thirty characters!!", "");
  EXPECT_EQ(Tool("tb_Tabs", "tabs-1")->caption, "A title of th ...");
  EXPECT_EQ(window.caption, "A title of thirty characters!! - " + form->chrome.TitleText);
  EXPECT_EQ(window.address_text, "http://x.test/a b");
  form->tabs.SetPageTitle(1, "Exactly14bytes", "");
  EXPECT_EQ(Tool("tb_Tabs", "tabs-1")->caption, "Exactly14bytes");
  form->tabs.SetPageTitle(1, "", "");
  EXPECT_EQ(Tool("tb_Tabs", "tabs-1")->caption, "Exactly14bytes") << "an empty title changes nothing";
}

TEST(LoadableAddress, TypedTextOpensAnAddressOrSearchesForTheWords) {
  using zor::shell::LoadableAddress;
  const std::string search = "http://127.0.0.1:9/s?q={query}&from=zor";
  auto searched = [](const std::string& query) { return "http://127.0.0.1:9/s?q=" + query + "&from=zor"; };
  const std::pair<std::string, std::string> cases[] = {
      {"example.org", "http://example.org"},
      {"localhost", "http://localhost"},
      {"localhost:8080", "http://localhost:8080"},
      {"foo bar", searched("foo%20bar")},
      {"how to", searched("how%20to")},
      {"a.b", "http://a.b"},
      {"[::1]", "http://[::1]"},
      {"C++", searched("C%2B%2B")},
      {"file:///x", "file:///x"},
      {"中文", searched("%E4%B8%AD%E6%96%87")},
      // A single word names a host on the local network only when the user says so.
      {"intranet", searched("intranet")},
      {"intranet/", "http://intranet/"},
      {"http://intranet", "http://intranet"},
      {"intranet:8080", "http://intranet:8080"},
      {"  example.org/a b ", "http://example.org/a b"},
      {"what is a.b", searched("what%20is%20a.b")},
      {"about:blank", "about:blank"},
      {"javascript:void(0)", "javascript:void(0)"},
      {"example.org/a?b", "http://example.org/a?b"},
      {"127.0.0.1:8080", "http://127.0.0.1:8080"},
      {"/home/u/a#b.html", "file:///home/u/a%23b.html"},
      {"", ""},
  };
  for (const auto& [typed, opens] : cases) EXPECT_EQ(LoadableAddress(typed, search), opens) << typed;
  // Without a usable template the words stay as they are (home page, old settings).
  EXPECT_EQ(LoadableAddress("just words"), "just words");
  EXPECT_EQ(LoadableAddress("just words", "http://s.test/no-placeholder"), "just words");
  EXPECT_EQ(LoadableAddress("just words", "javascript:{query}"), "just words");
}

TEST(FillSearchTemplate, NoTypedCharacterCanEndOrSplitTheQuery) {
  using zor::shell::FillSearchTemplate;
  EXPECT_EQ(FillSearchTemplate("https://s.test/?q={query}&lang=en#top", "a&b=c#d+e 中"),
            "https://s.test/?q=a%26b%3Dc%23d%2Be%20%E4%B8%AD&lang=en#top");
  EXPECT_EQ(FillSearchTemplate("https://s.test/{query}/{query}", "x/y%z"), "https://s.test/x%2Fy%25z/x%2Fy%25z");
  EXPECT_EQ(FillSearchTemplate("https://s.test/?q={query}", "safe-._~09Az"), "https://s.test/?q=safe-._~09Az");
}

TEST(StartAddress, AFileNamedRelativeToTheWorkingFolderOpensAsThatFile) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("zor-start-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder / "docs");
  std::ofstream(folder / "docs" / "a b.html") << "<p>a</p>";
  std::ofstream(folder / "index.html") << "<p>i</p>";
  const std::string here = folder.string();
  using zor::shell::StartAddress;
  EXPECT_EQ(StartAddress("docs/a b.html", here), "file://" + here + "/docs/a%20b.html");
  EXPECT_EQ(StartAddress("./index.html", here), "file://" + here + "/index.html");
  EXPECT_EQ(StartAddress("index.html", here), "file://" + here + "/index.html");
  // Not a file here: an address as before.
  EXPECT_EQ(StartAddress("docs", here), "docs") << "a folder is no page";
  EXPECT_EQ(StartAddress("example.org", here), "http://example.org");
  EXPECT_EQ(StartAddress("127.0.0.1:8080/index.html", here), "http://127.0.0.1:8080/index.html");
  EXPECT_EQ(StartAddress("http://127.0.0.1/index.html", here), "http://127.0.0.1/index.html");
  EXPECT_EQ(StartAddress("/abs/x.html", here), "file:///abs/x.html");
  std::filesystem::remove_all(folder);
}

}  // namespace
