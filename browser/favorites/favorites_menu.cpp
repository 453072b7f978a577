#include "browser/favorites/favorites_menu.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "common/files.h"
#include "common/ini.h"
#include "common/ini_text.h"
#include "common/text_width.h"

namespace zor::favorites {

namespace {

constexpr const char* kFavBand = "sub_Fav";
constexpr const char* kNone = "\u2014 NONE \u2014";
constexpr int kCaptionWidth = 40;
// Sub-folders deeper than this are not followed (a guard against link loops).
constexpr int kMaxDepth = 64;
// A shortcut larger than this is not an internet shortcut.
constexpr off_t kMaxShortcutBytes = 64 * 1024;

std::string Lower(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return s;
}

// Names in case-insensitive order, so the menu keeps its order whatever the file
// system lists; names equal but for case keep byte order (upper case first).
void SortByName(std::vector<FolderEntry>& entries) {
  std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
    const std::string la = Lower(a.name), lb = Lower(b.name);
    return la != lb ? la < lb : a.name < b.name;
  });
}

std::vector<FolderEntry> Listing(const std::string& path) { return SortedListing(path); }

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The title of a favorite: its file name without the extension.
std::string TitleOf(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string Extension(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return Lower(path.substr(dot + 1));
}

std::string FavName(int number) { return "fav" + std::to_string(number); }

}  // namespace

std::vector<FolderEntry> SortedListing(const std::string& folder) {
  std::vector<FolderEntry> entries = ListFolder(folder).value_or(std::vector<FolderEntry>{});
  SortByName(entries);
  return entries;
}

std::string CleanFavoriteTitle(std::string title) {
  for (char& ch : title)
    if (std::string_view("?/\\<>|*").find(ch) != std::string_view::npos) ch = ' ';
  return title;
}

std::string FavoriteFileName(const std::string& title) {
  std::string name = ToValidUtf8(CleanFavoriteTitle(title));
  for (char& ch : name)
    if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f) ch = ' ';
  const size_t first = name.find_first_not_of(" .");
  const size_t last = name.find_last_not_of(' ');
  name = first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
  // File names hold 255 bytes; the extension and a number for duplicates need room.
  constexpr size_t kMaxBytes = 200;
  if (name.size() > kMaxBytes) {
    size_t cut = kMaxBytes;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  return name.empty() ? "Untitled" : name;
}

std::string ShortcutUrl(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxShortcutBytes) return {};
  const std::string ext = Extension(path);
  if (ext != "url" && ext != "desktop") return {};
  const std::optional<IniDocument> doc = IniDocument::Load(path);
  return doc ? ShortcutDocumentUrl(*doc, ext) : std::string();
}

std::string ShortcutDocumentUrl(const IniDocument& doc, const std::string& ext) {
  std::optional<std::string> url;
  if (ext == "url") {
    url = doc.Get("InternetShortcut", "URL");
  } else if (ext == "desktop" && doc.Get("Desktop Entry", "Type").value_or("") == "Link") {
    url = doc.Get("Desktop Entry", "URL");
  }
  if (!url || !IsValidUtf8(*url)) return {};
  return *url;
}

std::string ShortcutText(const std::string& address) {
  std::string clean;
  for (char ch : address)
    if (ch != '\r' && ch != '\n' && ch != '\0') clean += ch;
  return "[InternetShortcut]\r\nURL=" + clean + "\r\n";
}

void FavoritesMenu::SetRoot(const std::string& folder) {
  root_ = folder.empty() ? std::string() : FolderPath(folder);
  real_root_ = root_.empty() ? std::string() : FolderPath(RealPath(root_));
}

std::string FavoritesMenu::Text(const std::string& key, const std::string& fallback) const {
  if (!text) return fallback;
  std::string value = text(key, fallback);
  return value.empty() ? fallback : value;
}

bool FavoritesMenu::Inside(const std::string& path) const {
  const std::string real = RealPath(path);
  return !real.empty() && real_root_.size() > 1 && FolderPath(real).rfind(real_root_, 0) == 0;
}

