// The dialogs of the favorites: adding one (name and folder), and a file's properties.
#pragma once

#include <gtkmm.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zor::gtk {

struct AddFavoriteTexts {
  std::string title = "Add Favorite";
  std::string name = "Name:";
  std::string folder = "Create in:";
  std::string root = "Favorites";
  std::string new_folder = "New Folder";
  std::string new_folder_prompt = "Name of the new folder:";
};

// Asks for a favorite's name and folder (relative to the Favorites folder, "" for the
// root). `create_folder` makes a sub-folder of the chosen one and returns its relative
// path (nullopt when it cannot). Nothing is chosen when the user cancels.
std::optional<std::pair<std::string, std::string>> AskFavorite(
    Gtk::Window& parent, const AddFavoriteTexts& texts, const std::string& name, std::vector<std::string> folders,
    const std::function<std::optional<std::string>(const std::string& parent, const std::string& name)>& create_folder);

// The desktop file manager's properties view of `path`; false when none answers.
bool ShowItemProperties(const std::string& path);

// A small window listing facts of a file, label and value per line.
void ShowFacts(Gtk::Window& parent, const std::string& title,
               const std::vector<std::pair<std::string, std::string>>& facts);

}  // namespace zor::gtk
