// The GTK toolbar view against the real band model, in a real window under Xvfb.
#include "hosts/gtk/toolbar_view.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "e2e/support/engine_support.h"

namespace zor::gtk {
namespace {

using toolbar::Band;
using toolbar::Tool;

constexpr const char* kSkin = R"(tb2 1
band mnu_Main type=menubar row=0
  tool m_File caption="_File" submenu=sub_File
  tool m_Edit caption="_Edit" submenu=sub_Edit
band sub_File type=popup
  tool b_newt caption="New _Tab" key=<Control>t
  tool b_offline caption="Work _Offline" checked=1
  tool b_print caption="_Print" enabled=0
  tool b_secret caption="Secret" visible=0
  sep spe_1
  tool m_Recent caption="_Recent" submenu=sub_Recent
  tool b_quit caption="E_xit"
band sub_Recent type=popup
  tool b_recent1 caption="First"
band sub_Edit type=popup
  tool b_copy caption="_Copy"
band tb_Main row=1
  tool b_back caption="_Back" style=1 image=icon:go-previous-symbolic tip="Go back" key=<Alt>Left
  tool b_home caption="_Home" image=icon:go-home-symbolic key=<Control>r
  sep spe_m
  tool b_fav caption="Favorites" style=3 image=icon:starred-symbolic
  tool b_off caption="Off" enabled=0 key=<Control>k
band tb_Addressbar row=2
  tool ctl_addr type=custom key=<Control>l
  tool b_go caption="_Go" style=2
band tb_Tabs type=tabs row=3
band tb_Leftbar type=sidebar dock=left extent=260 current=cbnd_Fav
band cbnd_Fav type=child parent=tb_Leftbar caption=Favorites
  tool frm_Fav type=custom
band cbnd_History type=child parent=tb_Leftbar caption=History
  tool frm_History type=custom
band sb_Status type=status dock=bottom
  tool ctl_status type=custom
  tool lbl_count type=label caption="Blocked: 0"
band tab_Menu type=popup caption="Tab Menu"
  tool b_close caption="_Close Tab"
)";

// Iterates the main context until `done` or the time is up.
bool waitFor(const std::function<bool()>& done, int ms = 2000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    while (g_main_context_iteration(nullptr, false)) {
    }
    if (!done()) g_usleep(2000);
  }
  return true;
}

void pump() { waitFor([] { return false; }, 30); }

// What a finished click on a button emits (activate() would wait for its press animation).
void click(Gtk::Widget* w) {
  ASSERT_NE(dynamic_cast<Gtk::Button*>(w), nullptr);
  g_signal_emit_by_name(w->gobj(), "clicked");
}

bool inside(const Gtk::Widget* w, const Gtk::Widget* ancestor) {
  for (; w; w = w->get_parent())
    if (w == ancestor) return true;
  return false;
}

template <typename T>
std::vector<T*> findAll(Gtk::Widget& root) {
  std::vector<T*> out;
  std::function<void(Gtk::Widget&)> walk = [&](Gtk::Widget& w) {
    if (auto* t = dynamic_cast<T*>(&w)) out.push_back(t);
    for (Gtk::Widget* c = w.get_first_child(); c; c = c->get_next_sibling()) walk(*c);
  };
  walk(root);
  return out;
}

std::string labelText(Gtk::Widget* w) {
  if (!w) return "<none>";
  auto labels = findAll<Gtk::Label>(*w);
  return labels.empty() ? "" : std::string(labels.front()->get_text());
}

// One entry of a menu model, sections flattened; submenus nested.
struct Item {
  std::string label, action;
  int section = 0;
  std::vector<Item> submenu;
};

std::vector<Item> items(const Glib::RefPtr<Gio::MenuModel>& model) {
  std::vector<Item> out;
  int section = 0;
  std::function<void(const Glib::RefPtr<Gio::MenuModel>&, std::vector<Item>&)> walk =
      [&](const Glib::RefPtr<Gio::MenuModel>& m, std::vector<Item>& into) {
        for (int i = 0; i < m->get_n_items(); ++i) {
          if (auto sec = m->get_item_link(i, Gio::MenuModel::Link::SECTION)) {
            walk(sec, into);
            ++section;
            continue;
          }
          Item item;
          item.section = section;
          auto text = [&](Gio::MenuModel::Attribute a) {
            auto v = m->get_item_attribute(i, a, Glib::VARIANT_TYPE_STRING);
            return v ? std::string(Glib::VariantBase::cast_dynamic<Glib::Variant<Glib::ustring>>(v).get()) : std::string();
          };
          item.label = text(Gio::MenuModel::Attribute::LABEL);
          item.action = text(Gio::MenuModel::Attribute::ACTION);
          item.action = item.action.substr(item.action.find('.') + 1);
          if (auto sub = m->get_item_link(i, Gio::MenuModel::Link::SUBMENU)) {
            const int keep = section;
            walk(sub, item.submenu);
            section = keep;
          }
          into.push_back(item);
        }
      };
  walk(model, out);
  return out;
}

