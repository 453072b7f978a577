#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_toolbar_view.h"
#include "hosts/toolbar/toolbar.h"

namespace zor::toolbar {
namespace {

std::vector<std::string> names(const std::vector<Tool*>& tools) {
  std::vector<std::string> out;
  for (Tool* t : tools) out.push_back(t->name);
  return out;
}

std::vector<std::string> names(const ToolCollection& tools) {
  std::vector<std::string> out;
  for (const auto& t : tools) out.push_back(t->name);
  return out;
}

TEST(ToolCollection, AddRemoveAndLookUpKeepBandOrder) {
  ToolbarControl c;
  Band* b = c.addBand("tb_Main");
  ToolCollection& tools = b->tools();
  Tool* back = tools.add(1, "b_back");
  tools.add(2, "b_forward");
  tools.add(3, "b_back");
  EXPECT_EQ(back->id, 1);
  EXPECT_EQ(back->band(), b);
  EXPECT_EQ(tools.count(), 3);
  EXPECT_EQ(names(tools), (std::vector<std::string>{"b_back", "b_forward", "b_back"}));

  EXPECT_EQ(tools.item("b_back"), back) << "the first of two equal names wins";
  EXPECT_EQ(tools.item("b_Back"), nullptr) << "names compare exactly";
  EXPECT_EQ(tools.item("b_"), nullptr);
  EXPECT_EQ(tools.at(-1), nullptr);
  EXPECT_EQ(tools.at(3), nullptr);
  EXPECT_EQ(tools.indexOf(tools.at(2)), 2);

  EXPECT_FALSE(tools.remove(3));
  EXPECT_FALSE(tools.remove(-1));
  EXPECT_TRUE(tools.remove(0));
  EXPECT_EQ(names(tools), (std::vector<std::string>{"b_forward", "b_back"}));
  EXPECT_EQ(tools.item("b_back")->id, 3);
  tools.removeAll();
  EXPECT_EQ(tools.count(), 0);
  EXPECT_EQ(tools.at(0), nullptr);
}

TEST(ToolCollection, InsertMakesASeparateToolInTheTargetBand) {
  ToolbarControl c;
  Band* file = c.addBand("sub_File");
  Band* status = c.addBand("sb_Status");
  Tool* original = file->tools().add(7, "b_offline");
  original->caption = "Work offline";
  original->checked = true;

  Tool* copy = status->tools().insert(-1, *original);
  ASSERT_NE(copy, original);
  EXPECT_EQ(copy->band(), status);
  EXPECT_EQ(copy->id, 7);
  EXPECT_EQ(copy->caption, "Work offline");
  EXPECT_TRUE(copy->checked);
  copy->checked = false;
  EXPECT_TRUE(original->checked) << "the same id in two bands keeps two states";

  status->tools().add(1, "a");
  status->tools().insert(1, *original);
  status->tools().insert(99, *original);
  status->tools().insert(0, *status->tools().at(2));  // a tool copied into its own band
  EXPECT_EQ(names(status->tools()),
            (std::vector<std::string>{"a", "b_offline", "b_offline", "a", "b_offline"}));
  for (const auto& t : status->tools()) EXPECT_EQ(t->band(), status);
}

TEST(ToolCollection, CopyingAToolNeverMovesIt) {
  ToolbarControl c;
  Band* a = c.addBand("a");
  Band* b = c.addBand("b");
  Tool* in_a = a->tools().add(1, "x");
  Tool* in_b = b->tools().add(2, "y");
  Tool loose = *in_a;
  EXPECT_EQ(loose.band(), nullptr);
  *in_b = *in_a;
  EXPECT_EQ(in_b->name, "x");
  EXPECT_EQ(in_b->band(), b);
}

TEST(ToolbarControl, AllToolsListsBandsInOrderThenTheOwnList) {
  ToolbarControl c;
  Band* menu = c.addBand("sub_Proxylist");
  Band* main = c.addBand("tb_Main");
  main->tools().add(1, "b_back");
  // The way the program adds a tool at run time: made in the control's list, copied into a band.
  Tool* made = c.tools().add(3011, "Proxy1");
  EXPECT_EQ(made->band(), nullptr);
  Tool* shown = menu->tools().insert(-1, *made);
  EXPECT_EQ(shown->band(), menu);
  menu->tools().add(3012, "spe_sProxy1");

  EXPECT_EQ(names(c.allTools()), (std::vector<std::string>{"Proxy1", "spe_sProxy1", "b_back", "Proxy1"}));
  EXPECT_EQ(c.allTools().back(), made);
  EXPECT_EQ(c.tool("sub_Proxylist", "Proxy1"), shown);
  EXPECT_EQ(c.tool("sub_Proxylist", "b_back"), nullptr);
  EXPECT_EQ(c.tool("sub_Missing", "Proxy1"), nullptr);
}

TEST(ToolbarControl, BandsAndToolsChangeAtRunTimeAndEachChangeCounts) {
  ToolbarControl c;
  fakes::FakeToolbarView view;
  c.setView(&view);
  Band* fav = c.addBand("sub_Fav");
  Band* sub = c.addBand("sub_Fav1");
  EXPECT_EQ(c.addBand("sub_Fav"), fav) << "an existing name gives the existing band";
  EXPECT_EQ(c.addBand(""), nullptr);
  EXPECT_EQ(c.bandAt(1), sub);
  EXPECT_EQ(c.bandAt(2), nullptr);
  auto r = c.revision();
  auto step = [&](const char* what) {
    EXPECT_EQ(c.revision(), r + 1) << what;
    r = c.revision();
  };
  sub->tools().add(1501, "fav1");
  step("add");
  sub->tools().insert(-1, *sub->tools().at(0));
  step("insert");
  sub->tools().remove(0);
  step("remove");
  c.tools().add(2, "loose");
  step("add to the control's list");
  c.tools().removeAll();
  step("removeAll");
  c.tools().removeAll();
  sub->tools().remove(5);
  EXPECT_FALSE(c.removeBand("sub_Nothing"));
  sub->caption = "changed";
  EXPECT_EQ(c.revision(), r) << "no change, no count";
  EXPECT_TRUE(c.removeBand("sub_Fav1"));
  step("removeBand");
  EXPECT_EQ(c.band("sub_Fav1"), nullptr);
  EXPECT_EQ(c.bandCount(), 1);
  EXPECT_TRUE(c.allTools().empty());
  EXPECT_EQ(view.calls, std::vector<std::string>(8, "structure"));

  // A batch counts every change but tells the view once, when the outermost one ends.
  view.calls.clear();
  {
    const ToolbarControl::Batch outer(c);
    {
      const ToolbarControl::Batch inner(c);
      for (int i = 0; i < 3; ++i) fav->tools().add(i, "p" + std::to_string(i));
    }
    fav->tools().remove(0);
    EXPECT_TRUE(view.calls.empty());
  }
  EXPECT_EQ(c.revision(), r + 4);
  EXPECT_EQ(view.calls, std::vector<std::string>{"structure"});
  { const ToolbarControl::Batch nothing(c); }
  EXPECT_EQ(view.calls.size(), 1u) << "a batch without changes tells nothing";
}

TEST(SideBar, CurrentChildFollowsChoiceAndSurvivesRemoval) {
  ToolbarControl c;
  Band* bar = c.addBand("tb_Leftbar");
  bar->type = kSideBar;
  EXPECT_EQ(bar->currentChild(), nullptr);
  Band* fav = c.addBand("cbnd_Fav");
  Band* stray = c.addBand("cbnd_Stray");  // names the bar but is no child band
  Band* hist = c.addBand("cbnd_History");
  for (Band* b : {fav, hist}) b->type = kChildBand;
  for (Band* b : {fav, stray, hist}) b->parent = "tb_Leftbar";
  EXPECT_EQ(bar->childBands(), (std::vector<Band*>{fav, hist}));
  EXPECT_EQ(bar->currentChild(), fav);

  std::vector<std::string> changes;
  c.events.childBandChange = [&](Band& b) { changes.push_back(b.name); };
  EXPECT_TRUE(bar->setCurrentChild(hist));
  EXPECT_EQ(bar->currentChild(), hist);
  EXPECT_FALSE(bar->setCurrentChild(hist)) << "no change, no event";
  EXPECT_FALSE(bar->setCurrentChild(stray));
  EXPECT_FALSE(bar->setCurrentChild(nullptr));
  EXPECT_FALSE(fav->setCurrentChild(hist));
  EXPECT_EQ(changes, (std::vector<std::string>{"cbnd_History"}));

  EXPECT_TRUE(c.removeBand(hist->name));  // the name given lives in the band removed
  EXPECT_EQ(bar->currentChild(), fav);
  Band* again = c.addBand("cbnd_History");
  again->type = kChildBand;
  again->parent = "tb_Leftbar";
  EXPECT_EQ(bar->currentChild(), fav) << "a removed choice does not come back with its name";
  EXPECT_EQ(changes.size(), 1u);
}

TEST(Events, EachEventReachesItsHandlerWithItsArgument) {
  ToolbarControl c;
  Band* band = c.addBand("sub_View");
  Tool* tool = band->tools().add(1, "b_statusok");
  std::vector<std::string> seen;
  c.events.toolClick = [&](Tool& t) { seen.push_back("click " + t.name); };
  c.events.bandOpen = [&](Band& b, bool&) { seen.push_back("open " + b.name); };
  c.events.bandClose = [&](Band& b) { seen.push_back("close " + b.name); };
  c.events.toolDblClick = [&](Tool& t) { seen.push_back("dblclick " + t.name); };
  c.events.bandResize = [&](Band& b) { seen.push_back("resize " + b.name); };
  c.events.mouseEnter = [&](Tool& t) { seen.push_back("enter " + t.name); };
  c.events.childBandChange = [&](Band& b) { seen.push_back("child " + b.name); };
  c.events.queryUnload = [&](int16_t&) { seen.push_back("unload"); };

  c.fireToolClick(*tool);
  EXPECT_FALSE(c.fireBandOpen(*band));
  c.fireBandClose(*band);
  c.fireToolDblClick(*tool);
  c.fireBandResize(*band);
  c.fireMouseEnter(*tool);
  c.fireChildBandChange(*band);
  EXPECT_FALSE(c.fireQueryUnload());
  EXPECT_EQ(seen, (std::vector<std::string>{"click b_statusok", "open sub_View", "close sub_View",
                                            "dblclick b_statusok", "resize sub_View", "enter b_statusok",
                                            "child sub_View", "unload"}));
}

TEST(Events, CancelFlagsComeBackAndNoHandlerCancelsNothing) {
  ToolbarControl c;
  Band* band = c.addBand("SysCustomize");
  Tool* tool = band->tools().add(1, "x");
  EXPECT_FALSE(c.fireBandOpen(*band));
  EXPECT_FALSE(c.fireQueryUnload());
  c.fireToolClick(*tool);  // nothing set: nothing happens
  c.fireChildBandChange(*band);

  c.events.bandOpen = [](Band& b, bool& cancel) { cancel = b.name == "SysCustomize"; };
  c.events.queryUnload = [](int16_t& cancel) { cancel = -1; };
  EXPECT_TRUE(c.fireBandOpen(*band));
  EXPECT_FALSE(c.fireBandOpen(*c.addBand("sub_File")));
  EXPECT_TRUE(c.fireQueryUnload()) << "any non-zero value cancels";
  c.events.queryUnload = [](int16_t& cancel) { cancel = 0; };
  EXPECT_FALSE(c.fireQueryUnload());
}

TEST(Events, HandlerMayRemoveItsToolOrReplaceItself) {
  ToolbarControl c;
  Band* tabs = c.addBand("tb_Tabs");
  tabs->tools().add(50001, "tabs-1");
  tabs->tools().add(50002, "tabs-2");
  int closed = 0;
  c.events.toolDblClick = [&](Tool& t) {
    tabs->tools().remove(tabs->tools().indexOf(&t));
    ++closed;
  };
  c.fireToolDblClick(*tabs->tools().at(0));
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(names(tabs->tools()), (std::vector<std::string>{"tabs-2"}));

  int calls = 0;
  c.events.toolClick = [&](Tool&) {
    ++calls;
    c.events.toolClick = nullptr;
  };
  c.fireToolClick(*tabs->tools().at(0));
  c.fireToolClick(*tabs->tools().at(0));
  EXPECT_EQ(calls, 1);
}

TEST(View, RequestsReachTheViewAndAreHarmlessWithout) {
  ToolbarControl c;
  Band* menu = c.addBand("tab_Menu");
  c.recalcLayout();
  c.redraw();
  menu->popupMenu();

  fakes::FakeToolbarView view;
  c.setView(&view);
  c.recalcLayout();
  c.redraw();
  menu->popupMenu();
  EXPECT_EQ(view.calls, (std::vector<std::string>{"recalc", "redraw", "popup tab_Menu"}));
  c.setView(nullptr);
  c.redraw();
  EXPECT_EQ(view.calls.size(), 3u);
}

}  // namespace
}  // namespace zor::toolbar
