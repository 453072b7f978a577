// The texts the export commands hand on: the links page, the mailto: address, Snavel's
// arguments and the text view's file.
#include "browser/commands/page_export.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zor::commands {
namespace {

using Documents = std::vector<std::vector<hosts::PageLink>>;

const std::string kHead = "<HTML><html><head><title>Links</Title></head>\n<body>\n";
const std::string kTail = "</body></html></HTML>\n";

std::string Line(int n, const std::string& tag, const std::string& attribute, const std::string& href) {
  return "<center><h>" + std::to_string(n) + ".&nbsp&nbsp&nbsp<" + tag + " " + attribute + "='" + href + "'>" + href +
         "</" + tag + "></h></center> \n";
}

TEST(LinksPageTest, ListsTheSelectedLinksOfThePageAndItsFrames) {
  const std::vector<hosts::PageLink> frame = {{"A", "http://f/1"}, {"A", "http://f/2"}, {"A", "http://f/3"}};
  struct Case {
    const char* name;
    Documents documents;
    std::string filter;
    std::string body;
  } cases[] = {
      {"relative links only", {{{"A", "a.html"}, {"LINK", "/style.css"}}}, "", ""},
      {"filter in any case",
       {{{"A", "http://x/A.HTM"}, {"A", "http://x/b.php"}, {"A", "c.htm"}}},
       ".htm",
       Line(1, "A", "href", "http://x/A.HTM") + Line(2, "A", "href", "c.htm")},
      {"own links, then frames numbered on from 1",
       {{{"A", "http://o/1"}, {"A", "http://o/2"}}, frame, frame},
       "",
       Line(1, "A", "href", "http://o/1") + Line(2, "A", "href", "http://o/2") + Line(1, "A", "href", "http://f/1") +
           Line(2, "A", "href", "http://f/2") + Line(3, "A", "href", "http://f/3") +
           Line(4, "A", "href", "http://f/1") + Line(5, "A", "href", "http://f/2") +
           Line(6, "A", "href", "http://f/3")},
      {"an image map's area lists its href as src",
       {{{"AREA", "http://m/zone"}, {"a", "http://svg/link"}}},
       "",
       Line(1, "AREA", "src", "http://m/zone") + Line(2, "a", "src", "http://svg/link")},
      {"an href cannot leave its attribute",
       {{{"A", "http://e/'><script>x()</script>"}}},
       "",
       Line(1, "A", "href", "http://e/&#39;&gt;&lt;script&gt;x()&lt;/script&gt;")},
  };
  for (const Case& c : cases)
    EXPECT_EQ(BuildLinksPage("Links", c.documents, c.filter), kHead + c.body + kTail) << c.name;
}

TEST(MailtoTest, EveryFieldArrivesWhole) {
  EXPECT_EQ(MailtoUri("", "Tom & Jerry #1?", "http://x/?a=1&b=2#top"),
            "mailto:?subject=Tom%20%26%20Jerry%20%231%3F&body=http%3A%2F%2Fx%2F%3Fa%3D1%26b%3D2%23top");
  EXPECT_EQ(MailtoUri("a@b.org", "", "line\nnext"), "mailto:a@b.org?subject=&body=line%0D%0Anext");
}

TEST(QuickSaveTextTest, SnavelTakesTheProxyOfTheAddressSchemeAndABlankPageIsASpace) {
  EngineProxy http_only;
  http_only.direct = false;
  http_only.scheme_uris = {{"http", "http://127.0.0.1:3128"}};
  http_only.ignore_hosts = {"localhost", "10.0.0.0/8"};
  using Args = std::vector<std::string>;
  EXPECT_EQ(SnavelArguments("http://a/?q=1", std::nullopt), Args{"url:http://a/?q=1"});
  EXPECT_EQ(SnavelArguments("HTTP://a/", http_only),
            (Args{"url:HTTP://a/", "proxy:http://127.0.0.1:3128", "noproxy:localhost,10.0.0.0/8"}));
  EXPECT_EQ(SnavelArguments("https://a/", http_only), Args{"url:https://a/"});

  EXPECT_EQ(PageTextFile("", "ignored"), " \r\n");
  EXPECT_EQ(PageTextFile("about:blank", ""), " \r\n");
  EXPECT_EQ(PageTextFile("http://a/", "Text"), "Text\r\n");
}

}  // namespace
}  // namespace zor::commands
