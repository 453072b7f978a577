// The GTK face of our toolbar control: menu bar, tool bars, tab strip, side bar and status
// bar around the page area, kept in step with the band/tool model and turning GTK input
// into the model's events.
#pragma once

#include <gtkmm.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "hosts/toolbar/menu_plan.h"
#include "hosts/toolbar/toolbar.h"

namespace zor::gtk {

class SlotWidget;
class MenuListWindow;
struct BandRec;
struct ToolRec;
struct OpenMenu;

// A form control docked into a tool (`ctl_addr`, `ctl_ieicon`, the status text...). The
// view shows `widget` in the tool's place but does not own it: the docking code keeps it
// alive for as long as the tool holds this control.
struct WidgetControl : toolbar::CustomControl {
  explicit WidgetControl(Gtk::Widget* w = nullptr) : widget(w) {}
  Gtk::Widget* widget = nullptr;
};

// Layout, top to bottom: the top dock (bands docked top or floating, by row then position),
// a paned with the left dock (side bar; right-docked bands join it) and the client slot,
// then the bottom dock (status bar). Popup bands are menus built when they open.
class ToolbarView : public Gtk::Box, public toolbar::ToolbarView {
 public:
  // Becomes the view of `control` and shows it at once. Relative picture paths are
  // taken from `program_dir`.
  ToolbarView(toolbar::ToolbarControl& control, std::string program_dir);
  ~ToolbarView() override;
  ToolbarView(const ToolbarView&) = delete;
  ToolbarView& operator=(const ToolbarView&) = delete;

  // The page area. The view does not own it.
  void setClient(Gtk::Widget& client);

  // Puts every tool's shortcut on `window`; kept up to date as tools change. A key a
  // focused text field needs (typing, Escape, Ctrl+A/C/V/X/Z/Y, Ctrl with a caret key) is
  // taken only when the focus leaves it unused; every other key is taken before the focus
  // (page, address box) sees it. An enabled tool's shortcut raises its click; a docked
  // control's shortcut focuses it.
  void attachShortcuts(Gtk::Window& window);

  // Pictures that are not files (the page icon): a tool whose image is `key` shows
  // `paintable`. An empty paintable forgets the key. Takes effect at the next redraw.
  void setImage(const std::string& key, const Glib::RefPtr<Gdk::Paintable>& paintable);

  // The control's own customise menu (what a right click on the bars opens after the
  // "SysCustomize" open event was not cancelled), at the pointer.
  void openCustomizeMenu();

  // Where a band is laid out now, in this widget's coordinates; false when not shown.
  bool bandGeometry(const toolbar::Band& band, int& x, int& y, int& width, int& height);

  // toolbar::ToolbarView
  void recalcLayout() override;
  void redraw() override;
  void popupMenu(toolbar::Band& band) override;
  void structureChanged() override;

  // What shows a tool or band now, or nullptr (popup bands and their tools have none).
  Gtk::Widget* toolWidget(const toolbar::Tool& tool) const;
  Gtk::Widget* bandWidget(const toolbar::Band& band) const;
  Gtk::Box& topDock() { return *top_dock_; }
  Gtk::Box& leftDock() { return *left_dock_; }
  Gtk::Box& bottomDock() { return *bottom_dock_; }
  Gtk::Paned& paned() { return *paned_; }
  // The menu shown now and the actions behind its items (named in its model), or null.
  Gtk::PopoverMenu* openMenu() const;
  Glib::RefPtr<Gio::ActionGroup> openMenuActions() const;
  void closeMenus();

  // The user's texts by language key, with the English text when there is none; the
  // view's own entries ("More...") and the list window read them.
  std::function<std::string(const std::string& key, const std::string& fallback)> text;

 private:
  enum class Area { kTop, kLeft, kBottom };

  void sync();
  void syncBands();
  void syncPlacement();
  void syncBand(BandRec& rec);
  void syncBandTools(BandRec& rec);
  void syncSideBar(BandRec& rec);
  void syncTool(ToolRec& rec);

