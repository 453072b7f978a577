// What the pages report: status text, progress, navigation state, security and focus.
// Only the shown page changes what the user sees; a hidden page keeps its own records.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "browser/shell/main_form.h"

namespace zor::shell {

int ProgressPercent(long progress, long progress_max) {
  if (progress < progress_max && progress_max > 0) {
    // 64-bit product: any 32-bit progress times 100 fits.
    const std::int64_t num = static_cast<std::int64_t>(progress) * 100;
    const std::int64_t den = progress_max;
    std::int64_t q = num / den, r = num % den;
    if (r < 0) {
      r += den;
      q -= 1;
    }
    if (2 * r > den || (2 * r == den && (q % 2 != 0))) q += 1;
    return static_cast<int>(q);
  }
  return progress == 0 ? 0 : 100;
}

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

void MainForm::DrawProgress(int percent) {
  const hosts::PageControl* active = WB.Page(ActivePage);
  const bool idle = percent == 0 && !(active && active->Busy());
  // The bar is drawn only while the window is on screen; the label keeps the last figure.
  const bool drawn = percent >= 0 && percent <= 100 && window.IsVisible();
  if (drawn) PercentText = std::to_string(percent) + "%";
  lbl_Inf = idle ? std::string() : PercentText;
  window.DrawProgress(drawn ? percent : 0, !idle, lbl_Inf);
}

void MainForm::UpdateNavigationTools() {
  if (ClosingPages) return;
  const int position = PositionOf(ActivePage);
  if (toolbar::Tool* forward = ab_Main.tool("tb_Main", "b_forward")) forward->enabled = ForwardEnabled.get(position);
  if (toolbar::Tool* back = ab_Main.tool("tb_Main", "b_back")) back->enabled = BackEnabled.get(position);
  ab_Main.recalcLayout();
}

void MainForm::OnStatusTextChange(int n, const std::string& text) {
  if (n != ActivePage) return;
  txt_status.ShowPageStatus(text);
  if (page_commands) {
    const bool offline = page_commands->Offline();
    const toolbar::Tool* file = ab_Main.tool("sub_File", "b_offline");
    if (file && file->checked != offline) {
      for (const char* band : {"sub_File", "sb_Status"})
        if (toolbar::Tool* tool = ab_Main.tool(band, "b_offline")) tool->checked = offline;
      ab_Main.redraw();
    }
  }
  const hosts::PageControl* page = WB.Page(n);
  if (page && !page->LocationURL().empty() && page->ReadyState() != 0 && hooks.applyPageHooks)
    hooks.applyPageHooks(n);
}

void MainForm::OnProgressChange(int n, long progress, long progress_max) {
  const int p = ProgressPercent(progress, progress_max);
  PageProgress.set(n, p);
  if (n == ActivePage) DrawProgress(p);
  SetTabIcon(PageAtPosition.get(PositionOf(n)), p);
}

void MainForm::OnCommandStateChange(int n, int command, bool enable) {
  if (command == -1) return;
  const int position = PositionOf(n);
  if (command == 1) ForwardEnabled.set(position, enable);
  if (command == 2) BackEnabled.set(position, enable);
  UpdateNavigationTools();
}

void MainForm::OnSecureLockIcon(int n, int lock_state) {
  if (n != ActivePage) return;
  toolbar::Tool* indicator = ab_Main.tool("sb_Status", "b_security");
  if (!indicator) return;
  const std::string text = SecurityText(indicator->tag, lock_state);
  if (indicator->caption != text) {
    indicator->caption = text;
    ab_Main.recalcLayout();
  }
}

void MainForm::OnBeforeNavigate(int n, bool cancelled) {
  if (n == 0) return;
  if (AddressFocusFlag == 0 && !PageAreaFocus) {
    if (hosts::PageControl* active = WB.Page(ActivePage)) {
      active->BringToFront();
      active->Focus();
    }
  }
  if (!cancelled && hooks.refreshEditTools) hooks.refreshEditTools();
}

void MainForm::OnPageFullScreen(int n, bool on) {
  // A page asking for full screen while the window already is must not toggle it off.
  if (n == ActivePage && on && !FullScreen()) ToggleFullScreen();
}

void MainForm::OnPageFocus(int n, bool got) {
  if (n == ActivePage) {
    PageAreaFocus = got;
    return;
  }
  if (!got || n == 0) return;
  // A hidden page took the focus: hand it back to the page the user sees.
  PageAreaFocus = false;
  if (hooks.raiseWindow) hooks.raiseWindow();
  if (hosts::PageControl* active = WB.Page(ActivePage)) active->Focus();
}

}  // namespace zor::shell
