#include "corvane/lists.h"

#include <gtest/gtest.h>

#include "common/temp_dir.h"
#include "corvane/black_list.h"
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

// The prepared list gives the plain test's verdict; every case goes through both.
bool Check(const List& list, std::string_view address) {
  const bool plain = CheckInHei(list, address);
  EXPECT_EQ(BlackList(list).Blocks(address), plain) << address;
  return plain;
}

TEST(BlackList, PatternRule) {
  EXPECT_FALSE(Check({}, "http://anything/"));
  // An entry without a marker is a substring, ignoring case.
  EXPECT_TRUE(Check({"ADS.example"}, "http://www.ads.EXAMPLE.org/x"));
  EXPECT_FALSE(Check({"ads.example"}, "http://www.ads-example.org/"));
  // Pieces in any order, overlapping allowed.
  EXPECT_TRUE(Check({"casino{*}poker"}, "http://poker.casino/"));
  EXPECT_TRUE(Check({"abc{*}bcd"}, "http://abcd/"));
  EXPECT_FALSE(Check({"casino{*}poker"}, "http://casino/"));
  EXPECT_TRUE(Check({"{*}{*}track{*}{*}"}, "http://x/TRACK"));
  // Only markers: the entry stands for itself.
  EXPECT_FALSE(Check({"{*}"}, "http://any.where/"));
  EXPECT_TRUE(Check({"{*}"}, "http://x/{*}"));
  // The marker is matched exactly; an upper-case look-alike is plain text.
  EXPECT_FALSE(Check({"a{*]b"}, "http://ab/"));
  // Later entries are tried after earlier ones fail.
  EXPECT_TRUE(Check({"nomatch", "second"}, "http://second/"));
}

TEST(BlackList, EmptyEntryMatchesNothing) {
  // A blank line in blacklist.ini must not block every page.
  EXPECT_FALSE(Check({"", "ads"}, "http://news/"));
  EXPECT_FALSE(Check({"a", ""}, ""));
  EXPECT_TRUE(Check({"", "ads"}, "http://ads/"));
  EXPECT_FALSE(PatternMatch("", "anything"));
}

TEST(BlackList, PiecesFoundInsideOtherPieces) {
  // Pieces that end inside longer ones, share prefixes or follow a failed partial match.
  const List words{"he", "she", "his", "hers"};
  EXPECT_TRUE(Check(words, "USHERS"));
  EXPECT_FALSE(Check({"abcd", "bce{*}zz"}, "abce zy abc"));
  EXPECT_TRUE(Check({"abcd", "bce{*}zz"}, "abcezz"));
  EXPECT_TRUE(Check({"aab"}, "aaab"));
  EXPECT_FALSE(Check({"tracker1.example", "tracker12.example"}, "tracker1.exampl tracker12"));
  // Several entries sharing their common piece; only the complete one matches.
  const List shared{"x{*}common", "y{*}common", "common{*}z{*}w"};
  EXPECT_FALSE(Check(shared, "common here"));
  EXPECT_TRUE(Check(shared, "commonly y"));
  EXPECT_FALSE(Check(shared, "common z"));
  EXPECT_TRUE(Check(shared, "w common z"));
  EXPECT_TRUE(Check({"Ab{*}aB"}, "xAB"));  // one piece twice is one piece
  EXPECT_FALSE(Check({"\xe4\xb8\xad{*}AD"}, "\xe4\xb8"));
  EXPECT_TRUE(Check({"\xe4\xb8\xad{*}AD"}, "ad\xe4\xb8\xad"));
}

TEST(BlackListFile, ReadAgainExactlyWhenTheFileChanged) {
  std::optional<FileStamp> stamp = FileStamp{1, 10, 5, 1'700'000'000'000'000'000, 1'700'000'000'000'000'000};
  std::string text = "aaa\r\n";
  bool readable = true;
  int reads = 0;
  BlackListFile file;
  file.stamp = [&](const std::string&) { return stamp; };
  file.read = [&](const std::string&, List& list) {
    ++reads;
    list = readable ? SplitListText(text) : List{};
    return readable;
  };
  EXPECT_TRUE(file.Current("/r/blacklist.ini").Blocks("http://aaa/"));
  EXPECT_TRUE(file.Current("/r/blacklist.ini").Blocks("http://aaa/"));
  EXPECT_EQ(reads, 1) << "an unchanged file is not read again";

  // Each rewrite keeps the size and the second; one part of the stamp tells it apart.
  const struct {
    const char* change;
    void (*apply)(FileStamp&);
  } kRewrites[] = {
      {"nanoseconds of the modification", [](FileStamp& s) { s.modified_ns += 1; }},
      {"change time only (mtime set back)", [](FileStamp& s) { s.changed_ns += 1; }},
      {"replaced by rename", [](FileStamp& s) { s.inode += 1; }},
      {"other device", [](FileStamp& s) { s.device += 1; }},
  };
  for (const auto& rewrite : kRewrites) {
    text = text == "aaa\r\n" ? "bbb\r\n" : "aaa\r\n";
    rewrite.apply(*stamp);
    const std::string now = "http://" + text.substr(0, 3) + "/";
    EXPECT_TRUE(file.Current("/r/blacklist.ini").Blocks(now)) << rewrite.change;
    EXPECT_TRUE(file.Current("/r/blacklist.ini").Blocks(now)) << rewrite.change;
  }
  EXPECT_EQ(reads, 5);

  // Gone: empty, and not looked for again until it is back.
  stamp.reset();
  text.clear();
  EXPECT_FALSE(file.Current("/r/blacklist.ini").Blocks("http://aaa/"));
  EXPECT_FALSE(file.Current("/r/blacklist.ini").Blocks("http://aaa/"));
  EXPECT_EQ(reads, 6);
  // Another file is another list.
  EXPECT_FALSE(file.Current("/s/blacklist.ini").Blocks("http://aaa/"));
  EXPECT_EQ(reads, 7);
  // An unreadable file is tried again on every check.
  stamp = FileStamp{1, 11, 5, 1, 1};
  readable = false;
  EXPECT_FALSE(file.Current("/s/blacklist.ini").Blocks("http://aaa/"));
  readable = true;
  text = "aaa";
  EXPECT_TRUE(file.Current("/s/blacklist.ini").Blocks("http://aaa/"));
  EXPECT_EQ(reads, 9);
}

TEST(ProxyEntry, SevenCharactersBeforeTheColon) {
  EXPECT_TRUE(CheckProxy("1.2.3.4:8080"));
  EXPECT_FALSE(CheckProxy("1.2.3.:8080"));
  EXPECT_TRUE(CheckProxy("proxy.lan:1@home"));
  EXPECT_FALSE(CheckProxy("1.2.3.4"));
  EXPECT_FALSE(CheckProxy(""));
  EXPECT_FALSE(CheckProxy("a:1@description with 1.2.3.4:80"));
  EXPECT_FALSE(CheckProxy("10.0.0.1:80\xc3")) << "not text";
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
