// The control panel's own actions and the cleaner, on a shown panel with a recording view
// and a fake engine.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/files.h"
#include "common/temp_dir.h"
#include "corvane/cleaner.h"
#include "corvane/corvane_connection.h"
#include "corvane/panel.h"
#include "corvane/sysinfo.h"

namespace zor::corvane {
namespace {

using testing::TempDir;
using List = std::vector<std::string>;

struct Record {
  List calls;  // "topmost 0", "ask <text>", "message <text>", "focus <box>", engine calls
  bool answer = true;
  std::optional<std::string> chosen;
};

class RecordingView : public PanelView {
 public:
  explicit RecordingView(Record& r) : r_(r) {}
  void Show() override {}
  void SetTopmost(bool on) override { r_.calls.push_back(on ? "topmost 1" : "topmost 0"); }
  void Update() override {}
  bool LoadPicture(const std::string& path) override { return FileExists(path); }
  bool Ask(const std::string& text) override {
    r_.calls.push_back("ask " + text);
    return r_.answer;
  }
  void Message(const std::string& text) override { r_.calls.push_back("message " + text); }
  std::optional<std::string> ChooseFile(bool save) override {
    r_.calls.push_back(save ? "save dialog" : "open dialog");
    return r_.chosen;
  }
  void Focus(const std::string& control) override { r_.calls.push_back("focus " + control); }

 private:
  Record& r_;
};

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::mkdir((dir / "Requires").c_str(), 0755);
    dir.Write("Requires/browser.gif", "GIF89a");
    dir.Write("lng.ini",
              "[Corvane]\r\npage1=Black\r\npage4=About\r\nErrorProxy=Not a proxy\r\nmsgYesNo=Sure?\r\n"
              "msgProcessing=Working\r\ncmdTemp=Delete\r\nlblVersion=Version\r\npop3=Edit\r\n");
    PanelEnvironment& env = Environment();
    env.library_folder = dir / "Requires";
    env.makeView = [this](Panel&) { return std::make_unique<RecordingView>(record); };
    env.services.warn = [this](const std::string& text, const std::string&) { record.calls.push_back("warn " + text); };
    env.services.fetchWebsiteData = [this](uint32_t kinds) {
      record.calls.push_back("fetch " + std::to_string(kinds) + " while " + LoadedPanel()->cmdTempCaption);
      return sites;
    };
    env.services.removeWebsiteData = [this](uint32_t kinds, const List& names) {
      std::string joined;
      for (const std::string& n : names) joined += " " + n;
      record.calls.push_back("remove " + std::to_string(kinds) + joined);
      return true;
    };
    env.services.cookieFolder = [this] { return cookie_folder; };
    env.services.clearHistory = [this] {
      record.calls.push_back("history");
      return history_error;
    };
  }
  void TearDown() override {
    if (Panel* panel = LoadedPanel()) panel->MainWindowHwnd = nullptr;
    try {
      ClosePanel();
    } catch (...) {
    }
    Environment() = {};
  }
  Panel& Shown() {
    connection.ShowWindow(nullptr, "1.0.1");
    record.calls.clear();
    return *LoadedPanel();
  }
  void ClickTool(Panel& panel, const char* band, const char* tool) {
    toolbar::Tool* t = panel.abMain->tool(band, tool);
    ASSERT_NE(t, nullptr) << tool;
    panel.abMain->fireToolClick(*t);
  }

  TempDir dir;
  CorvaneConnection connection;
  Record record;
  List sites{"127.0.0.2", "127.0.0.3"};
  std::string cookie_folder;
  std::string history_error;
};

