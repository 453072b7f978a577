// What the pages report: status text, progress, navigation state, security and focus.
// Only the shown page changes what the user sees; a hidden page keeps its own records.
#include "browser/shell/page_events.h"

#include <string>

#include "browser/shell/address_bar.h"
#include "browser/shell/error_page.h"
#include "browser/shell/layout.h"
#include "common/ini_text.h"

namespace zor::shell {

std::string SecurityText(const std::string& fields, int lock_state) {
  switch (lock_state) {
    case 0:
    case 1:
    case 2: {
      size_t start = 0;
      for (int i = 0; i < lock_state; ++i) {
        const size_t bar = fields.find('|', start);
        if (bar == std::string::npos) return {};
        start = bar + 1;
      }
      const size_t end = fields.find('|', start);
      return fields.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
    case 3:
      return "40-bit";
    case 4:
      return "56-bit";
    case 5:
      return "Fortezza";
    case 6:
      return "128-bit";
    default:
      return {};
  }
}

void PageReports::OnStatusTextChange(int n, const std::string& text) {
  if (n != tabs_.ActivePage) return;
  c_.txt_status.ShowPageStatus(text);
  if (c_.page_commands) {
    const bool offline = c_.page_commands->Offline();
    const toolbar::Tool* file = c_.ab_Main.tool("sub_File", "b_offline");
    if (file && file->checked != offline) {
      for (const char* band : {"sub_File", "sb_Status"})
        if (toolbar::Tool* tool = c_.ab_Main.tool(band, "b_offline")) tool->checked = offline;
      c_.ab_Main.redraw();
    }
  }
  const hosts::PageControl* page = c_.WB.Page(n);
  if (page && !page->LocationURL().empty() && page->ReadyState() != 0 && c_.hooks.applyPageHooks)
    c_.hooks.applyPageHooks(n);
}

void PageReports::OnProgressChange(int n, long progress, long progress_max) {
  const int p = ProgressPercent(progress, progress_max);
  tabs_.PageProgress.set(n, p);
  if (n == tabs_.ActivePage) {
    tabs_.DrawProgress(p);
    if (tabs_.UpdateStopTool()) c_.ab_Main.recalcLayout();
  }
  tabs_.SetTabIcon(tabs_.PageAtPosition.get(tabs_.PositionOf(n)), p);
}

void PageReports::OnCommandStateChange(int n, int command, bool enable) {
  if (command == -1) return;
  const int position = tabs_.PositionOf(n);
  if (command == 1) tabs_.ForwardEnabled.set(position, enable);
  if (command == 2) tabs_.BackEnabled.set(position, enable);
  tabs_.UpdateNavigationTools();
}

void PageReports::OnSecureLockIcon(int n, int lock_state) {
  if (n != tabs_.ActivePage) return;
  toolbar::Tool* indicator = c_.ab_Main.tool("sb_Status", "b_security");
  if (!indicator) return;
  const std::string text = SecurityText(indicator->tag, lock_state);
  if (indicator->caption != text) {
    indicator->caption = text;
    c_.ab_Main.recalcLayout();
  }
}

void PageReports::OnBeforeNavigate(int n, bool cancelled) {
  if (n == 0) return;
  if (address_.AddressFocusFlag == 0 && !PageAreaFocus) {
    if (hosts::PageControl* active = c_.WB.Page(tabs_.ActivePage)) {
      active->BringToFront();
      active->Focus();
    }
  }
  if (!cancelled && c_.hooks.refreshEditTools) c_.hooks.refreshEditTools();
}

void PageReports::OnPageFullScreen(int n, bool on) { layout_.PageFullScreen(n, on); }

void PageReports::OnNavigateError(int n, const std::string& url, hosts::LoadError error, const std::string& detail) {
  hosts::PageControl* page = c_.WB.Page(n);
  // The sink of refused windows shows nothing; a closing page goes quietly.
  if (n == 0 || !page || tabs_.ClosingPages) return;
  page->ShowErrorPage(ErrorPageHtml(c_.files.LngFile(), error, url, detail), url);
}

void PageReports::OnSaveFailed(int page, const std::string& path, const std::string& reason) {
  (void)page;
  std::string text = ReadIniText(c_.files.LngFile(), "ZOR_Main", "msg_SaveFailed");
  if (text.empty()) text = "The page could not be saved as {P}: {E}";
  ReplaceAll(text, "{P}", path);
  ReplaceAll(text, "{E}", reason);
  c_.window.MessageBox(text, hosts::MessageButtons::kOk, "");
}

void PageReports::OnPageFocus(int n, bool got) {
  if (n == tabs_.ActivePage) {
    PageAreaFocus = got;
    return;
  }
  if (!got || n == 0) return;
  // A hidden page took the focus: hand it back to the page the user sees.
  PageAreaFocus = false;
  if (c_.hooks.raiseWindow) c_.hooks.raiseWindow();
  if (hosts::PageControl* active = c_.WB.Page(tabs_.ActivePage)) active->Focus();
}

}  // namespace zor::shell