// 1 checked, 0 a check item unchecked, -1 no check mark at all.
int checkState(const Glib::RefPtr<Gio::ActionGroup>& actions, const std::string& action) {
  GVariant* state = g_action_group_get_action_state(actions->gobj(), action.c_str());
  if (!state) return -1;
  const int on = g_variant_get_boolean(state) ? 1 : 0;
  g_variant_unref(state);
  return on;
}

const Item* findItem(const std::vector<Item>& list, const std::string& label) {
  for (const Item& i : list)
    if (i.label == label) return &i;
  return nullptr;
}

class ToolbarViewTest : public ::testing::Test {
 protected:
  void load(const std::string& text) {
    std::string error;
    ASSERT_TRUE(control.loadLayoutText(text, "test.tb2", &error)) << error;
  }

  // Docks the form controls, builds the view in a window and waits until it is on screen.
  void show(const std::string& program_dir = "") {
    dock("tb_Addressbar", "ctl_addr", address);
    dock("sb_Status", "ctl_status", status);
    dock("cbnd_Fav", "frm_Fav", fav_tree);
    dock("cbnd_History", "frm_History", history_tree);
    address.set_hexpand(true);
    status.set_hexpand(true);
    control.events.toolClick = [this](Tool& t) { log.push_back("click " + t.name); };
    control.events.toolDblClick = [this](Tool& t) { log.push_back("dblclick " + t.name); };
    control.events.mouseEnter = [this](Tool& t) { log.push_back("enter " + t.name); };
    control.events.bandOpen = [this](Band& b, bool& cancel) {
      log.push_back("open " + b.name + (view && view->openMenu() ? " (menu shown)" : ""));
      cancel = cancel_open == b.name;
      if (on_open) on_open(b);
    };
    control.events.bandClose = [this](Band& b) { log.push_back("close " + b.name); };
    control.events.bandResize = [this](Band& b) { log.push_back("resize " + b.name); };
    control.events.childBandChange = [this](Band& b) { log.push_back("child " + b.name); };
    view = std::make_unique<ToolbarView>(control, program_dir);
    view->setClient(client);
    window.set_default_size(900, 600);
    window.set_child(*view);
    window.present();
    ASSERT_TRUE(waitFor([this] { return view->get_mapped() && view->get_width() > 0; }));
    pump();
  }

  void dock(const char* band, const char* tool, Gtk::Widget& widget) {
    if (Tool* t = control.tool(band, tool)) t->custom = std::make_shared<WidgetControl>(&widget);
  }

  Gtk::Widget* widgetOf(const char* band, const char* tool) {
    Tool* t = control.tool(band, tool);
    return t ? view->toolWidget(*t) : nullptr;
  }

  Tool& addTab(int n, const std::string& caption) {
    Tool* t = control.tools().add(50000 + n, "tabs-" + std::to_string(n));
    t->caption = caption;
    t->style = 3;
    return *control.band("tb_Tabs")->tools().insert(-1, *t);
  }

  std::vector<Item> openItems() {
    auto* menu = view->openMenu();
    return menu ? items(menu->get_menu_model()) : std::vector<Item>{};
  }

  bool has(const std::string& entry) const { return std::find(log.begin(), log.end(), entry) != log.end(); }

  void TearDown() override {
    if (view) view->closeMenus();
    pump();
    window.unset_child();
    view.reset();
    pump();
  }

  toolbar::ToolbarControl control;
  Gtk::Window window;
  Gtk::Label client{"page"};
  Gtk::Entry address;
  Gtk::Label status{"Done"};
  Gtk::Label fav_tree{"favorites"}, history_tree{"history"};
  std::unique_ptr<ToolbarView> view;
  std::vector<std::string> log;
  std::string cancel_open;
  std::function<void(Band&)> on_open;
};

