// What every part of the main window works with: the bars, the page array, the window,
// the status box, the outside objects and the calls into parts that are wired in later.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "browser/commands/command_hooks.h"
#include "browser/messaging/status_channel.h"
#include "browser/shell/address.h"
#include "common/program_paths.h"
#include "hosts/input_hook.h"
#include "hosts/main_window_host.h"
#include "hosts/page_commands.h"
#include "hosts/page_control.h"
#include "hosts/toolbar/toolbar.h"
#include "hosts/window_system.h"

namespace zor::shell {

// The version text: major "." minor "." revision.
std::string VersionText();

// Calls into parts of the program that are wired in later; each does nothing while unset.
struct ShellHooks {
  std::function<void()> buildTranslationMenu;
  std::function<void()> toggleBasket;
  std::function<void(int page)> attachPageCommands;
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
  std::function<void()> showDownloads;  // the downloads window, in front
  std::function<void(int page)> pageClosed;  // the page and its tab are gone
  std::function<void(int page)> pageShown;   // the page became the shown one
  // lng.ini was read anew: texts the window holds outside the bars follow it.
  std::function<void()> languageApplied;

  // Start-up steps provided by the window, the side panel and the outside objects.
  std::function<void()> createSidePanel;
  std::function<void()> dockControls;
  std::function<void()> buildFavorites;
  std::function<void()> createPageCommands;
  std::function<void()> createInputHook;
  std::function<void()> installInputHook;

  // Exit and the status-box channel.
  std::function<void()> rebuildProxyMenu;
  std::function<void()> removeInputHook;
  std::function<void()> releaseSidePanel;
};

// The program folder and the files the main window keeps in it.
// The read-only files come from FolderPath(); the files the window writes are where
// ProgramPaths puts them (beside the program, or the per-user folder of an install).
class ProgramFiles {
 public:
  explicit ProgramFiles(std::string program_folder);
  // The folder without, and its path with exactly one trailing separator.
  const std::string& ProgramFolder() const { return program_folder_; }
  const std::string& FolderPath() const { return folder_path_; }
  const ProgramPaths& Paths() const { return paths_; }
  std::string LngFile() const { return paths_.Writable("lng.ini"); }
  std::string BrowserIni() const { return paths_.Writable("Browser.ini"); }
  std::string LastPagesIni() const { return paths_.Writable("LastPages.ini"); }
  std::string TempFile() const { return paths_.Writable("Temp.txt"); }

 private:
  std::string program_folder_;
  std::string folder_path_;
  ProgramPaths paths_;
};

struct Chrome {
  Chrome(toolbar::ToolbarControl& bars, hosts::PageHost& pages, hosts::MainWindowHost& main_window,
         std::string program_folder)
      : ab_Main(bars), WB(pages), window(main_window), files(std::move(program_folder)) {}

  toolbar::ToolbarControl& ab_Main;
  hosts::PageHost& WB;
  hosts::MainWindowHost& window;
  ProgramFiles files;
  ShellHooks hooks;
  // Calls of the commands into later parts and the engine's page queries.
  commands::CommandHooks commandHooks;
  // The status box: the current page's status text, and the libraries' command channel.
  messaging::StatusChannel txt_status;
  // The outside objects, owned by the window that creates them (null until then).
  hosts::PageCommands* page_commands = nullptr;
  hosts::InputHook* input_hook = nullptr;
  // The top-level windows, for finding and retitling the options window (null: none).
  hosts::WindowSystem* windows = nullptr;

  // The title from lng.ini, "{V}" and "{N}" filled in.
  std::string TitleText;
  // Where words typed in the address box are looked up ("{query}" stands for them).
  std::string SearchTemplate = SearchServices().front().address;
  // The picture shown by the page-icon box (pic_ieicon); tools that take "the page icon" copy it.
  std::string PageIconImage = "icon:text-html-symbolic";
  // Set by a gesture: the menu the release of the right button brings is refused once.
  bool SkipNextContextMenu = false;

  // The full-screen tool is the state of full screen.
  bool FullScreen() const {
    const toolbar::Tool* tool = ab_Main.tool("tb_Main", "b_fullscreen");
    return tool && tool->checked;
  }
};

}  // namespace zor::shell
