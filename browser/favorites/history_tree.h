// The history panel's tree: days, under each the domains, under each the visited links.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "browser/favorites/url_history.h"

namespace zor::favorites {

struct HistoryLink {
  std::string key;   // "Link" + running number
  std::string text;  // the trimmed title, or the address when there is none
  std::string url;
};

struct HistoryDomain {
  std::string key;  // "Domain" + day + domain
  std::string text;
  std::vector<HistoryLink> links;
};

struct HistoryDay {
  std::string key;   // "Root" + day
  std::string text;  // the day, or the today label
  std::vector<HistoryDomain> domains;
};

// The host part of an address: what lies between the first "//" and the next "/".
std::string getDomain(const std::string& address);

// A date in the user's locale short format.
std::string ShortDateText(const LocalTime& time);

// The tree of the entries, in their order. A link goes under the first domain node of
// its day whose text occurs in its address, else under a new domain node; days come in
// the order their first entry comes. `day_text` names an entry's day; the day equal to
// `today` is shown as `today_label`. `pending` runs before each entry.
std::vector<HistoryDay> BuildHistoryTree(const HistoryEntries& entries,
                                         const std::function<std::string(const LocalTime&)>& day_text,
                                         const std::string& today, const std::string& today_label,
                                         const std::function<void()>& pending = {});

}  // namespace zor::favorites
