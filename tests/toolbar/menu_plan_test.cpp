#include "hosts/toolbar/menu_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zor::toolbar {
namespace {

// A band from a compact layout: "-" a separator, "~x" hidden, ">x" a submenu tool,
// "!x" disabled, "*x" checked, anything else a button named and captioned so.
Band* Layout(ToolbarControl& control, const std::vector<std::string>& layout) {
  Band* band = control.addBand("sub_Test");
  band->type = kPopup;
  int n = 0;
  for (const std::string& spec : layout) {
    const bool marked = spec.size() > 1 && std::string("~>!*").find(spec[0]) != std::string::npos;
    ++n;
    Tool* tool = band->tools().add(n, spec == "-" ? "sep" + std::to_string(n) : marked ? spec.substr(1) : spec);
    tool->caption = tool->name;
    if (spec == "-") tool->control_type = kSeparator;
    if (marked && spec[0] == '~') tool->visible = false;
    if (marked && spec[0] == '>') tool->submenu = "sub_Other";
    if (marked && spec[0] == '!') tool->enabled = false;
    if (marked && spec[0] == '*') tool->checked = true;
  }
  return band;
}

std::vector<std::string> Names(const std::vector<Tool*>& tools) {
  std::vector<std::string> out;
  for (const Tool* t : tools) out.push_back(t->control_type == kSeparator ? "-" : t->name);
  return out;
}

std::vector<std::string> Names(const std::vector<ListedEntry>& entries) {
  std::vector<std::string> out;
  for (const ListedEntry& e : entries) out.push_back(e.tool);
  return out;
}

TEST(MenuPlan, AMenuPastItsCapEndsInAListOfEveryEntryThatCanBeChosen) {
  struct Case {
    const char* what;
    std::vector<std::string> layout;
    std::vector<std::string> shown, listed;
  };
  const std::vector<Case> cases = {
      {"exactly the cap fits, separators are free", {"a", "-", "b", "c"}, {"a", "-", "b", "c"}, {}},
      {"hidden tools take no room", {"a", "~h", "b", "~i", "c", "-"}, {"a", "b", "c", "-"}, {}},
      {"one over: the first three, no separator left hanging, then all",
       {"a", "b", "*c", "-", "d", "~h", ">sub", "!e"},
       {"a", "b", "c"},
       {"a", "b", "c", "d", "e"}},
      {"a submenu counts as an entry but is not listed", {">s", "a", "b", "c"}, {"s", "a", "b"}, {"a", "b", "c"}},
  };
  for (const Case& c : cases) {
    ToolbarControl control;
    const MenuPlan plan = PlanMenu(*Layout(control, c.layout), 3);
    EXPECT_EQ(Names(plan.shown), c.shown) << c.what;
    EXPECT_EQ(Names(plan.listed), c.listed) << c.what;
  }
}

TEST(MenuPlan, ListedEntriesCarryStateAndFindTheirToolAfterTheBandChanged) {
  ToolbarControl control;
  Band* band = Layout(control, {"a", "!b", "*c", "d"});
  band->tools().at(2)->caption = "Save _As";
  const MenuPlan plan = PlanMenu(*band, 1);
  ASSERT_EQ(plan.listed.size(), 4u);
  EXPECT_FALSE(plan.listed[1].enabled);
  EXPECT_TRUE(plan.listed[2].checked);
  EXPECT_EQ(plan.listed[2].label, "Save As") << "mnemonics are not shown in the list";

  EXPECT_EQ(ListedTool(*band, plan.listed[3]), band->tools().at(3));
  band->tools().remove(0);
  EXPECT_EQ(ListedTool(*band, plan.listed[3]), band->tools().item("d")) << "found by name once its place moved";
  band->tools().removeAll();
  EXPECT_EQ(ListedTool(*band, plan.listed[3]), nullptr);
}

TEST(MenuPlan, TheListFiltersByAnyPartOfTheLabelIgnoringCase) {
  std::vector<ListedEntry> entries;
  for (const char* label : {"127.0.0.1:8080", "Proxy.Example:3128", "代理服务器:80", "_", ""})
    entries.push_back({0, "t", label, false, true});
  const struct {
    const char* query;
    std::vector<size_t> matches;
  } cases[] = {
      {"", {0, 1, 2, 3, 4}}, {"EXAMPLE", {1}}, {":80", {0, 2}}, {"服务", {2}}, {"_", {3}}, {"nothing", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(FilterEntries(entries, c.query), c.matches) << c.query;
}

TEST(MenuPlan, AHundredThousandEntriesArePlannedAndFiltered) {
  ToolbarControl control;
  Band* band = control.addBand("sub_Proxylist");
  for (int i = 0; i < 100000; ++i)
    band->tools().add(3013 + i, "Proxy" + std::to_string(i + 2))->caption =
        "10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256) + ":8080";
  const MenuPlan plan = PlanMenu(*band);
  EXPECT_EQ(plan.shown.size(), kMenuEntryCap);
  ASSERT_EQ(plan.listed.size(), 100000u);
  const auto found = FilterEntries(plan.listed, "10.0.390.159:");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(plan.listed[found[0]].tool, "Proxy100001");
}

}  // namespace
}  // namespace zor::toolbar
