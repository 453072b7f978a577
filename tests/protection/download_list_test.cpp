// The downloads window's model: sizes and speeds as text, progress as reports come in,
// the names a download is written under, and what each state lets the user do.
#include "browser/protection/download_list.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace zor::testing {
namespace {

using protection::DownloadList;
using protection::DownloadState;

DownloadList English() {
  return DownloadList([](const char*, const char* fallback) { return std::string(fallback); });
}

TEST(DownloadList, SizesAndSpeedsReadAsAUserExpects) {
  const struct {
    int64_t bytes;
    const char* text;
  } cases[] = {
      {-5, "0 B"},
      {0, "0 B"},
      {1023, "1023 B"},
      {1024, "1.0 KB"},
      {1536, "1.5 KB"},
      {1048575, "1.0 MB"},
      {5 * 1048576, "5.0 MB"},
      {1288490189, "1.2 GB"},
      {int64_t{3} << 40, "3.0 TB"},
      {int64_t{5000} << 40, "5000.0 TB"},
  };
  for (const auto& c : cases) EXPECT_EQ(protection::FormatSize(c.bytes), c.text) << c.bytes;
  EXPECT_EQ(protection::FormatSpeed(1.5 * 1048576), "1.5 MB/s");
  EXPECT_EQ(protection::FormatSpeed(-1), "0 B/s");
}

TEST(DownloadList, SpeedFollowsTheLastSecondsAndTheWindowIsNotFlooded) {
  DownloadList list = English();
  list.Add(1, "a.bin", "/d/a.bin");
  const struct {
    double at;
    int64_t received;
    bool shown;  // the window redraws
    double speed;
  } steps[] = {
      {10.0, 0, true, 0},              // first report: shown, no speed yet
      {10.1, 100000, false, 1000000},  // too soon to redraw
      {10.5, 500000, true, 1000000},
      {11.0, 1000000, true, 1000000},
      {13.0, 1000000, true, 1000000 / 3.0},   // stalled: the window still spans 10.0..13.0
      {16.0, 1000000, true, 0},               // stalled for longer than the window
      {16.2, 2000000, false, 1000000 / 3.2},  // moving again: measured from 13.0
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.at);
    EXPECT_EQ(list.Progress(1, s.received, 4000000, s.at), s.shown);
    EXPECT_NEAR(list.Find(1)->speed, s.speed, 1);
  }
  // Complete: shown at once, however soon.
  EXPECT_TRUE(list.Progress(1, 4000000, 4000000, 16.21));
}

TEST(DownloadList, EachStateShowsItsProgressDetailAndButtons) {
  DownloadList list = English();
  for (int id = 1; id <= 5; ++id) list.Add(id, "f" + std::to_string(id), "/d/f" + std::to_string(id));
  list.Progress(1, 1048576, 4194304, 1.0);
  list.Progress(1, 2097152, 4194304, 2.0);
  list.Progress(2, 2048, 0, 1.0);  // size not told
  list.Progress(3, 100, 200, 1.0);
  list.Finish(3, "/d/f3 (2)");
  list.End(4, DownloadState::kCancelled, "The download of f4 was cancelled.");
  list.End(5, DownloadState::kFailed, "The download of f5 failed: reset");
  list.End(5, DownloadState::kCancelled, "late");  // an ended download stays as it ended
  list.Finish(4, "/d/f4");                         // nor does a cancelled one complete
  EXPECT_EQ(list.Running(), 2);
  EXPECT_EQ(list.RunningText(), "2 downloads running");

  const struct {
    const char* name;
    const char* detail;
    double fraction;
    bool cancel, open;
  } expected[] = {
      // Newest first.
      {"f5", "The download of f5 failed: reset", 0, false, false},
      {"f4", "The download of f4 was cancelled.", 0, false, false},
      {"f3 (2)", "200 B, complete", 1, false, true},
      {"f2", "2.0 KB, 0 B/s", -1, true, false},
      {"f1", "2.0 MB of 4.0 MB, 1.0 MB/s", 0.5, true, false},
  };
  const auto rows = list.Rows();
  ASSERT_EQ(rows.size(), std::size(expected));
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(rows[i].name, expected[i].name);
    EXPECT_EQ(rows[i].detail, expected[i].detail);
    EXPECT_DOUBLE_EQ(rows[i].fraction, expected[i].fraction);
    EXPECT_EQ(rows[i].can_cancel, expected[i].cancel);
    EXPECT_EQ(rows[i].can_open, expected[i].open);
  }
  list.End(1, DownloadState::kCancelled, "");
  EXPECT_EQ(list.RunningText(), "1 download running");
  list.End(2, DownloadState::kFailed, "");
  EXPECT_EQ(list.RunningText(), "");
}

TEST(DownloadList, PartAndCompletedNamesNeverTakeAnExistingFile) {
  const struct {
    const char* chosen;
    std::set<std::string> existing;
    bool replace;
    const char* part;
    const char* completed;
  } cases[] = {
      {"/d/a.zip", {}, false, "/d/a.zip.part", "/d/a.zip"},
      {"/d/a.zip", {"/d/a.zip"}, true, "/d/a.zip.part", "/d/a.zip"},
      {"/d/a.zip", {"/d/a.zip", "/d/a (2).zip"}, false, "/d/a.zip.part", "/d/a (3).zip"},
      {"/d/a.zip", {"/d/a.zip.part"}, false, "/d/a.zip-2.part", "/d/a.zip"},
      {"/d/a.zip", {"/d/a.zip.part.wkdownload"}, false, "/d/a.zip-2.part", "/d/a.zip"},
      {"/d.x/README", {"/d.x/README"}, false, "/d.x/README.part", "/d.x/README (2)"},
      {"/d/.hidden", {"/d/.hidden"}, false, "/d/.hidden.part", "/d/.hidden (2)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen);
    auto exists = [&](const std::string& path) { return c.existing.count(path) > 0; };
    EXPECT_EQ(protection::PartPath(c.chosen, exists), c.part);
    EXPECT_EQ(protection::CompletedPath(c.chosen, c.replace, exists), c.completed);
  }
}

}  // namespace
}  // namespace zor::testing
