// The address box's completion: a suggestion list (always offered, never typed ahead
// into the box) over the box's own list of addresses.
#pragma once

#include <gtkmm.h>

#include <string>

namespace zor::gtk {

// Whether the list item `item` completes what the user typed: case-insensitively, the
// item starts with `key`, also once its "scheme://" and "www." are left off.
bool AddressMatches(const std::string& key, const std::string& item);

class AddressCompletion {
 public:
  // Binds to the combo box's entry and model; the box must outlive this object's use.
  explicit AddressCompletion(Gtk::ComboBoxText& box);
  Glib::RefPtr<Gtk::EntryCompletion> completion() const { return completion_; }

  // The suggestion list while it is shown, else null.
  Gtk::Popover* ShownList() const;
  // Closes the list: the toolkit itself leaves it open over the window after Enter, on a
  // click elsewhere and when the focus goes.
  void Close();

 private:
  Glib::RefPtr<Gtk::EntryCompletion> completion_;
  Gtk::Entry* entry_ = nullptr;
};

}  // namespace zor::gtk