TEST_F(ToolbarViewTest, BandsSitInTheirDocksInRowOrder) {
  load(kSkin);
  show();
  // Top rows in row order, then the status bar at the bottom and the side bar at the left.
  int last_y = -1;
  for (const char* name : {"mnu_Main", "tb_Main", "tb_Addressbar", "tb_Tabs"}) {
    int x, y, w, h;
    ASSERT_TRUE(view->bandGeometry(*control.band(name), x, y, w, h)) << name;
    EXPECT_TRUE(inside(view->bandWidget(*control.band(name)), &view->topDock())) << name;
    EXPECT_GT(y, last_y) << name;
    last_y = y;
  }
  EXPECT_TRUE(inside(view->bandWidget(*control.band("sb_Status")), &view->bottomDock()));
  EXPECT_TRUE(inside(view->bandWidget(*control.band("tb_Leftbar")), &view->leftDock()));
  EXPECT_TRUE(inside(&client, &view->paned()));
  EXPECT_EQ(view->bandWidget(*control.band("sub_File")), nullptr);  // popups are menus, not bars
  EXPECT_EQ(view->toolWidget(*control.tool("sub_File", "b_newt")), nullptr);

  // Tools: menu titles, buttons, a separator, docked controls in their tools' places.
  EXPECT_EQ(labelText(widgetOf("mnu_Main", "m_File")), "File");
  EXPECT_TRUE(inside(widgetOf("tb_Main", "b_back"), view->bandWidget(*control.band("tb_Main"))));
  EXPECT_NE(dynamic_cast<Gtk::Separator*>(widgetOf("tb_Main", "spe_m")), nullptr);
  EXPECT_TRUE(inside(&address, widgetOf("tb_Addressbar", "ctl_addr")));
  EXPECT_TRUE(inside(&status, widgetOf("sb_Status", "ctl_status")));
  EXPECT_TRUE(inside(&fav_tree, view->bandWidget(*control.band("tb_Leftbar"))));
  // The address box takes the free width of its row.
  EXPECT_GT(address.get_width(), view->get_width() / 2);
}

TEST_F(ToolbarViewTest, ClicksReachTheModelAndTheModelKeepsTheCheckedState) {
  load(kSkin);
  show();
  auto* home = dynamic_cast<Gtk::ToggleButton*>(widgetOf("tb_Main", "b_home"));
  ASSERT_NE(home, nullptr);
  click(home);
  pump();
  EXPECT_EQ(log, std::vector<std::string>{"click b_home"});
  EXPECT_FALSE(home->get_active());  // the handler did not check it

  control.events.toolClick = [this](Tool& t) { t.checked = !t.checked; };
  click(home);
  EXPECT_TRUE(home->get_active());
  EXPECT_TRUE(control.tool("tb_Main", "b_home")->checked);

  // A click whose handler removes the clicked tool (a tab closing itself).
  addTab(1, "A");
  addTab(2, "B");
  control.recalcLayout();
  Band& strip = *control.band("tb_Tabs");
  control.events.toolClick = [&](Tool& t) {
    strip.tools().remove(strip.tools().indexOf(&t));
    control.recalcLayout();
  };
  click(view->toolWidget(*strip.tools().at(0)));
  pump();
  ASSERT_EQ(strip.tools().count(), 1);
  EXPECT_EQ(strip.tools().at(0)->name, "tabs-2");
  EXPECT_EQ(findAll<Gtk::ToggleButton>(*view->bandWidget(strip)).size(), 1u);
}

TEST_F(ToolbarViewTest, HiddenBandsAndToolsDisappearOnRecalc) {
  load(kSkin);
  show();
  Band& main = *control.band("tb_Main");
  Gtk::Widget* frame = view->bandWidget(main);
  main.visible = false;
  control.recalcLayout();
  EXPECT_FALSE(frame->get_visible());
  EXPECT_EQ(view->bandWidget(main), frame);  // hidden, not rebuilt

  Band& status_band = *control.band("sb_Status");
  status_band.visible = false;
  control.recalcLayout();
  EXPECT_FALSE(view->bottomDock().get_visible());

  control.tool("tb_Addressbar", "b_go")->visible = false;
  control.recalcLayout();
  EXPECT_FALSE(widgetOf("tb_Addressbar", "b_go")->get_visible());

  main.visible = true;
  status_band.visible = true;
  control.recalcLayout();
  EXPECT_TRUE(frame->get_visible());
  EXPECT_TRUE(view->bottomDock().get_visible());
}

