// What the toolbar view keeps per band, per tool and per open menu; shared by the files
// of the view (bars, menus, shortcuts), not by its users.
#pragma once

#include <gtkmm.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "hosts/gtk/toolbar_menu.h"
#include "hosts/gtk/toolbar_view.h"
#include "hosts/gtk/toolbar_widgets.h"
#include "hosts/toolbar/toolbar.h"

namespace zor::gtk {

enum class ToolKind { kButton, kTab, kMenuTitle, kSeparator, kLabel, kCustom };

// The widget a docked control shows, or nullptr when the tool holds none.
inline Gtk::Widget* customWidget(const toolbar::Tool& tool) {
  auto* control = dynamic_cast<WidgetControl*>(tool.custom.get());
  return control ? control->widget : nullptr;
}

// Bands that sit in a dock; popups and child bands do not.
inline bool dockedBand(int type) { return type != toolbar::kPopup && type != toolbar::kChildBand; }

inline constexpr const char* kCustomizeBand = "SysCustomize";

struct ToolRec {
  BandRec* band = nullptr;
  toolbar::Tool* tool = nullptr;
  ToolKind kind = ToolKind::kButton;
  std::unique_ptr<Gtk::Widget> widget;
  Gtk::ToggleButton* toggle = nullptr;  // buttons and tabs
  Gtk::Image* image = nullptr;
  Gtk::Label* label = nullptr;
  Gtk::Image* arrow = nullptr;
  SlotWidget* slot = nullptr;  // docked controls
  Gtk::Widget* custom_widget = nullptr;
  bool alive = true;
  bool fresh = true;
  // What the widget shows now, so a resync touches only what changed.
  std::string caption, tooltip, accessible_name;
  const void* image_key = nullptr;
  bool enabled = true, visible = true, has_submenu = false;
  int width = -1;
};

struct BandRec {
  ~BandRec() { resize_timer.disconnect(); }
  toolbar::Band* band = nullptr;
  int type = 0;
  std::unique_ptr<SlotWidget> frame;
  Gtk::Box* tools_box = nullptr;
  Gtk::ScrolledWindow* scroller = nullptr;
  std::vector<std::unique_ptr<ToolRec>> tools;
  bool alive = true;
  bool visible = true;
  bool fresh = true;
  // Side bar.
  Gtk::Box* switcher = nullptr;
  Gtk::Label* title = nullptr;
  Gtk::Stack* stack = nullptr;
  std::vector<toolbar::Band*> children;
  std::vector<std::string> child_captions;
  std::vector<std::string> child_images;
  std::vector<Gtk::ToggleButton*> child_buttons;
  // Child bands: the side bar stack the page sits in.
  Gtk::Stack* in_stack = nullptr;
  // Width reports, debounced.
  int reported_width = -1;
  int pending_width = -1;
  sigc::connection resize_timer;
};

struct OpenMenu {
  OpenMenu(toolbar::ToolbarControl& control, MenuBuilder::Activate activate) : builder(control, std::move(activate)) {}
  ~OpenMenu() { teardown.disconnect(); }
  MenuBuilder builder;
  std::unique_ptr<Gtk::PopoverMenu> popover;
  ToolRec* anchor = nullptr;  // the bar button it drops from, shown pressed meanwhile
  bool closed = false;
  sigc::connection teardown;
};

}  // namespace zor::gtk
