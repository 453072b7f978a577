#include "hosts/toolbar/menu_plan.h"

#include <algorithm>

namespace zor::toolbar {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool ContainsIgnoringCase(std::string_view text, std::string_view needle) {
  return std::search(text.begin(), text.end(), needle.begin(), needle.end(),
                     [](char a, char b) { return Lower(a) == Lower(b); }) != text.end();
}

}  // namespace

std::string ToolLabel(const Tool& tool) { return tool.caption.empty() ? tool.name : tool.caption; }

std::string PlainLabel(std::string_view label) {
  std::string out;
  out.reserve(label.size());
  for (size_t i = 0; i < label.size(); ++i) {
    if (label[i] == '_' && i + 1 < label.size()) {
      ++i;  // the marked letter, or the second of "__"
    }
    out += label[i];
  }
  return out;
}

MenuPlan PlanMenu(const Band& band, size_t cap) {
  MenuPlan plan;
  const ToolCollection& tools = band.tools();
  size_t entries = 0;
  bool full = false;
  for (int place = 0; place < tools.count(); ++place) {
    Tool* tool = tools.at(place);
    if (!tool->visible) continue;
    const bool separator = tool->control_type == kSeparator;
    if (!separator && entries == cap) {
      full = true;
      break;
    }
    plan.shown.push_back(tool);
    if (!separator) ++entries;
  }
  if (!full) return plan;
  // A separator left at the end would stand above nothing.
  while (!plan.shown.empty() && plan.shown.back()->control_type == kSeparator) plan.shown.pop_back();
  for (int place = 0; place < tools.count(); ++place) {
    const Tool* tool = tools.at(place);
    if (!tool->visible || tool->control_type == kSeparator || !tool->submenu.empty()) continue;
    plan.listed.push_back({place, tool->name, PlainLabel(ToolLabel(*tool)), tool->checked, tool->enabled});
  }
  return plan;
}

std::vector<size_t> FilterEntries(const std::vector<ListedEntry>& entries, std::string_view query) {
  std::vector<size_t> out;
  for (size_t i = 0; i < entries.size(); ++i)
    if (query.empty() || ContainsIgnoringCase(entries[i].label, query)) out.push_back(i);
  return out;
}

Tool* ListedTool(const Band& band, const ListedEntry& entry) {
  Tool* at = band.tools().at(entry.place);
  if (at && at->name == entry.tool) return at;
  return band.tools().item(entry.tool);
}

}  // namespace zor::toolbar