TEST_F(ToolbarViewTest, ButtonsFollowStyleAndRedrawUpdatesTheSameWidgets) {
  load(kSkin);
  show();
  auto* back = widgetOf("tb_Main", "b_back");
  EXPECT_FALSE(findAll<Gtk::Label>(*back).front()->get_visible());  // icon only
  EXPECT_EQ(findAll<Gtk::Image>(*back).front()->get_icon_name(), "go-previous-symbolic");
  EXPECT_EQ(back->get_tooltip_text(), "Go back");
  EXPECT_FALSE(findAll<Gtk::Image>(*widgetOf("tb_Addressbar", "b_go")).front()->get_visible());  // text only
  EXPECT_EQ(labelText(widgetOf("tb_Addressbar", "b_go")), "Go");  // no mnemonic mark on a bar
  EXPECT_FALSE(widgetOf("tb_Main", "b_off")->get_sensitive());

  Tool& fav = *control.tool("tb_Main", "b_fav");
  auto* before = dynamic_cast<Gtk::ToggleButton*>(view->toolWidget(fav));
  ASSERT_NE(before, nullptr);
  fav.caption = "Bookmarks";
  fav.checked = true;
  fav.enabled = false;
  fav.tooltip = "Show bookmarks";
  fav.image = "icon:user-bookmarks-symbolic";
  control.redraw();
  EXPECT_EQ(view->toolWidget(fav), before);
  EXPECT_EQ(labelText(before), "Bookmarks");
  EXPECT_TRUE(before->get_active());
  EXPECT_FALSE(before->get_sensitive());
  EXPECT_EQ(before->get_tooltip_text(), "Show bookmarks");
  EXPECT_EQ(findAll<Gtk::Image>(*before).front()->get_icon_name(), "user-bookmarks-symbolic");

  fav.style = 1;  // icon only now
  control.redraw();
  EXPECT_FALSE(findAll<Gtk::Label>(*before).front()->get_visible());

  Tool& count = *control.tool("sb_Status", "lbl_count");
  Gtk::Widget* label = view->toolWidget(count);
  count.caption = "Blocked: 3";
  control.redraw();
  EXPECT_EQ(view->toolWidget(count), label);
  EXPECT_EQ(labelText(label), "Blocked: 3");
}

TEST_F(ToolbarViewTest, PicturesFromFilesAndFromTheProgram) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "zor_toolbar_view_test";
  std::filesystem::create_directories(dir / "res");
  std::vector<guint8> pixels(16 * 16 * 4, 0xff);
  auto texture = [&] {
    return Gdk::MemoryTexture::create(16, 16, Gdk::MemoryTexture::Format::R8G8B8A8,
                                      Glib::Bytes::create(pixels.data(), pixels.size()), 16 * 4);
  };
  ASSERT_TRUE(texture()->save_to_png((dir / "res" / "tab1.png").string()));
  load(kSkin);
  show(dir.string());

  Tool& tab = addTab(1, "New");
  tab.image = "res\\tab1.png";  // the skin's own separators are taken too
  control.recalcLayout();
  auto* image = findAll<Gtk::Image>(*view->toolWidget(tab)).front();
  EXPECT_EQ(image->get_storage_type(), Gtk::Image::Type::PAINTABLE);

  auto icon = texture();
  view->setImage("page:1", icon);
  tab.image = "page:1";
  control.redraw();
  EXPECT_EQ(image->get_paintable(), icon);

  tab.image = "res/missing.png";
  control.redraw();
  EXPECT_EQ(image->get_storage_type(), Gtk::Image::Type::EMPTY);
  std::filesystem::remove_all(dir);
}

