#include "hosts/gtk/address_completion.h"

#include <glib.h>

namespace zor::gtk {

namespace {

std::string Folded(const std::string& text) {
  gchar* folded = g_utf8_casefold(text.c_str(), static_cast<gssize>(text.size()));
  std::string out = folded ? folded : "";
  g_free(folded);
  return out;
}

// "HTTP://www.Example.org/x" -> "example.org/x" (already folded).
std::string Bare(std::string text) {
  if (const size_t scheme = text.find("://"); scheme != std::string::npos) text.erase(0, scheme + 3);
  if (text.rfind("www.", 0) == 0) text.erase(0, 4);
  return text;
}

}  // namespace

bool AddressMatches(const std::string& key, const std::string& item) {
  if (key.empty()) return false;
  const std::string k = Folded(key), i = Folded(item);
  return i.rfind(k, 0) == 0 || Bare(i).rfind(Bare(k), 0) == 0;
}

AddressCompletion::AddressCompletion(Gtk::ComboBoxText& box) : completion_(Gtk::EntryCompletion::create()) {
  completion_->set_model(box.get_model());
  completion_->set_text_column(0);  // the text column of the box's list
  completion_->set_popup_completion(true);
  completion_->set_inline_completion(false);
  completion_->set_popup_single_match(true);
  completion_->set_minimum_key_length(1);
  completion_->set_match_func([this](const Glib::ustring& key, const Gtk::TreeModel::const_iterator& row) {
    Glib::ustring item;
    row->get_value(0, item);
    return AddressMatches(key, item);
  });
  entry_ = box.get_entry();
  if (entry_) entry_->set_completion(completion_);
}

Gtk::Popover* AddressCompletion::ShownList() const {
  if (!entry_) return nullptr;
  // The toolkit hangs the list on the entry as a popover child and offers no call to close it.
  for (Gtk::Widget* child = entry_->get_first_child(); child; child = child->get_next_sibling())
    if (auto* list = dynamic_cast<Gtk::Popover*>(child); list && list->get_visible()) return list;
  return nullptr;
}

void AddressCompletion::Close() {
  if (Gtk::Popover* list = ShownList()) list->popdown();
}

}  // namespace zor::gtk
