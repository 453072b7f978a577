// The Favorites folder as the Favorites menu, the Go button's links drop-down and the
// favorites tree of the side panel. The folder is the only store: every build reads it
// again, and the files written here are internet shortcuts other programs read.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/files.h"
#include "common/ini.h"
#include "hosts/main_window_host.h"
#include "hosts/toolbar/toolbar.h"

namespace zor::favorites {

// One node of the favorites tree: folders are top-level nodes keyed by their band,
// favorites are keyed "K" + number under their folder's node (or at the top).
struct FavoriteNode {
  std::string key;
  std::string parent;  // empty: a top-level node
  std::string text;
  int image = 1;  // 1 a favorite, 2 a folder
};

// What the add-favorite dialog answers: the name and the folder (relative to the root,
// empty for the root itself).
struct FavoriteChoice {
  std::string name;
  std::string folder;
};

// The title with each of ?/\<>|* replaced by a blank.
std::string CleanFavoriteTitle(std::string title);
// A file name (without extension) for a favorite titled `title`: cleaned, no control
// characters, no leading dot, at most 200 bytes; "Untitled" when nothing remains.
std::string FavoriteFileName(const std::string& title);
// The address of an internet shortcut (.url) or a desktop link (.desktop, Type=Link);
// empty for any other file, an unreadable or oversized one, or an address that is not
// UTF-8. Reads only.
std::string ShortcutUrl(const std::string& path);
// The same address from a shortcut already read; `ext` is the file's extension.
std::string ShortcutDocumentUrl(const IniDocument& doc, const std::string& ext);
// A folder's entries in menu order: by name without regard to case, names equal but
// for case in byte order.
std::vector<FolderEntry> SortedListing(const std::string& folder);
// The text of an internet shortcut for `address`, as Windows writes it (CR LF).
std::string ShortcutText(const std::string& address);

class FavoritesMenu {
 public:
  FavoritesMenu(toolbar::ToolbarControl& bars, hosts::MainWindowHost& window) : bars_(bars), window_(window) {}

  // The Favorites folder; empty: no folder, the menu shows only its fixed commands.
  void SetRoot(const std::string& folder);
  const std::string& Root() const { return root_; }

  // Desktop services the menu uses; each may stay unset.
  std::function<std::string(const std::string& path)> fileIcon;  // picture of a file's type
  std::function<std::string()> folderIcon;
  std::function<void(const std::string& path)> openFile;  // the desktop's default application
  // The add-favorite dialog: proposed name and the existing sub-folders; nullopt cancels.
  std::function<std::optional<FavoriteChoice>(const std::string& name, const std::vector<std::string>& folders)>
      askFavorite;
  // The favorites tree changed (after a build or a rename).
  std::function<void()> treeChanged;
  // Texts of the language file.
  std::function<std::string(const std::string& key, const std::string& fallback)> text;

  void BuildFavoritesMenu();
  void RebuildFavorites();
  // The address of favorite N (1-based); empty when it has none or is gone.
  std::string FavoriteUrl(int n);
  void AddFavorite(const std::string& address, const std::string& title);
  void RenameFavorite(int n, const std::string& old_text, const std::string& new_text);
  // The label edit of a tree node: asks "Are you sure?" and renames a favorite; a folder
  // keeps its name. False when the old label stays.
  bool RenameNode(const std::string& key, const std::string& old_text, const std::string& new_text);
  // The tooltip of a tree node: a favorite's address (read without side effects), or the
  // hint of a folder.
  std::string NodeTooltip(const std::string& key) const;
  // The file of favorite node `key` ("K" + number); empty for any other node.
  std::string NodeFile(const std::string& key) const;
  // Every sub-folder of the root, relative to it, in menu order.
  std::vector<std::string> SubFolders() const;

  // Full paths of the favorites, favorite N at N - 1.
  std::vector<std::string> FavoriteFiles;
  int FavBandCount = 0;
  std::vector<FavoriteNode> Tree;

 private:
  void ScanFolders(const std::string& path, const std::string& band, bool root, int depth);
  void AddFiles(const std::string& path, const std::string& band);
  std::string CreateFolderBand(const std::string& parent, int position, const std::string& name);
  void AddEntry(const std::string& band, const std::string& title, int id, const std::string& path);
  bool Inside(const std::string& path) const;
  std::string Text(const std::string& key, const std::string& fallback) const;

  toolbar::ToolbarControl& bars_;
  hosts::MainWindowHost& window_;
  std::string root_;       // with a trailing "/", or empty
  std::string real_root_;  // the root with its links resolved
};

// The file work of the organise-favorites dialog. Items are named by their path relative
// to the Favorites folder ("" is the folder itself, "News/Site.url" a favorite in News).
enum class OrganizeResult { kDone, kCancelled, kBadName, kExists, kNotFound, kIntoItself, kFailed };

struct OrganizeItem {
  std::string path;  // relative to the root
  std::string name;  // as the menu shows it: a favorite without its extension
  bool folder = false;
  int depth = 0;  // 0 directly in the root
};

class FavoritesOrganizer {
 public:
  explicit FavoritesOrganizer(std::string root) : root_(FolderPath(std::move(root))) {}

  // The folders and favorites the menu shows, each folder followed by its contents, in menu order.
  std::vector<OrganizeItem> Items() const;
  // Only the item's own name changes (cleaned as a favorite's title; a favorite keeps its
  // extension); an entry already there is never replaced.
  OrganizeResult Rename(const std::string& item, const std::string& name);
  // Into `folder` ("" the root); refused onto an existing name and for a folder into itself.
  OrganizeResult Move(const std::string& item, const std::string& folder);
  OrganizeResult NewFolder(const std::string& parent, const std::string& name);
  // A favorite, or a folder with everything in it, once `confirm` (told whether a folder
  // still holds anything) says yes; nothing goes otherwise.
  OrganizeResult Delete(const std::string& item,
                        const std::function<bool(const OrganizeItem& item, bool has_contents)>& confirm);

 private:
  // The full path of an item, or empty for one that names no entry inside the root.
  std::string Full(const std::string& item) const;
  void AddItems(const std::string& relative, int depth, std::vector<OrganizeItem>& items) const;

  std::string root_;
};

}  // namespace zor::favorites
