// Snavel's logic: the command line, the numbering, the archive writer read back, and whole
// saves of local pages through the real fetch.
#include "snavel/quick_save.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "e2e/support/loopback_server.h"
#include "snavel/fetch.h"
#include "snavel/mhtml.h"
#include "snavel/page_resources.h"

namespace zor::snavel {
namespace {

TEST(SnavelCommandLine, NeedsTheUrlPrefixAndDropsEveryUrlText) {
  struct Case {
    std::vector<std::string> arguments;
    std::optional<std::string> url;
  };
  const Case cases[] = {
      {{"url:http://127.0.0.1:8080/a b"}, "http://127.0.0.1:8080/a b"},
      {{"url:http://127.0.0.1/?next=url:ftp://127.0.0.1/url:"}, "http://127.0.0.1/?next=ftp://127.0.0.1/"},
      {{"url:"}, ""},
      {{"URL:http://127.0.0.1/"}, std::nullopt},
      {{" url:http://127.0.0.1/"}, std::nullopt},
      {{"http://127.0.0.1/", "url:http://127.0.0.1/"}, std::nullopt},
      {{}, std::nullopt},
  };
  for (const Case& c : cases) {
    const auto request = ParseCommandLine(c.arguments);
    ASSERT_EQ(request.has_value(), c.url.has_value()) << (c.arguments.empty() ? "" : c.arguments[0]);
    if (request) {
      EXPECT_EQ(request->target_url, *c.url);
      EXPECT_EQ(request->network.proxy, "");
    }
  }
  const auto proxied = ParseCommandLine(
      {"url:http://127.0.0.1/", "proxy:socks5://127.0.0.1:1080", "noproxy:localhost,127.0.0.2", "other"});
  ASSERT_TRUE(proxied);
  EXPECT_EQ(proxied->network.proxy, "socks5://127.0.0.1:1080");
  EXPECT_EQ(proxied->network.no_proxy, "localhost,127.0.0.2");
}

TEST(SnavelNumbering, OneMoreThanTheLargestNumberedName) {
  struct Case {
    std::vector<std::string> names;
    std::optional<uint64_t> next;
  };
  const Case cases[] = {
      {{}, 1},
      {{"QuickSaved9.MHT", "QuickSaved10.MHT"}, 11},
      {{"QuickSaved2.MHT", "QuickSaved.MHT", "QuickSavedX.MHT", "QuickSaved-4.MHT", "QuickSaved 5.MHT",
        "quicksaved50.mht", ".QuickSaved40.MHT", "QuickSave.dat", "QuickSaved7.tar.gz", "QuickSaved3"},
       8},
      {{"QuickSaved007.MHT"}, 8},
      {{"QuickSaved99999999999999999999999.MHT", "QuickSaved1.MHT"}, 2},  // too large to be a number
      {{"QuickSaved18446744073709551615.MHT"}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(NextArchiveNumber(c.names), c.next) << ::testing::PrintToString(c.names);
  EXPECT_EQ(ArchiveName(12), "QuickSaved12.MHT");
}

TEST(SnavelPage, PicturesAndStyleSheetsResolvedAgainstTheBase) {
  const std::string html = R"(<html><head><base href="/base/"><title>T &amp; U</title>
    <link rel="icon" href="icon.png"><link rel="Alternate STYLESHEET" href="../s.css#top">
    </head><body><img src=" a.png "><img src="a.png#again"><img src="data:image/png;base64,AA==">
    <img src="file:///etc/passwd"><img src=""><img src="ftp://127.0.0.1/f.gif"></body></html>)";
  const PageContents page = ReadPage(html, "http://127.0.0.1:8080/dir/page.html");
  EXPECT_EQ(page.title, "T & U");
  EXPECT_EQ(page.resources, (std::vector<std::string>{"http://127.0.0.1:8080/s.css", "http://127.0.0.1:8080/base/a.png",
                                                      "ftp://127.0.0.1/f.gif"}));
  // A local page may take local files with it.
  EXPECT_EQ(ReadPage(R"(<img src="pic.png">)", "file:///tmp/site/p.html").resources,
            std::vector<std::string>{"file:///tmp/site/pic.png"});
}

// The archive's parts as a reader decodes them: location → (type, body).
std::map<std::string, std::pair<std::string, std::string>> ReadArchive(const std::string& mhtml) {
  const size_t b = mhtml.find("boundary=\"") + 10;
  const std::string delimiter = "\r\n--" + mhtml.substr(b, mhtml.find('"', b) - b);
  auto hex = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
  std::map<std::string, std::pair<std::string, std::string>> parts;
  for (size_t at = mhtml.find(delimiter); mhtml.compare(at + delimiter.size(), 2, "--") != 0;) {
    const size_t head = at + delimiter.size() + 2;
    const size_t body = mhtml.find("\r\n\r\n", head) + 4;
    const size_t end = mhtml.find(delimiter, body);
    const std::string headers = mhtml.substr(head, body - head);
    const std::string encoded = mhtml.substr(body, end - body);
    auto header = [&](const std::string& name) {
      const size_t h = headers.find(name + ": ") + name.size() + 2;
      return headers.substr(h, headers.find("\r\n", h) - h);
    };
    std::string decoded;
    if (header("Content-Transfer-Encoding") == "base64") {
      const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
      unsigned bits = 0, count = 0;
      for (const char c : encoded) {
        if (alphabet.find(c) == std::string::npos) continue;
        bits = bits << 6 | static_cast<unsigned>(alphabet.find(c));
        if ((count += 6) >= 8) decoded += static_cast<char>(bits >> (count -= 8) & 0xff);
      }
    } else {
      for (size_t line = 0, next; line < encoded.size(); line = next + 2) {
        next = std::min(encoded.find("\r\n", line), encoded.size());
        EXPECT_LE(next - line, 76u) << "a line longer than 76";
      }
      for (size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] != '=') {
          decoded += encoded[i];
        } else if (encoded.compare(i + 1, 2, "\r\n") == 0) {
          i += 2;
        } else {
          decoded += static_cast<char>(hex(encoded[i + 1]) * 16 + hex(encoded[i + 2]));
          i += 2;
        }
      }
    }
    parts[header("Content-Location")] = {header("Content-Type"), decoded};
    at = end;
  }
  return parts;
}

TEST(SnavelArchive, EveryPartReadsBackAsItWasFetched) {
  std::string binary;
  for (int i = 0; i < 256; ++i) binary += static_cast<char>(i);
  binary += "----=_Snavel_T\r\n";
  const std::string text = std::string(200, 'x') + " = \t\nline with trailing space \r\n\xc3\xa9t\xc3\xa9 end ";
  const std::string mhtml = WriteMhtml({"Caf\xc3\xa9", "Wed, 09 Dec 2026 03:51:11 +0000", "http://127.0.0.1/"},
                                       {{"text/html; charset=utf-8", "http://127.0.0.1/", text},
                                        {"image/png", "http://127.0.0.1/p.png\r\nX-Injected: 1", binary},
                                        {"text/css", "http://127.0.0.1/s.css", ""},
                                        {"text/plain", "http://127.0.0.1/zh.txt", "\xe4\xb8\xad\xe6\x96\x87\r\n"}},
                                       "T");
  EXPECT_EQ(mhtml.find("\nX-Injected"), std::string::npos);
  EXPECT_NE(mhtml.find("Subject: =?utf-8?B?Q2Fmw6k=?=\r\n"), std::string::npos);
  EXPECT_NE(mhtml.find("Content-Type: multipart/related;\r\n\ttype=\"text/html\";"), std::string::npos);
  EXPECT_LT(mhtml.find("Content-Location: http://127.0.0.1/\r\n"), mhtml.find("Content-Location: http://127.0.0.1/p"));
  const auto parts = ReadArchive(mhtml);
  ASSERT_EQ(parts.size(), 4u);
  std::string canonical = std::string(200, 'x') + " = \t\r\nline with trailing space \r\n\xc3\xa9t\xc3\xa9 end ";
  EXPECT_EQ(parts.at("http://127.0.0.1/"), std::make_pair(std::string("text/html; charset=utf-8"), canonical));
  EXPECT_EQ(parts.at("http://127.0.0.1/p.pngX-Injected: 1").second, binary);
  EXPECT_EQ(parts.at("http://127.0.0.1/s.css").second, "");
  // Text in another script is base64, byte for byte.
  EXPECT_EQ(parts.at("http://127.0.0.1/zh.txt").second, "\xe4\xb8\xad\xe6\x96\x87\r\n");
  EXPECT_NE(mhtml.find("base64\r\nContent-Location: http://127.0.0.1/zh.txt"), std::string::npos);
  EXPECT_EQ(MailDate(0), "Thu, 01 Jan 1970 00:00:00 +0000");
}

TEST(SnavelFetch, GoesThroughTheGivenProxyOnlyNeverTheEnvironments) {
  e2e::LoopbackServer proxy(std::map<std::string, std::string>{{"http://127.0.0.1:9/page", "through the proxy"}});
  e2e::LoopbackServer site(std::map<std::string, std::string>{{"/page", "direct"}});
  ::setenv("http_proxy", proxy.Url("").c_str(), 1);
  ::setenv("HTTP_PROXY", proxy.Url("").c_str(), 1);
  ::setenv("ALL_PROXY", proxy.Url("").c_str(), 1);
  const Fetched direct = Fetcher({}).Get(site.Url("/page"), {});
  ::unsetenv("http_proxy");
  ::unsetenv("HTTP_PROXY");
  ::unsetenv("ALL_PROXY");
  EXPECT_EQ(direct.body, "direct") << direct.error;
  EXPECT_TRUE(proxy.Requests().empty());

  const Fetched proxied = Fetcher({proxy.Url(""), ""}).Get("http://127.0.0.1:9/page", {});
  EXPECT_EQ(proxied.body, "through the proxy") << proxied.error;
  const Fetched bypassed = Fetcher({proxy.Url(""), "localhost,127.0.0.1"}).Get(site.Url("/page"), {});
  EXPECT_EQ(bypassed.body, "direct") << bypassed.error;
  EXPECT_EQ(proxy.Requests().size(), 1u);
  // A site cannot send the fetch to a local file, even where a page may be one; an error status is no page.
  e2e::LoopbackServer redirect([](const e2e::HttpRequest&, const std::atomic<bool>&) {
    e2e::HttpResponse response;
    response.status = 302;
    response.headers.push_back("Location: file:///etc/hostname");
    return response;
  });
  FetchLimits local_allowed;
  local_allowed.allow_file = true;
  const Fetched moved = Fetcher({}).Get(redirect.Url("/"), local_allowed);
  EXPECT_FALSE(moved.ok);
  EXPECT_EQ(moved.body, "");
  EXPECT_EQ(Fetcher({}).Get(site.Url("/nothing"), {}).error, "The server answered 404.");
}

class SnavelSave : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "site/sub");
    std::filesystem::create_directories(saved_);
    dir_.Write("site/page.html",
               "<title>Local</title><link rel=stylesheet href=sub/s.css><p>Kept</p><img src=pic.png>"
               "<img src=gone.png>");
    dir_.Write("site/sub/s.css", "p { color: red }");
    dir_.Write("site/pic.png", std::string("\x89PNG\r\n\x1a\n\0\0", 10));
    dir_.Write("SavedFiles/QuickSave.dat", "<body></body>\r\n");
    dir_.Write("SavedFiles/QuickSaved4.MHT", "older");
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(saved_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  testing::TempDir dir_;
  std::string saved_ = dir_ / "SavedFiles/";
};

