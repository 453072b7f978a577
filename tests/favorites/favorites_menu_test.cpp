#include "browser/favorites/favorites_menu.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "fakes/fake_hosts.h"

namespace zor::favorites {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSkin =
    "tb2 1\n"
    "band tb_Addressbar\n"
    "  tool b_go id=803 caption=Go\n"
    "band sub_View type=popup\n"
    "  tool b_go id=803 caption=Go\n"
    "band sub_Fav type=popup\n"
    "  tool b_iconon id=616 caption=Icons checked=0\n"
    "  tool b_addfav id=611 caption=Add\n"
    "  tool b_orgfav id=612 caption=Organize\n"
    "  sep  spe_sFav1 id=613\n";

class FavoritesMenuTest : public ::testing::Test {
 protected:
  FavoritesMenuTest() {
    EXPECT_TRUE(bars.loadLayoutText(kSkin, "test.tb2"));
    fs::create_directories(root);
    menu.SetRoot(root.string());
    menu.openFile = [this](const std::string& path) { opened.push_back(path); };
  }
  void Write(const std::string& relative, const std::string& text) {
    fs::create_directories((root / relative).parent_path());
    std::ofstream(root / relative, std::ios::binary) << text;
  }
  void Url(const std::string& relative, const std::string& url) {
    Write(relative, "[InternetShortcut]\r\nURL=" + url + "\r\n");
  }
  // "caption[id]" of a band's tools, a folder tool as "caption>band".
  std::vector<std::string> Menu(const std::string& band_name) {
    std::vector<std::string> items;
    for (const auto& tool : bars.band(band_name)->tools()) {
      std::string item = tool->caption + "[" + std::to_string(tool->id) + "]";
      if (!tool->submenu.empty()) item += ">" + tool->submenu;
      if (!tool->enabled) item += "-off";
      items.push_back(item);
    }
    return items;
  }

