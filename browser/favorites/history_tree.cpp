#include "browser/favorites/history_tree.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <unordered_map>

#include "browser/commands/proxy_menu.h"

namespace zor::favorites {

namespace {

// The pairs of adjacent bytes a text holds, hashed into 256 bits: a text can only occur
// in an address whose pairs include all of its own.
using PairMask = std::array<uint64_t, 4>;

PairMask PairsOf(const std::string& text) {
  PairMask mask{};
  for (size_t i = 1; i < text.size(); ++i) {
    const unsigned bit = (static_cast<unsigned char>(text[i - 1]) * 31u + static_cast<unsigned char>(text[i])) & 255u;
    mask[bit >> 6] |= uint64_t{1} << (bit & 63);
  }
  return mask;
}

bool Within(const PairMask& part, const PairMask& whole) {
  return ((part[0] & ~whole[0]) | (part[1] & ~whole[1]) | (part[2] & ~whole[2]) | (part[3] & ~whole[3])) == 0;
}

// A day's domains, searchable without a text search through each of them.
struct DayIndex {
  size_t day = 0;                                // place in the tree
  std::vector<PairMask> masks;                   // per domain, in creation order
  std::unordered_map<std::string, size_t> text;  // domain text -> place
};

}  // namespace

std::string getDomain(const std::string& address) { return commands::HostPart(address); }

std::string ShortDateText(const LocalTime& time) {
  std::tm tm{};
  tm.tm_year = time.year - 1900;
  tm.tm_mon = time.month - 1;
  tm.tm_mday = time.day;
  char text[64];
  const size_t n = std::strftime(text, sizeof text, "%x", &tm);
  return n ? std::string(text, n) : time.DateText();
}

std::vector<HistoryDay> BuildHistoryTree(const HistoryEntries& entries,
                                         const std::function<std::string(const LocalTime&)>& day_text,
                                         const std::string& today, const std::string& today_label,
                                         const std::function<void()>& pending) {
  std::vector<HistoryDay> days;
  std::unordered_map<std::string, DayIndex> day_index;
  int n = 0;
  for (const auto& entry : entries) {
    if (pending) pending();
    const std::string day = day_text(entry->LastVisited());
    ++n;
    auto [found, fresh] = day_index.try_emplace(day);
    DayIndex& index = found->second;
    if (fresh) {
      index.day = days.size();
      days.push_back({"Root" + day, day == today ? today_label : day, {}});
    }
    std::vector<HistoryDomain>& domains = days[index.day].domains;
    const std::string& url = entry->URL();
    const std::string host = getDomain(url);
    // The first domain whose text occurs in the address; the one of the address's own
    // host, when there is one, is a match, so only the domains before it need a look.
    const auto own = index.text.find(host);
    size_t match = own != index.text.end() ? own->second : domains.size();
    const PairMask pairs = PairsOf(url);
    for (size_t i = 0; i < match; ++i)
      if (Within(index.masks[i], pairs) && url.find(domains[i].text) != std::string::npos) match = i;
    if (match == domains.size()) {
      domains.push_back({"Domain" + day + host, host, {}});
      index.masks.push_back(PairsOf(host));
      index.text.emplace(host, match);
    }
    HistoryDomain& domain = domains[match];
    std::string title = entry->Title();
    const size_t first = title.find_first_not_of(" \t\r\n");
    const size_t last = title.find_last_not_of(" \t\r\n");
    title = first == std::string::npos ? std::string() : title.substr(first, last - first + 1);
    domain.links.push_back({"Link" + std::to_string(n), title.empty() ? url : title, url});
  }
  return days;
}

}  // namespace zor::favorites
