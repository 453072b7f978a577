// The view's keyboard shortcuts: every tool's accelerator on the window, and F10 for the
// menu bar.
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "hosts/gtk/toolbar_view.h"
#include "hosts/gtk/toolbar_view_records.h"

namespace zor::gtk {

using toolbar::Tool;

void ToolbarView::attachShortcuts(Gtk::Window& window) {
  if (shortcuts_) {
    if (Gtk::Widget* owner = shortcuts_->get_widget()) owner->remove_controller(shortcuts_);
  }
  shortcuts_ = Gtk::ShortcutController::create();
  shortcuts_->set_scope(Gtk::ShortcutScope::GLOBAL);
  window.add_controller(shortcuts_);
  shortcut_list_.clear();
  syncShortcuts();
}

void ToolbarView::syncShortcuts() {
  if (!shortcuts_) return;
  struct Accel {
    guint key;
    Gdk::ModifierType mods;
  };
  std::vector<std::pair<std::string, Tool*>> list;
  std::vector<Accel> accels;
  std::set<std::string> seen;
  for (Tool* tool : control_.allTools()) {
    if (tool->shortcut.empty()) continue;
    guint key = 0;
    Gdk::ModifierType mods{};
    if (!Gtk::Accelerator::parse(tool->shortcut, key, mods) || key == 0) continue;
    // The same command may stand in a menu and a tool bar; the first one answers.
    std::string name = Gtk::Accelerator::name(gdk_keyval_to_lower(key), mods);
    if (!seen.insert(name).second) continue;
    list.emplace_back(std::move(name), tool);
    accels.push_back({gdk_keyval_to_lower(key), mods});
  }
  if (list == shortcut_list_) return;
  while (shortcuts_->get_n_items() > 0) {
    auto item = std::dynamic_pointer_cast<Gtk::Shortcut>(shortcuts_->get_object(0));
    if (!item) break;
    shortcuts_->remove_shortcut(item);
  }
  for (size_t i = 0; i < list.size(); ++i) {
    Tool* tool = list[i].second;
    auto action =
        Gtk::CallbackAction::create([this, tool](Gtk::Widget&, const Glib::VariantBase&) { return onShortcut(tool); });
    shortcuts_->add_shortcut(Gtk::Shortcut::create(Gtk::KeyvalTrigger::create(accels[i].key, accels[i].mods), action));
  }
  // F10 opens the menu bar, as in any desktop program, unless a tool wants the key.
  if (!seen.count(Gtk::Accelerator::name(GDK_KEY_F10, Gdk::ModifierType{}))) {
    auto action =
        Gtk::CallbackAction::create([this](Gtk::Widget&, const Glib::VariantBase&) { return openFirstMenu(); });
    shortcuts_->add_shortcut(Gtk::Shortcut::create(Gtk::KeyvalTrigger::create(GDK_KEY_F10), action));
  }
  shortcut_list_ = std::move(list);
}

bool ToolbarView::onShortcut(Tool* tool) {
  if (!liveTool(tool)) return false;
  if (Gtk::Widget* w = customWidget(*tool)) {
    if (!w->get_mapped()) return false;
    w->grab_focus();
    return true;
  }
  if (!tool->enabled) return false;
  control_.fireToolClick(*tool);
  return true;
}

}  // namespace zor::gtk