TEST_F(PanelTest, ProxyEntryNeedsSevenCharactersBeforeTheColon) {
  Panel& panel = Shown();
  panel.txtProxyIp = "1.2.3.4:8080";
  panel.cmdPrxoyAdd_Click();
  EXPECT_EQ(panel.lstProxy, (List{"1.2.3.4:8080"}));
  EXPECT_EQ(panel.txtProxyIp, "");
  EXPECT_TRUE(record.calls.empty());

  panel.txtProxyIp = "1.2.34:8080";
  panel.cmdPrxoyAdd_Click();
  EXPECT_EQ(panel.lstProxy, (List{"1.2.3.4:8080"}));
  EXPECT_EQ(panel.txtProxyIp, "1.2.34:8080") << "the refused text stays in the box";
  EXPECT_EQ(record.calls, (List{"topmost 0", "warn Not a proxy", "topmost 1"}));
}

TEST_F(PanelTest, AddingAnEntryInOtherLetterCaseMakesTheExistingOneCurrent) {
  dir.Write("Requires/blacklist.ini", "news\r\nAds.Example\r\ncasino\r\n");
  Panel& panel = Shown();
  panel.txtHei = "ADS.EXAMPLE";
  panel.cmdHei_Click();
  EXPECT_EQ(panel.lstHei, (List{"news", "Ads.Example", "casino"}));
  EXPECT_EQ(panel.heiCurrent, 1);
  EXPECT_EQ(panel.heiSelected, (std::set<int>{1}));
  EXPECT_EQ(panel.txtHei, "");
  // An empty box adds nothing, a new text is appended.
  panel.cmdHei_Click();
  panel.txtHei = "tracker";
  panel.cmdHei_Click();
  EXPECT_EQ(panel.lstHei, (List{"news", "Ads.Example", "casino", "tracker"}));
}

TEST_F(PanelTest, DeletingSelectedEntriesSelectsTheOneBeforeTheFirstRemoved) {
  Panel& panel = Shown();
  const List five{"a", "b", "c", "d", "e"};
  panel.lstHei = five;
  panel.SelectEntries(PanelList::kHei, {0, 1, 2});
  ClickTool(panel, "pop_Hei", "b_pop_Hei_1");
  EXPECT_EQ(panel.lstHei, (List{"d", "e"}));
  EXPECT_EQ(panel.heiSelected, (std::set<int>{0}));
  EXPECT_EQ(panel.heiCurrent, 0);

  panel.lstProxy = five;
  panel.SelectEntries(PanelList::kProxy, {2, 4, 9});  // 9 is no entry and is dropped
  ClickTool(panel, "pop_Proxy", "b_Proxy_2");
  EXPECT_EQ(panel.lstProxy, (List{"a", "b", "d"}));
  EXPECT_EQ(panel.proxySelected, (std::set<int>{1}));

  panel.SelectEntries(PanelList::kProxy, {});
  panel.DeleteSelected(PanelList::kProxy);  // nothing selected: entry 0 is selected
  EXPECT_EQ(panel.lstProxy, (List{"a", "b", "d"}));
  EXPECT_EQ(panel.proxySelected, (std::set<int>{0}));

  panel.lstHei = {"only"};
  panel.SelectEntries(PanelList::kHei, {0});
  panel.DeleteSelected(PanelList::kHei);
  EXPECT_TRUE(panel.lstHei.empty());
  EXPECT_TRUE(panel.heiSelected.empty());
  EXPECT_EQ(panel.heiCurrent, -1);
}