  testing::TempDir dir;
  fs::path root = fs::path(dir.path()) / "Favorites";
  toolbar::ToolbarControl bars;
  fakes::FakeWindow window;
  FavoritesMenu menu{bars, window};
  std::vector<std::string> opened;
};

TEST_F(FavoritesMenuTest, MenuListsFoldersThenFilesByNameWithIdsPlaceholdersAndTree) {
  Url("zeta.url", "http://z/");
  Url("Alpha.url", "http://a/");
  Url("alpha.url", "http://a2/");  // same name but for case: upper case first
  Url("News/Deep/d.url", "http://d/");
  Url("News/n.url", "http://n/");
  fs::create_directories(root / "empty");
  fs::create_directories(root / ".hidden");
  Url(".hidden/h.url", "http://h/");
  Write("desktop.ini", "[x]");
  Write("DESKTOP.INI", "[x]");
  Write(".dot.url", "");
  fs::create_directory_symlink("/tmp", root / "outside");
  fs::create_directory_symlink(root / "News", root / "Inside");

  menu.RebuildFavorites();

  EXPECT_EQ(Menu("sub_Fav"),
            (std::vector<std::string>{"Icons[616]", "Add[611]", "Organize[612]", "[613]", "empty[1900]>favband1",
                                      "Inside[2000]>favband2", "News[2100]>favband4", "Alpha[1505]", "alpha[1506]",
                                      "DESKTOP[1507]", "zeta[1508]"}));
  EXPECT_EQ(Menu("favband1"), (std::vector<std::string>{"\u2014 NONE \u2014[2500]-off"}));
  // A folder's deeper folders come before its own files.
  EXPECT_EQ(Menu("favband2"), (std::vector<std::string>{"Deep[1600]>favband3", "n[1502]"}));
  EXPECT_EQ(Menu("favband3"), (std::vector<std::string>{"d[1501]"}));
  EXPECT_EQ(bars.tool("favband3", "fav1")->tag, "favband3");
  ASSERT_EQ(menu.FavoriteFiles.size(), 8u);
  EXPECT_EQ(menu.FavoriteFiles[0], (root / "Inside/Deep/d.url").string());

  // Folders are top-level nodes, favorites go under their folder's node.
  std::vector<std::string> tree;
  for (const FavoriteNode& node : menu.Tree) tree.push_back(node.parent + "/" + node.key + ":" + node.text);
  EXPECT_EQ(tree, (std::vector<std::string>{"/favband1:empty", "/favband2:Inside", "/favband3:Deep", "favband3/K1:d",
                                            "favband2/K2:n", "/favband4:News", "/favband5:Deep", "favband5/K3:d",
                                            "favband4/K4:n", "/K5:Alpha", "/K6:alpha", "/K7:DESKTOP", "/K8:zeta"}));

  // A rebuild starts over and keeps the fixed tools' captions and the icon toggle.
  bars.tool("sub_Fav", "b_iconon")->checked = true;
  bars.tool("sub_Fav", "b_addfav")->caption = "收藏";
  menu.fileIcon = [](const std::string&) { return std::string("icon:text-html"); };
  menu.RebuildFavorites();
  EXPECT_EQ(menu.FavBandCount, 5);
  EXPECT_TRUE(bars.tool("sub_Fav", "b_iconon")->checked);
  EXPECT_EQ(bars.tool("sub_Fav", "b_addfav")->caption, "收藏");
  EXPECT_EQ(bars.tool("sub_Fav", "fav8")->image, "icon:text-html");
  EXPECT_EQ(menu.FavoriteFiles.size(), 8u);
}

TEST_F(FavoritesMenuTest, CaptionsCutAtFortyColumnsAndLinksFolderDropsDownFromGo) {
  Url("Links/一二三四五六七八九十一二三四五六七八九十一二三.url", "http://cjk/");
  Url("Links/short.url", "http://s/");
  menu.RebuildFavorites();
  const std::string cut = bars.tool("favband1", "fav2")->caption;
  EXPECT_EQ(cut, "一二三四五六七八九十一二三四五六七八九 ...");
  EXPECT_EQ(bars.tool("tb_Addressbar", "b_go")->submenu, "favband1");
  EXPECT_EQ(bars.tool("sub_View", "b_go")->submenu, "favband1");

  fs::rename(root / "Links", root / "Other");
  menu.RebuildFavorites();
  EXPECT_EQ(bars.tool("tb_Addressbar", "b_go")->submenu, "");
}

TEST_F(FavoritesMenuTest, FavoriteUrlReadsShortcutsAndRejectsWhatIsNotOne) {
  struct Case {
    const char* name;
    std::string text;
    std::string url;
    bool opened;
  } cases[] = {
      {"a.url", "[InternetShortcut]\r\nURL=http://a/\r\n", "http://a/", false},
      {"b.url", "[Other]\nURL=http://x/\n[internetshortcut]\nurl = http://b/\n", "http://b/", false},
      {"c.url", "[InternetShortcut]\nURL=http://\xff\xfe/\n", "", false},
      {"d.url", "[InternetShortcut]\nURL=http://d/\n" + std::string(70 * 1024, 'x'), "", false},
      {"e.url", "garbage\0\x01\x02", "", false},
      {"f.desktop", "[Desktop Entry]\nType=Link\nURL=http://f/\n", "http://f/", false},
      {"g.desktop", "[Desktop Entry]\nType=Application\nExec=true\n", "", true},
      {"h.pdf", "%PDF", "", true},
  };
  for (const Case& c : cases) Write(c.name, c.text);
  menu.RebuildFavorites();
  for (size_t i = 0; i < std::size(cases); ++i) {
    opened.clear();
    EXPECT_EQ(menu.FavoriteUrl(static_cast<int>(i) + 1), cases[i].url) << cases[i].name;
    EXPECT_EQ(opened.size(), cases[i].opened ? 1u : 0u) << cases[i].name;
  }
  EXPECT_TRUE(window.messages.empty());

  // A vanished favorite rebuilds the menu and says so.
  fs::remove(root / "a.url");
  EXPECT_EQ(menu.FavoriteUrl(1), "");
  EXPECT_EQ(window.messages, (std::vector<std::string>{"Possible external changes ocurred, so please try again!"}));
  EXPECT_EQ(menu.FavoriteFiles.size(), std::size(cases) - 1);
}

TEST_F(FavoritesMenuTest, AddFavoriteWritesAShortcutWithACleanNameAndAsksBeforeReplacing) {
  Url("Work/old.url", "http://old/");
  menu.RebuildFavorites();
  std::vector<std::string> offered;
  menu.askFavorite = [&](const std::string& name, const std::vector<std::string>& folders) {
    offered = folders;
    return std::optional<FavoriteChoice>({name, "Work"});
  };
  menu.AddFavorite("http://q/?a=1", "What? <b>*/x|y\\z");
  EXPECT_EQ(offered, (std::vector<std::string>{"Work"}));
  const fs::path written = root / "Work/What   b   x y z.url";
  ASSERT_TRUE(fs::exists(written));
  std::ifstream in(written, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "[InternetShortcut]\r\nURL=http://q/?a=1\r\n");
  // The new favorite is in the menu at once.
  EXPECT_EQ(Menu("favband1").size(), 2u);

  // The same name again: asked, and a No keeps the old file.
  window.message_answer = hosts::MessageResult::kNo;
  menu.AddFavorite("http://other/", "What? <b>*/x|y\\z");
  EXPECT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(ShortcutUrl(written.string()), "http://q/?a=1");

  EXPECT_EQ(FavoriteFileName("..hidden"), "hidden");
  EXPECT_EQ(FavoriteFileName(" \t "), "Untitled");
  EXPECT_EQ(FavoriteFileName(std::string(300, 'a')).size(), 200u);
  EXPECT_EQ(FavoriteFileName(std::string(199, 'a') + "中").size(), 199u);
}

TEST_F(FavoritesMenuTest, RenameChangesOnlyTheFileNameAndKeepsTheNumber) {
  Url("a news.url", "http://1/");
  Url("news/news today.url", "http://2/");
  Url("b.url", "http://3/");
  menu.RebuildFavorites();
  ASSERT_EQ(menu.FavoriteFiles[0], (root / "news/news today.url").string());

  menu.RenameFavorite(1, "news", "old");
  EXPECT_EQ(menu.FavoriteFiles[0], (root / "news/old today.url").string());
  EXPECT_TRUE(fs::exists(root / "news/old today.url"));
  EXPECT_EQ(bars.tool("favband1", "fav1")->caption, "old");

  menu.RenameFavorite(2, "a news", "zzz");
  EXPECT_EQ(menu.FavoriteFiles[1], (root / "zzz.url").string());
  EXPECT_EQ(menu.Tree[2].text, "zzz");

  // A name taken by another favorite is refused; nothing is replaced.
  menu.RenameFavorite(3, "b", "zzz");
  EXPECT_EQ(window.messages, (std::vector<std::string>{"Error when rename!"}));
  EXPECT_EQ(ShortcutUrl((root / "zzz.url").string()), "http://1/");
  EXPECT_TRUE(fs::exists(root / "b.url"));

  // The panel's label edit asks first; No, or a folder node, keeps the name.
  window.messages.clear();
  window.message_answer = hosts::MessageResult::kNo;
  EXPECT_FALSE(menu.RenameNode("K3", "b", "c"));
  window.message_answer = hosts::MessageResult::kYes;
  EXPECT_FALSE(menu.RenameNode("favband1", "news", "views"));
  EXPECT_TRUE(fs::exists(root / "news"));
  EXPECT_TRUE(menu.RenameNode("K3", "b", "c"));
  EXPECT_EQ(window.messages, std::vector<std::string>(3, "Are you sure?"));
  EXPECT_EQ(menu.NodeTooltip("K3"), "Double Click ->http://3/");
  EXPECT_EQ(menu.NodeTooltip("favband1"), "Click to open the directory!");
}

// The organise dialog's file work: each step changes only what it names and never
// replaces an entry that is already there.
TEST_F(FavoritesMenuTest, OrganizerRenamesMovesMakesAndDeletesOnlyWhatItIsAskedTo) {
  Url("News/Daily.url", "http://127.0.0.1:9/d");
  Url("News/Deep/Old.url", "http://127.0.0.1:9/o");
  Url("Site.url", "http://127.0.0.1:9/s");
  Url("Other.url", "http://127.0.0.1:9/x");
  FavoritesOrganizer organizer(root.string());
  auto listed = [&] {
    std::vector<std::string> items;
    for (const OrganizeItem& item : organizer.Items())
      items.push_back(std::string(item.depth, '-') + item.name + (item.folder ? "/" : ""));
    return items;
  };
  EXPECT_EQ(listed(), (std::vector<std::string>{"News/", "-Deep/", "--Old", "-Daily", "Other", "Site"}));

  using R = OrganizeResult;
  const struct {
    const char* step;
    R result;
    const char* gone;  // relative to the root, or nothing
    const char* made;
  } cases[] = {
      {"rename Site.url Home", R::kDone, "Site.url", "Home.url"},
      {"rename Home.url Other", R::kExists, nullptr, "Home.url"},
      {"rename Home.url ../../Out", R::kDone, "Home.url", "Out.url"},
      {"rename News Press", R::kDone, "News", "Press/Deep/Old.url"},
      {"rename Press/Daily.url  ", R::kBadName, nullptr, "Press/Daily.url"},
      {"move Other.url Press", R::kDone, "Other.url", "Press/Other.url"},
      {"move Press/Other.url Press/Deep", R::kDone, "Press/Other.url", "Press/Deep/Other.url"},
      {"move Press Press/Deep", R::kIntoItself, nullptr, "Press/Deep"},
      {"folder Press Deep", R::kExists, nullptr, "Press/Deep"},
      {"folder Press New", R::kDone, nullptr, "Press/New"},
      {"rename ../x y", R::kNotFound, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.step);
    const std::string step = c.step;
    const size_t first = step.find(' '), second = step.find(' ', first + 1);
    const std::string verb = step.substr(0, first), item = step.substr(first + 1, second - first - 1),
                      arg = step.substr(second + 1);
    const R result = verb == "rename" ? organizer.Rename(item, arg)
                     : verb == "move" ? organizer.Move(item, arg)
                                      : organizer.NewFolder(item, arg);
    EXPECT_EQ(result, c.result);
    if (c.gone) {
      EXPECT_FALSE(fs::exists(root / c.gone));
    }
    if (c.made) {
      EXPECT_TRUE(fs::exists(root / c.made));
    }
  }
  // Moving onto a name the folder already has leaves both entries as they were.
  Url("Press/Daily.url", "http://127.0.0.1:9/mine");
  Url("Daily.url", "http://127.0.0.1:9/theirs");
  EXPECT_EQ(organizer.Move("Daily.url", "Press"), R::kExists);
  EXPECT_EQ(ShortcutUrl((root / "Press/Daily.url").string()), "http://127.0.0.1:9/mine");
  EXPECT_EQ(ShortcutUrl((root / "Daily.url").string()), "http://127.0.0.1:9/theirs");

  // A folder with contents goes only once the question is answered yes.
  std::vector<std::string> asked;
  auto answer = [&](bool yes) {
    return [&asked, yes](const OrganizeItem& item, bool has_contents) {
      asked.push_back(item.name + (has_contents ? " full" : " empty"));
      return yes;
    };
  };
  EXPECT_EQ(organizer.Delete("Press", answer(false)), R::kCancelled);
  EXPECT_TRUE(fs::exists(root / "Press/Deep/Old.url"));
  EXPECT_EQ(organizer.Delete("Press/New", answer(true)), R::kDone);
  EXPECT_EQ(organizer.Delete("Press", answer(true)), R::kDone);
  EXPECT_FALSE(fs::exists(root / "Press"));
  EXPECT_EQ(organizer.Delete("Daily.url", answer(true)), R::kDone);
  EXPECT_EQ(asked, (std::vector<std::string>{"Press full", "New empty", "Press full", "Daily empty"}));
  EXPECT_TRUE(fs::exists(root));
}

}  // namespace
}  // namespace zor::favorites
