// The download guard over a started form: who gets the save dialog, who gets the one
// question, what stays silent, and how names and endings are put to the user.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "browser/protection/download_guard.h"
#include "common/ini.h"
#include "fakes/fake_downloads.h"
#include "protection/protection_fixture.h"

namespace zor::testing {
namespace {

class Downloads : public ProtectionFixture {
 protected:
  void SetUp() override {
    ProtectionFixture::SetUp();
    downloads().Attach(&host);
    page = OpenShown("http://127.0.0.1/a");
  }
  void TearDown() override {
    downloads().Attach(nullptr);
    ProtectionFixture::TearDown();
  }
  protection::DownloadGuard& downloads() { return form->downloads; }
  void Click(int n, const char* type = "mousedown") { pages.events.documentEvent(n, type); }

  fakes::FakeDownloadHost host;
  int page = 0;
};

TEST_F(Downloads, AClickGoesStraightToTheSaveDialogAnythingElseIsAskedFirst) {
  struct Case {
    const char* name;
    bool engine_gesture;
    bool recent_click;
    bool asked;
  };
  const Case cases[] = {
      {"the engine saw the user's action", true, false, false},
      {"the input hook saw a click just now", false, true, false},
      {"a timer or script on its own", false, false, true},
  };
  int id = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host = {};
    downloads().Attach(&host);
    hook.recent_click = c.recent_click;
    host.Start(++id, page, "report.pdf", c.engine_gesture);
    if (c.asked) {
      ASSERT_EQ(host.asked, std::vector<std::string>{"This page wants to download report.pdf. Allow?"});
      EXPECT_EQ(host.saves_shown, 0);
      host.Answer(true);
    } else {
      EXPECT_TRUE(host.asked.empty());
    }
    ASSERT_EQ(host.saves.size(), 1u);
    EXPECT_EQ(host.saves.front().folder, "/home/user/Downloads");
    EXPECT_EQ(host.saves.front().name, "report.pdf");
    EXPECT_TRUE(host.calls.empty()) << "nothing is written before the dialog answers";
    host.Choose(hosts::SaveChoice{"/tmp/zor-dl/report.pdf", false});
    EXPECT_EQ(host.calls, std::vector<std::string>{"save " + std::to_string(id) + " /tmp/zor-dl/report.pdf"});
    downloads().LastFolder.clear();
  }
  EXPECT_EQ(hook.click_questions.back(), 55.0);
}

TEST_F(Downloads, APageThatKeepsStartingDownloadsGetsOneQuestionAtATime) {
  const int other = OpenShown("http://127.0.0.1/b");
  host.Start(1, page, "a.zip");
  host.Start(2, page, "a.zip");  // while asked: silent
  host.Start(3, other, "b.zip");  // another page has its own question
  host.Start(4, page, "a.zip");
  EXPECT_EQ(host.asked.size(), 2u);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"cancel 2", "cancel 4"}));

  host.Answer(true);  // page's question: its save dialog opens
  ASSERT_EQ(host.saves.size(), 1u);
  host.Start(5, page, "a.zip");                // while its save dialog is open: silent
  host.Start(6, page, "clicked.zip", true);    // the user's own: a dialog of its own
  EXPECT_EQ(host.asked.size(), 2u);
  EXPECT_EQ(host.saves.size(), 2u);
  EXPECT_EQ(host.calls.back(), "cancel 5");
  host.Choose(hosts::SaveChoice{"/tmp/zor-dl/a.zip", false});
  host.Choose(std::nullopt);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"cancel 2", "cancel 4", "cancel 5", "save 1 /tmp/zor-dl/a.zip",
                                                  "cancel 6"}));
  // Allowing one download is no blanket permission: the next is asked about again.
  host.Start(7, page, "a.zip");
  EXPECT_EQ(host.asked.size(), 3u);
  for (int id : {2, 4, 5, 6}) host.events.ended(id, hosts::DownloadEnd::kCancelled, "cancelled");
  EXPECT_TRUE(host.told.empty()) << "what we cancelled ourselves is not reported";
}

TEST_F(Downloads, ARefusedPageIsSilencedUntilTheUserClicksInIt) {
  host.Start(1, page, "a.exe");
  host.Answer(false);
  EXPECT_EQ(host.calls, std::vector<std::string>{"cancel 1"});
  host.Start(2, page, "a.exe");
  Click(page, "keydown");  // not a click
  host.Start(3, page, "a.exe");
  Click(OpenShown("http://127.0.0.1/b"));  // a click in another page
  host.Start(4, page, "a.exe");
  EXPECT_EQ(host.asked.size(), 1u);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"cancel 1", "cancel 2", "cancel 3", "cancel 4"}));
  EXPECT_EQ(host.saves_shown, 0);

  Click(page);
  host.Start(5, page, "a.exe");
  EXPECT_EQ(host.asked.size(), 2u);
  host.Answer(false);
  // A download the user starts himself is never held by the refusal.
  host.Start(6, page, "wanted.pdf", true);
  EXPECT_EQ(host.saves_shown, 1);
  EXPECT_TRUE(host.told.empty());
}