TEST_F(PanelTest, EditAndDeleteAllAndTheMenusEnabledStates) {
  Panel& panel = Shown();
  panel.lstHei = {"a", "", "c"};
  panel.SelectEntries(PanelList::kHei, {1});
  panel.ListRightClick(PanelList::kHei);
  EXPECT_FALSE(panel.abMain->tool("pop_Hei", "b_pop_Hei_1")->enabled) << "the current entry is empty";
  EXPECT_FALSE(panel.abMain->tool("pop_Hei", "b_pop_Hei_3")->enabled);
  EXPECT_TRUE(panel.abMain->tool("pop_Hei", "b_pop_Hei_2")->enabled);
  panel.SelectEntries(PanelList::kHei, {2, 0});
  panel.ListRightClick(PanelList::kHei);
  EXPECT_TRUE(panel.abMain->tool("pop_Hei", "b_pop_Hei_3")->enabled);

  ClickTool(panel, "pop_Hei", "b_pop_Hei_3");  // the first selected is the current one
  EXPECT_EQ(panel.txtHei, "a");
  EXPECT_EQ(panel.lstHei, (List{"", "c"}));
  EXPECT_EQ(panel.heiSelected, (std::set<int>{1}));
  EXPECT_EQ(record.calls, (List{"focus txtHei"}));

  panel.lstProxy = {"1.2.3.4:80", "5.6.7.8:81"};
  panel.SelectEntries(PanelList::kProxy, {1});
  ClickTool(panel, "pop_Proxy", "b_Proxy_1");
  EXPECT_EQ(panel.txtProxyIp, "5.6.7.8:81");
  ClickTool(panel, "pop_Proxy", "b_Proxy_3");
  EXPECT_TRUE(panel.lstProxy.empty());
  panel.ListRightClick(PanelList::kProxy);
  EXPECT_FALSE(panel.abMain->tool("pop_Proxy", "b_Proxy_1")->enabled);
  EXPECT_FALSE(panel.abMain->tool("pop_Proxy", "b_Proxy_2")->enabled);
}

TEST_F(PanelTest, PagesFollowTheirToolsAndCaptionsComeFromTheLanguageFile) {
  Panel& panel = Shown();
  EXPECT_EQ(panel.CurrentPage, 1);
  EXPECT_TRUE(panel.abMain->tool("tb_Control", "b_tb_1")->checked);
  EXPECT_EQ(panel.abMain->tool("tb_Control", "b_tb_1")->caption, "Black");
  EXPECT_EQ(panel.abMain->tool("tb_Control", "b_tb_2")->caption, "") << "a missing key gives an empty text";
  EXPECT_EQ(panel.abMain->tool("pop_Hei", "b_pop_Hei_3")->caption, "Edit");
  ClickTool(panel, "tb_Control", "b_tb_4");
  EXPECT_EQ(panel.CurrentPage, 4);
  EXPECT_FALSE(panel.abMain->tool("tb_Control", "b_tb_1")->checked);
  EXPECT_TRUE(panel.abMain->tool("tb_Control", "b_tb_4")->checked);
  EXPECT_EQ(panel.lblTitle, "ZOR-Browser");
  EXPECT_EQ(panel.lblVersion, "Version 1.0.1");
  panel.setPage(2);
  EXPECT_FALSE(panel.abMain->tool("tb_Control", "b_tb_4")->checked);
  EXPECT_TRUE(panel.abMain->tool("tb_Control", "b_tb_2")->checked);
  panel.setPage(7);
  EXPECT_EQ(panel.CurrentPage, 2);
}

TEST_F(PanelTest, CloseToolWritesBothListsOnce) {
  dir.Write("Requires/blacklist.ini", "ads\r\n");
  Panel& panel = Shown();
  panel.txtHei = "tracker";
  panel.cmdHei_Click();
  panel.lstProxy = {"1.2.3.4:80", ""};
  ClickTool(panel, "tb_Control", "b_tb_5");
  EXPECT_EQ(LoadedPanel(), nullptr);
  EXPECT_EQ(dir.Read("Requires/blacklist.ini"), "ads\r\ntracker\r\n");
  EXPECT_EQ(dir.Read("Requires/proxylist.ini"), "1.2.3.4:80\r\n\r\n");
}