void FavoritesMenu::BuildFavoritesMenu() {
  FavoriteFiles.clear();
  if (!root_.empty()) {
    ScanFolders(root_, kFavBand, true, 0);
    AddFiles(root_, kFavBand);
  }
  if (treeChanged) treeChanged();
}

void FavoritesMenu::ScanFolders(const std::string& path, const std::string& band, bool root, int depth) {
  if (depth > kMaxDepth) return;
  int position = root ? 3 : 0;
  for (const FolderEntry& entry : Listing(path)) {
    // Plain folders only: hidden ones stay out, and so do links leading out of the tree.
    if (!entry.directory || entry.name[0] == '.') continue;
    const std::string folder = path + entry.name + "/";
    if (entry.link && !Inside(folder)) continue;
    ++position;
    const std::string sub_band = CreateFolderBand(band, position, entry.name);
    ScanFolders(folder, sub_band, false, depth + 1);
    AddFiles(folder, sub_band);
  }
}

std::string FavoritesMenu::CreateFolderBand(const std::string& parent, int position, const std::string& name) {
  ++FavBandCount;
  const std::string band_name = "favband" + std::to_string(FavBandCount);
  toolbar::Band* band = bars_.addBand(band_name);
  band->caption = name;
  band->type = toolbar::kPopup;
  Tree.push_back({band_name, "", name, 2});

  const int id = 1500 + 100 * position;
  const std::string caption = ShortenText(name, kCaptionWidth);
  if (toolbar::Band* parent_band = bars_.band(parent)) {
    toolbar::Tool* tool = parent_band->tools().add(id, FavName(position));
    tool->caption = caption;
    tool->control_type = toolbar::kButton;
    tool->submenu = band_name;
    const toolbar::Tool* icons = bars_.tool(kFavBand, "b_iconon");
    if (icons && icons->checked && folderIcon) tool->image = folderIcon();
  }
  // The Links folder is also the drop-down of both Go buttons.
  if (caption == "链接" || caption == "Links") {
    for (const char* go_band : {"tb_Addressbar", "sub_View"})
      if (toolbar::Tool* go = bars_.tool(go_band, "b_go")) go->submenu = band_name;
  }
  return band_name;
}

void FavoritesMenu::AddFiles(const std::string& path, const std::string& band_name) {
  toolbar::Band* band = bars_.band(band_name);
  if (!band) return;
  for (const FolderEntry& entry : Listing(path)) {
    if (!entry.regular || entry.name[0] == '.' || EndsWith(entry.name, "ini")) continue;
    FavoriteFiles.push_back(path + entry.name);
    AddEntry(band_name, TitleOf(entry.name), 1500 + static_cast<int>(FavoriteFiles.size()), FavoriteFiles.back());
  }
  if (band->tools().count() == 0) {
    const int id = 2500 + static_cast<int>(FavoriteFiles.size());
    toolbar::Tool* none = band->tools().add(id, FavName(id - 1500));
    none->caption = kNone;
    none->enabled = false;
  }
}

void FavoritesMenu::AddEntry(const std::string& band_name, const std::string& title, int id, const std::string& path) {
  toolbar::Band* band = bars_.band(band_name);
  if (!band) return;
  toolbar::Tool* tool = band->tools().add(id, FavName(id - 1500));
  tool->caption = ShortenText(title, kCaptionWidth);
  tool->control_type = toolbar::kButton;
  tool->tag = band_name;
  const toolbar::Tool* icons = bars_.tool(kFavBand, "b_iconon");
  if (icons && icons->checked && fileIcon) tool->image = fileIcon(path);
  const bool in_folder = band_name.rfind("favband", 0) == 0;
  Tree.push_back({"K" + std::to_string(id - 1500), in_folder ? band_name : std::string(), tool->caption, 1});
}

