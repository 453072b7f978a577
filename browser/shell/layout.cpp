#include "browser/shell/layout.h"

#include <string>

namespace zor::shell {

namespace {

constexpr int kTwipsPerPixel = 15;

void CheckBoth(toolbar::ToolbarControl& bars, const char* name, bool checked) {
  for (const char* band : {"tb_Main", "sub_View"})
    if (toolbar::Tool* tool = bars.tool(band, name)) tool->checked = checked;
}

}  // namespace

void WindowLayout::OnMainWindowResize() {
  if (c_.window.IsMinimized()) return;
  c_.window.ProcessPendingEvents();
  address_.ApplyAddressBoxWidth();
}

void WindowLayout::SetCaptionBar(bool show) { c_.window.SetDecorated(show); }

void WindowLayout::ToggleFullScreen() {
  PageFullScreen(page_full_screen_, false);
  const toolbar::Tool* state = c_.ab_Main.tool("sub_View", "b_fullscreen");
  const bool entering = !(state && state->checked);
  toolbar::Band* menu = c_.ab_Main.band("mnu_Main");
  toolbar::Band* status = c_.ab_Main.band("sb_Status");
  toolbar::Band* main = c_.ab_Main.band("tb_Main");
  hosts::PageControl* page = c_.WB.Page(tabs_.ActivePage);

  if (entering) {
    CheckBoth(c_.ab_Main, "b_fullscreen", true);
    if (c_.window.IsMaximized()) {
      SavedWindowRect = {-1, 0, 0, 0};
    } else {
      SavedWindowRect.left = SavedWindowRect.top = 0;
      c_.window.GetNormalSize(SavedWindowRect.width, SavedWindowRect.height);
    }
    if (menu) menu->visible = false;
    if (status) status->visible = false;
    if (main) {
      main->docking = toolbar::kDockFloat;
      main->extent = 3000 / kTwipsPerPixel;
    }
    SetCaptionBar(false);
    // A real full-screen c_.window covers the desktop's panels as the hidden task bar did.
    c_.window.SetFullScreen(true);
    c_.ab_Main.recalcLayout();
    c_.ab_Main.redraw();
  } else {
    SetCaptionBar(true);
    CheckBoth(c_.ab_Main, "b_fullscreen", false);
    if (menu) menu->visible = true;
    if (main) {
      main->docking = toolbar::kDockTop;
      main->extent = 0;
      main->dock_row = 1;
    }
    if (toolbar::Band* address = c_.ab_Main.band("tb_Addressbar")) address->dock_row = 2;
    if (status) status->visible = true;
    c_.window.SetFullScreen(false);
    if (SavedWindowRect.left != -1) {
      c_.window.Unmaximize();
      if (SavedWindowRect.width > 0 && SavedWindowRect.height > 0)
        c_.window.SetNormalSize(SavedWindowRect.width, SavedWindowRect.height);
    } else {
      c_.window.Maximize();
    }
    SavedWindowRect = {};
    c_.ab_Main.recalcLayout();
    tabs_.UpdateWindowCaption();  // titles that came in full screen were held back
  }
  if (page) {
    page->MoveToFill();
    page->Focus();
  }
}

void WindowLayout::PageFullScreen(int page, bool on) {
  if (on) {
    if (page_full_screen_ != 0 || page != tabs_.ActivePage) return;
    page_full_screen_ = page;
    hidden_for_page_.clear();
    for (const auto& band : c_.ab_Main.bands())
      if (band->visible) {
        band->visible = false;
        hidden_for_page_.push_back(band->name);
      }
    c_.window.SetFullScreen(true);
  } else {
    if (page_full_screen_ == 0 || page != page_full_screen_) return;
    page_full_screen_ = 0;
    for (const std::string& name : hidden_for_page_)
      if (toolbar::Band* band = c_.ab_Main.band(name)) band->visible = true;
    hidden_for_page_.clear();
    c_.window.SetFullScreen(c_.FullScreen());
  }
  c_.ab_Main.recalcLayout();
  c_.ab_Main.redraw();
  if (hosts::PageControl* shown = c_.WB.Page(tabs_.ActivePage)) shown->MoveToFill();
}

}  // namespace zor::shell
