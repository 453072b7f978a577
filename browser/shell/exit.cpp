#include "browser/shell/exit.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/ini_text.h"

namespace zor::shell {

bool ExitSequence::CloseCheck() {
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
  // The bars a page's full screen hid are saved as the user left them.
  layout_.PageFullScreen(layout_.PageInFullScreen(), false);
  if (c_.FullScreen()) c_.window.SetFullScreen(false);
  tabs_.ClosingPages = true;

  // Every tab present now is visited once, in strip order, although each is closed here.
  std::vector<int> pages;
  if (const toolbar::Band* tabs = c_.ab_Main.band("tb_Tabs"))
    for (const auto& tab : tabs->tools())
      if (tab->name.rfind("tabs-", 0) == 0) pages.push_back(std::atoi(tab->name.c_str() + 5));
  std::vector<std::string> kept;
  for (int n : pages) {
    if (Clock() - started > kExitBudget) break;
    if (c_.WB.Page(n)) {
      const std::string address = tabs_.AddressOf(n);
      if (Settings::KeptAcrossRuns(address)) kept.push_back(address);
    }
    tabs_.ClosePage(n);
  }

  // Every file is tried; what could not be written is named to the user.
  std::string failed, error;
  if (!settings_.SaveLastPages(kept, &error)) failed += error + "\n";
  error.clear();
  if (!settings_.SaveSettings(&error)) failed += error + "\n";
  std::remove(c_.files.TempFile().c_str());
  if (c_.hooks.removeInputHook) c_.hooks.removeInputHook();
  if (c_.hooks.releaseSidePanel) c_.hooks.releaseSidePanel();
  if (failed.empty()) {
    // A clean exit: the pages are in LastPages.ini, not left for recovery.
    recovery_.EndRecovery();
  } else {
    // The recovery list stays: the next start brings the pages back from it.
    std::string text = ReadIniText(c_.files.LngFile(), "ZOR_Main", "msg_ExitSaveFailed");
    if (text.empty())
      text = "Your settings or open pages could not be saved; the open pages will come back at the next start.";
    c_.window.MessageBox(text + "\n\n" + failed, hosts::MessageButtons::kOk, "");
  }
  return true;
}

void ExitSequence::AskExit(int16_t& cancel) {
  if (hosts::PageControl* page = c_.WB.Page(tabs_.ActivePage)) page->Focus();
  const std::string question = ReadIniText(c_.files.LngFile(), "ZOR_Main", "msg_Exit");
  const hosts::MessageResult answer = c_.window.MessageBox(question, hosts::MessageButtons::kOkCancel, "");
  cancel = answer == hosts::MessageResult::kCancel ? 1 : 0;
  ExitAsked = true;
  ExitCancelled = cancel != 0;
}

void ExitSequence::QuitBrowser() {
  int16_t cancel = 0;
  AskExit(cancel);
  // The close check applies the answer.
  c_.window.Close();
}

}  // namespace zor::shell
