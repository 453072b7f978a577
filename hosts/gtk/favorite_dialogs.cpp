#include "hosts/gtk/favorite_dialogs.h"

#include "hosts/gtk/dialog_run.h"
#include "hosts/gtk/toolbar_widgets.h"

namespace zor::gtk {

std::optional<std::pair<std::string, std::string>> AskFavorite(
    Gtk::Window& parent, const AddFavoriteTexts& texts, const std::string& name, std::vector<std::string> folders,
    const std::function<std::optional<std::string>(const std::string& parent, const std::string& name)>&
        create_folder) {
  Gtk::Dialog dialog(texts.title, parent, true);
  dialog.set_hide_on_close(true);
  auto* grid = Gtk::make_managed<Gtk::Grid>();
  grid->set_row_spacing(6);
  grid->set_column_spacing(8);
  grid->set_margin(12);
  auto* name_label = Gtk::make_managed<Gtk::Label>(texts.name);
  auto* name_entry = Gtk::make_managed<Gtk::Entry>();
  name_entry->set_text(name);
  name_entry->set_activates_default(true);
  name_entry->set_hexpand(true);
  name_label->set_mnemonic_widget(*name_entry);
  auto* folder_label = Gtk::make_managed<Gtk::Label>(texts.folder);
  auto* folder_box = Gtk::make_managed<Gtk::DropDown>();
  auto list = Gtk::StringList::create({});
  list->append(texts.root);
  for (const std::string& folder : folders) list->append(folder);
  folder_box->set_model(list);
  setAccessibleName(*folder_box, texts.folder);
  auto* new_folder = Gtk::make_managed<Gtk::Button>(texts.new_folder);
  new_folder->signal_clicked().connect([&] {
    Gtk::Dialog ask(texts.new_folder, dialog, true);
    ask.set_hide_on_close(true);
    auto* entry = Gtk::make_managed<Gtk::Entry>();
    entry->set_activates_default(true);
    entry->set_margin(12);
    ask.get_content_area()->append(*Gtk::make_managed<Gtk::Label>(texts.new_folder_prompt));
    setAccessibleName(*entry, texts.new_folder_prompt);
    ask.get_content_area()->append(*entry);
    ask.add_button("_Cancel", Gtk::ResponseType::CANCEL);
    ask.add_button("_OK", Gtk::ResponseType::OK);
    ask.set_default_response(Gtk::ResponseType::OK);
    if (RunDialog(ask) != Gtk::ResponseType::OK || entry->get_text().empty()) return;
    const guint chosen = folder_box->get_selected();
    const std::string under = chosen == 0 || chosen > folders.size() ? std::string() : folders[chosen - 1];
    if (auto made = create_folder(under, entry->get_text())) {
      folders.push_back(*made);
      list->append(*made);
      folder_box->set_selected(folders.size());
    }
  });
  grid->attach(*name_label, 0, 0);
  grid->attach(*name_entry, 1, 0, 2, 1);
  grid->attach(*folder_label, 0, 1);
  grid->attach(*folder_box, 1, 1);
  grid->attach(*new_folder, 2, 1);
  dialog.get_content_area()->append(*grid);
  dialog.add_button("_Cancel", Gtk::ResponseType::CANCEL);
  dialog.add_button("_OK", Gtk::ResponseType::OK);
  dialog.set_default_response(Gtk::ResponseType::OK);
  if (RunDialog(dialog) != Gtk::ResponseType::OK) return std::nullopt;
  const guint chosen = folder_box->get_selected();
  return std::make_pair(std::string(name_entry->get_text()),
                        chosen == 0 || chosen > folders.size() ? std::string() : folders[chosen - 1]);
}

bool ShowItemProperties(const std::string& path) {
  try {
    auto connection = Gio::DBus::Connection::get_sync(Gio::DBus::BusType::SESSION);
    const std::vector<Glib::ustring> uris{Glib::filename_to_uri(path)};
    auto args = Glib::VariantContainerBase::create_tuple(
        {Glib::Variant<std::vector<Glib::ustring>>::create(uris), Glib::Variant<Glib::ustring>::create("")});
    // Auto-start off: a desktop without a file manager answers at once instead of waiting.
    connection->call_sync("/org/freedesktop/FileManager1", "org.freedesktop.FileManager1", "ShowItemProperties", args,
                          "org.freedesktop.FileManager1", 2000, Gio::DBus::CallFlags::NO_AUTO_START);
    return true;
  } catch (const Glib::Error&) {
    return false;
  }
}

void ShowFacts(Gtk::Window& parent, const std::string& title,
               const std::vector<std::pair<std::string, std::string>>& facts) {
  Gtk::Dialog dialog(title, parent, true);
  dialog.set_hide_on_close(true);
  dialog.get_content_area()->append(*factsGrid(facts));
  dialog.add_button("_OK", Gtk::ResponseType::OK);
  RunDialog(dialog);
}

}  // namespace zor::gtk
