// frm_Main: the main window as a composition of its parts. The toolbar control, the page
// array and the window itself come in as hosts, so every part runs the same against the
// GTK/WebKit hosts and against test fakes. The form owns the parts, routes the hosts'
// events to them and runs the start-up sequence; the work is in the parts.
#pragma once

#include <string>

#include "browser/commands/bands.h"
#include "browser/commands/dispatcher.h"
#include "browser/commands/edit_view.h"
#include "browser/commands/page_zoom.h"
#include "browser/commands/proxy_menu.h"
#include "browser/favorites/history_recorder.h"
#include "browser/messaging/page_shell.h"
#include "browser/messaging/status_commands.h"
#include "browser/protection/download_guard.h"
#include "browser/protection/page_protection.h"
#include "browser/shell/address_bar.h"
#include "browser/shell/chrome.h"
#include "browser/shell/exit.h"
#include "browser/shell/layout.h"
#include "browser/shell/page_events.h"
#include "browser/shell/progress_area.h"
#include "browser/shell/recovery.h"
#include "browser/shell/settings.h"
#include "browser/shell/tab_menu.h"
#include "browser/shell/tabs.h"

namespace zor::shell {

// What page protection and the document hooks may ask of the form.
class FormPageShell : public messaging::PageShell {
 public:
  FormPageShell(Chrome& chrome, Tabs& tabs, commands::ProxyMenu& proxies)
      : c_(chrome), tabs_(tabs), proxies_(proxies) {}

  toolbar::ToolbarControl& Bars() override { return c_.ab_Main; }
  hosts::PageHost& Pages() override { return c_.WB; }
  hosts::MainWindowHost& Window() override { return c_.window; }
  hosts::InputHook* Input() override { return c_.input_hook; }
  std::string FolderPath() const override { return c_.files.FolderPath(); }
  std::string LngFile() const override { return c_.files.LngFile(); }
  int ActivePage() const override { return tabs_.ActivePage; }
  bool ClosingPages() const override { return tabs_.ClosingPages; }
  int OpenPage(const std::string& url, bool shown) override;
  void ClosePageOf(int page) override;
  bool InBlackList(const std::string& address) override { return proxies_.InBlackList(address); }
  bool TakeSkipContextMenu() override;

 private:
  Chrome& c_;
  Tabs& tabs_;
  commands::ProxyMenu& proxies_;
};

class MainForm {
 public:
  MainForm(toolbar::ToolbarControl& toolbar, hosts::PageHost& pages, hosts::MainWindowHost& window,
           std::string program_folder);
  MainForm(const MainForm&) = delete;
  MainForm& operator=(const MainForm&) = delete;

  // Connects the events of the page array, the toolbar control and the status box to the parts.
  void WireEvents();
  // The start-up sequence of the main window. False when the program must end
  // (the skin is missing or unreadable; the user has been told).
  bool StartUp(const std::string& command_line);
  // The command line of a later start of the program on the same files, handed over to this
  // window: its address (a blank page when it names none) opens in a new page in front, relative
  // paths taken from `working_folder`, and the window comes to the top.
  void OpenHandedAddress(const std::string& command_line, const std::string& working_folder);

  // The parts, in the order they are built: each uses only those above it.
  Chrome chrome;
  ProgressArea progress;
  Tabs tabs;
  TabMenu tabMenu;
  AddressBar address;
  WindowLayout layout;
  commands::EditView edit;
  commands::BandState bands;
  commands::ProxyMenu proxies;
  commands::PageZoom zoom;
  Settings settings;
  Recovery recovery;
  ExitSequence exit;
  PageReports pageReports;
  commands::Dispatcher dispatcher;
  messaging::StatusCommands statusCommands;
  // The URL history, fed by the page events (no file set: nothing kept).
  favorites::HistoryRecorder History;
  // The popup blocker, navigation guard, content blocker and document hooks.
  protection::PageProtection protection;
  // Every download waits for the user's choice; the window attaches its download host.
  protection::DownloadGuard downloads;

 private:
  // Bound by reference only until WireEvents: protection may name it before it is built.
  FormPageShell page_shell_;
};

}  // namespace zor::shell
