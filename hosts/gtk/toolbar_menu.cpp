#include "hosts/gtk/toolbar_menu.h"

#include <gtkmm/accelerator.h>

#include <algorithm>
#include <memory>
#include <unordered_map>

namespace zor::gtk {

namespace {
// Submenus may name each other; a skin with a loop must not hang the menu.
constexpr int kMaxDepth = 8;
}  // namespace

MenuBuilder::MenuBuilder(toolbar::ToolbarControl& control, Activate on_activate)
    : control_(control), on_activate_(std::move(on_activate)), actions_(Gio::SimpleActionGroup::create()) {}

Glib::RefPtr<Gio::Menu> MenuBuilder::build(toolbar::Band& band) {
  if (control_.fireBandOpen(band)) return {};
  opened_.push_back(&band);
  auto menu = Gio::Menu::create();
  fill(band, menu, 0);
  return menu;
}

void MenuBuilder::fill(toolbar::Band& band, const Glib::RefPtr<Gio::Menu>& menu, int depth) {
  auto section = Gio::Menu::create();
  auto flush = [&] {
    if (section->get_n_items() == 0) return;
    menu->append_section(section);
    section = Gio::Menu::create();
  };
  // Planned first: an open handler of a submenu may add tools to any band.
  toolbar::MenuPlan plan = toolbar::PlanMenu(band);
  for (toolbar::Tool* tool : plan.shown) {
    if (tool->control_type == toolbar::kSeparator) {
      flush();
      continue;
    }
    const std::string label = toolbar::ToolLabel(*tool);
    if (!tool->submenu.empty()) {
      toolbar::Band* sub = control_.band(tool->submenu);
      const bool loops = std::find(opened_.begin(), opened_.end(), sub) != opened_.end();
      if (sub && !loops && depth < kMaxDepth && tool->enabled && !control_.fireBandOpen(*sub)) {
        opened_.push_back(sub);
        auto submenu = Gio::Menu::create();
        fill(*sub, submenu, depth + 1);
        section->append_submenu(label, submenu);
      } else {
        // Shown but unusable, as a disabled submenu entry looks in any menu.
        auto item = Gio::MenuItem::create(label, std::string(kActionPrefix) + "." + addAction(false, false, false, {}));
        section->append_item(item);
      }
      continue;
    }
    toolbar::Band* owner = &band;
    std::string action = addAction(tool->checked, tool->checked, tool->enabled,
                                   [this, owner, tool] { on_activate_(*owner, *tool); });
    bound_.push_back({band.name, tool->name,
                      std::dynamic_pointer_cast<Gio::SimpleAction>(actions_->lookup_action(action)), tool->checked});
    auto item = Gio::MenuItem::create(label, std::string(kActionPrefix) + "." + action);
    if (const auto keys = toolbar::ShortcutKeys(tool->shortcut); !keys.empty()) {
      guint key = 0;
      Gdk::ModifierType mods{};
      if (Gtk::Accelerator::parse(keys.front(), key, mods) && key != 0)
        item->set_attribute_value("accel", Glib::Variant<Glib::ustring>::create(keys.front()));
    }
    section->append_item(item);
  }
  flush();
  if (!plan.listed.empty()) {
    auto entries = std::make_shared<std::vector<toolbar::ListedEntry>>(std::move(plan.listed));
    const std::string action = addAction(false, false, static_cast<bool>(more),
                                         [this, name = band.name, entries] { more(name, std::move(*entries)); });
    section->append(more_label, std::string(kActionPrefix) + "." + action);
    flush();
  }
}

void MenuBuilder::refresh() {
  // One pass over each band's tools, not a search per entry: a menu of a list file may
  // hold tens of thousands of entries.
  std::unordered_map<std::string, std::unordered_map<std::string, const toolbar::Tool*>> by_band;
  for (const Bound& bound : bound_) {
    if (!bound.action) continue;
    auto [entry, fresh] = by_band.try_emplace(bound.band);
    if (fresh)
      if (const toolbar::Band* band = control_.band(bound.band))
        for (const auto& t : band->tools()) entry->second.try_emplace(t->name, t.get());
    const auto found = entry->second.find(bound.tool);
    const toolbar::Tool* tool = found == entry->second.end() ? nullptr : found->second;
    const bool enabled = tool && tool->enabled;
    if (bound.action->get_enabled() != enabled) bound.action->set_enabled(enabled);
    if (bound.stateful && tool) bound.action->set_state(Glib::Variant<bool>::create(tool->checked));
  }
}

void MenuBuilder::appendCheck(const Glib::RefPtr<Gio::Menu>& section, const std::string& label, bool checked,
                              std::function<void()> toggle) {
  std::string action = addAction(true, checked, true, std::move(toggle));
  section->append(label, std::string(kActionPrefix) + "." + action);
}

std::string MenuBuilder::addAction(bool stateful, bool checked, bool enabled, std::function<void()> run) {
  std::string name = "i" + std::to_string(next_action_++);
  auto action = stateful ? Gio::SimpleAction::create_bool(name, checked) : Gio::SimpleAction::create(name);
  action->set_enabled(enabled);
  if (run) action->signal_activate().connect([run = std::move(run)](const Glib::VariantBase&) { run(); });
  actions_->add_action(action);
  return name;
}

}  // namespace zor::gtk
