// frm_Main: the state of the main window and the procedures that work on it. The
// toolbar control, the page array and the window itself come in as hosts, so every
// procedure here runs the same against the GTK/WebKit hosts and against test fakes.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browser/commands/command_hooks.h"
#include "browser/favorites/history_recorder.h"
#include "browser/messaging/status_channel.h"
#include "common/connection.h"
#include "hosts/input_hook.h"
#include "hosts/main_window_host.h"
#include "hosts/page_commands.h"
#include "hosts/page_control.h"
#include "hosts/toolbar/toolbar.h"
#include "hosts/window_system.h"

namespace zor::protection {
class PageProtection;
}

namespace zor::shell {

// The version text: major "." minor "." revision.
std::string VersionText();

// Host part of an address: after the first "//" up to the next "/" (an address without
// "//" gives the text from its second character up to its first "/").
std::string HostPart(const std::string& address);

// Table indexed by tab position or page index that grows on write and reads as the
// default past its end, so no sequence of opens ever writes outside it.
template <typename T>
class GrowTable {
 public:
  T get(int i) const { return i >= 0 && i < static_cast<int>(v_.size()) ? v_[i] : T{}; }
  void set(int i, T value) {
    if (i < 0) return;
    if (i >= static_cast<int>(v_.size())) v_.resize(i + 1);
    v_[i] = value;
  }

 private:
  std::vector<T> v_;
};

// Percentage of a page's progress report: halves go to the even integer, and a
// finished or unmeasured load (progress at or past a maximum, or no maximum) is 100.
int ProgressPercent(long progress, long progress_max);
using hosts::ProgressBarPixels;
// Width of the address box, in twips, for a window `window_twips` wide: beside the main
// tool bar (the same docking row) what the buttons leave, else up to the window's edge
// from the band's left edge.
int AddressBoxWidthTwips(int window_twips, bool same_row_as_main, int band_left_twips);
// The security indicator's text for a lock state; `fields` holds three texts each ended by "|".
std::string SecurityText(const std::string& fields, int lock_state);

// Calls into parts of the program that are wired in later; each does nothing while unset.
struct ShellHooks {
  std::function<void()> buildTranslationMenu;
  std::function<void()> toggleBasket;
  std::function<void(int percent)> drawProgress;
  std::function<void()> updateNavigationTools;
  std::function<void(int page)> attachPageCommands;
  std::function<void(int page)> pageCreated;  // after a new page element exists (event wiring)
  std::function<bool()> addressBoxVisible;
  std::function<void()> focusAddressBox;
  std::function<void(const std::string&)> setStatusText;  // txt_status, as the page reports it
  // The blocked and closed pages menu: a closed page's name and address.
  std::function<void(const std::string& name, const std::string& url)> addBlocked;
  // The watched previous document of the document hooks; 0 drops the watch.
  std::function<void(int page)> watchPreviousDocument;
  std::function<void(int page)> applyPageHooks;  // the content blocker on a page
  std::function<void(int page)> applyToFrames;   // the content blocker on a page's frames
  std::function<void()> refreshEditTools;
  std::function<void()> raiseWindow;  // to the top of the window order, without moving or sizing

  // Start-up steps provided by the window, the side panel and the outside objects.
  std::function<void()> createSidePanel;
  std::function<void()> dockControls;
  std::function<void()> buildFavorites;
  std::function<void()> createPageCommands;
  std::function<void()> loadTabIcons;
  std::function<void()> createInputHook;
  std::function<void()> installInputHook;

  // Exit and the status-box channel.
  std::function<void()> rebuildProxyMenu;
  std::function<void()> removeInputHook;
  std::function<void()> releaseSidePanel;
};

class MainForm {
 public:
  MainForm(toolbar::ToolbarControl& toolbar, hosts::PageHost& pages, hosts::MainWindowHost& window,
           std::string program_folder);

  toolbar::ToolbarControl& ab_Main;
  hosts::PageHost& WB;
  hosts::MainWindowHost& window;
  ShellHooks hooks;
  // Creates a Corvane Connection; returns nullptr when the library is not available.
  std::function<std::unique_ptr<Connection>()> createConnection;

  // Program folder without, and the folder path with exactly one trailing separator.
  const std::string& ProgramFolder() const { return program_folder_; }
  const std::string& FolderPath() const { return folder_path_; }
  std::string LngFile() const;
  std::string BrowserIni() const;
  std::string LastPagesIni() const;

