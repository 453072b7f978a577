// A fetched page from arbitrary bytes: the pictures and style sheets it names are
// absolute http, https or ftp addresses, and its archive is ASCII with lines of at most 76
// characters in its parts, whatever the page, its address or its title hold.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "snavel/mhtml.h"
#include "snavel/page_resources.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zor::snavel;
  FuzzedDataProvider in(data, size);
  const std::string location = "http://127.0.0.1/" + in.ConsumeRandomLengthString(60);
  const std::string html = in.ConsumeRemainingBytesAsString();
  const PageContents page = ReadPage(html, location);
  std::vector<MhtmlPart> parts{{"text/html", location, html}};
  for (const std::string& url : page.resources) {
    const std::string scheme = UrlScheme(url);
    Check(scheme == "http" || scheme == "https" || scheme == "ftp");
    Check(url.find('#') == std::string::npos);
    // A slice of the page as each resource's bytes: the whole page per resource made the
    // run quadratic in the input without reaching more of the writer.
    parts.push_back({"image/png", url, html.substr(0, 200)});
  }
  const std::string mhtml = WriteMhtml({page.title, MailDate(0), location}, parts, "F");
  const size_t body = mhtml.find("\r\n\r\n");
  size_t line = 0;
  for (size_t i = 0; i < mhtml.size(); ++i) {
    const auto c = static_cast<unsigned char>(mhtml[i]);
    Check(c < 0x80 && c != 0);
    if (c == '\n') Check(i > 0 && mhtml[i - 1] == '\r');
    line = c == '\n' ? 0 : line + 1;
    if (i > body && mhtml.compare(i + 1 - line, 2, "Co") != 0) Check(line <= 78);  // part headers aside
  }
  return 0;
}
