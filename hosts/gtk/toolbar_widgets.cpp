#include "hosts/gtk/toolbar_widgets.h"

#include <algorithm>

namespace zor::gtk {

SlotWidget::SlotWidget() { set_overflow(Gtk::Overflow::HIDDEN); }

SlotWidget::~SlotWidget() {
  // The child belongs to whoever docked it; only let go of it.
  while (Gtk::Widget* c = get_first_child()) c->unparent();
}

void SlotWidget::setChild(Gtk::Widget* child) {
  Gtk::Widget* old = get_first_child();
  if (old == child) return;
  if (old) old->unparent();
  if (child) {
    if (child->get_parent()) child->unparent();
    child->set_parent(*this);
  }
  queue_resize();
}

void SlotWidget::setNaturalWidth(int width) {
  width = std::max(0, width);
  if (width == natural_width_) return;
  natural_width_ = width;
  queue_resize();
}

Gtk::SizeRequestMode SlotWidget::get_request_mode_vfunc() const {
  const Gtk::Widget* c = get_first_child();
  return c ? c->get_request_mode() : Gtk::SizeRequestMode::CONSTANT_SIZE;
}

void SlotWidget::measure_vfunc(Gtk::Orientation orientation, int for_size, int& minimum, int& natural,
                               int& minimum_baseline, int& natural_baseline) const {
  minimum = natural = 0;
  minimum_baseline = natural_baseline = -1;
  const Gtk::Widget* c = get_first_child();
  if (!c || !c->get_visible()) return;
  c->measure(orientation, for_size, minimum, natural, minimum_baseline, natural_baseline);
  if (orientation == Gtk::Orientation::HORIZONTAL && natural_width_ > 0)
    natural = std::max(minimum, natural_width_);
}

void SlotWidget::size_allocate_vfunc(int width, int height, int baseline) {
  if (Gtk::Widget* c = get_first_child(); c && c->get_visible())
    c->size_allocate(Gtk::Allocation(0, 0, width, height), baseline);
  if (width != last_width_) {
    last_width_ = width;
    width_changed_.emit(width);
  }
}

void SlotWidget::compute_expand_vfunc(bool& hexpand, bool& vexpand) {
  // A docked control that wants the room passes that on to the bar it stands in.
  Gtk::Widget* c = get_first_child();
  hexpand = c && c->get_visible() && c->compute_expand(Gtk::Orientation::HORIZONTAL);
  vexpand = c && c->get_visible() && c->compute_expand(Gtk::Orientation::VERTICAL);
}

}  // namespace zor::gtk

namespace zor::gtk {

void setAccessibleName(Gtk::Widget& widget, const std::string& name) {
  if (name.empty()) {
    gtk_accessible_reset_property(GTK_ACCESSIBLE(widget.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL);
  } else {
    gtk_accessible_update_property(GTK_ACCESSIBLE(widget.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, name.c_str(), -1);
  }
}

Gtk::Grid* factsGrid(const std::vector<std::pair<std::string, std::string>>& facts) {
  auto* grid = Gtk::make_managed<Gtk::Grid>();
  grid->set_row_spacing(6);
  grid->set_column_spacing(12);
  grid->set_margin(12);
  int row = 0;
  for (const auto& [label, value] : facts) {
    auto* key = Gtk::make_managed<Gtk::Label>(label);
    key->set_xalign(0);
    auto* text = Gtk::make_managed<Gtk::Label>(value);
    text->set_xalign(0);
    text->set_selectable(true);
    text->set_wrap(true);
    text->set_max_width_chars(60);
    grid->attach(*key, 0, row);
    grid->attach(*text, 1, row++);
  }
  return grid;
}

}  // namespace zor::gtk
