#include "browser/favorites/bookmark_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "browser/favorites/favorites_menu.h"
#include "common/temp_dir.h"

namespace zor::favorites {
namespace {

namespace fs = std::filesystem;

// Every folder and shortcut under `root` as "relative path" or "relative path=address".
std::vector<std::string> Tree(const fs::path& root) {
  std::vector<std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string line = fs::relative(entry.path(), root).string();
    if (entry.is_regular_file()) line += "=" + ShortcutUrl(entry.path().string());
    tree.push_back(line);
  }
  std::sort(tree.begin(), tree.end());
  return tree;
}

// As Firefox writes it: entities, ICON data, descriptions, a "place:" query, an empty folder.
constexpr const char* kFirefox = R"(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks Menu</H1>
<DL><p>
    <DT><A HREF="place:parent=menu________&amp;queryType=1" ADD_DATE="1">Recent Tags</A>
    <DT><H3 ADD_DATE="1" LAST_MODIFIED="2">Mozilla &amp; Friends</H3>
    <DD>Folder description
    <DL><p>
        <DT><A HREF="https://www.mozilla.org/about/?a=1&amp;b=2" ICON="data:image/png;base64,iVBORw0KGgo=">About / Us*?</A>
        <DD>A link description
        <DT><H3>Empty</H3>
        <DL><p>
        </DL><p>
    </DL><p>
    <DT><H3 PERSONAL_TOOLBAR_FOLDER="true">Bookmarks Toolbar</H3>
    <DL><p>
        <DT><A HREF="http://127.0.0.1/x">Twice</A>
        <DT><A HREF="http://127.0.0.1/y">Twice</A>
    </DL><p>
</DL>
)";

// As Chromium writes it: lower-case attributes, a bar folder, a nested folder.
constexpr const char* kChromium = R"(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<!-- This is an automatically generated file. -->
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks</H1>
<DL><p>
    <DT><H3 ADD_DATE="1" LAST_MODIFIED="0" PERSONAL_TOOLBAR_FOLDER="true">Bookmarks bar</H3>
    <DL><p>
        <DT><A HREF="https://example.org/" ADD_DATE="1">示例</A>
        <DT><H3 ADD_DATE="1">Deep</H3>
        <DL><p>
            <DT><A HREF="https://deep.example.org/">   </A>
        </DL><p>
    </DL><p>
</DL><p>
)";

TEST(BookmarkFileTest, ImportsFirefoxAndChromiumExportsAndExportImportsBackTheSameTree) {
  struct Case {
    const char* name;
    const char* html;
    std::vector<std::string> tree;
  } cases[] = {
      {"firefox",
       kFirefox,
       {"Links", "Links/Twice (2).url=http://127.0.0.1/y", "Links/Twice.url=http://127.0.0.1/x", "Mozilla & Friends",
        "Mozilla & Friends/About   Us.url=https://www.mozilla.org/about/?a=1&b=2", "Mozilla & Friends/Empty"}},
      {"chromium",
       kChromium,
       {"Links", "Links/Deep", "Links/Deep/https:  deep.example.org.url=https://deep.example.org/",
        "Links/示例.url=https://example.org/"}},
  };
  for (const Case& c : cases) {
    testing::TempDir dir;
    const fs::path first = fs::path(dir.path()) / "first";
    const fs::path second = fs::path(dir.path()) / "second";
    fs::create_directories(first);
    fs::create_directories(second);
    ImportBookmarkFile(c.html, first.string());
    EXPECT_EQ(Tree(first), c.tree) << c.name;
    ImportBookmarkFile(ExportBookmarkFile(first.string()), second.string());
    EXPECT_EQ(Tree(second), c.tree) << c.name;
  }
}

}  // namespace
}  // namespace zor::favorites
