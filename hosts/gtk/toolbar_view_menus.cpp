// The view's menus: a band's popup menu, the menu bar's titles, the customise menu, and
// where a menu opens.
#include <algorithm>
#include <memory>
#include <utility>

#include "hosts/gtk/menu_list_window.h"
#include "hosts/gtk/toolbar_menu.h"
#include "hosts/gtk/toolbar_view.h"
#include "hosts/gtk/toolbar_view_records.h"

namespace zor::gtk {

using toolbar::Band;
using toolbar::Tool;

std::unique_ptr<OpenMenu> ToolbarView::newMenu() {
  auto menu = std::make_unique<OpenMenu>(control_, [this](Band&, Tool& tool) {
    if (liveTool(&tool)) control_.fireToolClick(tool);
  });
  menu->builder.more_label = text ? text("txt_MenuMore", "_More...") : "_More...";
  menu->builder.more = [this](const std::string& band, std::vector<toolbar::ListedEntry> entries) {
    openMenuList(band, std::move(entries));
  };
  return menu;
}

void ToolbarView::openMenuList(const std::string& band_name, std::vector<toolbar::ListedEntry> entries) {
  list_cleanup_.disconnect();
  list_window_.reset();
  const Band* band = control_.band(band_name);
  MenuListWindow::Texts texts;
  texts.title = toolbar::PlainLabel(band && !band->caption.empty() ? band->caption : band_name);
  texts.filter = text ? text("txt_MenuFilter", "Type to filter") : "Type to filter";
  list_window_ = std::make_unique<MenuListWindow>(
      dynamic_cast<Gtk::Window*>(get_root()), texts, std::move(entries), [this, band_name](const auto& entry) {
        // The same click the menu entry gives, if the tool is still there to take it.
        if (Band* now = control_.band(band_name))
          if (Tool* tool = toolbar::ListedTool(*now, entry); tool && tool->enabled && liveTool(tool))
            control_.fireToolClick(*tool);
      });
  // Gone after it closes; not from inside its own signal.
  MenuListWindow* shown = list_window_.get();
  list_window_->signal_hide().connect([this, shown] {
    list_cleanup_.disconnect();
    list_cleanup_ = Glib::signal_idle().connect([this, shown] {
      if (list_window_.get() == shown && !shown->get_visible()) list_window_.reset();
      return false;
    });
  });
  list_window_->present();
}

bool ToolbarView::openBandMenu(Band& band, const Gdk::Rectangle& where, ToolRec* anchor) {
  closeMenus();
  auto menu = newMenu();
  auto model = menu->builder.build(band);
  if (!model) return false;
  menu->popover = std::make_unique<Gtk::PopoverMenu>(model, Gtk::PopoverMenu::Flags::NESTED);
  if (anchor && anchor->alive) {
    menu->anchor = anchor;
    anchor->widget->add_css_class("zor-open");
  }
  showMenu(std::move(menu), where);
  return true;
}

bool ToolbarView::openFirstMenu() {
  for (auto& rec : bands_) {
    if (rec->type != toolbar::kMenuBar || !rec->band->visible) continue;
    for (auto& tr : rec->tools) {
      if (tr->tool->visible && tr->tool->enabled && !tr->tool->submenu.empty()) {
        onToolClicked(tr.get());
        return openMenu() != nullptr;
      }
    }
  }
  return false;
}

void ToolbarView::openCustomizeMenu() {
  Band* sys = control_.band(kCustomizeBand);
  if (!sys) {
    sys = control_.addBand(kCustomizeBand);
    sys->type = toolbar::kPopup;
    sys->caption = "Customize";
    sync();  // it was a tool bar for a moment
  }
  closeMenus();
  auto menu = newMenu();
  auto model = menu->builder.build(*sys);
  if (!model) return;
  auto section = Gio::Menu::create();
  for (const auto& b : control_.bands()) {
    if (!dockedBand(b->type)) continue;
    Band* band = b.get();
    menu->builder.appendCheck(section, b->caption.empty() ? b->name : b->caption, b->visible, [this, band] {
      const auto& all = control_.bands();
      if (std::none_of(all.begin(), all.end(), [band](const auto& x) { return x.get() == band; })) return;
      band->visible = !band->visible;
      if (!band->visible) control_.fireBandClose(*band);
      control_.recalcLayout();
    });
  }
  if (section->get_n_items() > 0) model->append_section(section);
  menu->popover = std::make_unique<Gtk::PopoverMenu>(model, Gtk::PopoverMenu::Flags::NESTED);
  showMenu(std::move(menu), pointerRect());
}

void ToolbarView::showMenu(std::unique_ptr<OpenMenu> menu, const Gdk::Rectangle& where) {
  Gtk::PopoverMenu& pop = *menu->popover;
  pop.insert_action_group(MenuBuilder::kActionPrefix, menu->builder.actions());
  // Parented to the view, which outlives any button the menu was opened from.
  pop.set_parent(*this);
  pop.set_has_arrow(false);
  pop.set_position(Gtk::PositionType::BOTTOM);
  pop.set_halign(Gtk::Align::START);
  pop.set_pointing_to(where);
  OpenMenu* raw = menu.get();
  pop.signal_closed().connect([this, raw] { onMenuClosed(raw); });
  menus_.push_back(std::move(menu));
  pop.popup();
}

void ToolbarView::onMenuClosed(OpenMenu* menu) {
  if (menu->closed) return;
  menu->closed = true;
  if (menu->anchor) {
    menu->anchor->widget->remove_css_class("zor-open");
    menu->anchor = nullptr;
  }
  // After the chosen item's click: the item's action runs as the menu closes.
  menu->teardown = Glib::signal_idle().connect([this, menu] {
    auto it = std::find_if(menus_.begin(), menus_.end(), [menu](const auto& m) { return m.get() == menu; });
    if (it == menus_.end()) return false;
    std::unique_ptr<OpenMenu> owned = std::move(*it);
    menus_.erase(it);
    owned->popover->unparent();
    const auto opened = owned->builder.openedBands();
    for (auto b = opened.rbegin(); b != opened.rend(); ++b) {
      const auto& all = control_.bands();
      if (std::any_of(all.begin(), all.end(), [band = *b](const auto& x) { return x.get() == band; }))
        control_.fireBandClose(**b);
    }
    return false;
  });
}

Gtk::PopoverMenu* ToolbarView::openMenu() const {
  for (auto it = menus_.rbegin(); it != menus_.rend(); ++it)
    if (!(*it)->closed && (*it)->popover->get_visible()) return (*it)->popover.get();
  return nullptr;
}

Glib::RefPtr<Gio::ActionGroup> ToolbarView::openMenuActions() const {
  for (auto it = menus_.rbegin(); it != menus_.rend(); ++it)
    if (!(*it)->closed && (*it)->popover->get_visible()) return (*it)->builder.actions();
  return {};
}

void ToolbarView::closeMenus() {
  for (auto& menu : menus_)
    if (!menu->closed) menu->popover->popdown();
}

Gdk::Rectangle ToolbarView::anchorOf(Gtk::Widget& widget) {
  double x = 0, y = 0;
  widget.translate_coordinates(*this, 0, 0, x, y);
  return Gdk::Rectangle(static_cast<int>(x), static_cast<int>(y), widget.get_width(), widget.get_height());
}

Gdk::Rectangle ToolbarView::pointerRect() {
  double x = pointer_x_, y = pointer_y_;
  Gtk::Native* native = get_native();
  auto display = get_display();
  auto seat = display ? display->get_default_seat() : Glib::RefPtr<Gdk::Seat>();
  if (native && seat && seat->get_pointer()) {
    auto surface = native->get_surface();
    double sx = 0, sy = 0, tx = 0, ty = 0;
    Gdk::ModifierType mask{};
    auto* native_widget = dynamic_cast<Gtk::Widget*>(native);
    if (surface && native_widget && surface->get_device_position(seat->get_pointer(), sx, sy, mask)) {
      native->get_surface_transform(tx, ty);
      double vx = 0, vy = 0;
      if (native_widget->translate_coordinates(*this, sx - tx, sy - ty, vx, vy)) {
        x = vx;
        y = vy;
      }
    }
  }
  const int w = std::max(1, get_width()), h = std::max(1, get_height());
  if (x < 0 || y < 0 || x >= w || y >= h) {
    // Pointer outside the window (a keyboard-opened menu): under the bars, at the left.
    x = std::clamp(x, 0.0, w - 1.0);
    y = std::clamp(y, 0.0, h - 1.0);
  }
  return Gdk::Rectangle(static_cast<int>(x), static_cast<int>(y), 1, 1);
}

}  // namespace zor::gtk
