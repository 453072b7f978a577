#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/files.h"
#include "common/temp_dir.h"
#include "corvane/corvane_connection.h"
#include "corvane/lists.h"
#include "corvane/panel.h"

namespace zor::corvane {
namespace {

using testing::TempDir;
using List = std::vector<std::string>;

class RecordingBox : public StatusBox {
 public:
  void SetText(const std::string& text) override {
    texts.push_back(text);
    panel_loaded_when_told = LoadedPanel() != nullptr;
  }
  std::string Text() const override { return texts.empty() ? "" : texts.back(); }
  List texts;
  bool panel_loaded_when_told = true;
};

// A program folder with Requires/ and a fake engine that keeps the record in force.
class CorvaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::mkdir((dir / "Requires").c_str(), 0755);
    dir.Write("Requires/browser.gif", "GIF89a");
    dir.Write("lng.ini", "[Corvane]\r\nErrorProxy=Not a proxy\r\nErrorProxyUpdate=Refused\r\n");
    PanelEnvironment& env = Environment();
    env.library_folder = dir / "Requires";
    env.makeView = nullptr;
    env.services.applyProxy = [this](const ProxyRecord& r) {
      applied.push_back(r);
      if (refuse) return false;
      in_force = r;
      return true;
    };
    env.services.queryProxy = [this] { return std::optional<ProxyRecord>(in_force); };
    env.services.warn = [this](const std::string& text, const std::string& title) {
      warnings.push_back(title + "|" + text);
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
  List File(const std::string& name) const { return Split(dir.Read("Requires/" + name)); }
  static List Split(const std::string& s) {
    List out;
    for (size_t start = 0; start < s.size();) {
      const size_t end = s.find("\r\n", start);
      out.push_back(s.substr(start, end - start));
      start = end + 2;
    }
    return out;
  }

  TempDir dir;
  CorvaneConnection connection;
  std::vector<ProxyRecord> applied;
  ProxyRecord in_force;
  bool refuse = false;
  List warnings;
};

TEST_F(CorvaneTest, GetProxyListAppendsAndUnloadsAHiddenPanel) {
  dir.Write("Requires/proxylist.ini", "10.0.0.1:80\r\n\r\n10.0.0.2:81@lab");
  List c{"kept"};
  connection.GetProxyList(c);
  EXPECT_EQ(c, (List{"kept", "10.0.0.1:80", "", "10.0.0.2:81@lab"}));
  EXPECT_EQ(LoadedPanel(), nullptr);
  // Nothing is written by a read.
  EXPECT_EQ(dir.Read("Requires/proxylist.ini"), "10.0.0.1:80\r\n\r\n10.0.0.2:81@lab");
}

TEST_F(CorvaneTest, SetProxyAddsValidEntriesAndApplies) {
  dir.Write("Requires/proxylist.ini", "10.0.0.1:80\r\n");
  EXPECT_FALSE(connection.setProxy("10.0.0.9:3128@home"));
  EXPECT_EQ(File("proxylist.ini"), (List{"10.0.0.1:80", "10.0.0.9:3128@home"}));
  ASSERT_EQ(applied.size(), 1u);
  EXPECT_EQ(applied[0], (ProxyRecord{3, "http=10.0.0.9:3128@home", "<local>"}));
  // The same entry again, in other letter case, adds nothing.
  connection.setProxy("10.0.0.1:80");
  connection.setProxy("10.0.0.9:3128@HOME");
  EXPECT_EQ(File("proxylist.ini"), (List{"10.0.0.1:80", "10.0.0.9:3128@home"}));
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(LoadedPanel(), nullptr);
}

TEST_F(CorvaneTest, SetProxyEmptyOrInvalidGoesDirectWithOneWarningThatHasItsText) {
  connection.setProxy("");
  EXPECT_TRUE(warnings.empty());
  struct Case {
    const char* ip;
    const char* lng;  // nullptr: no lng.ini
    const char* warning;
  };
  const Case cases[] = {
      {"1.2.3.:80", "[Corvane]\r\nErrorProxy=Not a proxy\r\n", "|Not a proxy"},
      {"\xff\xfe.0.0.1:80", "[Corvane]\r\nErrorProxy=Not a proxy\r\n", "|Not a proxy"},
      {"10.0.0.1:80\xc3", "[Corvane]\r\nErrorProxy=\xe4\xbb\xa3\xe7\x90\x86\r\n", "|\xe4\xbb\xa3\xe7\x90\x86"},
      {"1.2.3.:80", nullptr, "|This is not a valid proxy."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ip);
    dir.Write("Requires/proxylist.ini", "10.0.0.1:80\r\n");
    if (c.lng) {
      dir.Write("lng.ini", c.lng);
    } else {
      ::unlink((dir / "lng.ini").c_str());
    }
    warnings.clear();
    applied.clear();
    connection.setProxy(c.ip);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].substr(0, std::string(c.warning).size()), c.warning);
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(applied[0], (ProxyRecord{1, "", "<local>"}));
    EXPECT_EQ(File("proxylist.ini"), (List{"10.0.0.1:80"}));
  }
}

