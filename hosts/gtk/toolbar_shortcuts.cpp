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

namespace {

// Keys a focused text field (an input in the page, the address box) uses for itself.
bool TextFieldKey(guint key, Gdk::ModifierType mods) {
  using M = Gdk::ModifierType;
  const M held = mods & (M::CONTROL_MASK | M::ALT_MASK | M::META_MASK | M::SUPER_MASK | M::HYPER_MASK);
  if (held == M{}) return key < GDK_KEY_F1 || key > GDK_KEY_F35;
  if (held != M::CONTROL_MASK) return false;
  switch (key) {
    case GDK_KEY_a:
    case GDK_KEY_c:
    case GDK_KEY_v:
    case GDK_KEY_x:
    case GDK_KEY_z:
    case GDK_KEY_y:
    case GDK_KEY_Left:
    case GDK_KEY_Right:
    case GDK_KEY_Up:
    case GDK_KEY_Down:
    case GDK_KEY_Home:
    case GDK_KEY_End:
    case GDK_KEY_BackSpace:
    case GDK_KEY_Delete:
    case GDK_KEY_Insert:
      return true;
    default:
      return false;
  }
}

void Clear(const Glib::RefPtr<Gtk::ShortcutController>& controller) {
  while (controller->get_n_items() > 0) {
    auto item = std::dynamic_pointer_cast<Gtk::Shortcut>(controller->get_object(0));
    if (!item) break;
    controller->remove_shortcut(item);
  }
}

}  // namespace

void ToolbarView::attachShortcuts(Gtk::Window& window) {
  for (auto* controller : {&shortcuts_, &first_shortcuts_}) {
    if (*controller)
      if (Gtk::Widget* owner = (*controller)->get_widget()) owner->remove_controller(*controller);
  }
  shortcuts_ = Gtk::ShortcutController::create();
  shortcuts_->set_scope(Gtk::ShortcutScope::GLOBAL);
  window.add_controller(shortcuts_);
  // On the window in the capture phase: it sees the key before any widget inside, the
  // page included, whose engine would otherwise keep Alt+Left or Ctrl+Tab for itself.
  first_shortcuts_ = Gtk::ShortcutController::create();
  first_shortcuts_->set_scope(Gtk::ShortcutScope::LOCAL);
  first_shortcuts_->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
  window.add_controller(first_shortcuts_);
  shortcut_list_.clear();
  syncShortcuts();
}

void ToolbarView::syncShortcuts() {
  if (!shortcuts_ || !first_shortcuts_) return;
  struct Accel {
    guint key;
    Gdk::ModifierType mods;
  };
  std::vector<std::pair<std::string, Tool*>> list;
  std::vector<Accel> accels;
  std::set<std::string> seen;
  // Runs at every redraw: only tools with a shortcut cost more than a look, even when a
  // band holds a list file's hundred thousand entries.
  std::vector<Tool*> keyed;
  for (const auto& band : control_.bands())
    for (const auto& t : band->tools())
      if (!t->shortcut.empty()) keyed.push_back(t.get());
  for (const auto& t : control_.tools())
    if (!t->shortcut.empty()) keyed.push_back(t.get());
  for (Tool* tool : keyed) {
    for (const std::string& text : toolbar::ShortcutKeys(tool->shortcut)) {
      guint key = 0;
      Gdk::ModifierType mods{};
      if (!Gtk::Accelerator::parse(text, key, mods) || key == 0) continue;
      // The same command may stand in a menu and a tool bar; the first one answers.
      std::string name = Gtk::Accelerator::name(gdk_keyval_to_lower(key), mods);
      if (!seen.insert(name).second) continue;
      list.emplace_back(std::move(name), tool);
      accels.push_back({gdk_keyval_to_lower(key), mods});
    }
  }
  if (list == shortcut_list_) return;
  Clear(shortcuts_);
  Clear(first_shortcuts_);
  for (size_t i = 0; i < list.size(); ++i) {
    Tool* tool = list[i].second;
    auto action =
        Gtk::CallbackAction::create([this, tool](Gtk::Widget&, const Glib::VariantBase&) { return onShortcut(tool); });
    auto& controller = TextFieldKey(accels[i].key, accels[i].mods) ? shortcuts_ : first_shortcuts_;
    controller->add_shortcut(Gtk::Shortcut::create(Gtk::KeyvalTrigger::create(accels[i].key, accels[i].mods), action));
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
