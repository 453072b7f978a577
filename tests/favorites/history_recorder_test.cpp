#include "browser/favorites/history_recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/temp_dir.h"

namespace zor::favorites {
namespace {

class RecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    recorder.SetFile(file);
    recorder.Store()->Report = [this](const std::string& text) { reports.push_back(text); };
  }
  // Address and title of every entry, as "url|title" ("-" for none).
  std::vector<std::string> Entries() {
    std::vector<std::string> entries;
    for (const STATURL& r : recorder.Store()->EnumUrls("", 0))
      entries.push_back(r.pwcsUrl + "|" + r.pwcsTitle.value_or("-"));
    return entries;
  }

  testing::TempDir dir;
  std::string file = dir / "history.sqlite";
  HistoryRecorder recorder;
  std::vector<std::string> reports;
};

TEST_F(RecorderTest, CommittedPagesAreVisitsButNotTheSinkBlankPagesOrHugeAddresses) {
  recorder.OnNavigateComplete(0, "http://refused.test/");
  recorder.OnNavigateComplete(1, "about:blank");
  recorder.OnNavigateComplete(1, "");
  recorder.OnNavigateComplete(2, "data:text/html," + std::string(HistoryRecorder::kMaxUrlBytes, 'x'));
  EXPECT_FALSE(std::filesystem::exists(file)) << "nothing to record opens nothing";
  recorder.OnNavigateComplete(1, "http://a.test/");
  recorder.OnNavigateComplete(2, "data:text/html,small");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"data:text/html,small|-", "http://a.test/|-"}));
  EXPECT_EQ(recorder.Store()->EnumUrls("", STATURL_QUERYFLAG_TOPLEVEL).size(), 2u);
}

TEST_F(RecorderTest, TitleGoesToTheAddressItsPageCommittedLast) {
  recorder.OnTitleChange(1, "before any commit");
  recorder.OnNavigateComplete(1, "http://a.test/");
  recorder.OnNavigateComplete(2, "http://b.test/");
  recorder.OnTitleChange(1, "A");
  recorder.OnTitleChange(2, "B");
  recorder.OnTitleChange(0, "sink");
  recorder.OnNavigateComplete(1, "http://c.test/");
  recorder.OnTitleChange(1, "");  // the new document's title is not known yet
  EXPECT_EQ(Entries(), (std::vector<std::string>{"http://a.test/|A", "http://b.test/|B", "http://c.test/|-"}));
  // A revisit keeps the title until the page says another.
  recorder.OnNavigateComplete(3, "http://a.test/");
  recorder.OnNavigateComplete(1, "about:blank");
  recorder.OnTitleChange(1, "blank title");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"http://a.test/|A", "http://b.test/|B", "http://c.test/|-"}));
}

TEST_F(RecorderTest, ClearEmptiesTheStoreAndFailsOnlyWhenAFileCannotBeCleared) {
  recorder.OnNavigateComplete(1, "http://a.test/");
  EXPECT_EQ(recorder.ClearHistory(), "");
  EXPECT_TRUE(Entries().empty());

  HistoryRecorder without_file;
  EXPECT_EQ(without_file.ClearHistory(), "");

  HistoryRecorder corrupt;
  corrupt.Store()->Report = [this](const std::string& text) { reports.push_back(text); };
  corrupt.SetFile(dir.Write("bad.sqlite", std::string(4096, 'z')));
  corrupt.OnNavigateComplete(1, "http://a.test/");  // dropped, reported once
  EXPECT_NE(corrupt.ClearHistory(), "");
  EXPECT_EQ(reports.size(), 1u);
  EXPECT_EQ(dir.Read("bad.sqlite"), std::string(4096, 'z'));
}

}  // namespace
}  // namespace zor::favorites
