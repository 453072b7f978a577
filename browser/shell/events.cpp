// Every event of the page array and the toolbar control goes to its handler here, so
// the wiring is the same for the real hosts and the fakes. Add a line per handler.
#include "browser/shell/main_form.h"

#include "browser/protection/page_protection.h"

namespace zor::shell {

void MainForm::WireEvents() {
  hosts::PageEvents& page = WB.events;
  page.titleChange = [this](int n, const std::string& title) {
    SetPageTitle(n, title, "");
    History.OnTitleChange(n, title);
    if (hooks.applyToFrames) hooks.applyToFrames(n);
  };
  page.navigateComplete2 = [this](int n, const std::string& url) { History.OnNavigateComplete(n, url); };
  page.statusTextChange = [this](int n, const std::string& text) { OnStatusTextChange(n, text); };
  page.progressChange = [this](int n, long progress, long max) { OnProgressChange(n, progress, max); };
  page.commandStateChange = [this](int n, int command, bool enable) { OnCommandStateChange(n, command, enable); };
  page.setSecureLockIcon = [this](int n, int lock_state) { OnSecureLockIcon(n, lock_state); };
  page.windowClosing = [this](int n, bool& cancel) { OnWindowClosing(n, cancel); };
  page.onFullScreen = [this](int n, bool on) { OnPageFullScreen(n, on); };
  page.gotFocus = [this](int n) { OnPageFocus(n, true); };
  page.lostFocus = [this](int n) { OnPageFocus(n, false); };
  protection = std::make_shared<protection::PageProtection>(*this);
  protection->Wire();
  // The guard of the popup blocker goes first; element 0 is the sink.
  page.beforeNavigate2 = [this](int n, const std::string& url, bool& cancel) {
    if (protection->OnBeforeNavigate(n, url, cancel)) return;
    OnBeforeNavigate(n, cancel);
  };
  ab_Main.events.mouseEnter = [this](toolbar::Tool& tool) { OnToolHover(tool); };
  ab_Main.events.bandResize = [this](toolbar::Band& band) { OnBandResize(band); };

  page.documentEvent = [this](int n, const std::string& type) {
    protection->docs.OnDocumentEvent(n, type);
    if (n == ActivePage) QueryEditStates(n);
  };
  ab_Main.events.toolClick = [this](toolbar::Tool& tool) { OnToolClick(tool); };
  ab_Main.events.bandOpen = [this](toolbar::Band& band, bool& cancel) { OnBandOpen(band, cancel); };
  ab_Main.events.bandClose = [this](toolbar::Band& band) { OnBandClose(band); };
  ab_Main.events.toolDblClick = [this](toolbar::Tool& tool) { OnToolDblClick(tool); };
  ab_Main.events.childBandChange = [this](toolbar::Band& band) { OnChildBandChange(band); };
  hooks.refreshEditTools = [this] { RefreshEditTools(); };

  txt_status.onShow = [this](const std::string& text) {
    if (hooks.setStatusText) hooks.setStatusText(text);
  };
  txt_status.onChange = [this](const std::string& text) { OnStatusBoxChange(text); };
  ab_Main.events.queryUnload = [this](int16_t& cancel) { AskExit(cancel); };
}

}  // namespace zor::shell
