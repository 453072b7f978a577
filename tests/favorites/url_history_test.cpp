#include "browser/favorites/url_history.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "common/temp_dir.h"

namespace zor::favorites {
namespace {

constexpr FileTime kDay = FileTime{10'000'000} * 86400;

class StoreTest : public ::testing::Test {
 protected:
  std::shared_ptr<UrlHistoryStore> NewStore(const std::string& file) {
    auto store = std::make_shared<UrlHistoryStore>(file);
    store->Report = [this](const std::string& text) { reports.push_back(text); };
    store->Clock = [this] { return now; };
    return store;
  }
  std::vector<std::string> Urls(UrlHistoryStore& store, const std::string& filter = "", uint32_t flags = 0) {
    std::vector<std::string> urls;
    for (const STATURL& r : store.EnumUrls(filter, flags)) urls.push_back(r.pwcsUrl);
    return urls;
  }
  std::vector<std::string> Urls(const CURLHistory& list) {
    std::vector<std::string> urls;
    for (const auto& item : list) urls.push_back(item->URL());
    return urls;
  }

  testing::TempDir dir;
  std::string file = dir / "profile/history.sqlite";
  FileTime now = FileTimeFromUnixSeconds(1'700'000'000);
  std::vector<std::string> reports;
};

TEST_F(StoreTest, VisitKeepsTheSevenFieldsAndARevisitUpdatesThemButKeepsTheTitle) {
  auto store = NewStore(file);
  EXPECT_FALSE(std::filesystem::exists(file)) << "nothing is opened before the first use";
  store->AddUrl("http://a.test/", std::nullopt, STATURLFLAG_ISTOPLEVEL);
  auto records = store->EnumUrls("", 0);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].cbSize, 40u);
  EXPECT_EQ(records[0].pwcsUrl, "http://a.test/");
  EXPECT_FALSE(records[0].pwcsTitle.has_value());
  EXPECT_EQ(records[0].ftLastVisited, now);
  EXPECT_EQ(records[0].ftLastUpdated, now);
  EXPECT_EQ(records[0].ftExpires, now + UrlHistoryStore::kDaysKept * kDay);
  EXPECT_EQ(records[0].dwFlags, STATURLFLAG_ISTOPLEVEL);

  store->SetTitle("http://a.test/", "A page");
  store->SetTitle("http://unknown.test/", "ignored");
  now += kDay;
  store->AddUrl("http://a.test/", std::nullopt, 0);
  records = store->EnumUrls("", 0);
  ASSERT_EQ(records.size(), 1u) << "one entry per address";
  EXPECT_EQ(records[0].pwcsTitle, "A page");
  EXPECT_EQ(records[0].ftLastVisited, now);
  EXPECT_EQ(records[0].dwFlags, 0u);
  EXPECT_TRUE(reports.empty());

