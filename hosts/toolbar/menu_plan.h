// Which of a band's tools a menu shows, and the list of a menu too long to show whole.
// A toolkit builds every entry of a menu at once, which for a band of a list file (tens of
// thousands of proxies) takes minutes and gigabytes; past a few hundred entries the menu
// ends in one entry that opens a searchable list of them all instead.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/toolbar/toolbar.h"

namespace zor::toolbar {

// Entries a menu shows before it ends in the entry for the whole list.
inline constexpr size_t kMenuEntryCap = 300;

// The caption as a menu or button label (mnemonic underscores kept): the tool's name when
// it has none.
std::string ToolLabel(const Tool& tool);
// A label without its mnemonic underscores ("__" stands for one underscore).
std::string PlainLabel(std::string_view label);

// One entry of a long menu's list: the tool by its place and name in the band, as shown.
struct ListedEntry {
  int place = -1;
  std::string tool;
  std::string label;  // plain
  bool checked = false;
  bool enabled = true;
};

struct MenuPlan {
  // The tools the menu shows, in band order: hidden tools are left out, separators kept.
  std::vector<Tool*> shown;
  // Empty when the whole band fits; otherwise every entry that can be chosen (visible, not
  // a separator, not a submenu), for the list the menu's last entry opens.
  std::vector<ListedEntry> listed;
};

MenuPlan PlanMenu(const Band& band, size_t cap = kMenuEntryCap);

// Positions in `entries` whose label contains `query` (ASCII letters in any case); every
// position for an empty query.
std::vector<size_t> FilterEntries(const std::vector<ListedEntry>& entries, std::string_view query);

// The tool an entry stands for now: the tool at its place when it still has that name,
// else the first of that name; nullptr when the band no longer holds it.
Tool* ListedTool(const Band& band, const ListedEntry& entry);

}  // namespace zor::toolbar
