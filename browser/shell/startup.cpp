// The start-up sequence of the main window: its order matters, later steps use bands
// and tools that earlier steps created or retitled.
#include <algorithm>
#include <string>

#include "browser/shell/address.h"
#include "browser/shell/main_form.h"
#include "common/files.h"
#include "common/text_width.h"

namespace zor::shell {

namespace {

void Run(const std::function<void()>& hook) {
  if (hook) hook();
}

}  // namespace

bool MainForm::StartUp(const std::string& command_line) {
  const std::string skin = folder_path_ + "default.tb2";
  if (!FileExists(skin)) {
    window.MessageBox("Cannot find skin file:default.tb2");
    return false;
  }
  std::string error;
  if (!ab_Main.loadLayout("", skin, 1, &error)) {
    window.MessageBox("The skin file cannot be used:\n" + error);
    return false;
  }
  ApplyLanguage();
  window.AddAddressItem("About:Blank");
  Run(hooks.createSidePanel);
  Run(hooks.dockControls);
  LoadTypedUrls();
  LoadSettings();
  Run(hooks.buildFavorites);
  Run(hooks.createPageCommands);

  if (hosts::PageControl* sink = WB.Page(0)) {
    sink->SetRegisterAsDropTarget(false);
    if (sink->HasDocument()) sink->ClearDocument();
  }

  hosts::PageControl* first = WB.Create(1);
  if (!first) return false;
  if (hooks.pageCreated) hooks.pageCreated(1);
  first->SetRegisterAsBrowser(true);
  const toolbar::Tool* silent = ab_Main.tool("sub_Usetools", "b_besilent");
  first->SetSilent(silent && silent->checked);
  first->SetContainer(hosts::Container::kPageArea);
  first->MoveToFill();
  LastPageIndex = ActivePage = PreviousPage = 1;
  PageAtPosition.set(1, 1);
  first->SetVisible(true);
  first->BringToFront();
  first->SetTag("1");

  window.Show();
  AddTabTool("New", 1, true);
  if (toolbar::Tool* tab = ab_Main.tool("tb_Tabs", "tabs-1")) tab->checked = true;
  if (hooks.attachPageCommands) hooks.attachPageCommands(1);
  MenuBandFlag = true;
  Run(hooks.loadTabIcons);

  std::string address = command_line;
  address.erase(std::remove(address.begin(), address.end(), '"'), address.end());
  // A path or bare host name on the command line is what the user means to open.
  if (!address.empty()) first->Navigate(LoadableAddress(address));

  Run(hooks.createInputHook);
  RestoreLastPages();
  // A run that ended without its exit sequence left its open pages behind.
  RecoverPages();
  Run(hooks.installInputHook);
  window.Maximize();
  ab_Main.redraw();
  SaveRecovery();
  return true;
}

}  // namespace zor::shell