  // A second store on the same file (the next run) sees the entry.
  store.reset();
  EXPECT_EQ(Urls(*NewStore(file)), std::vector<std::string>{"http://a.test/"});
}

TEST_F(StoreTest, PrefixFilterIsALiteralCaseSensitiveBytePrefix) {
  auto store = NewStore(file);
  for (const char* url : {"https://b.test/", "file:///tmp/x.html", "http://a.test/", "HTTP://upper.test/",
                          "ftp://f.test/", "http://a_b.test/", "http://aXb.test/", "htt", "http%://odd"})
    store->AddUrl(url, std::nullopt, 0);
  EXPECT_EQ(Urls(*store, "http"), (std::vector<std::string>{"http%://odd", "http://a.test/", "http://aXb.test/",
                                                            "http://a_b.test/", "https://b.test/"}));
  // No wildcard meaning for "_" or "%".
  EXPECT_EQ(Urls(*store, "http://a_"), std::vector<std::string>{"http://a_b.test/"});
  EXPECT_EQ(Urls(*store, "http%"), std::vector<std::string>{"http%://odd"});
  EXPECT_EQ(Urls(*store, "HTTP"), std::vector<std::string>{"HTTP://upper.test/"});
  EXPECT_TRUE(Urls(*store, "gopher").empty());
  EXPECT_EQ(Urls(*store).size(), 9u);
}

TEST_F(StoreTest, ListingIsInByteOrderUpperCaseFirstAndFiltersOnBytesBeyondAscii) {
  auto store = NewStore(file);
  for (const char* url : {"http://x.test/\xc3\xa9", "http://x.test/b", "http://x.test/B", "http://x.test/z",
                          "http://x.test/\xff\xff", "http://x.test/\xff"})
    store->AddUrl(url, std::nullopt, 0);
  EXPECT_EQ(Urls(*store), (std::vector<std::string>{"http://x.test/B", "http://x.test/b", "http://x.test/z",
                                                    "http://x.test/\xc3\xa9", "http://x.test/\xff",
                                                    "http://x.test/\xff\xff"}));
  EXPECT_EQ(Urls(*store, "http://x.test/\xff"),
            (std::vector<std::string>{"http://x.test/\xff", "http://x.test/\xff\xff"}));
  EXPECT_EQ(Urls(*store, "http://x.test/\xc3"), std::vector<std::string>{"http://x.test/\xc3\xa9"});
}

TEST_F(StoreTest, TopLevelQueryFlagListsOnlyTopLevelEntries) {
  auto store = NewStore(file);
  store->AddUrl("http://top.test/", std::nullopt, STATURLFLAG_ISTOPLEVEL);
  store->AddUrl("http://frame.test/", std::nullopt, STATURLFLAG_ISCACHED);
  EXPECT_EQ(Urls(*store, "", STATURL_QUERYFLAG_TOPLEVEL), std::vector<std::string>{"http://top.test/"});
}

TEST_F(StoreTest, DeleteAndClearLeaveNoAddressInTheFiles) {
  auto store = NewStore(file);
  store->AddUrl("http://secret-one.test/", std::string("Secret title"), 0);
  store->AddUrl("http://secret-two.test/", std::nullopt, 0);
  store->AddUrl("http://kept.test/", std::nullopt, 0);
  store->DeleteUrl("http://secret-one.test/", 0);
  store->DeleteUrl("http://never-there.test/", 0);
  EXPECT_EQ(Urls(*store), (std::vector<std::string>{"http://kept.test/", "http://secret-two.test/"}));
  store->ClearHistory();
  EXPECT_TRUE(Urls(*store).empty());
  std::string bytes = dir.Read("profile/history.sqlite");
  if (std::filesystem::exists(file + "-wal")) bytes += dir.Read("profile/history.sqlite-wal");
  EXPECT_EQ(bytes.find("secret-"), std::string::npos);
  EXPECT_EQ(bytes.find("Secret title"), std::string::npos);
  // The store keeps working after a clear.
  store->AddUrl("http://after.test/", std::nullopt, 0);
  EXPECT_EQ(Urls(*store), std::vector<std::string>{"http://after.test/"});
}

TEST_F(StoreTest, CorruptFileLeavesTheStoreUnavailableReportedOnceAndUntouched) {
  const std::string garbage(8192, 'x');
  const std::string corrupt = dir.Write("history.sqlite", "not a database at all" + garbage);
  auto store = NewStore(corrupt);
  EXPECT_FALSE(store->Available());
  EXPECT_THROW(store->AddUrl("http://a.test/", std::nullopt, 0), HistoryError);
  EXPECT_THROW(store->EnumUrls("", 0), HistoryError);
  EXPECT_THROW(store->ClearHistory(), HistoryError);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find(corrupt), std::string::npos) << reports[0];
  EXPECT_EQ(dir.Read("history.sqlite"), "not a database at all" + garbage);
  CURLHistory list(store);
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(StoreTest, UnopenablePathsLeaveTheStoreUnavailable) {
  const std::string not_a_folder = dir.Write("plain-file", "data");
  EXPECT_FALSE(NewStore(not_a_folder + "/history.sqlite")->Available());
  std::filesystem::create_directory(dir / "a-folder");
  EXPECT_FALSE(NewStore(dir / "a-folder")->Available());
  EXPECT_EQ(reports.size(), 2u) << "once per store";
  EXPECT_EQ(dir.Read("plain-file"), "data");
}

TEST_F(StoreTest, UnwritableFileOrFolderLeavesTheStoreUnavailable) {
  if (testing::RunningAsRoot()) GTEST_SKIP() << "root writes anywhere";
  NewStore(file)->AddUrl("http://a.test/", std::nullopt, 0);
  ASSERT_EQ(::chmod(file.c_str(), 0400), 0);
  auto read_only = NewStore(file);
  EXPECT_FALSE(read_only->Available());
  EXPECT_EQ(reports.size(), 1u);

  const std::string locked = dir / "locked";
  std::filesystem::create_directory(locked);
  ASSERT_EQ(::chmod(locked.c_str(), 0500), 0);
  auto in_locked = NewStore(locked + "/history.sqlite");
  EXPECT_FALSE(in_locked->Available());
  EXPECT_EQ(reports.size(), 2u);
}

TEST_F(StoreTest, StoreWithoutFileIsSilentlyUnavailableAndPathIsFixedAtFirstUse) {
  auto none = NewStore("");
  EXPECT_FALSE(none->Available());
  EXPECT_TRUE(reports.empty());
  none->SetPath(file);
  EXPECT_FALSE(none->Available()) << "the path is taken only before the first use";

  auto later = NewStore("");
  later->SetPath(file);
  EXPECT_TRUE(later->Available());
}

TEST(LocalTimeTest, StoredUtcTimeReadsAsLocalCalendarTime) {
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  ::setenv("TZ", "JST-9", 1);
  ::tzset();
  // 1971-01-01 00:00:00.250 UTC is 09:00 in Tokyo.
  const LocalTime t = ToLocalTime(FileTimeFromUnixSeconds(365 * 86400) + 2'500'000);
  if (old)
    ::setenv("TZ", saved.c_str(), 1);
  else
    ::unsetenv("TZ");
  ::tzset();
  EXPECT_EQ(t, (LocalTime{1971, 1, 1, 9, 0, 0, 250}));
  EXPECT_EQ(t.DateText(), "1971-01-01");
}

TEST_F(StoreTest, ListIsASnapshotChangedOnlyByItsOwnOperations) {
  auto store = NewStore(file);
  store->AddUrl("http://b.test/", std::nullopt, 0);
  const FileTime a_visited = now += kDay;
  store->AddUrl("http://a.test/", std::string("Title A"), 0);
  now += kDay;
  store->AddUrl("file:///home/x", std::nullopt, 0);
  int pending = 0;
  CURLHistory list(store, [&] { ++pending; });
  EXPECT_EQ(pending, 1) << "pending messages run once before the sort of the first refresh";
  EXPECT_EQ(Urls(list), (std::vector<std::string>{"file:///home/x", "http://a.test/", "http://b.test/"}));

  list.Refresh("http", 0);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Item(1)->Title(), "Title A");
  EXPECT_EQ(list.Item(2)->Title(), "") << "no title reads as empty";
  EXPECT_EQ(list.Item(1)->LastVisited(), ToLocalTime(a_visited)) << "its own visit, in local time";
  EXPECT_THROW(list.Item(0), std::out_of_range);
  EXPECT_THROW(list.Item(3), std::out_of_range);
  EXPECT_THROW(list.Remove(3), std::out_of_range);

