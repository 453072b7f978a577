#include "browser/favorites/history_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/temp_dir.h"

namespace zor::favorites {
namespace {

constexpr FileTime kDay = FileTime{10'000'000} * 86400;

// The tree as lines: days, "  " domains, "    " links as text=url.
std::vector<std::string> Lines(const std::vector<HistoryDay>& days) {
  std::vector<std::string> lines;
  for (const HistoryDay& day : days) {
    lines.push_back(day.key + ":" + day.text);
    for (const HistoryDomain& domain : day.domains) {
      lines.push_back("  " + domain.key + ":" + domain.text);
      for (const HistoryLink& link : domain.links) lines.push_back("    " + link.key + ":" + link.text);
    }
  }
  return lines;
}

TEST(HistoryTreeTest, DaysDomainsAndLinksFromTheSortedHttpEntries) {
  testing::TempDir dir;
  auto store = std::make_shared<UrlHistoryStore>(dir / "history.sqlite");
  store->Report = [](const std::string&) {};
  const FileTime today = FileTimeFromUnixSeconds(1'700'000'000);
  struct Visit {
    const char* url;
    const char* title;
    int days_ago;
  } visits[] = {
      {"http://example.com/a", "  A page  ", 0},
      {"http://www.example.com/b", "", 0},           // another host ending in a known domain's text
      {"http://zzz.org/?from=example.com", "Z", 0},  // a known domain's text in the query
      {"https://Zed.org/", "Upper", 1},
      {"https://zed.org/", "lower", 1},
      {"http://example.com/old", "Old", 1},
      {"file:///home/me/x.html", "local", 0},
  };
  for (const Visit& v : visits) {
    store->Clock = [&] { return today - v.days_ago * kDay; };
    store->AddUrl(v.url, *v.title ? std::optional<std::string>(v.title) : std::nullopt, STATURLFLAG_ISTOPLEVEL);
  }
  CURLHistory list(store);
  list.Refresh("http", 0);
  int pending = 0;
  auto day_text = [](const LocalTime& t) { return t.DateText(); };
  const std::string today_text = ToLocalTime(today).DateText();
  const std::string yesterday = ToLocalTime(today - kDay).DateText();
  const auto days = BuildHistoryTree(list.NewEnum(), day_text, today_text, "Today", [&] { ++pending; });

  EXPECT_EQ(Lines(days), (std::vector<std::string>{
                             "Root" + today_text + ":Today",
                             "  Domain" + today_text + "example.com:example.com",
                             "    Link1:A page",
                             "    Link3:http://www.example.com/b",
                             "    Link4:Z",
                             "Root" + yesterday + ":" + yesterday,
                             "  Domain" + yesterday + "example.com:example.com",
                             "    Link2:Old",
                             "  Domain" + yesterday + "Zed.org:Zed.org",
                             "    Link5:Upper",
                             "  Domain" + yesterday + "zed.org:zed.org",
                             "    Link6:lower",
                         }));
  EXPECT_EQ(pending, 6);
  EXPECT_EQ(days[0].domains[0].links[1].url, "http://www.example.com/b");

  EXPECT_EQ(getDomain("http://a.b/c/d"), "a.b");
  EXPECT_EQ(getDomain("https://host"), "host");
  EXPECT_EQ(getDomain("about:blank/x"), "bout:blank");
}

TEST(HistoryTreeTest, ExpiredEntriesAreRemoved) {
  testing::TempDir dir;
  UrlHistoryStore store(dir / "history.sqlite");
  FileTime now = FileTimeFromUnixSeconds(1'700'000'000);
  store.Clock = [&] { return now; };
  store.AddUrl("http://old/", std::nullopt, 0);
  now += 10 * kDay;
  store.AddUrl("http://new/", std::nullopt, 0);
  now += (UrlHistoryStore::kDaysKept - 5) * kDay;
  EXPECT_EQ(store.RemoveExpired(), 1);
  ASSERT_EQ(store.EnumUrls("", 0).size(), 1u);
  EXPECT_EQ(store.EnumUrls("", 0)[0].pwcsUrl, "http://new/");
}

}  // namespace
}  // namespace zor::favorites