void FavoritesMenu::RebuildFavorites() {
  for (int i = 1; i <= FavBandCount; ++i) bars_.removeBand("favband" + std::to_string(i));
  FavBandCount = 0;
  // A Go button whose links folder went keeps no drop-down until the build finds it again.
  for (const char* go_band : {"tb_Addressbar", "sub_View"})
    if (toolbar::Tool* go = bars_.tool(go_band, "b_go"); go && go->submenu.rfind("favband", 0) == 0)
      go->submenu.clear();

  toolbar::Band* band = bars_.band(kFavBand);
  if (!band) return;
  // The fixed commands come back with their captions, pictures and the icon toggle's state.
  std::vector<toolbar::Tool> fixed;
  for (const char* name : {"b_iconon", "b_addfav", "b_orgfav"}) {
    const toolbar::Tool* tool = band->tools().item(name);
    fixed.push_back(tool ? *tool : toolbar::Tool(0, name));
  }
  const int ids[] = {616, 611, 612};
  band->tools().removeAll();
  for (size_t i = 0; i < fixed.size(); ++i) {
    toolbar::Tool* tool = band->tools().insert(-1, fixed[i]);
    tool->id = ids[i];
    tool->control_type = toolbar::kButton;
  }
  toolbar::Tool* separator = band->tools().add(613, "spe_sFav1 ");
  separator->control_type = toolbar::kSeparator;
  Tree.clear();
  BuildFavoritesMenu();
}

std::string FavoritesMenu::FavoriteUrl(int n) {
  window_.ProcessPendingEvents();
  if (n < 1 || n > static_cast<int>(FavoriteFiles.size())) return {};
  const std::string path = FavoriteFiles[n - 1];
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    RebuildFavorites();
    window_.MessageBox("Possible external changes ocurred, so please try again!", hosts::MessageButtons::kOk);
    return {};
  }
  const std::string ext = Extension(path);
  if (ext == "url") return ShortcutUrl(path);
  if (ext == "desktop") {
    std::string url = ShortcutUrl(path);
    if (!url.empty()) return url;
  }
  // Any other file is the desktop's business.
  if (openFile) openFile(path);
  return {};
}

std::vector<std::string> FavoritesMenu::SubFolders() const {
  std::vector<std::string> folders;
  std::function<void(const std::string&, const std::string&, int)> walk = [&](const std::string& path,
                                                                              const std::string& relative, int depth) {
    if (depth > kMaxDepth) return;
    for (const FolderEntry& entry : Listing(path)) {
      if (!entry.directory || entry.name[0] == '.') continue;
      if (entry.link && !Inside(path + entry.name)) continue;
      const std::string sub = relative.empty() ? entry.name : relative + "/" + entry.name;
      folders.push_back(sub);
      walk(path + entry.name + "/", sub, depth + 1);
    }
  };
  if (!root_.empty()) walk(root_, "", 0);
  return folders;
}

void FavoritesMenu::AddFavorite(const std::string& address, const std::string& title) {
  if (root_.empty() || address.empty()) return;
  FavoriteChoice choice{FavoriteFileName(title.empty() ? address : title), ""};
  if (askFavorite) {
    std::optional<FavoriteChoice> answer = askFavorite(choice.name, SubFolders());
    if (!answer) return;
    choice = *answer;
  }
  const std::string folder = choice.folder.empty() ? root_ : FolderPath(root_ + choice.folder);
  const std::string path = folder + FavoriteFileName(choice.name) + ".url";
  if (FileExists(path)) {
    std::string question = Text("msg_FavReplace", "{N} already exists. Replace it?");
    ReplaceAll(question, "{N}", FavoriteFileName(choice.name));
    if (window_.MessageBox(question, hosts::MessageButtons::kYesNo) != hosts::MessageResult::kYes) return;
  }
  std::string error;
  if (!WriteFileAtomic(path, ShortcutText(address), &error)) window_.MessageBox(error, hosts::MessageButtons::kOk);
  RebuildFavorites();
}