  // Fields shared by the procedures of the main window.
  int LastPageIndex = 1;
  int ActivePage = 1;
  int PreviousPage = 1;
  GrowTable<int> PageAtPosition;
  GrowTable<bool> ForwardEnabled;
  GrowTable<bool> BackEnabled;
  GrowTable<int> PageProgress;
  bool ClosingPages = false;
  int ContextPage = 0;
  bool OverTab = false;
  bool MenuBandFlag = true;
  std::string TitleText;
  std::unique_ptr<Connection> ConnectionObject;
  bool SkipNextContextMenu = false;
  // The status box: the current page's status text, and the libraries' command channel.
  messaging::StatusChannel txt_status;
  // The outside objects, owned by the window that creates them (null until then).
  hosts::PageCommands* page_commands = nullptr;
  hosts::InputHook* input_hook = nullptr;

  // Full screen and exit.
  struct WindowRect {
    int left = 0, top = 0, width = 0, height = 0;  // left -1: the window was maximised
  } SavedWindowRect;
  bool ExitAsked = false;
  bool ExitCancelled = false;
  // The clock of the exit budget (replaceable in tests).
  std::function<std::chrono::steady_clock::time_point()> Clock = [] { return std::chrono::steady_clock::now(); };
  static constexpr std::chrono::seconds kExitBudget{30};

  // The recovery list of open pages (empty path: none kept).
  std::string RecoveryFile;
  // The URL history, fed by the page events (no file set: nothing kept).
  favorites::HistoryRecorder History;

  // Connects the events of the page array and the toolbar control to their handlers.
  void WireEvents();
  // The popup blocker, navigation guard, content blocker and document hooks (made by WireEvents).
  std::shared_ptr<protection::PageProtection> protection;

  // The start-up sequence of the main window. False when the program must end
  // (the skin is missing or unreadable; the user has been told).
  bool StartUp(const std::string& command_line);

  // Configuration and language files.
  void ApplyLanguage();
  void LoadSettings();
  // False when Browser.ini could not be written (the old file then stays as it was).
  bool SaveSettings(std::string* error = nullptr);
  void RestoreLastPages();
  void SaveLastPage(const std::string& url);

  // Tabs and page windows (shell/tabs.cpp; AddTabTool, AddNewPage and SetPageTitle in
  // main_form.cpp and startup.cpp until tabs.cpp takes them).
  void AddTabTool(const std::string& caption, int page, bool with_picture);
  void AddNewPage(const std::string& url, bool foreground);
  void SelectPage(int page);
  void ShowPage(int page);
  void ClosePage(int page);
  void CloseAllPages();
  void CloseOtherPages(int page);
  void SetPageTitle(int page, const std::string& title, const std::string& address);
  void SetTabIcon(int page, int percent);
  void ToggleSilent();
  bool FullScreen() const;
  int TabCount() const;
  // The pointer entered a tool of the bars.
  void OnToolHover(toolbar::Tool& tool);
  // The tab position a page's tag holds, 0 when it holds no number.
  int PositionOf(int page) const;
  // A page's script asked to close its window.
  void OnWindowClosing(int page, bool& cancel);
  // The three loading pictures of a tab (res/tab1..3.ico unless a skin says otherwise).
  std::string TabIcons[3] = {"res/tab1.ico", "res/tab2.ico", "res/tab3.ico"};

  // Page events (shell/page_events.cpp).
  void DrawProgress(int percent);
  void UpdateNavigationTools();
  void OnStatusTextChange(int page, const std::string& text);
  void OnProgressChange(int page, long progress, long progress_max);
  void OnCommandStateChange(int page, int command, bool enable);
  void OnSecureLockIcon(int page, int lock_state);
  void OnBeforeNavigate(int page, bool cancelled);
  void OnPageFocus(int page, bool got);
  void OnPageFullScreen(int page, bool on);
  std::string PercentText;     // the last drawn percentage and "%"
  std::string lbl_Inf;         // the label over the progress area
  bool PageAreaFocus = false;  // the active page holds the keyboard focus

  // Address bar (shell/address_bar.cpp).
  void LoadTypedUrls();
  void Go(bool new_page);
  // Box events: Enter (Ctrl alone opens a new tab), a list entry chosen, a drop, focus.
  void OnAddressEnter(bool ctrl, bool shift, bool alt);
  void OnAddressListPick();
  void OnAddressDrop(const std::string& text);  // empty when the data held no text or link
  void OnAddressFocus(bool got) { AddressFocusFlag = got ? 1 : 0; }
  int AddressFocusFlag = 0;
  static constexpr int kTypedUrlsKept = 25;
  // The bands moved: the address box takes the width of the rule below.
  void OnBandResize(toolbar::Band& band);
  // The width rule itself, shared by band and window resizes.
  void ApplyAddressBoxWidth();

