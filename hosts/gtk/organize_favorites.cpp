#include "hosts/gtk/organize_favorites.h"

#include <utility>

#include "hosts/gtk/toolbar_widgets.h"

namespace zor::gtk {

namespace {

constexpr int kIndentPixels = 18;

// The folder that holds an entry ("" for one directly in the Favorites folder).
std::string ParentOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

OrganizeFavoritesDialog::OrganizeFavoritesDialog(Gtk::Window& parent, const OrganizeFavoritesTexts& texts,
                                                 OrganizeFavoritesActions actions)
    : Gtk::Dialog(texts.title, parent, true),
      actions_(std::move(actions)),
      root_name_(texts.root),
      rename_(texts.rename, true),
      remove_(texts.remove, true),
      move_(texts.move, true),
      new_folder_(texts.new_folder, true) {
  set_hide_on_close(true);
  set_default_size(420, 420);

  tree_.set_selection_mode(Gtk::SelectionMode::SINGLE);
  setAccessibleName(tree_, texts.root);
  tree_.signal_selected_rows_changed().connect([this] { UpdateButtons(); });
  auto* scroller = Gtk::make_managed<Gtk::ScrolledWindow>();
  scroller->set_child(tree_);
  scroller->set_vexpand(true);
  scroller->set_hexpand(true);
  scroller->set_has_frame(true);

  auto* move_label = Gtk::make_managed<Gtk::Label>(texts.move_to, true);
  move_label->set_mnemonic_widget(targets_);
  setAccessibleName(targets_, texts.move_to);
  targets_.set_hexpand(true);

  rename_.signal_clicked().connect([this] {
    if (const OrganizeEntry* item = SelectedEntry(); item && actions_.rename) actions_.rename(*item);
    Refill();
  });
  remove_.signal_clicked().connect([this] {
    if (const OrganizeEntry* item = SelectedEntry(); item && actions_.remove) actions_.remove(*item);
    Refill();
  });
  move_.signal_clicked().connect([this] {
    const OrganizeEntry* item = SelectedEntry();
    const guint target = targets_.get_selected();
    if (item && actions_.move && target < target_paths_.size()) {
      const std::string into = target_paths_[target];
      const std::string path = (into.empty() ? "" : into + "/") + item->path.substr(item->path.rfind('/') + 1);
      actions_.move(*item, into);
      Refill();
      Select(path);
    }
  });
  new_folder_.signal_clicked().connect([this] {
    // The new folder goes into the selected folder, or beside the selected favorite.
    const OrganizeEntry* item = SelectedEntry();
    const std::string parent = !item ? std::string() : item->folder ? item->path : ParentOf(item->path);
    if (actions_.newFolder) actions_.newFolder(parent);
    Refill();
  });

  auto* buttons = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
  for (Gtk::Button* button : {&rename_, &remove_, &new_folder_}) buttons->append(*button);
  auto* move_row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
  move_row->append(*move_label);
  move_row->append(targets_);
  move_row->append(move_);

  auto* grid = Gtk::make_managed<Gtk::Grid>();
  grid->set_row_spacing(6);
  grid->set_column_spacing(8);
  grid->set_margin(12);
  grid->attach(*scroller, 0, 0);
  grid->attach(*buttons, 1, 0);
  grid->attach(*move_row, 0, 1, 2, 1);
  get_content_area()->append(*grid);
  add_button(texts.close, Gtk::ResponseType::CLOSE);
  set_default_response(Gtk::ResponseType::CLOSE);
  Refill();
}

void OrganizeFavoritesDialog::Refill() {
  const std::string selected = Selected();
  entries_ = actions_.list ? actions_.list() : std::vector<OrganizeEntry>{};
  while (Gtk::Widget* row = tree_.get_first_child()) tree_.remove(*row);
  auto names = Gtk::StringList::create({});
  names->append(root_name_);
  target_paths_ = {""};
  for (const OrganizeEntry& entry : entries_) {
    auto* label = Gtk::make_managed<Gtk::Label>(entry.folder ? entry.name + "/" : entry.name);
    label->set_xalign(0);
    label->set_margin_start(6 + kIndentPixels * entry.depth);
    auto* row = Gtk::make_managed<Gtk::ListBoxRow>();
    row->set_child(*label);
    setAccessibleName(*row, entry.name);
    tree_.append(*row);
    if (entry.folder) {
      names->append(std::string(static_cast<size_t>(entry.depth) * 2, ' ') + entry.name);
      target_paths_.push_back(entry.path);
    }
  }
  const guint target = targets_.get_selected();
  targets_.set_model(names);
  targets_.set_selected(target < target_paths_.size() ? target : 0);
  if (!selected.empty()) Select(selected);
  UpdateButtons();
}

const OrganizeEntry* OrganizeFavoritesDialog::SelectedEntry() const {
  const Gtk::ListBoxRow* row = tree_.get_selected_row();
  if (!row) return nullptr;
  const int index = row->get_index();
  return index >= 0 && static_cast<size_t>(index) < entries_.size() ? &entries_[static_cast<size_t>(index)] : nullptr;
}

std::string OrganizeFavoritesDialog::Selected() const {
  const OrganizeEntry* entry = SelectedEntry();
  return entry ? entry->path : std::string();
}

void OrganizeFavoritesDialog::Select(const std::string& path) {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].path == path) tree_.select_row(*tree_.get_row_at_index(static_cast<int>(i)));
}

void OrganizeFavoritesDialog::ChooseTarget(const std::string& folder) {
  for (size_t i = 0; i < target_paths_.size(); ++i)
    if (target_paths_[i] == folder) targets_.set_selected(static_cast<guint>(i));
}

void OrganizeFavoritesDialog::UpdateButtons() {
  const bool chosen = SelectedEntry() != nullptr;
  rename_.set_sensitive(chosen);
  remove_.set_sensitive(chosen);
  move_.set_sensitive(chosen);
}

}  // namespace zor::gtk
