#include "app/browser_window.h"

#include <glib.h>
#include <sys/stat.h>

#include <ctime>
#include <utility>

#include "browser/commands/connection_loader.h"
#include "browser/favorites/bookmark_file.h"
#include "browser/favorites/history_tree.h"
#include "browser/shell/address.h"
#include "common/files.h"
#include "common/ini.h"
#include "common/ini_text.h"
#include "hosts/gtk/dialog_run.h"
#include "hosts/gtk/favorite_dialogs.h"
#include "hosts/gtk/program_run.h"
#include "hosts/gtk/organize_favorites.h"
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
  downloads_window_ = std::make_unique<gtk::DownloadsWindow>();
  form_->downloads.AttachView(downloads_window_.get());
  ConnectCorvane();
  ConnectCarrowel();
  // Translist.txt's services; the list is edited in the desktop's text editor.
  translations_ = std::make_unique<commands::TranslationMenu>(
      form_->chrome, [](const std::string& path) { gtk::OpenInTextEditor(path); });
  translations_->Install();
  WireWindow();
  WireOutsideObjects();
  WireFavorites();
  WireSidePanel();
  WirePageExport();
  form_->chrome.hooks.setStatusText = [this](const std::string& text) { window_->SetStatusText(text); };
  form_->WireEvents();
}

BrowserWindow::~BrowserWindow() {
  recovery_timer_.disconnect();
  favorites_rebuild_.disconnect();
  history_expiry_.disconnect();
  store_message_.disconnect();
  favorite_monitors_.clear();
  ReleaseSidePanel();
  // The download host goes before the form: the guard lets go of it first.
  form_->downloads.Attach(nullptr);
  form_->downloads.AttachView(nullptr);
  // The window's events and the pages reference the form; drop them first.
  window_->events = {};
  pages_->events = {};
  pages_->suppressContextMenu = nullptr;
  pages_->newTabLabel = nullptr;
  form_->chrome.page_commands = nullptr;
  form_->chrome.input_hook = nullptr;
}