TEST_F(ToolbarViewTest, ManyTabsRenameOneWithoutRebuildingTheStrip) {
  load(kSkin);
  show();
  for (int n = 1; n <= 200; ++n) {
    addTab(n, "Tab " + std::to_string(n));
    control.recalcLayout();
  }
  Band& strip = *control.band("tb_Tabs");
  std::vector<Gtk::Widget*> before;
  for (const auto& t : strip.tools()) before.push_back(view->toolWidget(*t));
  ASSERT_EQ(before.size(), 200u);
  ASSERT_EQ(std::count(before.begin(), before.end(), nullptr), 0);

  Tool& tab57 = *strip.tools().at(56);
  // One tab changed: every other widget stays as it was (the cost is measured in bench/).
  tab57.caption = "Example Domain";
  tab57.checked = true;
  control.recalcLayout();
  for (int i = 0; i < 200; ++i) EXPECT_EQ(view->toolWidget(*strip.tools().at(i)), before[i]) << i;
  EXPECT_EQ(labelText(before[56]), "Example Domain");
  EXPECT_EQ(labelText(before[55]), "Tab 56");
  EXPECT_TRUE(dynamic_cast<Gtk::ToggleButton*>(before[56])->get_active());

  // Closing one tab takes only its button away; the rest keep their widgets and order.
  strip.tools().remove(99);
  control.recalcLayout();
  EXPECT_EQ(view->toolWidget(*strip.tools().at(99)), before[100]);
  std::vector<Gtk::Widget*> shown;
  Gtk::Widget* box = before[0]->get_parent();
  for (Gtk::Widget* c = box->get_first_child(); c; c = c->get_next_sibling()) shown.push_back(c);
  ASSERT_EQ(shown.size(), 199u);
  for (int i = 0; i < 199; ++i) EXPECT_EQ(shown[i], before[i < 99 ? i : i + 1]) << i;
}

TEST_F(ToolbarViewTest, MenusOpenAfterTheOpenEventWithTheModelsCurrentState) {
  load(kSkin);
  show();
  click(widgetOf("mnu_Main", "m_File"));
  ASSERT_NE(view->openMenu(), nullptr);
  EXPECT_TRUE(has("open sub_File"));  // fired while no menu was shown yet
  EXPECT_TRUE(has("open sub_Recent"));
  auto list = openItems();
  auto actions = view->openMenuActions();
  const Item* newt = findItem(list, "New _Tab");
  const Item* offline = findItem(list, "Work _Offline");
  const Item* print = findItem(list, "_Print");
  const Item* recent = findItem(list, "_Recent");
  ASSERT_TRUE(newt && offline && print && recent);
  EXPECT_EQ(findItem(list, "Secret"), nullptr);
  EXPECT_EQ(newt->section, 0);
  EXPECT_EQ(recent->section, 1);  // after the separator
  EXPECT_TRUE(actions->get_action_enabled(newt->action));
  EXPECT_FALSE(actions->get_action_enabled(print->action));
  EXPECT_EQ(checkState(actions, offline->action), 1);
  EXPECT_EQ(checkState(actions, newt->action), -1);
  ASSERT_EQ(recent->submenu.size(), 1u);
  EXPECT_EQ(recent->submenu[0].label, "First");

  EXPECT_TRUE(widgetOf("mnu_Main", "m_File")->has_css_class("zor-open"));  // drawn pressed while open
  actions->activate_action(newt->action);
  view->closeMenus();
  EXPECT_FALSE(widgetOf("mnu_Main", "m_File")->has_css_class("zor-open"));
  ASSERT_TRUE(waitFor([this] { return has("close sub_File"); }));
  const auto newt_click = std::find(log.begin(), log.end(), "click b_newt");
  ASSERT_NE(newt_click, log.end());
  EXPECT_LT(newt_click, std::find(log.begin(), log.end(), "close sub_File"));
  EXPECT_TRUE(has("close sub_Recent"));

  // The next opening shows what the open handler changes.
  on_open = [this](Band& b) {
    if (b.name == "sub_File") control.tool("sub_File", "b_offline")->checked = false;
  };
  click(widgetOf("mnu_Main", "m_File"));
  list = openItems();
  offline = findItem(list, "Work _Offline");
  ASSERT_NE(offline, nullptr);
  EXPECT_EQ(checkState(view->openMenuActions(), offline->action), -1);

  // While it is open, a redraw shows the model's states: an answer that arrives late
  // enables a tool, a tool checked elsewhere gets its mark, a removed tool goes insensitive.
  const Item* newt2 = findItem(list, "New _Tab");
  const Item* print2 = findItem(list, "_Print");
  ASSERT_NE(newt2, nullptr);
  ASSERT_NE(print2, nullptr);
  control.tool("sub_File", "b_print")->enabled = true;
  control.tool("sub_File", "b_newt")->enabled = false;
  control.redraw();
  EXPECT_TRUE(view->openMenuActions()->get_action_enabled(print2->action));
  EXPECT_FALSE(view->openMenuActions()->get_action_enabled(newt2->action));
  toolbar::ToolCollection& file_tools = control.band("sub_File")->tools();
  file_tools.remove(file_tools.indexOf(control.tool("sub_File", "b_print")));
  control.redraw();
  EXPECT_FALSE(view->openMenuActions()->get_action_enabled(print2->action));
}

