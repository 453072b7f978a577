#include "snavel/page_resources.h"

#include <curl/curl.h>
#include <gumbo.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace zor::snavel {

namespace {

struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

std::string Attribute(const GumboNode* node, const char* name) {
  const GumboAttribute* attribute = gumbo_get_attribute(&node->v.element.attributes, name);
  if (!attribute) return "";
  // Attribute values may carry surrounding white space; addresses never do.
  std::string value = attribute->value;
  const auto space = [](unsigned char c) { return std::isspace(c) != 0; };
  value.erase(value.begin(), std::find_if_not(value.begin(), value.end(), space));
  value.erase(std::find_if_not(value.rbegin(), value.rend(), space).base(), value.end());
  return value;
}

bool HasToken(const std::string& list, std::string_view token) {
  size_t at = 0;
  while (at < list.size()) {
    while (at < list.size() && std::isspace(static_cast<unsigned char>(list[at]))) ++at;
    size_t end = at;
    while (end < list.size() && !std::isspace(static_cast<unsigned char>(list[end]))) ++end;
    if (end - at == token.size() && strncasecmp(list.data() + at, token.data(), token.size()) == 0) return true;
    at = end;
  }
  return false;
}

std::string Text(const GumboNode* node) {
  std::string text;
  if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE) return node->v.text.text;
  if (node->type != GUMBO_NODE_ELEMENT) return text;
  const GumboVector& children = node->v.element.children;
  for (unsigned i = 0; i < children.length; ++i) text += Text(static_cast<const GumboNode*>(children.data[i]));
  return text;
}

struct Walk {
  std::string base_href;
  std::string title;
  std::vector<std::string> references;
};

void Visit(const GumboNode* node, Walk& walk) {
  if (node->type != GUMBO_NODE_ELEMENT) return;
  switch (node->v.element.tag) {
    case GUMBO_TAG_BASE:
      if (walk.base_href.empty()) walk.base_href = Attribute(node, "href");
      break;
    case GUMBO_TAG_TITLE:
      if (walk.title.empty()) walk.title = Text(node);
      break;
    case GUMBO_TAG_IMG:
      walk.references.push_back(Attribute(node, "src"));
      break;
    case GUMBO_TAG_LINK:
      if (HasToken(Attribute(node, "rel"), "stylesheet")) walk.references.push_back(Attribute(node, "href"));
      break;
    default:
      break;
  }
  const GumboVector& children = node->v.element.children;
  for (unsigned i = 0; i < children.length; ++i) Visit(static_cast<const GumboNode*>(children.data[i]), walk);
}

}  // namespace

std::string UrlScheme(const std::string& url) {
  const size_t colon = url.find(':');
  if (colon == 0 || colon == std::string::npos) return "";
  std::string scheme = url.substr(0, colon);
  for (char& c : scheme) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return "";
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return std::isalpha(static_cast<unsigned char>(scheme[0])) ? scheme : "";
}

std::string ResolveUrl(const std::string& base, const std::string& reference) {
  if (reference.empty()) return "";
  UrlHandle url(curl_url());
  if (!url) return "";
  const unsigned flags = CURLU_NON_SUPPORT_SCHEME | CURLU_URLENCODE;
  if (curl_url_set(url.get(), CURLUPART_URL, base.c_str(), flags) != CURLUE_OK) return "";
  if (curl_url_set(url.get(), CURLUPART_URL, reference.c_str(), flags) != CURLUE_OK) return "";
  curl_url_set(url.get(), CURLUPART_FRAGMENT, nullptr, 0);
  char* text = nullptr;
  if (curl_url_get(url.get(), CURLUPART_URL, &text, 0) != CURLUE_OK || !text) return "";
  std::string resolved = text;
  curl_free(text);
  return resolved;
}

PageContents ReadPage(std::string_view html, const std::string& page_url) {
  Walk walk;
  GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size());
  Visit(output->root, walk);
  gumbo_destroy_output(&kGumboDefaultOptions, output);

  PageContents page;
  page.title = walk.title;
  std::string base = page_url;
  if (!walk.base_href.empty()) {
    const std::string resolved = ResolveUrl(page_url, walk.base_href);
    if (!resolved.empty()) base = resolved;
  }
  const bool local_page = UrlScheme(page_url) == "file";
  for (const std::string& reference : walk.references) {
    const std::string url = ResolveUrl(base, reference);
    const std::string scheme = UrlScheme(url);
    const bool fetchable = scheme == "http" || scheme == "https" || scheme == "ftp" || (scheme == "file" && local_page);
    if (!fetchable || url == page_url) continue;
    if (std::find(page.resources.begin(), page.resources.end(), url) != page.resources.end()) continue;
    page.resources.push_back(url);
  }
  return page;
}

}  // namespace zor::snavel
