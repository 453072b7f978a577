#include "browser/favorites/bookmark_file.h"

#include <gumbo.h>
#include <strings.h>

#include <filesystem>
#include <optional>

#include "browser/favorites/favorites_menu.h"
#include "common/files.h"
#include "common/html_text.h"

namespace zor::favorites {

namespace {

constexpr const char* kLinksFolder = "Links";

std::string TextOf(const GumboNode* node) {
  if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE || node->type == GUMBO_NODE_CDATA)
    return node->v.text.text;
  if (node->type != GUMBO_NODE_ELEMENT) return {};
  std::string text;
  const GumboVector& children = node->v.element.children;
  for (unsigned i = 0; i < children.length; ++i) text += TextOf(static_cast<const GumboNode*>(children.data[i]));
  return text;
}

std::string Attribute(const GumboNode* node, const char* name) {
  const GumboAttribute* attribute = gumbo_get_attribute(&node->v.element.attributes, name);
  return attribute ? attribute->value : "";
}

// A name not yet taken in `folder`: "name.ext", else "name (2).ext", ...
std::string FreePath(const std::string& folder, const std::string& name, const std::string& ext) {
  std::string path = JoinPath(folder, name + ext);
  for (int n = 2; FileExists(path); ++n) path = JoinPath(folder, name + " (" + std::to_string(n) + ")" + ext);
  return path;
}

class Reader {
 public:
  explicit Reader(std::vector<BookmarkItem>& items) : items_(items) {}

  // A folder's H3 names the DL that follows it, wherever the parser put that DL (a
  // folder's description, DD, takes the DL in as its child).
  void Walk(const GumboNode* node, int folder) {
    if (node->type != GUMBO_NODE_ELEMENT) return;
    const GumboVector& children = node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) {
      const auto* child = static_cast<const GumboNode*>(children.data[i]);
      if (child->type != GUMBO_NODE_ELEMENT) continue;
      switch (child->v.element.tag) {
        case GUMBO_TAG_H3:
          pending_ = AddFolder(folder, child);
          break;
        case GUMBO_TAG_DL: {
          const int into = pending_.value_or(folder);
          pending_.reset();
          Walk(child, into);
          break;
        }
        case GUMBO_TAG_A:
          AddLink(folder, child);
          break;
        default:
          Walk(child, folder);
      }
    }
  }

 private:
  int AddFolder(int parent, const GumboNode* h3) {
    const bool bar = strcasecmp(Attribute(h3, "personal_toolbar_folder").c_str(), "true") == 0;
    items_.push_back({parent, true, bar ? kLinksFolder : FavoriteFileName(TextOf(h3)), {}});
    return static_cast<int>(items_.size()) - 1;
  }

  void AddLink(int folder, const GumboNode* a) {
    std::string url = Attribute(a, "href");
    const size_t first = url.find_first_not_of(" \t\r\n");
    url = first == std::string::npos ? std::string() : url.substr(first);
    if (url.empty() || url.rfind("place:", 0) == 0) return;
    const std::string title = TextOf(a);
    const std::string name = FavoriteFileName(title.find_first_not_of(" \t\r\n") == std::string::npos ? url : title);
    items_.push_back({folder, false, name, url});
  }

  std::vector<BookmarkItem>& items_;
  std::optional<int> pending_;
};

void ExportFolder(const std::string& folder, int depth, bool root, std::string& out) {
  const std::string indent(4 * depth, ' ');
  out += indent + "<DL><p>\n";
  const std::vector<FolderEntry> entries = SortedListing(folder);
  for (const FolderEntry& entry : entries) {
    if (!entry.directory || entry.link || entry.name[0] == '.') continue;
    out += indent + "    <DT><H3";
    if (root && entry.name == kLinksFolder) out += " PERSONAL_TOOLBAR_FOLDER=\"true\"";
    out += ">" + EscapeHtml(entry.name) + "</H3>\n";
    if (depth < 64) ExportFolder(JoinPath(folder, entry.name), depth + 1, false, out);
  }
  for (const FolderEntry& entry : entries) {
    if (!entry.regular || entry.name[0] == '.') continue;
    const std::string url = ShortcutUrl(JoinPath(folder, entry.name));
    if (url.empty()) continue;
    const size_t dot = entry.name.rfind('.');
    out += indent + "    <DT><A HREF=\"" + EscapeHtml(url) + "\">" + EscapeHtml(entry.name.substr(0, dot)) + "</A>\n";
  }
  out += indent + "</DL><p>\n";
}

}  // namespace

std::vector<BookmarkItem> ReadBookmarkFile(const std::string& html) {
  std::vector<BookmarkItem> items;
  GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size());
  if (!output) return items;
  Reader(items).Walk(output->root, -1);
  gumbo_destroy_output(&kGumboDefaultOptions, output);
  return items;
}

ImportCount ImportBookmarkFile(const std::string& html, const std::string& folder) {
  ImportCount count;
  const std::vector<BookmarkItem> items = ReadBookmarkFile(html);
  std::vector<std::string> paths(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    const BookmarkItem& item = items[i];
    const std::string& parent = item.parent < 0 ? folder : paths[static_cast<size_t>(item.parent)];
    if (item.folder) {
      paths[i] = JoinPath(parent, item.name);
      std::error_code error;
      // A folder of the same name is the same folder: its bookmarks join it.
      if (std::filesystem::create_directory(paths[i], error)) ++count.folders;
    } else if (WriteFileAtomic(FreePath(parent, item.name, ".url"), ShortcutText(item.url))) {
      ++count.links;
    }
  }
  return count;
}

std::string ExportBookmarkFile(const std::string& folder) {
  std::string out =
      "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
      "<TITLE>Bookmarks</TITLE>\n"
      "<H1>Bookmarks</H1>\n";
  ExportFolder(folder, 0, true, out);
  return out;
}

}  // namespace zor::favorites
