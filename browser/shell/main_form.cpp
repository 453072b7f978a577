#include "browser/shell/main_form.h"

#include <cstdlib>
#include <utility>

#include "common/files.h"

namespace zor::shell {

std::string VersionText() {
  return std::to_string(ZOR_VERSION_MAJOR) + "." + std::to_string(ZOR_VERSION_MINOR) + "." +
         std::to_string(ZOR_VERSION_PATCH);
}

MainForm::MainForm(toolbar::ToolbarControl& toolbar, hosts::PageHost& pages, hosts::MainWindowHost& main_window,
                   std::string program_folder)
    : ab_Main(toolbar),
      WB(pages),
      window(main_window),
      program_folder_(std::move(program_folder)),
      folder_path_(zor::FolderPath(program_folder_)) {
  PageAtPosition.set(1, 1);
}

std::string MainForm::LngFile() const { return folder_path_ + "lng.ini"; }
std::string MainForm::BrowserIni() const { return folder_path_ + "Browser.ini"; }
std::string MainForm::LastPagesIni() const { return folder_path_ + "LastPages.ini"; }

bool MainForm::FullScreen() const {
  const toolbar::Tool* tool = ab_Main.tool("tb_Main", "b_fullscreen");
  return tool && tool->checked;
}

int MainForm::TabCount() const {
  const toolbar::Band* tabs = ab_Main.band("tb_Tabs");
  return tabs ? tabs->tools().count() : 0;
}

toolbar::Tool* MainForm::AddBandTool(const std::string& band_name, const std::string& name, int id,
                                     const std::string& control_type, const std::string& caption, bool with_image) {
  toolbar::Band* band = ab_Main.band(band_name);
  if (!band) return nullptr;
  // Created apart and inserted as a copy: the band holds the tool from now on, so
  // rebuilding a menu never piles tools up in the control's own list.
  toolbar::Tool tool(id, name);
  tool.caption = caption;
  tool.control_type = std::atoi(control_type.c_str());
  if (with_image) tool.image = PageIconImage;
  return band->tools().insert(-1, tool);
}

void MainForm::AddTabTool(const std::string& caption, int page, bool with_picture) {
  toolbar::Band* tabs = ab_Main.band("tb_Tabs");
  if (!tabs) return;
  toolbar::Tool tool(50000 + page, "tabs-" + std::to_string(page));
  tool.caption = caption;
  tool.control_type = toolbar::kButton;
  tool.style = 3;
  if (with_picture) tool.image = PageIconImage;
  tabs->tools().insert(-1, tool);
  ab_Main.recalcLayout();
}

void MainForm::AddNewPage(const std::string& url, bool foreground) {
  LastPageIndex += 1;
  const int n = LastPageIndex;
  hosts::PageControl* page = WB.Create(n);
  if (!page) return;
  if (hooks.pageCreated) hooks.pageCreated(n);
  AddTabTool("New", n, true);
  const toolbar::Tool* silent = ab_Main.tool("sub_Usetools", "b_besilent");
  page->SetSilent(silent && silent->checked);
  const int position = TabCount();
  page->SetTag(std::to_string(position));
  PageAtPosition.set(position, n);

  if (!foreground) {
    page->SetContainer(hosts::Container::kHidden);
    page->SetVisible(true);
  } else {
    if (toolbar::Tool* old_tab = ab_Main.tool("tb_Tabs", "tabs-" + std::to_string(ActivePage)))
      old_tab->checked = false;
    if (toolbar::Tool* tab = ab_Main.tool("tb_Tabs", "tabs-" + std::to_string(n))) tab->checked = true;
    page->SetVisible(true);
    if (hosts::PageControl* sink = WB.Page(0)) {
      sink->MoveToFill();
      sink->BringToFront();
    }
    page->BringToFront();
    ForwardEnabled.set(position, false);
    BackEnabled.set(position, false);
    if (hosts::PageControl* old = WB.Page(ActivePage)) old->SetContainer(hosts::Container::kHidden);
    PreviousPage = ActivePage;
    ActivePage = n;
    page->SetContainer(hosts::Container::kPageArea);
    if (hooks.attachPageCommands) hooks.attachPageCommands(n);
    page->MoveToFill();
    if (!FullScreen()) window.SetCaption(" - " + TitleText);
    window.SetAddressText("");
    if (hooks.drawProgress) hooks.drawProgress(0);
    if (hooks.clearStatus) hooks.clearStatus();
    if (hooks.updateNavigationTools) hooks.updateNavigationTools();
    if (hooks.addressBoxVisible && hooks.addressBoxVisible() && hooks.focusAddressBox) hooks.focusAddressBox();
  }

  if (!url.empty()) page->Navigate(url);
}

}  // namespace zor::shell