  // Layout, full screen and exit (shell/layout.cpp).
  void ToggleFullScreen();
  void QuitBrowser();
  void AskExit(int16_t& cancel);
  void SetCaptionBar(bool show);
  void OnMainWindowResize();
  // The window's close check: false keeps the window open. When it returns true the
  // pages are saved and closed, the settings written, and the program may end.
  bool CloseCheck();

  // The status-box change handler (messaging/status_commands.cpp).
  void OnStatusBoxChange(const std::string& text);
  // A tab to the left or right, as the input hook's gestures ask.
  void SwitchTabByGesture(bool left);

  // Crash recovery (shell/recovery.cpp): the list of open pages, kept while running.
  // True when the previous run ended without its exit sequence and its pages came back.
  bool RecoverPages();
  void SaveRecovery();
  void EndRecovery();

  // The command dispatcher: one tool click (commands/dispatcher.cpp).
  void OnToolClick(toolbar::Tool& tool);
  // The ids the command table binds, in table order (the prefix families aside).
  static std::vector<std::string> CommandIds();
  // Calls of the commands into later parts and the engine's page queries.
  CommandHooks commandHooks;
  // The link filter of the links page: set by "b_viewspecial", used once.
  std::string LinkFilter;
  // The top-level windows, for finding and retitling the options window (null: none).
  hosts::WindowSystem* windows = nullptr;

  // Bars, bands and menu state (commands/bands.cpp): the bars' other events.
  void OnBandOpen(toolbar::Band& band, bool& cancel);
  void OnBandClose(toolbar::Band& band);
  void OnToolDblClick(toolbar::Tool& tool);
  void OnChildBandChange(toolbar::Band& band);
  // The side bar follows "b_showfav" and "b_history": shown with the checked one's page, or hidden.
  void ShowLeftBar();

  // Edit, text size, offline and Internet options (commands/edit_view.cpp).
  void RefreshTextSizeTools();
  void RefreshEditTools();
  void SyncOfflineTools();
  // Returns once the options window has closed; the main window is disabled meanwhile.
  void OpenInternetOptions(int page);
  // The edit tools of "sub_Edit" and the document command each stands for, in order.
  static constexpr std::array<const char*, 7> kEditTools = {"b_undo", "b_redo", "b_cut", "b_copy",
                                                             "b_paste", "b_del", "b_selectall"};
  static constexpr std::array<const char*, 7> kEditCommands = {"undo", "redo", "cut", "copy",
                                                                "paste", "delete", "selectall"};
  // What a page last answered for its edit commands; asked again after every trusted
  // click, key press or focus change, so the Edit menu opens showing the truth.
  struct EditCommandStates {
    std::array<bool, 7> known{};
    std::array<bool, 7> enabled{};
  };
  GrowTable<EditCommandStates> EditStates;
  void QueryEditStates(int page);

  // The proxy menu as built at start-up from the saved proxy.
  void BuildStartupProxyMenu(const std::string& proxy_ip);
  toolbar::Tool* GetCheckedProxyTool() const;

  // The bridge to Corvane (commands/proxy_menu.cpp). Every call creates ConnectionObject
  // when it is empty; without the library the Corvane step is skipped.
  Connection* EnsureConnection();
  // Rebuild of the proxy menu when "ZOR_proxychange" arrives; releases the connection.
  void BuildProxyMenu();
  // A click on a proxy-menu tool (name beginning with "Proxy").
  void PickProxy(toolbar::Tool& tool);
  // "b_addtohei" and "b_addtononproxy" on the given page (context page or current page).
  void AddToBlackList(int page);
  void AddToNonProxy(int page);
  // "b_setup": the control panel; "b_delcookie", "b_deltempfiles", "b_delhistory": its cleaner.
  void ShowConnectionPanel();
  void CleanPrivateData(bool cookies, bool temp_files, bool history);
  // The navigation check while "b_killpop" is on: true when Corvane blocks the address.
  bool InBlackList(const std::string& address);
  // Adds one tool to the end of a band (control type "0" button, "5" separator).
  toolbar::Tool* AddBandTool(const std::string& band, const std::string& name, int id,
                             const std::string& control_type, const std::string& caption, bool with_image);

  // The picture shown by the page-icon box (pic_ieicon); tools that take "the page icon" copy it.
  std::string PageIconImage = "icon:text-html-symbolic";

 private:
  std::string program_folder_;
  std::string folder_path_;
  std::string recovery_written_;
};

}  // namespace zor::shell