void FavoritesMenu::RenameFavorite(int n, const std::string& old_text, const std::string& new_text) {
  if (n < 1 || n > static_cast<int>(FavoriteFiles.size()) || old_text.empty()) return;
  std::string& path = FavoriteFiles[n - 1];
  if (!FileExists(path)) return;
  // Only the file's own name changes; the folders on its path stay as they are.
  const size_t slash = path.rfind('/') + 1;
  std::string name = path.substr(slash);
  for (size_t at = name.find(old_text); at != std::string::npos; at = name.find(old_text, at + new_text.size()))
    name.replace(at, old_text.size(), new_text);
  const std::string new_path = path.substr(0, slash) + name;
  if (new_path == path) return;
  // A rename never replaces another favorite.
  const bool moved =
      name.find('/') == std::string::npos && !FileExists(new_path) && std::rename(path.c_str(), new_path.c_str()) == 0;
  if (!moved) {
    window_.MessageBox("Error when rename!", hosts::MessageButtons::kOk);
    return;
  }
  path = new_path;
  const int id = 1500 + n;
  const std::string key = "K" + std::to_string(n);
  for (FavoriteNode& node : Tree)
    if (node.key == key) node.text = new_text;
  for (const toolbar::Tool* tool : bars_.allTools()) {
    if (tool->id != id || tool->name != FavName(n) || tool->tag.empty()) continue;
    if (toolbar::Band* band = bars_.band(tool->tag))
      for (const auto& entry : band->tools())
        if (entry->id == id) entry->caption = new_text;
    break;
  }
  if (treeChanged) treeChanged();
}

std::string FavoritesMenu::NodeFile(const std::string& key) const {
  if (key.size() < 2 || key[0] != 'K') return {};
  const int n = std::atoi(key.c_str() + 1);
  return n >= 1 && n <= static_cast<int>(FavoriteFiles.size()) ? FavoriteFiles[n - 1] : std::string();
}

bool FavoritesMenu::RenameNode(const std::string& key, const std::string& old_text, const std::string& new_text) {
  if (window_.MessageBox("Are you sure?", hosts::MessageButtons::kYesNo) != hosts::MessageResult::kYes) return false;
  if (NodeFile(key).empty()) return false;
  const std::string before = NodeFile(key);
  RenameFavorite(std::atoi(key.c_str() + 1), old_text, new_text);
  return NodeFile(key) != before;
}

std::string FavoritesMenu::NodeTooltip(const std::string& key) const {
  if (key.rfind("K", 0) != 0) return "Click to open the directory!";
  return "Double Click ->" + ShortcutUrl(NodeFile(key));
}

