// Every event of the page array, the toolbar control and the status box goes to the part
// that handles it, so the wiring is the same for the real hosts and the fakes.
#include "browser/shell/main_form.h"

namespace zor::shell {

void MainForm::WireEvents() {
  ShellHooks& hooks = chrome.hooks;
  toolbar::ToolbarEvents& bars = chrome.ab_Main.events;
  hosts::PageEvents& page = chrome.WB.events;

  page.titleChange = [this](int n, const std::string& title) {
    tabs.SetPageTitle(n, title, "");
    History.OnTitleChange(n, title);
    if (chrome.hooks.applyToFrames) chrome.hooks.applyToFrames(n);
  };
  page.navigateComplete2 = [this](int n, const std::string& url) {
    // An error page is no visit of the address it stands in for.
    const hosts::PageControl* shown = chrome.WB.Page(n);
    History.OnNavigateComplete(n, shown && shown->ErrorPageShown() ? std::string() : url);
    tabs.OnNavigateComplete(n, url);
    zoom.OnNavigateComplete(n, url);
  };
  page.zoomWheel = [this](int n, int direction) {
    if (n == tabs.ActivePage) zoom.Change(direction);
  };
  hooks.pageShown = [this](int n) { zoom.OnPageShown(n); };
  page.navigateError = [this](int n, const std::string& url, hosts::LoadError error, const std::string& detail) {
    pageReports.OnNavigateError(n, url, error, detail);
  };
  page.statusTextChange = [this](int n, const std::string& text) { pageReports.OnStatusTextChange(n, text); };
  page.progressChange = [this](int n, long progress, long max) { pageReports.OnProgressChange(n, progress, max); };
  page.commandStateChange = [this](int n, int command, bool enable) {
    pageReports.OnCommandStateChange(n, command, enable);
  };
  page.setSecureLockIcon = [this](int n, int lock_state) { pageReports.OnSecureLockIcon(n, lock_state); };
  page.windowClosing = [this](int n, bool& cancel) { tabs.OnWindowClosing(n, cancel); };
  page.onFullScreen = [this](int n, bool on) { pageReports.OnPageFullScreen(n, on); };
  page.gotFocus = [this](int n) { pageReports.OnPageFocus(n, true); };
  page.saveFailed = [this](int n, const std::string& path, const std::string& reason) {
    pageReports.OnSaveFailed(n, path, reason);
  };
  page.lostFocus = [this](int n) { pageReports.OnPageFocus(n, false); };
  // The guard of the popup blocker goes first; element 0 is the sink.
  page.beforeNavigate2 = [this](int n, const std::string& url, bool& cancel) {
    if (protection.OnBeforeNavigate(n, url, cancel)) return;
    pageReports.OnBeforeNavigate(n, cancel);
  };
  page.newWindow2 = [this](int n, int& target, bool& cancel) { protection.OnNewWindow(n, target, cancel); };
  page.contextMenu = [this](int n, bool& cancel) { protection.docs.OnContextMenu(n, cancel); };
  page.dragEvent = [this](int n, const hosts::DragReport& drag) { protection.docs.OpenDragLink(n, drag); };
  page.linkToNewTab = [this](int n, const std::string& url, bool shown) { protection.OpenUserLink(n, url, shown); };
  page.documentEvent = [this](int n, const std::string& type) {
    protection.docs.OnDocumentEvent(n, type);
    downloads.OnDocumentEvent(n, type);
    if (n == tabs.ActivePage) edit.QueryEditStates(n);
  };

  hooks.addBlocked = [this](const std::string& caption, const std::string& url) {
    protection.AddBlocked(caption, url);
  };
  hooks.applyPageHooks = [this](int n) { protection.ApplyPageHooks(n); };
  hooks.showDownloads = [this] { downloads.ShowWindow(); };
  hooks.applyToFrames = [this](int n) { protection.ApplyToFrames(n); };
  hooks.watchPreviousDocument = [this](int n) { protection.docs.PrevDoc = n; };
  hooks.refreshEditTools = [this] { edit.RefreshEditTools(); };
  chrome.commandHooks.blockedUrl = [this](int entry) { return protection.BlockedUrl(entry); };
  chrome.commandHooks.takeNewestBlocked = [this] { return protection.TakeNewestBlocked(); };

  bars.mouseEnter = [this](toolbar::Tool& tool) { tabMenu.OnToolHover(tool); };
  bars.mouseLeave = [this](toolbar::Tool& tool) { tabMenu.OnToolLeave(tool); };
  hooks.pageClosed = [this](int n) {
    tabMenu.OnPageClosed(n);
    // A page closed in its own full screen never reports leaving it: the bars come back here.
    layout.PageFullScreen(n, false);
  };
  bars.bandResize = [this](toolbar::Band& band) { address.OnBandResize(band); };
  bars.toolClick = [this](toolbar::Tool& tool) { dispatcher.OnToolClick(tool); };
  bars.bandOpen = [this](toolbar::Band& band, bool& cancel) { bands.OnBandOpen(band, cancel); };
  bars.bandClose = [this](toolbar::Band& band) { bands.OnBandClose(band); };
  bars.toolDblClick = [this](toolbar::Tool& tool) { bands.OnToolDblClick(tool); };
  bars.toolMiddleClick = [this](toolbar::Tool& tool) { bands.OnToolMiddleClick(tool); };
  bars.childBandChange = [this](toolbar::Band& band) { bands.OnChildBandChange(band); };

  chrome.txt_status.onShow = [this](const std::string& text) {
    if (chrome.hooks.setStatusText) chrome.hooks.setStatusText(text);
  };
  chrome.txt_status.onChange = [this](const std::string& text) { statusCommands.OnStatusBoxChange(text); };
}

}  // namespace zor::shell
