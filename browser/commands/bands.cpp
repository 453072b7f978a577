#include "browser/commands/bands.h"

#include <cstdlib>
#include <string>

#include "browser/commands/default_browser.h"

namespace zor::commands {

namespace {

void SetChecked(toolbar::ToolbarControl& bars, const char* band, const char* tool, bool checked) {
  if (toolbar::Tool* t = bars.tool(band, tool)) t->checked = checked;
}

bool BandVisible(const toolbar::ToolbarControl& bars, const char* name) {
  const toolbar::Band* band = bars.band(name);
  return band && band->visible;
}

}  // namespace

void BandState::OnBandOpen(toolbar::Band& band, bool& cancel) {
  const std::string& name = band.name;
  if (name == "sub_Text") {
    const hosts::PageControl* page = c_.WB.Page(tabs_.ActivePage);
    if (page && !page->LocationURL().empty()) edit_.RefreshTextSizeTools();
  } else if (name == "sub_Edit") {
    edit_.RefreshEditTools();
  } else if (name == "sub_File") {
    edit_.SyncOfflineTools();
  } else if (name == "sub_Fav") {
    if (c_.commandHooks.updateFavoritesBand) c_.commandHooks.updateFavoritesBand();
  } else if (name == "sub_Usetools") {
    RefreshDefaultBrowserTool(c_);
  } else if (name == "sub_View") {
    SetChecked(c_.ab_Main, "sub_View", "b_toolsbarok", BandVisible(c_.ab_Main, "tb_Main"));
    SetChecked(c_.ab_Main, "sub_View", "b_addrok", BandVisible(c_.ab_Main, "tb_Addressbar"));
    SetChecked(c_.ab_Main, "sub_View", "b_statusok", BandVisible(c_.ab_Main, "sb_Status"));
  } else if (name == "SysCustomize") {
    // Over a tab the tab's own menu opens instead; its commands act on that tab's page.
    if (!tab_menu_.OverTab) return;
    tab_menu_.MenuBandFlag = false;
    cancel = true;
    if (toolbar::Band* tab_menu = c_.ab_Main.band("tab_Menu")) tab_menu->popupMenu();
  }
}

void BandState::OnBandClose(toolbar::Band& band) {
  if (band.name == "tab_Menu") {
    tab_menu_.MenuBandFlag = true;
  } else if (band.name == "tb_Leftbar") {
    SetChecked(c_.ab_Main, "tb_Main", "b_showfav", band.visible);
    SetChecked(c_.ab_Main, "tb_Main", "b_history", band.visible);
  }
}

void BandState::OnToolDblClick(toolbar::Tool& tool) {
  if (tool.name == "b_security")
    edit_.OpenInternetOptions(1);
  else
    OnToolMiddleClick(tool);
}

void BandState::OnToolMiddleClick(toolbar::Tool& tool) {
  if (tool.name.rfind("tab", 0) != 0) return;
  // Closing removes the tool: read its name first.
  const int page = tool.name.size() > 5 ? std::atoi(tool.name.c_str() + 5) : 0;
  tabs_.ClosePage(page);
}

void BandState::OnChildBandChange(toolbar::Band& band) {
  const bool history = band.name == "cbnd_History";
  c_.window.ProcessPendingEvents();
  SetChecked(c_.ab_Main, "tb_Main", "b_showfav", !history);
  SetChecked(c_.ab_Main, "tb_Main", "b_history", history);
  c_.ab_Main.recalcLayout();
  if (history && c_.commandHooks.refreshHistory) c_.commandHooks.refreshHistory(false);
}

void BandState::ShowLeftBar() {
  toolbar::Band* bar = c_.ab_Main.band("tb_Leftbar");
  if (!bar) return;
  const toolbar::Tool* fav = c_.ab_Main.tool("tb_Main", "b_showfav");
  const toolbar::Tool* history = c_.ab_Main.tool("tb_Main", "b_history");
  const bool show_fav = fav && fav->checked;
  if (show_fav || (history && history->checked)) {
    bar->visible = true;
    if (toolbar::Band* child = c_.ab_Main.band(show_fav ? "cbnd_Fav" : "cbnd_History")) bar->setCurrentChild(child);
  } else {
    bar->visible = false;
  }
  c_.ab_Main.recalcLayout();
}

}  // namespace zor::commands
