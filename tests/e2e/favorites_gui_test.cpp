// The Favorites menu and the side panel in the real program: a Favorites folder of real
// internet shortcuts to 127.0.0.1, chosen from the menu and the panel, added to, and the
// history panel after browsing.
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/browser_window.h"
#include "e2e/support/engine_support.h"
#include "e2e/support/loopback_server.h"
#include "hosts/gtk/organize_favorites.h"

namespace fs = std::filesystem;

namespace zor::gtk {
namespace {

using e2e::PumpUntil;

e2e::HttpResponse AnswerPage(const e2e::HttpRequest& request, const std::atomic<bool>&) {
  const std::string name = request.path.substr(1);
  e2e::HttpResponse response;
  response.body = "<!DOCTYPE html><html><head><title>Page " + name + "</title></head><body>" + name + "</body></html>";
  return response;
}

class FavoritesWindowTest : public ::testing::Test {
 protected:
  FavoritesWindowTest() : server(AnswerPage) {
    const fs::path profile = fs::path(Glib::get_user_data_dir()) / "zor-browser";
    e2e::RemoveProfileFolder(profile);
    favorites = profile / "Favorites";
    fs::create_directories(favorites / "Links");
    Shortcut(favorites / "Loopback.url", server.Url("/chosen"));
    Shortcut(favorites / "Links" / "Linked.url", server.Url("/linked"));
    program = fs::temp_directory_path() / ("zor-favorites-gui-" + std::to_string(getpid()));
    fs::remove_all(program);
    fs::create_directories(program);
    for (const auto& entry : fs::directory_iterator(ZOR_PROGRAM_DIR))
      if (entry.path().filename() != "zor-browser")
        fs::copy(entry.path(), program / entry.path().filename(), fs::copy_options::recursive);
    window = std::make_unique<app::BrowserWindow>(program.string());
  }
  ~FavoritesWindowTest() override {
    window.reset();
    PumpUntil([] { return false; }, 0.1);
    fs::remove_all(program);
  }
  static void Shortcut(const fs::path& path, const std::string& url) {
    std::ofstream(path, std::ios::binary) << "[InternetShortcut]\r\nURL=" << url << "\r\n";
  }
  shell::MainForm& form() { return window->form(); }
  toolbar::ToolbarControl& bars() { return form().chrome.ab_Main; }
  toolbar::Tool* ToolCaptioned(const std::string& band_name, const std::string& caption) {
    toolbar::Band* band = bars().band(band_name);
    if (!band) return nullptr;
    for (const auto& tool : band->tools())
      if (tool->caption == caption) return tool.get();
    return nullptr;
  }
  bool PageShows(const std::string& path) {
    return PumpUntil([&] {
      const hosts::PageControl* page = form().chrome.WB.Page(form().tabs.ActivePage);
      return page && page->LocationURL() == server.Url(path) && page->ReadyState() == 4 &&
             page->LocationName() == "Page " + path.substr(1);
    });
  }
  std::vector<std::string> Rows(SidePanel& panel) {
    panel.ExpandAll();
    return panel.ShownRows();
  }
  static bool Has(const std::vector<std::string>& rows, const std::string& row) {
    return std::find(rows.begin(), rows.end(), row) != rows.end();
  }

