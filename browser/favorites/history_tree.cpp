#include "browser/favorites/history_tree.h"

#include <ctime>
#include <unordered_map>

#include "browser/commands/proxy_menu.h"

namespace zor::favorites {

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
  // One index per day: only that day's domains are searched for an entry.
  std::unordered_map<std::string, size_t> day_index;
  int n = 0;
  for (const auto& entry : entries) {
    if (pending) pending();
    const std::string day = day_text(entry->LastVisited());
    ++n;
    auto [found, fresh] = day_index.try_emplace(day, days.size());
    if (fresh) days.push_back({"Root" + day, day == today ? today_label : day, {}});
    HistoryDay& node = days[found->second];
    const std::string& url = entry->URL();
    HistoryDomain* domain = nullptr;
    for (HistoryDomain& candidate : node.domains)
      if (url.find(candidate.text) != std::string::npos) {
        domain = &candidate;
        break;
      }
    if (!domain) {
      const std::string host = getDomain(url);
      domain = &node.domains.emplace_back(HistoryDomain{"Domain" + day + host, host, {}});
    }
    std::string title = entry->Title();
    const size_t first = title.find_first_not_of(" \t\r\n");
    const size_t last = title.find_last_not_of(" \t\r\n");
    title = first == std::string::npos ? std::string() : title.substr(first, last - first + 1);
    domain->links.push_back({"Link" + std::to_string(n), title.empty() ? url : title, url});
  }
  return days;
}

}  // namespace zor::favorites
