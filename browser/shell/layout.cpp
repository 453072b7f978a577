// The main window's layout rules, full screen, and the exit sequence.
#include <cstdio>
#include <string>

#include "browser/shell/main_form.h"
#include "common/ini_text.h"

namespace zor::shell {

namespace {

constexpr int kTwipsPerPixel = 15;

void CheckBoth(toolbar::ToolbarControl& bars, const char* name, bool checked) {
  for (const char* band : {"tb_Main", "sub_View"})
    if (toolbar::Tool* tool = bars.tool(band, name)) tool->checked = checked;
}

}  // namespace

void MainForm::OnMainWindowResize() {
  if (window.IsMinimized()) return;
  window.ProcessPendingEvents();
  ApplyAddressBoxWidth();
}

void MainForm::SetCaptionBar(bool show) { window.SetDecorated(show); }

void MainForm::ToggleFullScreen() {
  const toolbar::Tool* state = ab_Main.tool("sub_View", "b_fullscreen");
  const bool entering = !(state && state->checked);
  toolbar::Band* menu = ab_Main.band("mnu_Main");
  toolbar::Band* status = ab_Main.band("sb_Status");
  toolbar::Band* main = ab_Main.band("tb_Main");
  hosts::PageControl* page = WB.Page(ActivePage);

  if (entering) {
    CheckBoth(ab_Main, "b_fullscreen", true);
    if (window.IsMaximized()) {
      SavedWindowRect = {-1, 0, 0, 0};
    } else {
      SavedWindowRect.left = SavedWindowRect.top = 0;
      window.GetNormalSize(SavedWindowRect.width, SavedWindowRect.height);
    }
    if (menu) menu->visible = false;
    if (status) status->visible = false;
    if (main) {
      main->docking = toolbar::kDockFloat;
      main->extent = 3000 / kTwipsPerPixel;
    }
    SetCaptionBar(false);
    // A real full-screen window covers the desktop's panels as the hidden task bar did.
    window.SetFullScreen(true);
    ab_Main.recalcLayout();
    ab_Main.redraw();
  } else {
    SetCaptionBar(true);
    CheckBoth(ab_Main, "b_fullscreen", false);
    if (menu) menu->visible = true;
    if (main) {
      main->docking = toolbar::kDockTop;
      main->extent = 0;
      main->dock_row = 1;
    }
    if (toolbar::Band* address = ab_Main.band("tb_Addressbar")) address->dock_row = 2;
    if (status) status->visible = true;
    window.SetFullScreen(false);
    if (SavedWindowRect.left != -1) {
      window.Unmaximize();
      if (SavedWindowRect.width > 0 && SavedWindowRect.height > 0)
        window.SetNormalSize(SavedWindowRect.width, SavedWindowRect.height);
    } else {
      window.Maximize();
    }
    SavedWindowRect = {};
    ab_Main.recalcLayout();
  }
  if (page) {
    page->MoveToFill();
    page->Focus();
  }
}

void MainForm::AskExit(int16_t& cancel) {
  if (hosts::PageControl* page = WB.Page(ActivePage)) page->Focus();
  const std::string question = ReadIniText(LngFile(), "ZOR_Main", "msg_Exit");
  const hosts::MessageResult answer = window.MessageBox(question, hosts::MessageButtons::kOkCancel, "");
  cancel = answer == hosts::MessageResult::kCancel ? 1 : 0;
  ExitAsked = true;
  ExitCancelled = cancel != 0;
}

void MainForm::QuitBrowser() {
  int16_t cancel = 0;
  AskExit(cancel);
  // The close check applies the answer.
  window.Close();
}

}  // namespace zor::shell
