#include "browser/shell/address.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace zor::shell {

namespace {

bool HasScheme(const std::string& text) {
  // scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ) ":"
  if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return false;
  for (size_t i = 1; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == ':') return true;
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return false;
}

std::string FileUri(const std::string& path) {
  static const char* hex = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) || std::string_view("/-._~!$&'()*+,;=:@").find(static_cast<char>(c)) != std::string_view::npos) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += hex[c >> 4];
      uri += hex[c & 15];
    }
  }
  return uri;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string TrimBlanks(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

bool PortFollows(const std::string& text, size_t colon) {
  return colon != std::string::npos && colon + 1 < text.size() &&
         std::isdigit(static_cast<unsigned char>(text[colon + 1]));
}

bool StartsWithNoCase(const std::string& text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  return true;
}

// A scheme proper, not "localhost:8080/x" (a host with a port parses as a scheme too).
bool HasRealScheme(const std::string& text) { return HasScheme(text) && !PortFollows(text, text.find(':')); }

}  // namespace

const std::vector<SearchService>& SearchServices() {
  static const std::vector<SearchService> services = {
      {"DuckDuckGo", "https://duckduckgo.com/?q={query}"},
      {"Google", "https://www.google.com/search?q={query}"},
      {"Bing", "https://www.bing.com/search?q={query}"},
      {"Baidu", "https://www.baidu.com/s?wd={query}"},
  };
  return services;
}

bool UsableSearchTemplate(const std::string& search_template) {
  return search_template.find("{query}") != std::string::npos &&
         (StartsWithNoCase(search_template, "http://") || StartsWithNoCase(search_template, "https://"));
}

std::string PercentEncode(std::string_view text) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string FillSearchTemplate(const std::string& search_template, const std::string& words) {
  const std::string query = PercentEncode(words);
  std::string out;
  size_t at = 0;
  for (size_t found; (found = search_template.find("{query}", at)) != std::string::npos; at = found + 7)
    out += search_template.substr(at, found - at) + query;
  return out + search_template.substr(at);
}

bool IsSearchText(const std::string& typed) {
  const std::string text = TrimBlanks(typed);
  if (text.empty() || text[0] == '/' || text[0] == '[' || HasRealScheme(text)) return false;
  const size_t end = text.find_first_of(":/?#");
  const std::string host = text.substr(0, end);
  if (host.empty() || std::any_of(host.begin(), host.end(), IsBlank)) return true;
  if (host.find('.') != std::string::npos) return false;
  std::string lower = host;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "localhost") return false;
  // A single word names a host only when the user says so: "intranet/" or "intranet:8080".
  if (end != std::string::npos && (text[end] == '/' || PortFollows(text, end))) return false;
  return true;
}

std::string LoadableAddress(const std::string& typed, const std::string& search_template) {
  const std::string text = TrimBlanks(typed);
  if (text.empty()) return text;
  if (text[0] == '/') return FileUri(text);
  if (IsSearchText(text))
    return UsableSearchTemplate(search_template) ? FillSearchTemplate(search_template, text) : text;
  // An address with a scheme goes as typed, blanks and all.
  if (HasRealScheme(text)) return typed;
  return "http://" + text;
}

std::string StartAddress(const std::string& text, const std::string& working_folder,
                         const std::string& search_template) {
  // "docs/a.html" would otherwise read as a host name.
  if (!text.empty() && text[0] != '/' && !working_folder.empty()) {
    std::error_code error;
    const std::filesystem::path local = std::filesystem::path(working_folder) / text;
    if (std::filesystem::is_regular_file(local, error))
      return FileUri(std::filesystem::weakly_canonical(local, error).string());
  }
  return LoadableAddress(text, search_template);
}

std::string ShowBlanks(std::string address) {
  std::string shown;
  shown.reserve(address.size());
  for (size_t i = 0; i < address.size(); ++i) {
    if (address.compare(i, 3, "%20") == 0) {
      shown += ' ';
      i += 2;
    } else {
      shown += address[i];
    }
  }
  return shown;
}

}  // namespace zor::shell