  std::unique_ptr<BandRec> makeBand(toolbar::Band& band);
  std::unique_ptr<ToolRec> makeTool(BandRec& band, toolbar::Tool& tool);
  void connectToolInput(ToolRec& rec, Gtk::Widget& widget, bool clickable);
  void discardTool(std::unique_ptr<ToolRec> rec);
  void discardBand(std::unique_ptr<BandRec> rec);
  void unplace(BandRec& rec);
  void scheduleCleanup();
  bool live(const ToolRec& rec) const;
  bool liveTool(const toolbar::Tool* tool) const;

  void onToolClicked(ToolRec* rec);
  void onBandRightClick(BandRec* rec, double x, double y);
  void onBandWidth(BandRec* rec, int width);
  void scrollToTab(ToolRec* tab);

  // toolbar_shortcuts.cpp
  void syncShortcuts();
  bool onShortcut(toolbar::Tool* tool);

  // toolbar_view_menus.cpp
  std::unique_ptr<OpenMenu> newMenu();
  void openMenuList(const std::string& band, std::vector<toolbar::ListedEntry> entries);
  bool openBandMenu(toolbar::Band& band, const Gdk::Rectangle& where, ToolRec* anchor = nullptr);
  bool openFirstMenu();
  void showMenu(std::unique_ptr<OpenMenu> menu, const Gdk::Rectangle& where);
  void onMenuClosed(OpenMenu* menu);
  Gdk::Rectangle anchorOf(Gtk::Widget& widget);
  Gdk::Rectangle pointerRect();

  void applyImage(Gtk::Image& image, const std::string& spec, const void*& applied_key);
  Glib::RefPtr<Gdk::Paintable> fileImage(const std::string& path);
  std::string resolvePath(const std::string& path) const;
  bool isCustomSlot(Gtk::Widget* w, Gtk::Widget* stop) const;

  toolbar::ToolbarControl& control_;
  std::string program_dir_;

  std::unique_ptr<Gtk::Box> top_dock_;
  std::unique_ptr<Gtk::Paned> paned_;
  std::unique_ptr<Gtk::Box> left_dock_;
  std::unique_ptr<Gtk::Box> client_holder_;
  std::unique_ptr<Gtk::Box> bottom_dock_;
  Gtk::Widget* client_ = nullptr;

  std::vector<std::unique_ptr<BandRec>> bands_;  // in control order
  std::unordered_map<const toolbar::Band*, BandRec*> band_index_;
  std::unordered_map<const toolbar::Tool*, ToolRec*> tool_index_;
  // What the docks hold now: area, row and band for each placed band, in order.
  struct Placed {
    Area area;
    int row;
    BandRec* band;
    bool operator==(const Placed&) const = default;
  };
  std::vector<Placed> placement_;
  std::vector<std::unique_ptr<Gtk::Box>> rows_;
  int applied_extent_ = -1;
  bool setting_position_ = false;

  std::vector<std::unique_ptr<OpenMenu>> menus_;
  std::unique_ptr<MenuListWindow> list_window_;
  sigc::connection list_cleanup_;
  std::vector<std::unique_ptr<ToolRec>> dead_tools_;
  std::vector<std::unique_ptr<BandRec>> dead_bands_;
  std::vector<std::unique_ptr<Gtk::Widget>> dead_widgets_;
  sigc::connection cleanup_;

  Glib::RefPtr<Gtk::ShortcutController> shortcuts_;        // after the focus had its turn
  Glib::RefPtr<Gtk::ShortcutController> first_shortcuts_;  // before the focus sees the key
  std::vector<std::pair<std::string, toolbar::Tool*>> shortcut_list_;

  std::map<std::string, Glib::RefPtr<Gdk::Paintable>> named_images_;
  std::map<std::string, Glib::RefPtr<Gdk::Paintable>> file_images_;

  double pointer_x_ = -1, pointer_y_ = -1;
  bool syncing_ = false;
  bool resync_ = false;
};

}  // namespace zor::gtk
