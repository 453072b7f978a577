// What a saved page needs beside its HTML: its pictures and style sheets.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zor::snavel {

struct PageContents {
  std::string title;
  // Absolute addresses, in document order, each once, without fragments.
  std::vector<std::string> resources;
};

// Reads <img src> and <link rel=stylesheet href>, resolved against <base href> or the page's
// own address. Only http, https and ftp addresses are kept, and file addresses when the page
// is a file itself: a page from the web never pulls local files into the archive.
PageContents ReadPage(std::string_view html, const std::string& page_url);

// `reference` resolved against `base`, percent-encoded, fragment dropped; empty when either
// is not a usable address.
std::string ResolveUrl(const std::string& base, const std::string& reference);

// The scheme of an absolute address in lower case ("http"), empty when there is none.
std::string UrlScheme(const std::string& url);

}  // namespace zor::snavel
