#include "corvane/lists.h"

#include <gtest/gtest.h>

#include "common/temp_dir.h"
#include "corvane/proxy_settings.h"

namespace zor::corvane {
namespace {

using testing::TempDir;
using List = std::vector<std::string>;

TEST(ListFile, EveryLineIsAnEntry) {
  TempDir dir;
  List list{"left over"};
  ReadListFile(dir.Write("a.ini", "one\r\n\r\ntwo\r\nlast"), list);
  EXPECT_EQ(list, (List{"one", "", "two", "last"}));
  ReadListFile(dir.Write("b.ini", "one\r\n\r\n"), list);
  EXPECT_EQ(list, (List{"one", ""}));
  ReadListFile(dir.Write("c.ini", "lf\ncr\rcrlf\r\n"), list);
  EXPECT_EQ(list, (List{"lf", "cr", "crlf"}));
  ReadListFile(dir.Write("d.ini", ""), list);
  EXPECT_TRUE(list.empty());
  list = {"stale"};
  ReadListFile(dir / "missing.ini", list);
  EXPECT_TRUE(list.empty());
}

TEST(ListFile, WritesCrLfAndReadsBackUnchanged) {
  TempDir dir;
  const List entries{"a.example{*}ads", "", "  blank edged  ", ""};
  WriteListFile(dir / "blacklist.ini", entries);
  EXPECT_EQ(dir.Read("blacklist.ini"), "a.example{*}ads\r\n\r\n  blank edged  \r\n\r\n");
  List back;
  ReadListFile(dir / "blacklist.ini", back);
  EXPECT_EQ(back, entries);
  WriteListFile(dir / "blacklist.ini", {});
  EXPECT_EQ(dir.Read("blacklist.ini"), "");
  EXPECT_THROW(WriteListFile(dir / "no/such/folder/list.ini", entries), std::runtime_error);
  EXPECT_EQ(ListFilePath("/x/Requires", "p.ini"), "/x/Requires/p.ini");
  EXPECT_EQ(ListFilePath("/x/Requires/", "p.ini"), "/x/Requires/p.ini");
}

TEST(BlackList, PatternRule) {
  EXPECT_FALSE(CheckInHei({}, "http://anything/"));
  // An entry without a marker is a substring, ignoring case.
  EXPECT_TRUE(CheckInHei({"ADS.example"}, "http://www.ads.EXAMPLE.org/x"));
  EXPECT_FALSE(CheckInHei({"ads.example"}, "http://www.ads-example.org/"));
  // Pieces in any order, overlapping allowed.
  EXPECT_TRUE(CheckInHei({"casino{*}poker"}, "http://poker.casino/"));
  EXPECT_TRUE(CheckInHei({"abc{*}bcd"}, "http://abcd/"));
  EXPECT_FALSE(CheckInHei({"casino{*}poker"}, "http://casino/"));
  EXPECT_TRUE(CheckInHei({"{*}{*}track{*}{*}"}, "http://x/TRACK"));
  // Only markers: the entry stands for itself.
  EXPECT_FALSE(CheckInHei({"{*}"}, "http://any.where/"));
  EXPECT_TRUE(CheckInHei({"{*}"}, "http://x/{*}"));
  // The marker is matched exactly; an upper-case look-alike is plain text.
  EXPECT_FALSE(CheckInHei({"a{*]b"}, "http://ab/"));
  // Later entries are tried after earlier ones fail.
  EXPECT_TRUE(CheckInHei({"nomatch", "second"}, "http://second/"));
}

TEST(BlackList, EmptyEntryMatchesNothing) {
  // A blank line in blacklist.ini must not block every page.
  EXPECT_FALSE(CheckInHei({"", "ads"}, "http://news/"));
  EXPECT_FALSE(CheckInHei({"a", ""}, ""));
  EXPECT_TRUE(CheckInHei({"", "ads"}, "http://ads/"));
  EXPECT_FALSE(PatternMatch("", "anything"));
}

TEST(ProxyEntry, SevenCharactersBeforeTheColon) {
  EXPECT_TRUE(CheckProxy("1.2.3.4:8080"));
  EXPECT_FALSE(CheckProxy("1.2.3.:8080"));
  EXPECT_TRUE(CheckProxy("proxy.lan:1@home"));
  EXPECT_FALSE(CheckProxy("1.2.3.4"));
  EXPECT_FALSE(CheckProxy(""));
  EXPECT_FALSE(CheckProxy("a:1@description with 1.2.3.4:80"));
}

TEST(ProxyRecordText, BuiltFromEntryAndAddresses) {
  EXPECT_EQ(BuildProxyRecord("", ""), (ProxyRecord{1, "", "<local>"}));
  EXPECT_EQ(BuildProxyRecord("", "1.2.3.4:80"), (ProxyRecord{3, "http=1.2.3.4:80", "<local>"}));
  EXPECT_EQ(BuildProxyRecord("a.lan;b.lan", "1.2.3.:80"), (ProxyRecord{1, "", "a.lan b.lan <local>"}));
  EXPECT_EQ(BuildProxyRecord("", "10.0.0.1:3128@office  "), (ProxyRecord{3, "http=10.0.0.1:3128@office", "<local>"}));
  EXPECT_EQ(BuildProxyRecord(";host", ""), (ProxyRecord{1, "", "host <local>"}));
}

TEST(ProxyRecordText, AddressesReadBackWithoutLocal) {
  EXPECT_EQ(AddressesFromBypass("<local>"), std::nullopt);
  EXPECT_EQ(AddressesFromBypass(""), std::nullopt);
  // The first address survives the round trip.
  EXPECT_EQ(AddressesFromBypass(BuildProxyRecord("a.lan;b.lan", "").bypass), "a.lan;b.lan");
  EXPECT_EQ(AddressesFromBypass("a  b <local>"), "a;;b");
  EXPECT_EQ(AddressesFromBypass("only"), "only");
}

}  // namespace
}  // namespace zor::corvane
