// Turns popup bands into the menu model a Gtk::PopoverMenu shows.
#pragma once

#include <giomm.h>

#include <functional>
#include <string>
#include <vector>

#include "hosts/toolbar/menu_plan.h"
#include "hosts/toolbar/toolbar.h"

namespace zor::gtk {

// Builds one menu at the moment it opens, so it shows the model's current states: hidden
// tools are left out, separators split sections, checked tools carry a check mark,
// disabled ones are insensitive, and a tool's submenu band becomes a submenu. Every band
// taken in gets its open event first (a cancelled one is left out); openedBands() lists
// them so their close events can follow when the menu goes away. A band past the entry cap
// shows its first entries and then `more_label`, which hands the whole list to `more`.
class MenuBuilder {
 public:
  static constexpr const char* kActionPrefix = "zormenu";
  using Activate = std::function<void(toolbar::Band&, toolbar::Tool&)>;
  using More = std::function<void(const std::string& band, std::vector<toolbar::ListedEntry> entries)>;

  MenuBuilder(toolbar::ToolbarControl& control, Activate on_activate);

  // The menu of `band`, or nullptr when its open event was cancelled.
  Glib::RefPtr<Gio::Menu> build(toolbar::Band& band);

  // A check item running `toggle` (for menus that are not bands, like the customise menu).
  void appendCheck(const Glib::RefPtr<Gio::Menu>& section, const std::string& label, bool checked,
                   std::function<void()> toggle);

  Glib::RefPtr<Gio::SimpleActionGroup> actions() const { return actions_; }
  // An open menu follows the model: each item takes its tool's enabled and checked state
  // again (a tool that has gone is disabled). Tools are found by name, never by pointer.
  void refresh();
  const std::vector<toolbar::Band*>& openedBands() const { return opened_; }

  std::string more_label = "More...";
  More more;

 private:
  void fill(toolbar::Band& band, const Glib::RefPtr<Gio::Menu>& menu, int depth);
  std::string addAction(bool stateful, bool checked, bool enabled, std::function<void()> run);

  struct Bound {
    std::string band, tool;
    Glib::RefPtr<Gio::SimpleAction> action;
    bool stateful = false;
  };

  toolbar::ToolbarControl& control_;
  Activate on_activate_;
  Glib::RefPtr<Gio::SimpleActionGroup> actions_;
  std::vector<toolbar::Band*> opened_;
  int next_action_ = 0;
  std::vector<Bound> bound_;
};

}  // namespace zor::gtk