TEST_F(ToolbarViewTest, CancelledOpenKeepsTheMenuClosed) {
  load(kSkin);
  show();
  cancel_open = "sub_Edit";
  click(widgetOf("mnu_Main", "m_Edit"));
  pump();
  EXPECT_TRUE(has("open sub_Edit"));
  EXPECT_EQ(view->openMenu(), nullptr);
  EXPECT_FALSE(has("close sub_Edit"));

  // A cancelled submenu is shown, but cannot be opened.
  cancel_open = "sub_Recent";
  click(widgetOf("mnu_Main", "m_File"));
  const auto list = openItems();
  const Item* recent = findItem(list, "_Recent");
  ASSERT_NE(recent, nullptr);
  EXPECT_TRUE(recent->submenu.empty());
  EXPECT_FALSE(view->openMenuActions()->get_action_enabled(recent->action));
}

TEST_F(ToolbarViewTest, PopupsAtThePointerAndTheCustomizeMenu) {
  load(kSkin);
  show();
  control.band("tab_Menu")->popupMenu();
  Gtk::PopoverMenu* menu = view->openMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(waitFor([menu] { return menu->get_mapped(); }));
  EXPECT_EQ(log, std::vector<std::string>{"open tab_Menu"});
  EXPECT_NE(findItem(openItems(), "_Close Tab"), nullptr);
  menu->popdown();
  EXPECT_TRUE(waitFor([this] { return has("close tab_Menu"); }));
  EXPECT_EQ(view->openMenu(), nullptr);

  // The customise menu: the band is made when missing.
  view->openCustomizeMenu();
  Band* sys = control.band("SysCustomize");
  ASSERT_NE(sys, nullptr);
  EXPECT_EQ(sys->type, toolbar::kPopup);
  EXPECT_TRUE(has("open SysCustomize"));
  auto list = openItems();
  EXPECT_EQ(findItem(list, "tab_Menu"), nullptr);  // popups are not bars
  const Item* status_item = findItem(list, "sb_Status");
  ASSERT_NE(status_item, nullptr);
  EXPECT_EQ(checkState(view->openMenuActions(), status_item->action), 1);
  view->openMenuActions()->activate_action(status_item->action);
  EXPECT_FALSE(control.band("sb_Status")->visible);
  EXPECT_FALSE(view->bottomDock().get_visible());
  EXPECT_TRUE(has("close sb_Status"));
  view->closeMenus();
  EXPECT_TRUE(waitFor([this] { return has("close SysCustomize"); }));

  // Over a tab the program cancels and shows its tab menu instead.
  log.clear();
  cancel_open = "SysCustomize";
  on_open = [this](Band& b) {
    if (b.name == "SysCustomize") control.band("tab_Menu")->popupMenu();
  };
  view->openCustomizeMenu();
  EXPECT_NE(findItem(openItems(), "_Close Tab"), nullptr);
  EXPECT_EQ(findItem(openItems(), "sb_Status"), nullptr);
}

TEST_F(ToolbarViewTest, SideBarPagesAndCloseButton) {
  load(kSkin);
  show();
  Band& side = *control.band("tb_Leftbar");
  Gtk::Widget* frame = view->bandWidget(side);
  auto stack = findAll<Gtk::Stack>(*frame);
  ASSERT_EQ(stack.size(), 1u);
  EXPECT_TRUE(inside(&fav_tree, stack[0]->get_visible_child()));
  EXPECT_EQ(view->paned().get_position(), 260);

  Gtk::ToggleButton* history = nullptr;
  for (auto* b : findAll<Gtk::ToggleButton>(*frame))
    if (labelText(b) == "History") history = b;
  ASSERT_NE(history, nullptr);
  click(history);
  EXPECT_TRUE(has("child cbnd_History"));
  EXPECT_EQ(side.currentChild(), control.band("cbnd_History"));
  EXPECT_TRUE(inside(&history_tree, stack[0]->get_visible_child()));
  EXPECT_TRUE(history->get_active());

  // A child band's picture shows in its header, before the caption.
  control.band("cbnd_History")->image = "icon:document-open-recent";
  control.recalcLayout();
  history = nullptr;
  for (auto* b : findAll<Gtk::ToggleButton>(*frame))
    if (labelText(b) == "History") history = b;
  ASSERT_NE(history, nullptr);
  auto pictures = findAll<Gtk::Image>(*history);
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_EQ(pictures[0]->get_icon_name(), "document-open-recent");

  Gtk::Button* close = nullptr;
  for (auto* b : findAll<Gtk::Button>(*frame))
    if (b->get_icon_name() == "window-close-symbolic") close = b;
  ASSERT_NE(close, nullptr);
  click(close);
  EXPECT_FALSE(side.visible);
  EXPECT_TRUE(has("close tb_Leftbar"));
  EXPECT_FALSE(view->leftDock().get_visible());
}

