#include "app/browser_window.h"

#include <glib.h>

#include <utility>

#include "browser/commands/connection_loader.h"
#include "browser/shell/address.h"
#include "common/ini.h"
#include "hosts/webkit/network_proxy.h"
#include "hosts/webkit/website_data.h"

namespace zor::app {

BrowserWindow::BrowserWindow(const std::string& program_folder) {
  window_ = std::make_unique<gtk::MainWindow>(program_folder);
  pages_ = std::make_unique<webkit::WebKitPageHost>(window_->pageArea());
  form_ = std::make_unique<shell::MainForm>(window_->toolbar(), *pages_, *window_, program_folder);
  download_dialogs_ = std::make_unique<gtk::DownloadDialogs>(*window_);
  downloads_ = std::make_unique<webkit::WebKitDownloads>(*pages_, *download_dialogs_);
  form_->downloads.Attach(downloads_.get());
  ConnectCorvane();
  WireWindow();
  WireOutsideObjects();
  form_->chrome.hooks.setStatusText = [this](const std::string& text) { window_->SetStatusText(text); };
  form_->WireEvents();
}

BrowserWindow::~BrowserWindow() {
  recovery_timer_.disconnect();
  // The download host goes before the form: the guard lets go of it first.
  form_->downloads.Attach(nullptr);
  // The window's events and the pages reference the form; drop them first.
  window_->events = {};
  pages_->events = {};
  pages_->suppressContextMenu = nullptr;
  form_->chrome.page_commands = nullptr;
  form_->chrome.input_hook = nullptr;
}

void BrowserWindow::ConnectCorvane() {
  // Corvane from Requires/, applying its proxy to the pages' session; without the library
  // the browser runs and its Corvane steps are skipped.
  ConnectionServices services = webkit::SessionProxy::Create(pages_->session())
                                    ->Services([this](const std::string& text, const std::string& title) {
                                      window_->MessageBox(text, hosts::MessageButtons::kOk, title);
                                    });
  // The cleaner's "history" clears our URL history along with the engine's record; the
  // library may keep the services past this window, so the store is held weakly.
  webkit::AddWebsiteDataServices(
      services, pages_->session(),
      [store = std::weak_ptr<favorites::UrlHistoryStore>(form_->History.Store())]() -> std::string {
        const auto held = store.lock();
        return held ? favorites::ClearUrlHistory(*held) : std::string();
      });
  form_->proxies.createConnection =
      commands::ConnectionLibrary(form_->chrome.files.FolderPath() + commands::kConnectionLibrary, services,
                                  [this](const std::string& reason) { form_->proxies.LibraryFailed(reason); });
  form_->chrome.hooks.rebuildProxyMenu = [this] { form_->proxies.BuildProxyMenu(); };
}

void BrowserWindow::WireWindow() {
  gtk::MainWindowEvents& events = window_->events;
  events.addressEnter = [this](bool ctrl, bool shift, bool alt) { form_->address.OnAddressEnter(ctrl, shift, alt); };
  events.addressListPick = [this] { form_->address.OnAddressListPick(); };
  events.addressFocus = [this](bool focused) { form_->address.OnAddressFocus(focused); };
  events.addressDrop = [this](const std::string& text) { form_->address.OnAddressDrop(text); };
  events.pageIconText = [this] {
    const hosts::PageControl* page = form_->chrome.WB.Page(form_->tabs.ActivePage);
    return page ? page->LocationURL() : std::string();
  };
  events.closeRequest = [this] {
    // The close check asks the exit question (once per close) and, when the answer is
    // OK, saves the pages and settings; the window then closes and the program ends.
    if (!form_->exit.CloseCheck()) return false;
    recovery_timer_.disconnect();
    return true;
  };
  events.internetOptionsPage = [this] {
    const webkit::WebKitPage* shown = pages_->WebPage(form_->tabs.ActivePage);
    return gtk::InternetOptionsPage{pages_->home_page, shown ? shown->LocationURL() : std::string(),
                                    shown ? shown->view() : nullptr};
  };
  events.homePageChosen = [this](const std::string& home) {
    // Home goes where a typed address would.
    pages_->home_page = shell::LoadableAddress(home);
    WriteProfileString(options_file_, "General", "HomePage", pages_->home_page);
  };

  form_->chrome.hooks.dockControls = [this] { window_->DockControls(); };
  form_->chrome.hooks.raiseWindow = [this] { window_->present(); };
  form_->chrome.hooks.addressBoxVisible = [this] { return window_->AddressBoxVisible(); };
  form_->chrome.hooks.focusAddressBox = [this] { window_->FocusAddressBox(); };
  form_->chrome.commandHooks.zoomLevel = [this](int page) {
    const webkit::WebKitPage* shown = pages_->WebPage(page);
    return shown ? shown->zoom_level() : -1;
  };
  form_->chrome.commandHooks.queryCommandEnabled = [this](int page, const std::string& command,
                                                          std::function<void(bool)> answer) {
    pages_->QueryCommand(page, command, std::move(answer));
  };
}

void BrowserWindow::WireOutsideObjects() {
  windows_ = std::make_unique<gtk::WindowSystemGtk>(*window_);
  form_->chrome.windows = windows_.get();
  form_->chrome.hooks.createPageCommands = [this] {
    page_commands_ = std::make_unique<gtk::PageCommandsGtk>(*pages_, *window_);
    form_->chrome.page_commands = page_commands_.get();
  };
  form_->chrome.hooks.attachPageCommands = [this](int page) {
    if (page_commands_) page_commands_->Attach(page);
  };
  form_->chrome.hooks.createInputHook = [this] {
    input_hook_ = std::make_unique<gtk::InputHookGtk>(*window_, window_->pageArea());
    form_->chrome.input_hook = input_hook_.get();
    pages_->suppressContextMenu = [this] { return input_hook_ && input_hook_->GestureInProgress(); };
  };
  form_->chrome.hooks.installInputHook = [this] {
    if (input_hook_)
      input_hook_->Install([this](hosts::Gesture gesture) {
        form_->statusCommands.SwitchTabByGesture(gesture == hosts::Gesture::kTabLeft);
      });
  };
  form_->chrome.hooks.removeInputHook = [this] {
    if (input_hook_) input_hook_->Remove();
  };
}

bool BrowserWindow::StartUp(const std::string& command_line) {
  const std::string profile = Glib::build_filename(Glib::get_user_data_dir(), "zor-browser");
  g_mkdir_with_parents(profile.c_str(), 0700);
  form_->recovery.RecoveryFile = Glib::build_filename(profile, "open-pages.txt");
  form_->History.SetFile(Glib::build_filename(profile, "history.sqlite"));
  const std::string config = Glib::build_filename(Glib::get_user_config_dir(), "zor-browser");
  g_mkdir_with_parents(config.c_str(), 0700);
  window_->SetTypedUrlsFile(Glib::build_filename(config, "typed-urls.ini"));
  options_file_ = Glib::build_filename(config, "internet-options.ini");
  form_->downloads.UseSettingsFile(Glib::build_filename(config, "downloads.ini"));
  pages_->home_page =
      shell::LoadableAddress(GetProfileString(options_file_, "General", "HomePage", pages_->home_page));
  if (!form_->StartUp(command_line)) return false;
  // The recovery list follows every open, navigation and close; a cheap compare when idle.
  recovery_timer_ = Glib::signal_timeout().connect_seconds(
      [this] {
        form_->recovery.SaveRecovery();
        return true;
      },
      1);
  window_->events.resized = [this] { form_->layout.OnMainWindowResize(); };
  window_->ReportResizes();
  window_->bars().attachShortcuts(*window_);
  return true;
}

}  // namespace zor::app
