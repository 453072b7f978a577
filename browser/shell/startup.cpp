// The start-up sequence of the main window: its order matters, later steps use bands
// and tools that earlier steps created or retitled.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "browser/shell/address.h"
#include "browser/shell/main_form.h"
#include "common/files.h"
#include "common/ini_text.h"

namespace zor::shell {

// Stands in when the language file lacks the question: a box is never empty.
constexpr const char* kRestoreInterrupted =
    "The last start ended while it was opening the saved pages. Load the shown page again? Choose No to get every "
    "tab back without loading any page.";

namespace {

void Run(const std::function<void()>& hook) {
  if (hook) hook();
}

// The page a command line names: double quotes removed; empty when it names none.
std::string CommandLineAddress(std::string command_line, const std::string& working_folder,
                               const std::string& search_template) {
  command_line.erase(std::remove(command_line.begin(), command_line.end(), '"'), command_line.end());
  // A path or bare host name on the command line is what the user means to open.
  return command_line.empty() ? command_line : StartAddress(command_line, working_folder, search_template);
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

  std::error_code no_folder;
  const std::string start_address =
      CommandLineAddress(command_line, std::filesystem::current_path(no_folder).string(), chrome.SearchTemplate);
  if (!tabs.CreateFirstPage(start_address)) return false;

  Run(hooks.createInputHook);
  // A run that ended without its exit sequence left its open pages behind. That list is
  // the newest: an exit cut short leaves some of the same pages in LastPages.ini too, and
  // a page must not come back twice.
  // The last start ended while restoring: loading the same pages may end this one the same
  // way, so the user decides; either way every tab comes back.
  const std::string marker = recovery.RestoreMarker();
  bool load = true;
  if (!marker.empty() && FileExists(marker) &&
      (FileExists(recovery.RecoveryFile) || FileExists(chrome.files.LastPagesIni()))) {
    std::string question = ReadIniText(chrome.files.LngFile(), "ZOR_Main", "msg_RestoreInterrupted");
    if (question.empty()) question = kRestoreInterrupted;
    load = window.MessageBox(question, hosts::MessageButtons::kYesNo, "") != hosts::MessageResult::kNo;
  }
  if (!marker.empty()) WriteFileAtomic(marker, "");
  if (!recovery.RecoverPages(load)) settings.RestoreLastPages(load);
  Run(hooks.installInputHook);
  window.Maximize();
  ab_Main.redraw();
  // LastPages.ini goes only once the recovery list holds its pages.
  if (recovery.SaveRecovery()) settings.RemoveLastPages();
  if (!marker.empty()) std::remove(marker.c_str());
  return true;
}

void MainForm::OpenHandedAddress(const std::string& command_line, const std::string& working_folder) {
  tabs.AddNewPage(CommandLineAddress(command_line, working_folder, chrome.SearchTemplate), true);
  Run(chrome.hooks.raiseWindow);
}

}  // namespace zor::shell