// A list file that is there but cannot be read (here a pipe: never read as a list)
// is not written over, by the panel or by a hidden method call, and the user is told
// which file it is; closing keeps the panel open with the edits.
TEST_F(PanelTest, AListFileThatCannotBeReadIsNeverReplacedAndTheUserIsTold) {
  dir.Write("lng.ini", "[Corvane]\r\nErrorListFile=Cannot save {F}.\r\n");
  const std::string black = dir / "Requires/blacklist.ini";
  ASSERT_EQ(::mkfifo(black.c_str(), 0644), 0);
  Panel& panel = Shown();
  EXPECT_TRUE(panel.lstHei.empty());
  panel.txtHei = "tracker";
  panel.cmdHei_Click();
  panel.lstProxy = {"1.2.3.4:80"};
  record.calls.clear();
  ClickTool(panel, "tb_Control", "b_tb_5");
  ASSERT_NE(LoadedPanel(), nullptr) << "closing would lose the edits";
  EXPECT_EQ(LoadedPanel()->lstHei, List{"tracker"});
  EXPECT_EQ(record.calls, List{"message Cannot save " + black + "."});
  struct stat st;
  ASSERT_EQ(::lstat(black.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the unreadable black list was replaced";

  record.calls.clear();
  connection.addtoHei("ads");  // the panel is open: the entry joins its list
  ::unlink(black.c_str());
  ClickTool(*LoadedPanel(), "tb_Control", "b_tb_5");
  EXPECT_EQ(LoadedPanel(), nullptr);
  EXPECT_EQ(dir.Read("Requires/blacklist.ini"), "tracker\r\nads\r\n");
  EXPECT_EQ(dir.Read("Requires/proxylist.ini"), "1.2.3.4:80\r\n");

  // Hidden: reads, adds, writes; a file it cannot read is said, not replaced.
  ::unlink(black.c_str());
  ASSERT_EQ(::mkfifo(black.c_str(), 0644), 0);
  connection.addtoHei("ads");
  EXPECT_EQ(record.calls, List{"warn Cannot save " + black + "."});
  ASSERT_EQ(::lstat(black.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  ::unlink(black.c_str());
  connection.addtoHei("ads");  // a missing file is simply created
  EXPECT_EQ(dir.Read("Requires/blacklist.ini"), "ads\r\n");
}

// Navigations ask the black list while the panel is open: the user's edits and selection
// stay, and the rows the user picks are the rows deleted.
TEST_F(PanelTest, CallsWhileThePanelIsOpenKeepTheEditedLists) {
  dir.Write("Requires/blacklist.ini", "a\r\nb\r\nc\r\n");
  dir.Write("Requires/proxylist.ini", "10.0.0.1:80\r\n");
  Panel& panel = Shown();
  panel.SelectEntries(PanelList::kHei, {0});
  panel.DeleteSelected(PanelList::kHei);  // "a"
  panel.lstProxy.push_back("10.0.0.2:3128");
  EXPECT_FALSE(connection.inBlackList("http://a/"));
  List proxies;
  connection.GetProxyList(proxies);
  EXPECT_EQ(proxies, (List{"10.0.0.1:80", "10.0.0.2:3128"}));
  EXPECT_EQ(panel.lstHei, (List{"b", "c"}));
  panel.SelectEntries(PanelList::kHei, {1});
  panel.DeleteSelected(PanelList::kHei);  // "c"
  ClickTool(panel, "tb_Control", "b_tb_5");
  EXPECT_EQ(dir.Read("Requires/blacklist.ini"), "b\r\n");
  EXPECT_EQ(dir.Read("Requires/proxylist.ini"), "10.0.0.1:80\r\n10.0.0.2:3128\r\n");
}

TEST_F(PanelTest, ImportTakesValidNewEntriesAndExportSkipsEmptyOnes) {
  Panel& panel = Shown();
  panel.lstProxy = {"10.0.0.1:80", ""};
  dir.Write("import.txt", "10.0.0.1:80\r\nshort:1\r\n10.0.0.2:3128@lab\n\n10.0.0.2:3128@LAB\r\n");
  record.chosen = dir / "import.txt";
  ClickTool(panel, "pop_Proxy", "b_Proxy_4");
  EXPECT_EQ(panel.lstProxy, (List{"10.0.0.1:80", "", "10.0.0.2:3128@lab"}));
  record.chosen = dir / "export.txt";
  ClickTool(panel, "pop_Proxy", "b_Proxy_5");
  EXPECT_EQ(dir.Read("export.txt"), "10.0.0.1:80\r\n10.0.0.2:3128@lab\r\n");
  // Cancelled dialogs and unwritable files end quietly.
  record.chosen.reset();
  ClickTool(panel, "pop_Proxy", "b_Proxy_4");
  panel.ExportProxyFile(dir / "no/such/folder/export.txt");
  EXPECT_EQ(panel.lstProxy.size(), 3u);
  EXPECT_EQ(record.calls, (List{"open dialog", "save dialog", "open dialog"}));
}

TEST_F(PanelTest, StartWithoutTickedBoxesDoesNothing) {
  Panel& panel = Shown();
  panel.cmdTemp_Click();
  EXPECT_TRUE(record.calls.empty());
}

TEST_F(PanelTest, NoLeavesTheBoxesTickedAndDeletesNothing) {
  connection.delTemp(true, true, true, nullptr, "1.0.1");
  Panel& panel = *LoadedPanel();
  record.calls.clear();
  record.answer = false;
  panel.cmdTemp_Click();
  EXPECT_EQ(record.calls, (List{"topmost 0", "ask Sure?", "topmost 1"}));
  EXPECT_EQ(panel.CleanFlags, (std::array<bool, 3>{true, true, true}));
  EXPECT_EQ(panel.cmdTempCaption, "Delete");
}

TEST_F(PanelTest, YesCleansInOrderAndUnticksTheBoxes) {
  connection.delTemp(true, false, false, nullptr, "1.0.1");
  Panel& panel = *LoadedPanel();
  panel.chkClick(1, true);
  panel.chkClick(2, true);
  record.calls.clear();
  panel.cmdTemp_Click();
  EXPECT_EQ(record.calls, (List{"topmost 0", "ask Sure?", "fetch 1 while Working", "remove 1 127.0.0.2 127.0.0.3",
                                "fetch 6 while Working", "remove 6 127.0.0.2 127.0.0.3", "history", "topmost 1"}));
  EXPECT_EQ(panel.CleanFlags, (std::array<bool, 3>{false, false, false}));
  EXPECT_EQ(panel.cmdTempCaption, "Delete");
}

TEST_F(PanelTest, APressWhileTheEngineWorksStartsNoSecondCleaning) {
  connection.delTemp(true, false, false, nullptr, "1.0.1");
  Panel& panel = *LoadedPanel();
  auto fetch = Environment().services.fetchWebsiteData;
  Environment().services.fetchWebsiteData = [&](uint32_t kinds) {
    panel.cmdTemp_Click();  // the main loop runs while the engine answers
    return fetch(kinds);
  };
  record.calls.clear();
  panel.cmdTemp_Click();
  EXPECT_EQ(record.calls, (List{"topmost 0", "ask Sure?", "fetch 1 while Working", "remove 1 127.0.0.2 127.0.0.3",
                                "topmost 1"}));
  panel.chkClick(0, true);
  record.calls.clear();
  Environment().services.fetchWebsiteData = fetch;
  panel.cmdTemp_Click();  // and the next one after it does
  EXPECT_EQ(record.calls.size(), 5u);
}

TEST_F(PanelTest, CloseToolThatCannotWriteSaysSoAndKeepsThePanel) {
  Panel& panel = Shown();
  panel.lstProxy = {"1.2.3.4:80"};
  // The folder goes away under the open panel.
  ASSERT_EQ(::rename((dir / "Requires").c_str(), (dir / "Moved").c_str()), 0);
  ClickTool(panel, "tb_Control", "b_tb_5");
  ASSERT_EQ(LoadedPanel(), &panel);
  ASSERT_EQ(record.calls.size(), 1u);
  EXPECT_EQ(record.calls[0].rfind("message ", 0), 0u) << record.calls[0];
  EXPECT_EQ(panel.lstProxy, List{"1.2.3.4:80"});
  ASSERT_EQ(::rename((dir / "Moved").c_str(), (dir / "Requires").c_str()), 0);
}

TEST_F(PanelTest, FailedStepIsShownAndKeepsTheBoxesTicked) {
  connection.delTemp(false, false, true, nullptr, "1.0.1");
  Panel& panel = *LoadedPanel();
  history_error = "history store locked";
  record.calls.clear();
  panel.cmdTemp_Click();
  EXPECT_EQ(record.calls, (List{"topmost 0", "ask Sure?", "history", "message history store locked", "topmost 1"}));
  EXPECT_EQ(panel.CleanFlags, (std::array<bool, 3>{false, false, true}));
  EXPECT_EQ(panel.cmdTempCaption, "Delete");
  // Without a history lent by the browser the step fails the same way.
  Environment().services.clearHistory = nullptr;
  record.calls.clear();
  panel.cmdTemp_Click();
  ASSERT_EQ(record.calls.size(), 4u);
  EXPECT_EQ(record.calls[2].rfind("message ", 0), 0u);
}

TEST_F(PanelTest, EngineThatRefusesTheBatchIsAskedSiteBySite) {
  List removed;
  ConnectionServices services;
  services.fetchWebsiteData = [](uint32_t) { return List{"a", "b"}; };
  services.removeWebsiteData = [&](uint32_t, const List& names) {
    if (names.size() > 1) return false;
    removed.push_back(names[0]);
    return names[0] == "b";
  };
  ClearCache(services, kCookieCacheEntry);
  EXPECT_EQ(removed, (List{"a", "b"}));
  EXPECT_TRUE(GetCacheUrls(ConnectionServices{}, kNormalCacheEntry).empty());
}

TEST_F(PanelTest, CookieFolderKeepsDatFilesAndSubFolders) {
  const std::string cookies = dir / "Cookies";
  ::mkdir(cookies.c_str(), 0755);
  ::mkdir((cookies + "/sub").c_str(), 0755);
  dir.Write("Cookies/index.dat", "x");
  dir.Write("Cookies/index.DAT", "x");
  dir.Write("Cookies/.hidden", "x");
  dir.Write("Cookies/user@site.txt", "x");
  dir.Write("Cookies/sub/inner.txt", "x");
  cookie_folder = cookies + "/";
  connection.delTemp(true, false, false, nullptr, "1.0.1");
  LoadedPanel()->cmdTemp_Click();
  EXPECT_TRUE(FileExists(cookies + "/index.dat"));
  EXPECT_FALSE(FileExists(cookies + "/index.DAT"));
  EXPECT_FALSE(FileExists(cookies + "/.hidden"));
  EXPECT_FALSE(FileExists(cookies + "/user@site.txt"));
  EXPECT_TRUE(FileExists(cookies + "/sub/inner.txt"));
  EXPECT_EQ(LoadedPanel()->CleanFlags[0], false);
}

TEST_F(PanelTest, EmptyOrRootCookieFolderDeletesNothing) {
  dir.Write("cookie.txt", "x");
  char previous[4096];
  ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  connection.delTemp(true, false, false, nullptr, "1.0.1");
  LoadedPanel()->cmdTemp_Click();  // the profile has no cookie folder
  ClearCookieFolder("");
  ClearCookieFolder("Cookies");
  ClearCookieFolder("/");
  ClearCookieFolder("//");
  EXPECT_EQ(::chdir(previous), 0);
  EXPECT_TRUE(FileExists(dir / "cookie.txt"));
  EXPECT_NO_THROW(ClearCookieFolder(dir / "missing"));
}

TEST_F(PanelTest, SystemInformationFromTheStoreThenThePath) {
  const std::string bin = dir / "bin";
  ::mkdir(bin.c_str(), 0755);
  const std::string monitor = dir.Write("bin/gnome-system-monitor", "#!/bin/sh\n");
  ::chmod(monitor.c_str(), 0755);
  dir.Write("bin/hardinfo", "not executable");
  const std::string path = "relative:" + bin;
  EXPECT_EQ(FindSysInfoProgram("", path), monitor);
  EXPECT_EQ(FindSysInfoProgram(dir / "missing.ini", path), monitor);
  const std::string store = dir.Write("store.ini", "[MSINFO]\nPATH=/opt/none/msinfo\n");
  EXPECT_EQ(FindSysInfoProgram(store, path), "/opt/none/msinfo") << "a recorded path is taken as it is";
  EXPECT_EQ(FindSysInfoProgram("", dir / "empty"), "");

  List started;
  PanelEnvironment& env = Environment();
  env.search_path = path;
  env.startProgram = [&](const std::string& p) {
    started.push_back(p);
    return p == monitor;
  };
  Panel& panel = Shown();
  panel.StartSysInfo();
  EXPECT_TRUE(record.calls.empty());
  env.user_store = store;
  panel.StartSysInfo();
  env.user_store.clear();
  env.search_path.clear();
  panel.StartSysInfo();
  EXPECT_EQ(started, (List{monitor, "/opt/none/msinfo"}));
  EXPECT_EQ(record.calls, (List{"message 此时系统信息不可用", "message 此时系统信息不可用"}));
}

TEST_F(PanelTest, StartDetachedRunsTheProgramAndReportsWhatCannotStart) {
  const std::string fifo = dir / "ran";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string script = dir.Write("tool.sh", "#!/bin/sh\necho started > '" + fifo + "'\n");
  ::chmod(script.c_str(), 0755);
  EXPECT_TRUE(StartDetached(script));
  // Blocks until the program writes: it runs on its own.
  const int in = ::open(fifo.c_str(), O_RDONLY);
  ASSERT_GE(in, 0);
  char buffer[16] = {};
  EXPECT_GT(::read(in, buffer, sizeof buffer - 1), 0);
  ::close(in);
  EXPECT_STREQ(buffer, "started\n");
  EXPECT_FALSE(StartDetached(dir / "missing"));
  EXPECT_FALSE(StartDetached(dir.Write("plain.txt", "x")));
  EXPECT_FALSE(StartDetached(""));
}

TEST(PanelSkin, ShippedAndBuiltInLayoutsHoldEveryTool) {
  toolbar::ToolbarControl shipped;
  std::string error;
  ASSERT_TRUE(shipped.loadLayout("abMain", std::string(ZOR_SOURCE_DIR) + "/data/corvane.tb2", 1, &error)) << error;
  TempDir dir;  // a program folder without corvane.tb2
  ::mkdir((dir / "Requires").c_str(), 0755);
  Environment().library_folder = dir / "Requires";
  Panel panel(Environment());
  for (const toolbar::ToolbarControl* control : {&shipped, panel.abMain.get()}) {
    for (int i = 1; i <= 5; ++i) EXPECT_NE(control->tool("tb_Control", "b_tb_" + std::to_string(i)), nullptr);
    for (int i = 1; i <= 3; ++i) EXPECT_NE(control->tool("pop_Hei", "b_pop_Hei_" + std::to_string(i)), nullptr);
    for (int i = 1; i <= 5; ++i) EXPECT_NE(control->tool("pop_Proxy", "b_Proxy_" + std::to_string(i)), nullptr);
    EXPECT_EQ(control->band("pop_Hei")->type, toolbar::kPopup);
    EXPECT_EQ(control->band("pop_Proxy")->type, toolbar::kPopup);
  }
  Environment() = {};
}

}  // namespace
}  // namespace zor::corvane

namespace zor::corvane {
namespace {

TEST_F(PanelTest, ShowingAnOpenPanelAgainKeepsItsUnsavedEdits) {
  dir.Write("Requires/blacklist.ini", "ads\r\n");
  Panel& panel = Shown();
  panel.txtHei = "tracker";
  panel.cmdHei_Click();
  panel.lstProxy = {"1.2.3.4:80"};
  connection.delTemp(true, false, false, nullptr, "1.0.1");
  EXPECT_EQ(LoadedPanel(), &panel);
  EXPECT_EQ(panel.CurrentPage, 3);
  EXPECT_EQ(panel.lstHei, (List{"ads", "tracker"}));
  EXPECT_EQ(panel.lstProxy, (List{"1.2.3.4:80"}));
  ClosePanel();
  EXPECT_EQ(dir.Read("Requires/blacklist.ini"), "ads\r\ntracker\r\n");
}

}  // namespace
}  // namespace zor::corvane
