// The start-up sequence of the main window: its order matters, later steps use bands
// and tools that earlier steps created or retitled.
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <string>

#include "browser/shell/address.h"
#include "browser/shell/main_form.h"
#include "common/files.h"

namespace zor::shell {

namespace {

void Run(const std::function<void()>& hook) {
  if (hook) hook();
}

}  // namespace

bool MainForm::StartUp(const std::string& command_line) {
  toolbar::ToolbarControl& ab_Main = chrome.ab_Main;
  hosts::PageHost& WB = chrome.WB;
  hosts::MainWindowHost& window = chrome.window;
  const ShellHooks& hooks = chrome.hooks;
  const std::string skin = chrome.files.FolderPath() + "default.tb2";
  if (!FileExists(skin)) {
    window.MessageBox("Cannot find skin file:default.tb2");
    return false;
  }
  std::string error;
  if (!ab_Main.loadLayout("", skin, 1, &error)) {
    window.MessageBox("The skin file cannot be used:\n" + error);
    return false;
  }
  settings.ApplyLanguage();
  window.AddAddressItem("About:Blank");
  Run(hooks.createSidePanel);
  Run(hooks.dockControls);
  address.LoadTypedUrls();
  settings.LoadSettings();
  Run(hooks.buildFavorites);
  Run(hooks.createPageCommands);

  if (hosts::PageControl* sink = WB.Page(0)) {
    sink->SetRegisterAsDropTarget(false);
    if (sink->HasDocument()) sink->ClearDocument();
  }

  if (!tabs.CreateFirstPage()) return false;
  hosts::PageControl* first = WB.Page(1);

  std::string start_address = command_line;
  start_address.erase(std::remove(start_address.begin(), start_address.end(), '"'), start_address.end());
  // A path or bare host name on the command line is what the user means to open.
  if (!start_address.empty() && first) {
    std::error_code no_folder;
    first->Navigate(
        StartAddress(start_address, std::filesystem::current_path(no_folder).string(), chrome.SearchTemplate));
  }

  Run(hooks.createInputHook);
  // A run that ended without its exit sequence left its open pages behind. That list is
  // the newest: an exit cut short leaves some of the same pages in LastPages.ini too, and
  // a page must not come back twice.
  if (!recovery.RecoverPages()) settings.RestoreLastPages();
  Run(hooks.installInputHook);
  window.Maximize();
  ab_Main.redraw();
  // LastPages.ini goes only once the recovery list holds its pages.
  if (recovery.SaveRecovery()) settings.RemoveLastPages();
  return true;
}

}  // namespace zor::shell
