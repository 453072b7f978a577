// Small widgets the toolbar view is built from.
#pragma once

#include <gtkmm.h>

#include <string>
#include <utility>
#include <vector>

namespace zor::gtk {

// A container of one child that tells when its allocated width changes, and that can
// give the child a preferred width without making it a minimum: a docked address box
// sized to the window must never stop the window from getting narrower.
class SlotWidget : public Gtk::Widget {
 public:
  SlotWidget();
  ~SlotWidget() override;
  SlotWidget(const SlotWidget&) = delete;
  SlotWidget& operator=(const SlotWidget&) = delete;

  // Takes `child` from wherever it sits; nullptr empties the slot (the child is not destroyed).
  void setChild(Gtk::Widget* child);
  Gtk::Widget* child() { return get_first_child(); }

  // Pixels; 0 lets the child's own natural width stand.
  void setNaturalWidth(int width);
  int naturalWidth() const { return natural_width_; }

  // Emitted from allocation with the new width; connect something cheap (a timer).
  sigc::signal<void(int)>& signalWidthChanged() { return width_changed_; }

 protected:
  Gtk::SizeRequestMode get_request_mode_vfunc() const override;
  void measure_vfunc(Gtk::Orientation orientation, int for_size, int& minimum, int& natural,
                     int& minimum_baseline, int& natural_baseline) const override;
  void size_allocate_vfunc(int width, int height, int baseline) override;
  void compute_expand_vfunc(bool& hexpand, bool& vexpand) override;

 private:
  int natural_width_ = 0;
  int last_width_ = -1;
  sigc::signal<void(int)> width_changed_;
};

}  // namespace zor::gtk

namespace zor::gtk {

// The name a screen reader says for the widget; empty leaves GTK's own choice.
void setAccessibleName(Gtk::Widget& widget, const std::string& name);

// A properties dialog's body: one row per fact, the label left and its selectable value
// beside it.
Gtk::Grid* factsGrid(const std::vector<std::pair<std::string, std::string>>& facts);

}  // namespace zor::gtk