TEST_F(CorvaneTest, CallFromInsideTheWarningBoxDoesNotPullThePanelAway) {
  dir.Write("Requires/proxylist.ini", "10.0.0.1:80\r\n");
  // The warning box runs a nested main loop; a menu click there reaches the library
  // again and unloads the hidden panel while the outer setProxy is still using it.
  List inner;
  Environment().services.warn = [this, &inner](const std::string&, const std::string&) {
    connection.GetProxyList(inner);
  };
  connection.setProxy("1.2.3.:80");
  EXPECT_EQ(inner, (List{"10.0.0.1:80"}));
  ASSERT_EQ(applied.size(), 1u);
  EXPECT_EQ(applied[0], (ProxyRecord{1, "", "<local>"}));
  EXPECT_EQ(File("proxylist.ini"), (List{"10.0.0.1:80"}));
  EXPECT_EQ(LoadedPanel(), nullptr);
}

TEST_F(CorvaneTest, BlackListChecksAndAdditions) {
  EXPECT_FALSE(connection.inBlackList("http://a/"));
  EXPECT_NE(LoadedPanel(), nullptr);  // inBlackList keeps the panel loaded
  dir.Write("Requires/blacklist.ini", "ads\r\n\r\ncasino{*}poker");
  EXPECT_TRUE(connection.inBlackList("http://ADS.example/"));
  EXPECT_TRUE(connection.inBlackList("http://poker.casino/"));
  EXPECT_FALSE(connection.inBlackList("http://news/"));  // the blank line blocks nothing
  connection.addtoHei("http://ads.example/banner");
  EXPECT_EQ(File("blacklist.ini"), (List{"ads", "", "casino{*}poker"}));
  connection.addtoHei("http://tracker/");
  EXPECT_EQ(File("blacklist.ini"), (List{"ads", "", "casino{*}poker", "http://tracker/"}));
  EXPECT_EQ(LoadedPanel(), nullptr);
  EXPECT_TRUE(connection.inBlackList("http://tracker/"));
}

TEST_F(CorvaneTest, NavigationChecksReadTheFileOnlyWhenItChanged) {
  int reads = 0;
  Environment().black_list.read = [&reads](const std::string& path, List& list) {
    ++reads;
    return ReadListFile(path, list);
  };
  dir.Write("Requires/blacklist.ini", "aaa\r\n");
  EXPECT_TRUE(connection.inBlackList("http://aaa/"));
  EXPECT_FALSE(connection.inBlackList("http://bbb/"));
  EXPECT_EQ(reads, 1);
  // Rewritten at once to the same size, the way the panel and addtoHei write it.
  ASSERT_TRUE(WriteFileAtomic(dir / "Requires/blacklist.ini", "bbb\r\n"));
  EXPECT_TRUE(connection.inBlackList("http://bbb/"));
  EXPECT_FALSE(connection.inBlackList("http://aaa/"));
  EXPECT_EQ(reads, 2);
}

TEST_F(CorvaneTest, AddToNonProxyKeepsEveryAddress) {
  connection.addToNonProxy("127.0.0.1:8080", "127.0.0.2");
  connection.addToNonProxy("127.0.0.1:8080", "127.0.0.3");
  ASSERT_EQ(applied.size(), 2u);
  EXPECT_EQ(applied[0], (ProxyRecord{3, "http=127.0.0.1:8080", "127.0.0.2 <local>"}));
  EXPECT_EQ(applied[1], (ProxyRecord{3, "http=127.0.0.1:8080", "127.0.0.2 127.0.0.3 <local>"}));
  EXPECT_FALSE(FileExists(dir / "Requires/proxylist.ini"));
  // A choice of proxy starts from a fresh panel, whose no-proxy box is empty.
  connection.setProxy("");
  EXPECT_EQ(applied.back(), (ProxyRecord{1, "", "<local>"}));
}