TEST_F(ToolbarViewTest, StructureChangesMoveAndAddWithoutRebuilding) {
  load(kSkin);
  show();
  Tool proto(720, "b_mail");
  proto.caption = "Mail";
  control.band("tb_Main")->tools().insert(1, proto);
  control.recalcLayout();
  Gtk::Widget* second = widgetOf("tb_Main", "b_back")->get_next_sibling();
  EXPECT_EQ(labelText(second), "Mail");
  EXPECT_EQ(second->get_next_sibling(), widgetOf("tb_Main", "b_home"));

  Band& addr = *control.band("tb_Addressbar");
  Band& main = *control.band("tb_Main");
  Gtk::Widget* addr_frame = view->bandWidget(addr);
  EXPECT_NE(addr_frame->get_parent(), view->bandWidget(main)->get_parent());
  addr.dock_row = main.dock_row;
  addr.dock_position = 1;
  control.recalcLayout();
  EXPECT_EQ(view->bandWidget(addr), addr_frame);
  EXPECT_EQ(addr_frame->get_parent(), view->bandWidget(main)->get_parent());
  EXPECT_EQ(view->bandWidget(main)->get_next_sibling(), addr_frame);

  // A band made at run time shows at once; a removed one goes.
  Band* links = control.addBand("tb_Links");
  links->dock_row = 5;
  links->tools().add(1, "b_link")->caption = "Link";
  control.recalcLayout();
  ASSERT_NE(view->bandWidget(*links), nullptr);
  EXPECT_TRUE(inside(view->bandWidget(*links), &view->topDock()));
  control.removeBand("tb_Links");
  control.recalcLayout();
  pump();
  for (Gtk::Label* label : findAll<Gtk::Label>(view->topDock())) EXPECT_NE(label->get_text(), "Link");
}

TEST_F(ToolbarViewTest, ShortcutsRaiseClicksOrFocusTheDockedControl) {
  load(kSkin);
  show();
  view->attachShortcuts(window);
  // Runs the window's shortcut for the key as a key press would (the controller taking
  // keys before the focus, or the one taking what the focus left).
  auto trigger = [&](guint key, Gdk::ModifierType mods) {
    auto controllers = window.observe_controllers();
    for (guint i = 0; i < controllers->get_n_items(); ++i) {
      auto c = std::dynamic_pointer_cast<Gtk::ShortcutController>(controllers->get_object(i));
      for (guint j = 0; c && j < c->get_n_items(); ++j) {
        auto s = std::dynamic_pointer_cast<Gtk::Shortcut>(c->get_object(j));
        auto k = std::dynamic_pointer_cast<Gtk::KeyvalTrigger>(s->get_trigger());
        if (k && k->get_keyval() == key && k->get_modifiers() == mods) return s->get_action()->activate(window);
      }
    }
    ADD_FAILURE() << "no shortcut for " << key;
    return false;
  };
  EXPECT_TRUE(trigger(GDK_KEY_r, Gdk::ModifierType::CONTROL_MASK));
  EXPECT_TRUE(trigger(GDK_KEY_t, Gdk::ModifierType::CONTROL_MASK));  // a menu tool's key works too
  EXPECT_TRUE(trigger(GDK_KEY_Left, Gdk::ModifierType::ALT_MASK));
  EXPECT_FALSE(trigger(GDK_KEY_k, Gdk::ModifierType::CONTROL_MASK));  // disabled: not handled
  EXPECT_EQ(log, (std::vector<std::string>{"click b_home", "click b_newt", "click b_back"}));
  EXPECT_TRUE(trigger(GDK_KEY_l, Gdk::ModifierType::CONTROL_MASK));
  EXPECT_TRUE(inside(window.get_focus(), &address));
  EXPECT_EQ(log.size(), 3u);
  log.clear();

  EXPECT_TRUE(trigger(GDK_KEY_F10, Gdk::ModifierType{}));  // opens the first menu
  EXPECT_TRUE(has("open sub_File"));
  ASSERT_NE(view->openMenu(), nullptr);
  view->closeMenus();
  pump();

  // Tools added later get their keys.
  Tool* extra = control.band("tb_Main")->tools().add(730, "b_extra");
  extra->shortcut = "<Control><Shift>e";
  control.recalcLayout();
  EXPECT_TRUE(trigger(GDK_KEY_e, Gdk::ModifierType::CONTROL_MASK | Gdk::ModifierType::SHIFT_MASK));
  EXPECT_EQ(log.back(), "click b_extra");
}

