// The whole list of a menu too long to show: a filter box over a list view, which makes
// widgets only for the rows on screen, so a hundred thousand entries open at once.
#pragma once

#include <gtkmm.h>

#include <functional>
#include <string>
#include <vector>

#include "hosts/toolbar/menu_plan.h"

namespace zor::gtk {

class MenuListWindow : public Gtk::Window {
 public:
  struct Texts {
    std::string title;
    std::string filter;  // the filter box's placeholder
  };
  // Called once with the entry the user chose (a click, or Enter on the selected row);
  // the window is hidden by then.
  using Choose = std::function<void(const toolbar::ListedEntry&)>;

  MenuListWindow(Gtk::Window* parent, const Texts& texts, std::vector<toolbar::ListedEntry> entries, Choose choose);
  ~MenuListWindow() override;

 private:
  void refilter();
  void pick(guint row);

  std::vector<toolbar::ListedEntry> entries_;
  std::vector<size_t> matches_;  // row -> entry
  Choose choose_;
  GListModel* rows_model_ = nullptr;
  Glib::RefPtr<Gtk::SingleSelection> selection_;
  Gtk::Box box_{Gtk::Orientation::VERTICAL};
  Gtk::SearchEntry filter_;
  Gtk::ScrolledWindow scroller_;
  Gtk::ListView list_;
};

}  // namespace zor::gtk
