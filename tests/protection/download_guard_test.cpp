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
    EXPECT_EQ(host.saves.front().title, "Save Download");
    EXPECT_EQ(host.saves.front().folder, "/home/user/Downloads");
    EXPECT_EQ(host.saves.front().name, "report.pdf");
    EXPECT_TRUE(host.calls.empty()) << "nothing is written before the dialog answers";
    host.Choose(hosts::SaveChoice{"/tmp/zor-dl/report.pdf", false});
    // The engine writes beside the chosen file, under a name of its own.
    EXPECT_EQ(host.calls, std::vector<std::string>{"save " + std::to_string(id) + " /tmp/zor-dl/report.pdf.part"});
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
  EXPECT_EQ(host.calls, (std::vector<std::string>{"cancel 2", "cancel 4", "cancel 5", "save 1 /tmp/zor-dl/a.zip.part",
                                                  "cancel 6"}));
  // Allowing one download is no blanket permission: the next is asked about again.
  host.Start(7, page, "a.zip");
  EXPECT_EQ(host.asked.size(), 3u);
  for (int id : {2, 4, 5, 6}) host.events.ended(id, hosts::DownloadEnd::kCancelled, "cancelled");
  ASSERT_EQ(downloads().List().Rows().size(), 1u) << "what never ran is not listed";
  EXPECT_EQ(downloads().List().Rows()[0].name, "a.zip");
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
  EXPECT_TRUE(downloads().List().Rows().empty());
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
       "save 2 {F}/new.bin.part"},
      {"a file the dialog confirmed replacing: replaced only once complete",
       hosts::SaveChoice{chosen + "/old.bin", true}, "save 3 {F}/old.bin.part"},
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
  // The next dialog starts where the last file went, in this run and the next.
  host.Start(++id, page, "next.bin", true);
  EXPECT_EQ(host.saves.back().folder, chosen);
  EXPECT_EQ(GetProfileString(settings, "Downloads", "LastFolder", ""), chosen);
  downloads().LastFolder.clear();
  downloads().UseSettingsFile(settings);
  EXPECT_EQ(downloads().LastFolder, chosen);
}

TEST_F(Downloads, APartFileTakesTheChosenNameOnlyWhenCompleteAndEveryEndIsShown) {
  const std::filesystem::path dir = folder / "saved";
  std::filesystem::create_directories(dir);
  auto contents = [](const std::filesystem::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  struct Case {
    const char* name;
    const char* existing;  // the chosen file before the download; null: none
    bool replace;          // the dialog confirmed replacing it
    bool appears;          // a file of the chosen name appears while it runs
    hosts::DownloadEnd end;
    const char* chosen_after;  // the chosen file afterwards; null: absent
    const char* also;          // where the download went instead, if not there
    protection::DownloadState state;
    const char* detail;
  };
  const Case cases[] = {
      {"complete", nullptr, false, false, hosts::DownloadEnd::kFinished, "new", nullptr,
       protection::DownloadState::kFinished, "3 B, complete"},
      {"complete over a confirmed file", "old", true, false, hosts::DownloadEnd::kFinished, "new", nullptr,
       protection::DownloadState::kFinished, "3 B, complete"},
      {"a file appeared meanwhile: kept, the download goes beside it", nullptr, false, true,
       hosts::DownloadEnd::kFinished, "mine", "x (2).zip", protection::DownloadState::kFinished, "3 B, complete"},
      {"the connection broke: the confirmed file is untouched", "old", true, false, hosts::DownloadEnd::kNetwork, "old",
       nullptr, protection::DownloadState::kFailed, "The download of x.zip failed: reset by peer"},
      {"cancelled", nullptr, false, false, hosts::DownloadEnd::kCancelled, nullptr, nullptr,
       protection::DownloadState::kCancelled, "The download of x.zip was cancelled."},
      {"an existing file nobody confirmed is never handed over", "old", false, false, hosts::DownloadEnd::kCancelled,
       "old", nullptr, protection::DownloadState::kFailed,
       "x.zip could not be saved as {F}: a file of that name exists, or the folder cannot be written."},
  };
  int id = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string chosen = (dir / "x.zip").string();
    if (c.existing) std::ofstream(chosen) << c.existing;
    host.calls.clear();
    host.Start(++id, page, "x.zip", true);
    host.Choose(hosts::SaveChoice{chosen, c.replace});
    const std::string part = chosen + ".part";
    const bool ran = host.calls.back() == "save " + std::to_string(id) + " " + part;
    if (ran) {
      EXPECT_EQ(Tool("sb_Status", "b_dlrunning")->caption, "1 download running");
      EXPECT_TRUE(Tool("sb_Status", "b_dlrunning")->visible);
      std::ofstream(part) << "new";  // what the engine wrote
      if (c.appears) std::ofstream(chosen) << "mine";
      host.events.progress(id, 3, 3, 1.0);
    }
    host.events.ended(id, c.end, "reset by peer");
    if (c.chosen_after) {
      EXPECT_EQ(contents(chosen), c.chosen_after);
    } else {
      EXPECT_FALSE(std::filesystem::exists(chosen));
    }
    if (c.also) {
      EXPECT_EQ(contents(dir / c.also), "new");
    }
    EXPECT_FALSE(std::filesystem::exists(part));
    const protection::DownloadItem* item = downloads().List().Find(id);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->state, c.state);
    std::string detail = c.detail;
    if (const size_t at = detail.find("{F}"); at != std::string::npos) detail.replace(at, 3, chosen);
    EXPECT_EQ(downloads().List().Rows().front().detail, detail);
    EXPECT_EQ(downloads().List().Rows().front().can_open, c.state == protection::DownloadState::kFinished);
    EXPECT_FALSE(Tool("sb_Status", "b_dlrunning")->visible);
  }
}

TEST_F(Downloads, TheWindowsCancelStopsOnlyARunningDownload) {
  host.Start(1, page, "a.zip", true);
  host.Choose(hosts::SaveChoice{(folder / "a.zip").string(), false});
  host.Start(2, page, "b.zip", true);
  host.Choose(hosts::SaveChoice{(folder / "b.zip").string(), false});
  EXPECT_EQ(Tool("sb_Status", "b_dlrunning")->caption, "2 downloads running");
  host.calls.clear();
  downloads().CancelDownload(1);
  EXPECT_EQ(host.calls, std::vector<std::string>{"cancel 1"});
  host.events.ended(1, hosts::DownloadEnd::kCancelled, "");
  downloads().CancelDownload(1);  // ended: nothing to cancel
  EXPECT_EQ(host.calls.size(), 1u);
  EXPECT_EQ(Tool("sb_Status", "b_dlrunning")->caption, "1 download running");
}

TEST_F(Downloads, TheQuestionComesFromTheLanguageFile) {
  std::filesystem::copy_file(std::filesystem::path(ZOR_SOURCE_DIR) / "data" / "lng_zh.ini", folder / "lng.ini",
                             std::filesystem::copy_options::overwrite_existing);
  host.Start(1, page, "../报告.pdf");
  EXPECT_EQ(host.asked, std::vector<std::string>{"此网页要下载 _报告.pdf。是否允许？"});
  host.Answer(true);
  EXPECT_EQ(host.saves.front().title, "保存下载文件");
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