TEST_F(CorvaneTest, RefusedSettingWarnsAndKeepsTheOldOne) {
  connection.setProxy("10.0.0.1:80");
  RecordingBox box;
  connection.ShowWindow(&box, "1.0.1");
  refuse = true;
  connection.setProxy("10.0.0.2:80");
  EXPECT_FALSE(LoadedPanel()->Sucess);
  EXPECT_EQ(warnings, (List{"ZOR_BROWSER PROXY SETTINGS|Refused"}));
  EXPECT_EQ(in_force.proxy, "http=10.0.0.1:80");
  LoadedPanel()->hiderun = true;
  connection.setProxy("");
  EXPECT_EQ(warnings.size(), 1u);
}

TEST_F(CorvaneTest, VisiblePanelWritesOnlyWhenClosed) {
  dir.Write("Requires/blacklist.ini", "ads\r\n");
  RecordingBox box;
  connection.ShowWindow(&box, "1.0.1");
  Panel* panel = LoadedPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(panel->Visible());
  EXPECT_EQ(panel->CurrentPage, 1);
  EXPECT_EQ(panel->ZORVersion, "1.0.1");
  connection.addtoHei("http://tracker/");
  connection.setProxy("1.2.3.:80");
  EXPECT_EQ(warnings, (List{"|Not a proxy"}));  // texts loaded while shown
  connection.setProxy("10.0.0.5:80");
  EXPECT_EQ(LoadedPanel(), panel);
  EXPECT_EQ(File("blacklist.ini"), (List{"ads"}));
  EXPECT_FALSE(FileExists(dir / "Requires/proxylist.ini"));
  EXPECT_TRUE(box.texts.empty());

  ClosePanel();
  EXPECT_EQ(File("blacklist.ini"), (List{"ads", "http://tracker/"}));
  EXPECT_EQ(File("proxylist.ini"), (List{"10.0.0.5:80"}));
  EXPECT_EQ(box.texts, (List{"ZOR_proxychange"}));
  // The browser's rebuild, run from the command, loads a fresh panel.
  EXPECT_FALSE(box.panel_loaded_when_told);
  EXPECT_EQ(LoadedPanel(), nullptr);
}

TEST_F(CorvaneTest, HiddenPanelCloseWritesAndSendsNothing) {
  connection.inBlackList("x");
  LoadedPanel()->lstHei.push_back("not saved");
  ClosePanel();
  EXPECT_FALSE(FileExists(dir / "Requires/blacklist.ini"));
  EXPECT_EQ(LoadedPanel(), nullptr);
}

TEST_F(CorvaneTest, ShowWindowWithoutPictureFailsButStaysShown) {
  ::unlink((dir / "Requires/browser.gif").c_str());
  RecordingBox box;
  EXPECT_THROW(connection.ShowWindow(&box, "1.0.1"), std::exception);
  ASSERT_NE(LoadedPanel(), nullptr);
  EXPECT_TRUE(LoadedPanel()->Visible());
  EXPECT_EQ(LoadedPanel()->MainWindowHwnd, nullptr);
}

TEST_F(CorvaneTest, DelTempOpensTheCleanerWithItsBoxes) {
  RecordingBox box;
  connection.delTemp(false, true, false, &box, "1.0.1");
  EXPECT_EQ(LoadedPanel()->CurrentPage, 3);
  EXPECT_EQ(LoadedPanel()->CleanFlags, (std::array<bool, 3>{false, true, false}));
  EXPECT_EQ(LoadedPanel()->MainWindowHwnd, &box);
}

TEST_F(CorvaneTest, RefreshShowsTheAddressesInForce) {
  in_force = {3, "http=10.0.0.1:80", "a.lan b.lan <local>"};
  RecordingBox box;
  connection.ShowWindow(&box, "1.0.1");
  EXPECT_EQ(LoadedPanel()->txtAddresses, "a.lan;b.lan");
  in_force.bypass = "<local>";
  LoadedPanel()->RefreshSettings();
  EXPECT_EQ(LoadedPanel()->txtAddresses, "a.lan;b.lan");
}

}  // namespace
}  // namespace zor::corvane
