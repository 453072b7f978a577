// The exit sequence: the question once per close, the open pages into LastPages.ini
// within the time budget, the settings, and the clean-up.
#include <cstdio>
#include <string>
#include <vector>

#include "browser/shell/main_form.h"

namespace zor::shell {

bool MainForm::CloseCheck() {
  bool cancel;
  if (ExitAsked) {
    cancel = ExitCancelled;
    ExitAsked = false;
  } else {
    int16_t asked = 0;
    AskExit(asked);
    cancel = asked != 0;
    // This question was the close check's own: the next close asks anew.
    ExitAsked = false;
  }
  if (cancel) return false;

  const auto started = Clock();
  if (FullScreen()) window.SetFullScreen(false);
  ClosingPages = true;

  // Every tab present now is visited once, in strip order, although each is closed here.
  std::vector<int> pages;
  if (const toolbar::Band* tabs = ab_Main.band("tb_Tabs"))
    for (const auto& tab : tabs->tools())
      if (tab->name.rfind("tabs-", 0) == 0) pages.push_back(std::atoi(tab->name.c_str() + 5));
  for (int n : pages) {
    if (Clock() - started > kExitBudget) break;
    if (hosts::PageControl* page = WB.Page(n)) {
      const std::string address = page->LocationURL();
      if (!address.empty()) SaveLastPage(address);
    }
    ClosePage(n);
  }

  std::string error;
  SaveSettings(&error);
  std::remove((folder_path_ + "Temp.txt").c_str());
  if (hooks.removeInputHook) hooks.removeInputHook();
  if (hooks.releaseSidePanel) hooks.releaseSidePanel();
  // A clean exit: the pages are in LastPages.ini, not left for recovery.
  EndRecovery();
  return true;
}

}  // namespace zor::shell