namespace {

// Renames without ever replacing what is at `to`.
bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the no-replace rename: look first.
  std::error_code ec;
  if (std::filesystem::exists(std::filesystem::symlink_status(to, ec))) return false;
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool Present(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

std::string LastName(const std::string& item) { return item.substr(item.rfind('/') + 1); }

// The name the user typed as an entry name; empty when nothing usable remains.
std::string EntryName(const std::string& typed) {
  return typed.find_first_not_of(" .") == std::string::npos ? std::string() : FavoriteFileName(typed);
}

}  // namespace

std::string FavoritesOrganizer::Full(const std::string& item) const {
  if (root_.empty() || (!item.empty() && item[0] == '/')) return {};
  for (size_t at = 0; at < item.size();) {
    size_t end = item.find('/', at);
    if (end == std::string::npos) end = item.size();
    const std::string part = item.substr(at, end - at);
    if (part.empty() || part == "." || part == "..") return {};
    at = end + 1;
  }
  const std::string full = item.empty() ? root_.substr(0, root_.size() - 1) : root_ + item;
  return Present(full) ? full : std::string();
}

void FavoritesOrganizer::AddItems(const std::string& relative, int depth, std::vector<OrganizeItem>& items) const {
  if (depth > kMaxDepth) return;
  const std::string folder = root_ + relative;
  const std::vector<FolderEntry> entries = SortedListing(folder);
  // As the menu: the sub-folders first, links to folders not followed.
  for (const FolderEntry& entry : entries) {
    if (!entry.directory || entry.link || entry.name[0] == '.') continue;
    items.push_back({relative + entry.name, entry.name, true, depth});
    AddItems(relative + entry.name + "/", depth + 1, items);
  }
  for (const FolderEntry& entry : entries)
    if (entry.regular && entry.name[0] != '.' && !EndsWith(entry.name, "ini"))
      items.push_back({relative + entry.name, TitleOf(entry.name), false, depth});
}

std::vector<OrganizeItem> FavoritesOrganizer::Items() const {
  std::vector<OrganizeItem> items;
  if (!root_.empty()) AddItems("", 0, items);
  return items;
}

OrganizeResult FavoritesOrganizer::Rename(const std::string& item, const std::string& name) {
  const std::string full = Full(item);
  if (full.empty() || item.empty()) return OrganizeResult::kNotFound;
  std::string new_name = EntryName(name);
  if (new_name.empty()) return OrganizeResult::kBadName;
  const std::string old_name = LastName(item);
  const bool folder = std::filesystem::is_directory(std::filesystem::symlink_status(full));
  if (!folder && TitleOf(old_name) != old_name) new_name += old_name.substr(TitleOf(old_name).size());
  if (new_name == old_name) return OrganizeResult::kDone;
  const std::string target = full.substr(0, full.size() - old_name.size()) + new_name;
  if (Present(target)) return OrganizeResult::kExists;
  return RenameNoReplace(full, target) ? OrganizeResult::kDone : OrganizeResult::kFailed;
}

OrganizeResult FavoritesOrganizer::Move(const std::string& item, const std::string& folder) {
  const std::string full = Full(item);
  const std::string into = Full(folder);
  if (full.empty() || item.empty() || into.empty()) return OrganizeResult::kNotFound;
  if (!std::filesystem::is_directory(std::filesystem::symlink_status(into))) return OrganizeResult::kNotFound;
  if (folder == item || folder.rfind(item + "/", 0) == 0) return OrganizeResult::kIntoItself;
  const std::string target = FolderPath(into) + LastName(item);
  if (target == full) return OrganizeResult::kDone;
  if (Present(target)) return OrganizeResult::kExists;
  return RenameNoReplace(full, target) ? OrganizeResult::kDone : OrganizeResult::kFailed;
}

OrganizeResult FavoritesOrganizer::NewFolder(const std::string& parent, const std::string& name) {
  const std::string into = Full(parent);
  if (into.empty() || !std::filesystem::is_directory(std::filesystem::symlink_status(into)))
    return OrganizeResult::kNotFound;
  const std::string new_name = EntryName(name);
  if (new_name.empty()) return OrganizeResult::kBadName;
  const std::string target = FolderPath(into) + new_name;
  if (Present(target)) return OrganizeResult::kExists;
  std::error_code ec;
  return std::filesystem::create_directory(target, ec) ? OrganizeResult::kDone : OrganizeResult::kFailed;
}

OrganizeResult FavoritesOrganizer::Delete(
    const std::string& item, const std::function<bool(const OrganizeItem& item, bool has_contents)>& confirm) {
  const std::string full = Full(item);
  if (full.empty() || item.empty()) return OrganizeResult::kNotFound;
  std::error_code ec;
  const bool folder = std::filesystem::is_directory(std::filesystem::symlink_status(full, ec));
  const bool has_contents = folder && !std::filesystem::is_empty(full, ec);
  const OrganizeItem what{item, folder ? LastName(item) : TitleOf(LastName(item)), folder, 0};
  if (!confirm || !confirm(what, has_contents)) return OrganizeResult::kCancelled;
  // A link goes as a link: what it leads to stays.
  std::filesystem::remove_all(full, ec);
  return ec ? OrganizeResult::kFailed : OrganizeResult::kDone;
}

}  // namespace zor::favorites
