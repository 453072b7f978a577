// Bookmark files in the Netscape format that Firefox, Chromium and GNOME Web export and
// import, mapped onto the Favorites folder: a folder per H3, an internet shortcut per link.
#pragma once

#include <string>
#include <vector>

namespace zor::favorites {

struct ImportCount {
  int folders = 0;
  int links = 0;
};

// One folder or link of a bookmark file, in the file's order. `parent` is the index of the
// folder item it belongs to, or -1 for the top; `name` is already fit for a file name.
struct BookmarkItem {
  int parent = -1;
  bool folder = false;
  std::string name;
  std::string url;  // links only
};

// The folders and links of `html`: the bookmark bar's folder is named "Links"; addresses
// that only mean something to the exporting browser ("place:") and empty ones are left out.
std::vector<BookmarkItem> ReadBookmarkFile(const std::string& html);

// Adds the bookmarks of `html` to `folder`: one sub-folder per H3 (the bookmark bar's
// folder becomes "Links"), one .url per link; names are cleaned and a name already taken
// gets " (2)", " (3)"...; addresses that only mean something to the exporting browser
// ("place:") are left out.
ImportCount ImportBookmarkFile(const std::string& html, const std::string& folder);

// The tree under `folder` as a bookmark file: sub-folders as H3, shortcuts as links.
std::string ExportBookmarkFile(const std::string& folder);

}  // namespace zor::favorites
