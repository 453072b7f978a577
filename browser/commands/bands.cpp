// The bars' events other than the tool click: menus about to open, bands closed,
// double clicks and the side bar's page switch. They keep the tools showing the state.
#include <cstdlib>
#include <string>

#include "browser/shell/main_form.h"

namespace zor::shell {

namespace {

void SetChecked(toolbar::ToolbarControl& bars, const char* band, const char* tool, bool checked) {
  if (toolbar::Tool* t = bars.tool(band, tool)) t->checked = checked;
}

bool BandVisible(const toolbar::ToolbarControl& bars, const char* name) {
  const toolbar::Band* band = bars.band(name);
  return band && band->visible;
}

}  // namespace

void MainForm::OnBandOpen(toolbar::Band& band, bool& cancel) {
  const std::string& name = band.name;
  if (name == "sub_Text") {
    const hosts::PageControl* page = WB.Page(ActivePage);
    if (page && !page->LocationURL().empty()) RefreshTextSizeTools();
  } else if (name == "sub_Edit") {
    RefreshEditTools();
  } else if (name == "sub_File") {
    SyncOfflineTools();
  } else if (name == "sub_Fav") {
    if (commandHooks.updateFavoritesBand) commandHooks.updateFavoritesBand();
  } else if (name == "sub_View") {
    SetChecked(ab_Main, "sub_View", "b_toolsbarok", BandVisible(ab_Main, "tb_Main"));
    SetChecked(ab_Main, "sub_View", "b_addrok", BandVisible(ab_Main, "tb_Addressbar"));
    SetChecked(ab_Main, "sub_View", "b_statusok", BandVisible(ab_Main, "sb_Status"));
  } else if (name == "SysCustomize") {
    // Over a tab the tab's own menu opens instead; its commands act on that tab's page.
    if (!OverTab) return;
    MenuBandFlag = false;
    cancel = true;
    if (toolbar::Band* tab_menu = ab_Main.band("tab_Menu")) tab_menu->popupMenu();
  }
}

void MainForm::OnBandClose(toolbar::Band& band) {
  if (band.name == "tab_Menu") {
    MenuBandFlag = true;
  } else if (band.name == "tb_Leftbar") {
    SetChecked(ab_Main, "tb_Main", "b_showfav", band.visible);
    SetChecked(ab_Main, "tb_Main", "b_history", band.visible);
  }
}

void MainForm::OnToolDblClick(toolbar::Tool& tool) {
  if (tool.name == "b_security") {
    OpenInternetOptions(1);
  } else if (tool.name.rfind("tab", 0) == 0) {
    // The handler may remove the tool: read its name first.
    const int page = tool.name.size() > 5 ? std::atoi(tool.name.c_str() + 5) : 0;
    ClosePage(page);
  }
}

void MainForm::OnChildBandChange(toolbar::Band& band) {
  const bool history = band.name == "cbnd_History";
  window.ProcessPendingEvents();
  SetChecked(ab_Main, "tb_Main", "b_showfav", !history);
  SetChecked(ab_Main, "tb_Main", "b_history", history);
  ab_Main.recalcLayout();
  if (history && commandHooks.refreshHistory) commandHooks.refreshHistory(false);
}

void MainForm::ShowLeftBar() {
  toolbar::Band* bar = ab_Main.band("tb_Leftbar");
  if (!bar) return;
  const toolbar::Tool* fav = ab_Main.tool("tb_Main", "b_showfav");
  const toolbar::Tool* history = ab_Main.tool("tb_Main", "b_history");
  const bool show_fav = fav && fav->checked;
  if (show_fav || (history && history->checked)) {
    bar->visible = true;
    if (toolbar::Band* child = ab_Main.band(show_fav ? "cbnd_Fav" : "cbnd_History")) bar->setCurrentChild(child);
  } else {
    bar->visible = false;
  }
  ab_Main.recalcLayout();
}

}  // namespace zor::shell