void BrowserWindow::ConnectCorvane() {
  // Corvane from Requires/, applying its proxy to the pages' session; without the library
  // the browser runs and its Corvane steps are skipped.
  proxy_ = webkit::SessionProxy::Create(pages_->session());
  ConnectionServices services = proxy_->Services([this](const std::string& text, const std::string& title) {
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

void BrowserWindow::ConnectCarrowel() {
  // The basket from Requires/; without the library the run is one without a basket.
  basket_ = std::make_unique<commands::BasketToggle>(
      form_->chrome, commands::ObjectLibrary(form_->chrome.files.FolderPath() + commands::kBasketLibrary));
  basket_->Install();
}

void BrowserWindow::WireWindow() {
  gtk::MainWindowEvents& events = window_->events;
  events.addressEnter = [this](bool ctrl, bool shift, bool alt) { form_->address.OnAddressEnter(ctrl, shift, alt); };
  events.addressListPick = [this] { form_->address.OnAddressListPick(); };
  events.addressFocus = [this](bool focused) { form_->address.OnAddressFocus(focused); };
  events.addressEscape = [this] { form_->address.OnAddressEscape(); };
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
    gtk::InternetOptionsPage on;
    on.home_page = pages_->home_page;
    on.current_address = shown ? shown->LocationURL() : std::string();
    on.view = shown ? shown->view() : nullptr;
    for (const shell::SearchService& service : shell::SearchServices())
      on.search_services.emplace_back(service.name, service.address);
    on.search_template = form_->chrome.SearchTemplate;
    return on;
  };
  // Kept with the other settings of Browser.ini, written at exit.
  events.searchChosen = [this](const std::string& search) {
    if (shell::UsableSearchTemplate(search)) form_->chrome.SearchTemplate = search;
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
  form_->chrome.commandHooks.runProgram = [](const std::vector<std::string>& argv, auto done) {
    gtk::RunProgram(argv, [done](bool started, int status, const std::string& out, const std::string& err) {
      done({started, status, out, err});
    });
  };
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
  pages_->newTabLabel = [this] {
    return ReadIniText(form_->chrome.files.LngFile(), "ZOR_Main", "msg_OpenLinkInNewTab");
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

void BrowserWindow::WirePageExport() {
  commands::ExportDesktop desktop;
  desktop.startProgram = &gtk::PageCommandsGtk::StartProgram;
  desktop.openTextFile = [](const std::string& path) { gtk::OpenInTextEditor(path); };
  desktop.proxyInForce = [this] { return ToEngineProxy(proxy_->InForce(), g_get_host_name()); };
  export_ = std::make_unique<commands::PageExport>(form_->chrome, form_->tabs, form_->dispatcher.LinkFilter,
                                                   std::move(desktop));
  export_->RemoveTextFile();  // the text view of the last run is no longer read
  commands::CommandHooks& hooks = form_->chrome.commandHooks;
  hooks.viewLinks = [this](int page) { export_->ViewLinks(page); };
  hooks.quickSave = [this](bool save_mode, int page) { export_->QuickSave(save_mode, page); };
  hooks.sendMail = [this](const std::string& to, const std::string& subject, const std::string& body) {
    if (page_commands_) page_commands_->SendMail(commands::MailtoUri(to, subject, body));
  };
  hooks.startMailProgram = [this] {
    if (page_commands_) page_commands_->StartMailProgram();
  };
}

std::string BrowserWindow::LngText(const std::string& key, const std::string& fallback) const {
  const std::string text = ReadIniText(form_->chrome.files.LngFile(), "ZOR_Main", key);
  return text.empty() ? fallback : text;
}

void BrowserWindow::WireFavorites() {
  favorites_ = std::make_unique<favorites::FavoritesMenu>(window_->toolbar(), *window_);
  favorites::FavoritesMenu& menu = *favorites_;
  menu.text = [this](const std::string& key, const std::string& fallback) { return LngText(key, fallback); };
  menu.fileIcon = [](const std::string& path) {
    gboolean uncertain = false;
    gchar* type = g_content_type_guess(path.c_str(), nullptr, 0, &uncertain);
    gchar* icon = type ? g_content_type_get_generic_icon_name(type) : nullptr;
    const std::string image = "icon:" + std::string(icon ? icon : "text-x-generic");
    g_free(icon);
    g_free(type);
    return image;
  };
  menu.folderIcon = [] { return std::string("icon:folder"); };
  menu.openFile = [](const std::string& path) {
    try {
      Gio::AppInfo::launch_default_for_uri(Glib::filename_to_uri(path));
    } catch (const Glib::Error& error) {
      g_warning("cannot open %s: %s", path.c_str(), error.what());
    }
  };
  menu.askFavorite = [this](const std::string& name,
                            const std::vector<std::string>& folders) -> std::optional<favorites::FavoriteChoice> {
    gtk::AddFavoriteTexts texts;
    texts.title = LngText("dlg_AddFav", texts.title);
    texts.name = LngText("dlg_AddFavName", texts.name);
    texts.folder = LngText("dlg_AddFavFolder", texts.folder);
    texts.root = LngText("cbnd_Fav", texts.root);
    texts.new_folder = LngText("dlg_NewFolder", texts.new_folder);
    texts.new_folder_prompt = LngText("dlg_NewFolderName", texts.new_folder_prompt);
    auto create_folder = [this](const std::string& under, const std::string& name) -> std::optional<std::string> {
      const std::string clean = favorites::FavoriteFileName(name);
      const std::string relative = under.empty() ? clean : under + "/" + clean;
      if (g_mkdir_with_parents(JoinPath(favorites_->Root(), relative).c_str(), 0700) != 0) return std::nullopt;
      return relative;
    };
    auto answer = gtk::AskFavorite(*window_, texts, name, folders, create_folder);
    if (!answer) return std::nullopt;
    return favorites::FavoriteChoice{answer->first, answer->second};
  };
  menu.treeChanged = [this] {
    if (!fav_panel_) return;
    // Folders are top-level nodes; favorites go under the node their parent key names.
    std::vector<gtk::PanelNode> roots;
    std::unordered_map<std::string, size_t> folders;
    for (const favorites::FavoriteNode& node : favorites_->Tree) {
      gtk::PanelNode panel_node{node.key, node.text, node.image, {}};
      const auto parent = folders.find(node.parent);
      if (!node.parent.empty() && parent != folders.end()) {
        roots[parent->second].children.push_back(std::move(panel_node));
      } else {
        if (node.image == 2) folders[node.key] = roots.size();
        roots.push_back(std::move(panel_node));
      }
    }
    fav_panel_->SetNodes(std::move(roots));
  };

  commands::CommandHooks& hooks = form_->chrome.commandHooks;
  form_->chrome.hooks.buildFavorites = [this] {
    const std::string root = Glib::build_filename(Glib::get_user_data_dir(), "zor-browser", "Favorites");
    // Created on first use; without it the menu holds only its fixed commands.
    favorites_->SetRoot(g_mkdir_with_parents(root.c_str(), 0700) == 0 ? root : std::string());
    favorites_->BuildFavoritesMenu();
    WatchFavorites();
  };
  hooks.rebuildFavorites = [this] {
    favorites_changed_ = false;
    favorites_rebuild_.disconnect();
    favorites_->RebuildFavorites();
    WatchFavorites();
  };
  hooks.updateFavoritesBand = [this] {
    if (favorites_changed_) form_->chrome.commandHooks.rebuildFavorites();
  };
  hooks.favoriteUrl = [this](int n) { return favorites_->FavoriteUrl(n); };
  hooks.addFavorite = [this](const std::string& address, const std::string& title) {
    favorites_->AddFavorite(address, title);
  };
  hooks.importExportFav = [this](bool import) { ImportExportFav(import); };
}

void BrowserWindow::OrganizeFavorites() {
  if (favorites_->Root().empty()) return;
  favorites::FavoritesOrganizer organizer(favorites_->Root());
  // Each outcome but success is told with the entry's name.
  auto tell = [this](favorites::OrganizeResult result, const std::string& name) {
    using R = favorites::OrganizeResult;
    const char* key = result == R::kExists       ? "msg_OrgFavExists"
                      : result == R::kIntoItself ? "msg_OrgFavIntoItself"
                      : result == R::kBadName    ? "msg_OrgFavBadName"
                      : result == R::kFailed     ? "msg_OrgFavFailed"
                                                 : nullptr;
    if (!key) return;
    std::string text = LngText(key, "{N} could not be changed.");
    ReplaceAll(text, "{N}", name);
    Host().MessageBox(text);
  };
  gtk::OrganizeFavoritesTexts texts;
  texts.title = LngText("dlg_OrgFav", texts.title);
  texts.root = LngText("cbnd_Fav", texts.root);
  texts.rename = LngText("dlg_OrgFavRename", texts.rename);
  texts.remove = LngText("dlg_OrgFavDelete", texts.remove);
  texts.move = LngText("dlg_OrgFavMove", texts.move);
  texts.move_to = LngText("dlg_OrgFavMoveTo", texts.move_to);
  texts.new_folder = LngText("dlg_NewFolder", texts.new_folder);
  texts.close = LngText("dlg_OrgFavClose", texts.close);
  gtk::OrganizeFavoritesActions actions;
  actions.list = [&organizer] {
    std::vector<gtk::OrganizeEntry> entries;
    for (const favorites::OrganizeItem& item : organizer.Items())
      entries.push_back({item.path, item.name, item.folder, item.depth});
    return entries;
  };
  actions.rename = [&, this](const gtk::OrganizeEntry& item) {
    std::string prompt = LngText("dlg_OrgFavRenameTo", "New name of {N}:");
    ReplaceAll(prompt, "{N}", item.name);
    if (auto name = Host().InputBox(prompt, texts.title, item.name)) tell(organizer.Rename(item.path, *name), *name);
  };
  actions.remove = [&, this](const gtk::OrganizeEntry& item) {
    const favorites::OrganizeResult result =
        organizer.Delete(item.path, [this](const favorites::OrganizeItem& what, bool has_contents) {
          std::string question = has_contents ? LngText("msg_OrgFavDeleteFolder", "Delete {N} and everything in it?")
                                              : LngText("msg_OrgFavDelete", "Delete {N}?");
          ReplaceAll(question, "{N}", what.name);
          return Host().MessageBox(question, hosts::MessageButtons::kYesNo) == hosts::MessageResult::kYes;
        });
    tell(result, item.name);
  };
  actions.move = [&](const gtk::OrganizeEntry& item, const std::string& folder) {
    tell(organizer.Move(item.path, folder), item.name);
  };
  actions.newFolder = [&, this](const std::string& parent) {
    if (auto name = Host().InputBox(LngText("dlg_NewFolderName", "Name of the new folder:"), texts.title, ""))
      tell(organizer.NewFolder(parent, *name), *name);
  };
  gtk::OrganizeFavoritesDialog dialog(*window_, texts, std::move(actions));
  gtk::RunDialog(dialog);
}

void BrowserWindow::WatchFavorites() {
  // A monitor per folder: changes made outside the program rebuild the menu half a
  // second after the last one.
  favorite_monitors_.clear();
  if (favorites_->Root().empty()) return;
  std::vector<std::string> folders{""};
  for (const std::string& folder : favorites_->SubFolders()) folders.push_back(folder);
  for (const std::string& folder : folders) {
    try {
      auto monitor = Gio::File::create_for_path(JoinPath(favorites_->Root(), folder))->monitor_directory();
      monitor->signal_changed().connect([this](const Glib::RefPtr<Gio::File>&, const Glib::RefPtr<Gio::File>&,
                                               Gio::FileMonitor::Event event) {
        if (event == Gio::FileMonitor::Event::CHANGES_DONE_HINT || event == Gio::FileMonitor::Event::ATTRIBUTE_CHANGED)
          return;
        favorites_changed_ = true;
        favorites_rebuild_.disconnect();
        favorites_rebuild_ = Glib::signal_timeout().connect(
            [this] {
              form_->chrome.commandHooks.rebuildFavorites();
              return false;
            },
            500);
      });
      favorite_monitors_.push_back(monitor);
    } catch (const Glib::Error&) {
    }
  }
}

void BrowserWindow::ShowFileProperties(const std::string& path) {
  if (gtk::ShowItemProperties(path)) return;
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    Host().MessageBox("cannot open property page");
    return;
  }
  char modified[64] = "";
  std::tm tm{};
  localtime_r(&st.st_mtime, &tm);
  std::strftime(modified, sizeof modified, "%c", &tm);
  const size_t slash = path.rfind('/');
  gtk::ShowFacts(*window_, path.substr(slash + 1),
                 {{LngText("txt_PropName", "Name:"), path.substr(slash + 1)},
                  {LngText("txt_PropAddress", "Address:"), favorites::ShortcutUrl(path)},
                  {LngText("txt_PropFolder", "Folder:"), path.substr(0, slash)},
                  {LngText("txt_PropSize", "Size:"), std::to_string(st.st_size)},
                  {LngText("txt_PropModified", "Modified:"), modified}});
}

void BrowserWindow::WireSidePanel() {
  form_->chrome.hooks.createSidePanel = [this] { CreateSidePanel(); };
  form_->chrome.hooks.releaseSidePanel = [this] { ReleaseSidePanel(); };
  form_->chrome.hooks.languageApplied = [this] {
    const std::string refresh = LngText("cmdRefresh", "Refresh");
    for (gtk::SidePanel* panel : {fav_panel_.get(), history_panel_.get()})
      if (panel) panel->SetRefreshCaption(refresh);
  };
  form_->chrome.commandHooks.refreshHistory = [this](bool force) { RefreshHistory(force); };
  // Organising the favorites: our dialog over the Favorites folder; the command rebuilds
  // the menu once it closes.
  form_->chrome.hooks.createPageCommands = [this, create = form_->chrome.hooks.createPageCommands] {
    if (create) create();
    if (page_commands_) page_commands_->organizeFavorites = [this] { OrganizeFavorites(); };
  };
}

void BrowserWindow::CreateSidePanel() {
  const std::string icons = form_->chrome.files.FolderPath() + "Res";
  const std::string refresh = LngText("cmdRefresh", "Refresh");
  fav_panel_ = std::make_unique<gtk::SidePanel>(refresh, icons);
  history_panel_ = std::make_unique<gtk::SidePanel>(refresh, icons);

  auto number = [](const std::string& key) { return std::atoi(key.c_str() + 1); };
  fav_panel_->activated = [this, number](const std::string& key) {
    if (key.rfind("K", 0) != 0) return;
    const std::string url = favorites_->FavoriteUrl(number(key));
    if (!url.empty()) form_->tabs.AddNewPage(url, true);
  };
  fav_panel_->rightClicked = [this](const std::string& key) {
    const std::string file = favorites_->NodeFile(key);
    if (!file.empty()) ShowFileProperties(file);
  };
  fav_panel_->tooltip = [this](const std::string& key) { return favorites_->NodeTooltip(key); };
  fav_panel_->renamed = [this](const std::string& key, const std::string& old_text, const std::string& new_text) {
    return favorites_->RenameNode(key, old_text, new_text);
  };
  fav_panel_->refresh = [this] { form_->chrome.commandHooks.rebuildFavorites(); };

  history_panel_->activated = [this](const std::string& key) {
    const auto url = history_urls_.find(key);
    if (key.rfind("Link", 0) == 0 && url != history_urls_.end()) form_->tabs.AddNewPage(url->second, true);
  };
  history_panel_->tooltip = [this](const std::string& key) -> std::string {
    if (refreshing_) return "Refreshing...";
    const auto url = history_urls_.find(key);
    return url != history_urls_.end() ? url->second : "Click to open!";
  };
  history_panel_->refresh = [this] { RefreshHistory(true); };

  // Each child band carries its panel and, as its header's picture, that of its toggle.
  auto dock = [this](const char* band, const char* tool, gtk::SidePanel& panel, const char* toggle) {
    toolbar::ToolbarControl& bars = window_->toolbar();
    if (toolbar::Tool* t = bars.tool(band, tool)) t->custom = std::make_shared<gtk::WidgetControl>(&panel);
    toolbar::Band* child = bars.band(band);
    const toolbar::Tool* picture = bars.tool("tb_Main", toggle);
    if (child && picture) child->image = picture->image;
  };
  dock("cbnd_Fav", "frm_Fav", *fav_panel_, "b_showfav");
  dock("cbnd_History", "frm_History", *history_panel_, "b_history");
  // The side bar starts hidden; the two toggles show it.
  if (toolbar::Band* bar = window_->toolbar().band("tb_Leftbar")) bar->visible = false;
  window_->toolbar().recalcLayout();
}

void BrowserWindow::ReleaseSidePanel() {
  for (auto [band, tool] : {std::pair{"cbnd_Fav", "frm_Fav"}, std::pair{"cbnd_History", "frm_History"}})
    if (toolbar::Tool* t = window_->toolbar().tool(band, tool)) t->custom.reset();
  for (auto* panel : {fav_panel_.get(), history_panel_.get()})
    if (panel && panel->get_parent()) panel->unparent();
  fav_panel_.reset();
  history_panel_.reset();
  window_->toolbar().recalcLayout();
}

void BrowserWindow::RefreshHistory(bool force) {
  if (!history_panel_ || refreshing_) return;
  if (!history_panel_->Empty() && !force) return;
  refreshing_ = true;
  int pending = 0;
  // The window stays responsive while a long history fills.
  auto let_run = [this, &pending] {
    if (++pending % 512 == 0) window_->ProcessPendingEvents();
  };
  favorites::CURLHistory list(form_->History.Store());
  list.Refresh("http", 0);
  const std::time_t now = std::time(nullptr);
  const std::string today = favorites::ShortDateText(favorites::ToLocalTime(favorites::FileTimeFromUnixSeconds(now)));
  const auto days = favorites::BuildHistoryTree(list.NewEnum(), favorites::ShortDateText, today,
                                                LngText("txt_Today", "Today"), let_run);
  refreshing_ = false;
  // The panel may have gone while pending events ran.
  if (!history_panel_) return;
  history_urls_.clear();
  std::vector<gtk::PanelNode> roots;
  for (const favorites::HistoryDay& day : days) {
    gtk::PanelNode& day_node = roots.emplace_back(gtk::PanelNode{day.key, day.text, 3, {}});
    for (const favorites::HistoryDomain& domain : day.domains) {
      gtk::PanelNode& domain_node = day_node.children.emplace_back(gtk::PanelNode{domain.key, domain.text, 4, {}});
      for (const favorites::HistoryLink& link : domain.links) {
        domain_node.children.push_back({link.key, link.text, 1, {}});
        history_urls_[link.key] = link.url;
      }
    }
  }
  history_panel_->SetNodes(std::move(roots));
}

void BrowserWindow::ImportExportFav(bool import) {
  if (favorites_->Root().empty()) return;
  const toolbar::Tool* tool = window_->toolbar().tool("sub_Favio", import ? "b_importfav" : "b_exportfav");
  std::string title = tool ? tool->caption : std::string();
  std::erase(title, '_');
  const std::string file = window_->ChooseFile("*.*|*.*|*.htm;*.html|*.htm;*.html", title, !import);
  if (file.empty()) return;
  if (import) {
    const std::optional<std::string> html = ReadWholeFile(file);
    if (!html) {
      std::string text = LngText("msg_FavImportFailed", "The bookmark file {P} cannot be read.");
      ReplaceAll(text, "{P}", file);
      Host().MessageBox(text);
      return;
    }
    favorites::ImportBookmarkFile(*html, favorites_->Root());
    form_->chrome.commandHooks.rebuildFavorites();
  } else {
    std::string error;
    if (!WriteFileAtomic(file, favorites::ExportBookmarkFile(favorites_->Root()), &error)) Host().MessageBox(error);
  }
}

bool BrowserWindow::StartUp(const std::string& command_line) {
  const std::string profile = Glib::build_filename(Glib::get_user_data_dir(), "zor-browser");
  const bool have_profile = g_mkdir_with_parents(profile.c_str(), 0700) == 0;
  // A portable folder keeps its recovery list beside its LastPages.ini: copies of the
  // program in two folders may run at once and must not write over each other's list.
  const ProgramPaths& paths = form_->chrome.files.Paths();
  form_->recovery.RecoveryFile =
      paths.Portable() ? paths.Writable("open-pages.txt") : Glib::build_filename(profile, "open-pages.txt");
  // An unusable history store tells the user once; the browser runs without history.
  auto tell_once = [this](const char* text) {
    if (store_message_.connected()) return;
    store_message_ = Glib::signal_idle().connect([this, text] {
      Host().MessageBox(text);
      return false;
    });
  };
  if (have_profile) {
    form_->History.SetFile(Glib::build_filename(profile, "history.sqlite"));
    form_->History.Store()->Report = [tell_once](const std::string& text) {
      g_warning("%s", text.c_str());
      tell_once("cannot bindto");
    };
    // Expired entries go a little after start-up, not on its way.
    history_expiry_ = Glib::signal_timeout().connect_seconds(
        [store = std::weak_ptr<favorites::UrlHistoryStore>(form_->History.Store())] {
          if (const auto held = store.lock()) {
            try {
              held->RemoveExpired();
            } catch (const favorites::HistoryError&) {
            }
          }
          return false;
        },
        10);
  } else {
    tell_once("Error, cannot find desktop!!");
  }
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
  window_->bars().text = [this](const std::string& key, const std::string& fallback) { return LngText(key, fallback); };
  return true;
}

}  // namespace zor::app
