#include "corvane/entries.h"

#include <algorithm>

namespace zor::corvane {

namespace {

constexpr std::string_view kMarker = "{*}";

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
  auto same = [](char a, char b) { return Lower(a) == Lower(b); };
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(), same) != haystack.end();
}

}  // namespace

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool MatchesBlackListEntry(std::string_view entry, std::string_view address) {
  if (entry.empty()) return false;
  bool any_text = false;
  size_t start = 0;
  for (;;) {
    const size_t marker = entry.find(kMarker, start);
    const std::string_view piece = entry.substr(start, marker == std::string_view::npos ? entry.npos : marker - start);
    if (!piece.empty()) {
      any_text = true;
      if (!ContainsNoCase(address, piece)) return false;
    }
    if (marker == std::string_view::npos) break;
    start = marker + kMarker.size();
  }
  // Markers and nothing else: the entry stands for its own text.
  return any_text || ContainsNoCase(address, entry);
}

int FindNoCase(const std::vector<std::string>& list, std::string_view text) {
  for (size_t i = 0; i < list.size(); ++i)
    if (EqualNoCase(list[i], text)) return static_cast<int>(i);
  return -1;
}

bool InBlackList(const std::vector<std::string>& list, std::string_view address) {
  // The exact search finds the first equal entry; one at index 0 is left to the patterns.
  if (!address.empty() && FindNoCase(list, address) >= 1) return true;
  return std::any_of(list.begin(), list.end(),
                     [&](const std::string& entry) { return MatchesBlackListEntry(entry, address); });
}

bool CheckProxy(std::string_view entry) {
  const size_t colon = entry.find(':');
  if (colon == std::string_view::npos) return false;
  // Characters, not bytes: continuation bytes of UTF-8 do not count.
  size_t characters = 0;
  for (size_t i = 0; i < colon; ++i)
    if ((static_cast<unsigned char>(entry[i]) & 0xC0) != 0x80) ++characters;
  return characters >= 7;
}

}  // namespace zor::corvane
