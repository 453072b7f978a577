// Every event of the page array and the toolbar control goes to its handler here, so
// the wiring is the same for the real hosts and the fakes. Add a line per handler.
#include "browser/shell/main_form.h"

namespace zor::shell {

void MainForm::WireEvents() {
  hosts::PageEvents& page = WB.events;
  page.titleChange = [this](int n, const std::string& title) { SetPageTitle(n, title, ""); };
  page.statusTextChange = [this](int n, const std::string& text) {
    // Only the shown page speaks in the status bar, and a page's text is never a command.
    if (n == ActivePage) txt_status.ShowPageStatus(text);
  };

  txt_status.onShow = [this](const std::string& text) {
    if (hooks.setStatusText) hooks.setStatusText(text);
  };
  // WIP-LEAD: status commands and exit handlers are wired once the tab procedures exist.
}

}  // namespace zor::shell
