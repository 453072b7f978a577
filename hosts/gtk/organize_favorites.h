// The organise-favorites dialog: the Favorites folder as an indented tree with Rename,
// Delete, Move to folder and New Folder. The file work and its questions stay with the
// caller; the dialog lists again after each change.
#pragma once

#include <gtkmm.h>

#include <functional>
#include <string>
#include <vector>

namespace zor::gtk {

struct OrganizeEntry {
  std::string path;  // relative to the Favorites folder
  std::string name;
  bool folder = false;
  int depth = 0;
};

struct OrganizeFavoritesTexts {
  std::string title = "Organize Favorites";
  std::string root = "Favorites";  // the list's name, and the folder itself among the targets
  std::string rename = "_Rename...";
  std::string remove = "_Delete";
  std::string move = "_Move to Folder";
  std::string move_to = "Move _to:";
  std::string new_folder = "New _Folder...";
  std::string close = "_Close";
};

struct OrganizeFavoritesActions {
  std::function<std::vector<OrganizeEntry>()> list;
  // Each asks what it needs and tells the user of a failure itself.
  std::function<void(const OrganizeEntry& item)> rename;
  std::function<void(const OrganizeEntry& item)> remove;
  std::function<void(const OrganizeEntry& item, const std::string& folder)> move;
  std::function<void(const std::string& parent)> newFolder;
};

class OrganizeFavoritesDialog : public Gtk::Dialog {
 public:
  OrganizeFavoritesDialog(Gtk::Window& parent, const OrganizeFavoritesTexts& texts, OrganizeFavoritesActions actions);

  // Lists the folder again, keeping the selection where the entry still is.
  void Refill();
  // The selected entry's path; empty when nothing is selected.
  std::string Selected() const;
  void Select(const std::string& path);
  // The folder the Move button moves into ("" the Favorites folder itself).
  void ChooseTarget(const std::string& folder);

  Gtk::ListBox& tree() { return tree_; }
  Gtk::Button& rename_button() { return rename_; }
  Gtk::Button& remove_button() { return remove_; }
  Gtk::Button& move_button() { return move_; }
  Gtk::Button& new_folder_button() { return new_folder_; }
  Gtk::DropDown& targets() { return targets_; }

 private:
  const OrganizeEntry* SelectedEntry() const;
  void UpdateButtons();

  OrganizeFavoritesActions actions_;
  std::string root_name_;
  std::vector<OrganizeEntry> entries_;
  std::vector<std::string> target_paths_;
  Gtk::ListBox tree_;
  Gtk::Button rename_, remove_, move_, new_folder_;
  Gtk::DropDown targets_;
};

}  // namespace zor::gtk