  list.AddURL("http://c.test/", "C", 0);
  EXPECT_EQ(list.Count(), 2) << "adding does not refresh";
  const auto kept = list.Item(1);
  list.Remove(1);
  EXPECT_EQ(Urls(list), std::vector<std::string>{"http://b.test/"}) << "removal does not refresh";
  EXPECT_EQ(kept->URL(), "http://a.test/") << "an item lives while a caller holds it";
  EXPECT_EQ(Urls(*store), (std::vector<std::string>{"file:///home/x", "http://b.test/", "http://c.test/"}));

  list.DeleteURL("http://b.test/", 0);
  EXPECT_EQ(Urls(list), (std::vector<std::string>{"file:///home/x", "http://c.test/"}))
      << "deleting by address refreshes with an empty filter";
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(Urls(*store).empty());
}

TEST_F(StoreTest, ListOverAFailingStoreIsEmptyAndItsChangesAreErrors) {
  CURLHistory none(nullptr);
  EXPECT_EQ(none.Count(), 0);
  EXPECT_THROW(none.AddURL("http://a.test/", "", 0), HistoryError);
  EXPECT_THROW(none.Clear(), HistoryError);

  const std::string corrupt = dir.Write("bad.sqlite", std::string(4096, '\x01'));
  CURLHistory bad(NewStore(corrupt));
  EXPECT_EQ(bad.Count(), 0);
  EXPECT_THROW(bad.AddURL("http://a.test/", "", 0), HistoryError);
  EXPECT_THROW(bad.DeleteURL("http://a.test/", 0), HistoryError);
  EXPECT_THROW(bad.Clear(), HistoryError);
}

}  // namespace
}  // namespace zor::favorites