  e2e::LoopbackServer server;
  fs::path favorites;
  fs::path program;
  std::unique_ptr<app::BrowserWindow> window;
};

TEST_F(FavoritesWindowTest, MenuAndPanelOpenTheFolderShortcutsAddAndHistoryShowsTheVisits) {
  ASSERT_TRUE(window->StartUp(server.Url("/start")));
  ASSERT_TRUE(PageShows("/start"));

  // The folder's shortcuts are in the menu; the Links folder is the Go button's drop-down.
  bool cancel = false;
  bars().events.bandOpen(*bars().band("sub_Fav"), cancel);
  toolbar::Tool* chosen = ToolCaptioned("sub_Fav", "Loopback");
  ASSERT_NE(chosen, nullptr);
  toolbar::Tool* links = ToolCaptioned("sub_Fav", "Links");
  ASSERT_NE(links, nullptr);
  EXPECT_EQ(bars().tool("tb_Addressbar", "b_go")->submenu, links->submenu);
  ASSERT_NE(ToolCaptioned(links->submenu, "Linked"), nullptr);

  bars().events.toolClick(*chosen);
  ASSERT_TRUE(PageShows("/chosen"));

  // Adding the shown page: the dialog's answer comes from the test, the menu has it at once.
  window->favorites().askFavorite = [](const std::string& name, const std::vector<std::string>&) {
    return std::optional<favorites::FavoriteChoice>({name, ""});
  };
  bars().events.toolClick(*bars().tool("sub_Fav", "b_addfav"));
  EXPECT_TRUE(fs::exists(favorites / "Page chosen.url"));
  EXPECT_NE(ToolCaptioned("sub_Fav", "Page chosen"), nullptr);

  // A shortcut written by another program shows up by itself.
  Shortcut(favorites / "Links" / "From outside.url", server.Url("/outside"));
  EXPECT_TRUE(
      PumpUntil([&] { return ToolCaptioned(bars().tool("tb_Addressbar", "b_go")->submenu, "From outside"); }, 10));

  // The favorites panel shows the same tree; a double click opens a page in front.
  bars().events.toolClick(*bars().tool("tb_Main", "b_showfav"));
  ASSERT_NE(window->favoritesPanel(), nullptr);
  const std::vector<std::string> fav_rows = Rows(*window->favoritesPanel());
  EXPECT_TRUE(Has(fav_rows, "Links")) << testing::PrintToString(fav_rows);
  EXPECT_TRUE(Has(fav_rows, "  Linked")) << testing::PrintToString(fav_rows);
  const int pages_before = form().tabs.LastPageIndex;
  ASSERT_TRUE(window->favoritesPanel()->ActivateKey("K2"));
  ASSERT_TRUE(PageShows("/linked"));
  EXPECT_GT(form().tabs.LastPageIndex, pages_before);

  // The history panel, refreshed, lists the pages of this run under today.
  bars().events.toolClick(*bars().tool("tb_Main", "b_history"));
  ASSERT_NE(window->historyPanel(), nullptr);
  window->historyPanel()->refreshButton().activate();
  const std::vector<std::string> history_rows = Rows(*window->historyPanel());
  EXPECT_TRUE(Has(history_rows, "Today")) << testing::PrintToString(history_rows);
  EXPECT_TRUE(Has(history_rows, "  127.0.0.1:" + std::to_string(server.port())))
      << testing::PrintToString(history_rows);
  EXPECT_TRUE(Has(history_rows, "    Page chosen")) << testing::PrintToString(history_rows);
  EXPECT_TRUE(Has(history_rows, "    Page linked")) << testing::PrintToString(history_rows);

  // Shown again, the tree stays as it was filled; only Refresh reads the history again.
  window->favoritesPanel()->ActivateKey("K3");
  ASSERT_TRUE(PageShows("/chosen"));
  form().chrome.ab_Main.events.childBandChange(*bars().band("cbnd_Fav"));
  form().chrome.ab_Main.events.childBandChange(*bars().band("cbnd_History"));
  EXPECT_EQ(Rows(*window->historyPanel()), history_rows);

  // Whatever the window's size, Refresh sits in the panel's top right corner and the tree
  // fills the rest below it.
  int last_height = 0;
  for (int height : {560, 760}) {
    window->mainWindow().unmaximize();
    window->mainWindow().set_default_size(1000, height);
    SidePanel& panel = *window->historyPanel();
    ASSERT_TRUE(PumpUntil([&] { return panel.get_mapped() && panel.get_height() != last_height; }, 10));
    PumpUntil([] { return false; }, 0.3);
    // Allocations hold the button's border and padding; the header row holds the button.
    const Gtk::Allocation header = panel.refreshButton().get_parent()->get_allocation();
    const Gtk::Allocation button = panel.refreshButton().get_allocation();
    const Gtk::Allocation tree = panel.view().get_parent()->get_allocation();
    EXPECT_EQ(header.get_x(), 0);
    EXPECT_EQ(header.get_y(), 0);
    EXPECT_EQ(button.get_x() + button.get_width(), panel.get_width());
    EXPECT_EQ(button.get_y(), 0);
    EXPECT_EQ(button.get_height(), header.get_height());
    EXPECT_EQ(tree.get_x(), 0);
    EXPECT_EQ(tree.get_y(), button.get_height());
    EXPECT_EQ(tree.get_width(), panel.get_width());
    EXPECT_EQ(tree.get_height(), panel.get_height() - button.get_height());
    last_height = panel.get_height();
  }

  // A switch to Chinese re-captions both panels' Refresh buttons.
  toolbar::Tool* chinese = bars().tool("sub_Language", "lang_zh");
  ASSERT_NE(chinese, nullptr);
  bars().events.toolClick(*chinese);
  for (SidePanel* panel : {window->favoritesPanel(), window->historyPanel()})
    EXPECT_EQ(panel->refreshButton().get_label(), "刷新");
}

// "b_orgfav" opens our dialog over the Favorites folder: a favorite moved into a folder
// there is in that folder's menu once the dialog closes.
TEST_F(FavoritesWindowTest, OrganizeDialogMovesAFavoriteIntoAFolderAndTheMenuFollows) {
  ASSERT_TRUE(window->StartUp(server.Url("/start")));
  ASSERT_TRUE(PageShows("/start"));
  struct Steps {
    bool done = false;
    std::vector<std::string> rows;
    std::vector<std::string> unnamed;  // controls without an accessible name
  } steps;
  // The dialog runs modally: the test acts on it from the main loop.
  const guint id = g_timeout_add(
      50,
      +[](gpointer data) -> gboolean {
        auto* steps = static_cast<Steps*>(data);
        for (Gtk::Window* top : Gtk::Window::list_toplevels()) {
          auto* dialog = dynamic_cast<OrganizeFavoritesDialog*>(top);
          if (!dialog || !dialog->get_visible()) continue;
          for (Gtk::Widget* row = dialog->tree().get_first_child(); row; row = row->get_next_sibling())
            steps->rows.push_back(
                static_cast<Gtk::Label*>(static_cast<Gtk::ListBoxRow*>(row)->get_child())->get_text());
          // Every control has a name: the lists their own, the buttons their labels.
          for (Gtk::Widget* list : std::initializer_list<Gtk::Widget*>{&dialog->tree(), &dialog->targets()})
            if (!gtk_test_accessible_has_property(GTK_ACCESSIBLE(list->gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL))
              steps->unnamed.push_back(G_OBJECT_TYPE_NAME(list->gobj()));
          for (Gtk::Button* button : {&dialog->rename_button(), &dialog->remove_button(), &dialog->move_button(),
                                      &dialog->new_folder_button()})
            if (button->get_label().empty()) steps->unnamed.push_back("button");
          dialog->Select("Loopback.url");
          dialog->ChooseTarget("Links");
          g_signal_emit_by_name(dialog->move_button().gobj(), "clicked");
          steps->done = true;
          dialog->response(Gtk::ResponseType::CLOSE);
          return G_SOURCE_REMOVE;
        }
        return G_SOURCE_CONTINUE;
      },
      &steps);
  bars().events.toolClick(*bars().tool("sub_Fav", "b_orgfav"));
  if (!steps.done) g_source_remove(id);
  ASSERT_TRUE(steps.done);
  EXPECT_EQ(steps.rows, (std::vector<std::string>{"Links/", "Linked", "Loopback"}));
  EXPECT_TRUE(steps.unnamed.empty()) << testing::PrintToString(steps.unnamed);
  EXPECT_TRUE(fs::exists(favorites / "Links" / "Loopback.url"));
  EXPECT_FALSE(fs::exists(favorites / "Loopback.url"));
  toolbar::Tool* links = ToolCaptioned("sub_Fav", "Links");
  ASSERT_NE(links, nullptr);
  EXPECT_NE(ToolCaptioned(links->submenu, "Loopback"), nullptr);
  EXPECT_EQ(ToolCaptioned("sub_Fav", "Loopback"), nullptr);
}

}  // namespace
}  // namespace zor::gtk