TEST_F(Downloads, TheSaveDialogDecidesTheFileAndItsFolderIsRemembered) {
  const std::string settings = (folder / "downloads.ini").string();
  downloads().UseSettingsFile(settings);
  std::filesystem::create_directories(folder / "chosen");
  const std::string chosen = (folder / "chosen").string();
  struct Case {
    const char* name;
    std::optional<hosts::SaveChoice> choice;
    const char* call;
  };
  const Case cases[] = {
      {"cancelled", std::nullopt, "cancel 1"},
      {"a new file: the engine may not replace anything", hosts::SaveChoice{chosen + "/new.bin", false},
       "save 2 {F}/new.bin"},
      {"an existing file the dialog confirmed", hosts::SaveChoice{chosen + "/old.bin", true},
       "save 3 {F}/old.bin replacing"},
  };
  int id = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host.Start(++id, page, "file.bin", true);
    host.Choose(c.choice);
    std::string call = c.call;
    if (const size_t at = call.find("{F}"); at != std::string::npos) call.replace(at, 3, chosen);
    EXPECT_EQ(host.calls.back(), call);
  }
  EXPECT_TRUE(host.told.empty());
  // The next dialog starts where the last file went, in this run and the next.
  host.Start(++id, page, "next.bin", true);
  EXPECT_EQ(host.saves.back().folder, chosen);
  EXPECT_EQ(GetProfileString(settings, "Downloads", "LastFolder", ""), chosen);
  downloads().LastFolder.clear();
  downloads().UseSettingsFile(settings);
  EXPECT_EQ(downloads().LastFolder, chosen);
}

TEST_F(Downloads, EndingsTheUserWaitsForAreExplained) {
  struct Case {
    const char* name;
    bool wanted;
    hosts::DownloadEnd end;
    const char* told;  // empty: nothing
  };
  const Case cases[] = {
      {"finished", true, hosts::DownloadEnd::kFinished, ""},
      {"the connection broke", true, hosts::DownloadEnd::kNetwork, "The download of x.zip failed: reset by peer"},
      {"the file could not be written", true, hosts::DownloadEnd::kDestination,
       "x.zip could not be saved as /tmp/zor-dl/x.zip: a file of that name exists, or the folder cannot be "
       "written."},
      {"cancelled elsewhere", true, hosts::DownloadEnd::kCancelled, "The download of x.zip was cancelled."},
      {"a page's own download nobody allowed", false, hosts::DownloadEnd::kNetwork, ""},
  };
  int id = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host.told.clear();
    Click(page);
    host.Start(++id, page, "x.zip", c.wanted);
    if (c.wanted) host.Choose(hosts::SaveChoice{"/tmp/zor-dl/x.zip", false});
    host.events.ended(id, c.end, "reset by peer");
    EXPECT_EQ(host.told, std::string(c.told).empty() ? std::vector<std::string>{} : std::vector<std::string>{c.told});
    if (!c.wanted) host.Answer(false);
  }
}

TEST_F(Downloads, TheQuestionComesFromTheLanguageFile) {
  std::filesystem::copy_file(std::filesystem::path(ZOR_SOURCE_DIR) / "data" / "lng_zh.ini", folder / "lng.ini",
                             std::filesystem::copy_options::overwrite_existing);
  host.Start(1, page, "../报告.pdf");
  EXPECT_EQ(host.asked, std::vector<std::string>{"此网页要下载 _报告.pdf。是否允许？"});
}

TEST(SafeFileName, NeverLeavesTheFolderHidesTheFileOrComesOutEmpty) {
  const std::string long_cjk = [] {
    std::string s;
    for (int i = 0; i < 100; ++i) s += "中";  // 300 bytes
    return s;
  }();
  const struct {
    std::string suggested, safe;
  } cases[] = {
      {"report.pdf", "report.pdf"},
      {"../x", "_x"},
      {"../../.ssh/authorized_keys", "_.._.ssh_authorized_keys"},
      {".bashrc", "bashrc"},
      {"...", "download"},
      {"", "download"},
      {"a/b", "a_b"},
      {"a\\b", "a_b"},
      {"/etc/passwd", "_etc_passwd"},
      {"报告 2024.pdf", "报告 2024.pdf"},
      {"line\nbreak\t.txt", "linebreak.txt"},
      {"name. ", "name"},
      {long_cjk, long_cjk.substr(0, 255)},
      {"a" + long_cjk, "a" + long_cjk.substr(0, 252)},
  };
  for (const auto& c : cases) EXPECT_EQ(protection::SafeFileName(c.suggested), c.safe) << c.suggested;
}

}  // namespace
}  // namespace zor::testing
