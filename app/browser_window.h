// The browser's main window put together: the GTK window, the pages on WebKit, the
// browser logic over them, the outside objects it asks for, and Corvane.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "browser/commands/basket_toggle.h"
#include "browser/commands/page_export.h"
#include "browser/commands/translation_menu.h"
#include "browser/favorites/favorites_menu.h"
#include "browser/shell/main_form.h"
#include "hosts/gtk/download_dialogs.h"
#include "hosts/gtk/downloads_window.h"
#include "hosts/gtk/input_hook_gtk.h"
#include "hosts/gtk/main_window.h"
#include "hosts/gtk/page_commands_gtk.h"
#include "hosts/gtk/side_panel.h"
#include "hosts/gtk/window_system_gtk.h"
#include "hosts/webkit/network_proxy.h"
#include "hosts/webkit/webkit_downloads.h"
#include "hosts/webkit/webkit_page_host.h"

namespace zor::app {

class BrowserWindow {
 public:
  explicit BrowserWindow(const std::string& program_folder);
  ~BrowserWindow();
  BrowserWindow(const BrowserWindow&) = delete;
  BrowserWindow& operator=(const BrowserWindow&) = delete;

  // Runs the start-up sequence; false when the program must end.
  bool StartUp(const std::string& command_line);

  gtk::MainWindow& mainWindow() { return *window_; }
  shell::MainForm& form() { return *form_; }
  webkit::WebKitPageHost& pages() { return *pages_; }
  // For engine tests and benchmarks that drive the real window.
  gtk::ToolbarView& bars() { return window_->bars(); }
  Gtk::Stack& pageArea() { return window_->pageArea(); }
  gtk::InternetOptionsDialog* internetOptions() { return window_->internetOptions(); }
  gtk::DownloadDialogs& downloadDialogs() { return *download_dialogs_; }
  webkit::WebKitDownloads& downloads() { return *downloads_; }
  gtk::DownloadsWindow& downloadsWindow() { return *downloads_window_; }
  favorites::FavoritesMenu& favorites() { return *favorites_; }
  // The two side panel instances (null before start-up and after exit).
  gtk::SidePanel* favoritesPanel() { return fav_panel_.get(); }
  gtk::SidePanel* historyPanel() { return history_panel_.get(); }

 private:
  void ConnectCorvane();
  void ConnectCarrowel();
  void WireWindow();
  void WireOutsideObjects();
  void WireFavorites();
  void WireSidePanel();
  void WirePageExport();
  void CreateSidePanel();
  void ReleaseSidePanel();
  void WatchFavorites();
  // "b_orgfav": the organise-favorites dialog over the Favorites folder.
  void OrganizeFavorites();
  void RefreshHistory(bool force);
  void ShowFileProperties(const std::string& path);
  void ImportExportFav(bool import);
  std::string LngText(const std::string& key, const std::string& fallback) const;
  hosts::MainWindowHost& Host() { return *window_; }

  // Declared first so it goes last: the pages live in its page area.
  std::unique_ptr<gtk::MainWindow> window_;
  std::unique_ptr<webkit::WebKitPageHost> pages_;
  // Every download of the pages' session; the form's guard answers them.
  std::unique_ptr<gtk::DownloadDialogs> download_dialogs_;
  std::unique_ptr<webkit::WebKitDownloads> downloads_;
  std::unique_ptr<gtk::DownloadsWindow> downloads_window_;  // one for the program
  std::unique_ptr<shell::MainForm> form_;
  // The outside objects; declared after the form so they go first.
  std::unique_ptr<gtk::PageCommandsGtk> page_commands_;
  std::unique_ptr<gtk::InputHookGtk> input_hook_;
  std::unique_ptr<gtk::WindowSystemGtk> windows_;
  std::unique_ptr<commands::BasketToggle> basket_;  // the link basket tool
  std::shared_ptr<webkit::SessionProxy> proxy_;     // the pages' proxy in force
  std::unique_ptr<commands::PageExport> export_;    // links page, quick save, text view, mail
  std::unique_ptr<commands::TranslationMenu> translations_;  // the translate menu
  std::string options_file_;  // internet-options.ini: the home page
  // The Favorites folder as menu and tree; its folders watched for outside changes.
  std::unique_ptr<favorites::FavoritesMenu> favorites_;
  std::vector<Glib::RefPtr<Gio::FileMonitor>> favorite_monitors_;
  sigc::connection favorites_rebuild_;
  bool favorites_changed_ = false;
  // The side panel: its widgets live in the side bar's slots while docked.
  std::unique_ptr<gtk::SidePanel> fav_panel_;
  std::unique_ptr<gtk::SidePanel> history_panel_;
  std::unordered_map<std::string, std::string> history_urls_;  // link key -> address
  bool refreshing_ = false;
  sigc::connection history_expiry_;
  sigc::connection store_message_;  // the one message of an unusable history store
  sigc::connection recovery_timer_;
};

}  // namespace zor::app