TEST_F(SnavelSave, SavesTheNextNumberAndDeletesTheMarker) {
  const std::string url = "file://" + (dir_ / "site/page.html");
  const SaveOutcome outcome = QuickSaveUrl({url, {}}, saved_);
  EXPECT_TRUE(outcome.saved);
  EXPECT_EQ(outcome.text, url + " File successfully saved to:\r\n" + saved_ + "QuickSaved5.MHT !");
  EXPECT_EQ(Names(), (std::vector<std::string>{"QuickSaved4.MHT", "QuickSaved5.MHT"}));
  const auto parts = ReadArchive(dir_.Read("SavedFiles/QuickSaved5.MHT"));
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts.at(url).first, "text/html");
  EXPECT_EQ(parts.at("file://" + (dir_ / "site/sub/s.css")).second, "p { color: red }");
  EXPECT_EQ(parts.at("file://" + (dir_ / "site/pic.png")),
            std::make_pair(std::string("image/png"), dir_.Read("site/pic.png")));
}

TEST_F(SnavelSave, AFailedSaveSaysWhyAndKeepsEverything) {
  const std::string missing = "file://" + (dir_ / "site/nothing.html");
  const SaveOutcome fetch = QuickSaveUrl({missing, {}}, saved_);
  EXPECT_FALSE(fetch.saved);
  EXPECT_EQ(fetch.text.rfind(missing + " could not be saved:\r\n", 0), 0u) << fetch.text;
  // Local files only when asked for directly, never by a redirect or an unknown scheme.
  const SaveOutcome scheme = QuickSaveUrl({"gopher://127.0.0.1/", {}}, saved_);
  EXPECT_FALSE(scheme.saved);
  const SaveOutcome folder = QuickSaveUrl({"file://" + (dir_ / "site/page.html"), {}}, dir_ / "NoSuchFolder/");
  EXPECT_FALSE(folder.saved);
  EXPECT_NE(folder.text.find(dir_ / "NoSuchFolder/"), std::string::npos) << folder.text;
  EXPECT_EQ(Names(), (std::vector<std::string>{"QuickSave.dat", "QuickSaved4.MHT"}));
}

}  // namespace
}  // namespace zor::snavel