TEST_F(ToolbarViewTest, BandResizeIsReportedOncePerSettledWidth) {
  load(kSkin);
  show();
  ASSERT_TRUE(waitFor([this] { return has("resize tb_Main"); }));
  pump();
  log.clear();
  control.tool("tb_Main", "b_fav")->width = 300;
  control.recalcLayout();
  ASSERT_TRUE(waitFor([this] { return has("resize tb_Main"); }));
  waitFor([] { return false; }, 300);
  EXPECT_EQ(std::count(log.begin(), log.end(), "resize tb_Main"), 1);
  EXPECT_FALSE(has("resize tb_Addressbar"));  // its width did not change
}

// Real pointer and keys through the X test extension.
TEST_F(ToolbarViewTest, PointerAndKeysFromTheXServer) {
  if (std::system("xdotool version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xdotool";
  load(kSkin);
  show();
  view->attachShortcuts(window);
  addTab(1, "Alpha");
  control.recalcLayout();
  pump();
  Gtk::Widget* tab = view->toolWidget(*control.band("tb_Tabs")->tools().at(0));
  double x = 0, y = 0;
  ASSERT_TRUE(tab->translate_coordinates(window, tab->get_width() / 2.0, tab->get_height() / 2.0, x, y));
  double tx = 0, ty = 0;
  window.get_surface_transform(tx, ty);
  // Without a window manager the window sits at the screen's origin.
  const std::string move = "xdotool mousemove " + std::to_string(int(x + tx)) + " " + std::to_string(int(y + ty));
  ASSERT_EQ(std::system(move.c_str()), 0);
  EXPECT_TRUE(waitFor([this] { return has("enter tabs-1"); }));
  ASSERT_EQ(std::system("xdotool click --repeat 2 --delay 60 1"), 0);
  EXPECT_TRUE(waitFor([this] { return has("dblclick tabs-1"); }));
  EXPECT_TRUE(has("click tabs-1"));
  log.clear();
  ASSERT_EQ(std::system("xdotool key ctrl+r"), 0);
  EXPECT_TRUE(waitFor([this] { return has("click b_home"); }));
}

TEST_F(ToolbarViewTest, ShippedSkinShowsAsABrowserChrome) {
  std::string error;
  ASSERT_TRUE(control.loadLayout("", ZOR_SOURCE_DIR "/data/default.tb2", 1, &error)) << error;
  show();
  Gtk::Widget* menubar = view->bandWidget(*control.band("mnu_Main"));
  ASSERT_NE(menubar, nullptr);
  EXPECT_EQ(static_cast<int>(findAll<Gtk::Button>(*menubar).size()), control.band("mnu_Main")->tools().count());
  EXPECT_TRUE(inside(view->bandWidget(*control.band("tb_Main")), &view->topDock()));
  EXPECT_TRUE(inside(view->bandWidget(*control.band("sb_Status")), &view->bottomDock()));
  EXPECT_FALSE(view->leftDock().get_visible());  // the side bar starts hidden
  for (const auto& band : control.bands()) {
    if (band->type == toolbar::kPopup) {
      EXPECT_EQ(view->bandWidget(*band), nullptr) << band->name;
    }
  }

  // Every menu of the menu bar opens.
  for (const auto& t : control.band("mnu_Main")->tools()) {
    click(view->toolWidget(*t));
    EXPECT_FALSE(openItems().empty()) << t->name;
    view->closeMenus();
    pump();
  }
  view->openCustomizeMenu();
  EXPECT_NE(findItem(openItems(), "New _Tab"), nullptr);
  EXPECT_NE(findItem(openItems(), "Standard Buttons"), nullptr);
}

}  // namespace
}  // namespace zor::gtk
