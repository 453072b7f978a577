#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "hosts/toolbar/toolbar.h"

namespace zor::toolbar {
namespace {

std::string load(ToolbarControl& c, const std::string& text) {
  std::string error;
  if (c.loadLayoutText(text, "default.tb2", &error)) return "ok";
  return error;
}

TEST(Skin, EveryBandAttributeIsRead) {
  ToolbarControl c;
  ASSERT_EQ(load(c,
                 "tb2 1\n"
                 "band tb_Leftbar type=sidebar caption=\"Side bar\" visible=0 dock=left row=2 pos=3 extent=220 "
                 "current=cbnd_History\n"
                 "band cbnd_Fav type=child parent=tb_Leftbar\n"
                 "band cbnd_History type=5 parent=tb_Leftbar\n"
                 "band sb_Status type=status dock=1\n"
                 "band plain\n"),
            "ok");
  Band* bar = c.band("tb_Leftbar");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->type, kSideBar);
  EXPECT_EQ(bar->caption, "Side bar");
  EXPECT_FALSE(bar->visible);
  EXPECT_EQ(bar->docking, kDockLeft);
  EXPECT_EQ(bar->dock_row, 2);
  EXPECT_EQ(bar->dock_position, 3);
  EXPECT_EQ(bar->extent, 220);
  EXPECT_EQ(bar->currentChild(), c.band("cbnd_History"));
  EXPECT_EQ(bar->childBands().size(), 2u);
  EXPECT_EQ(c.band("cbnd_History")->type, kChildBand);
  EXPECT_EQ(c.band("cbnd_Fav")->parent, "tb_Leftbar");
  EXPECT_EQ(c.band("sb_Status")->docking, kDockBottom);

  const Band* plain = c.band("plain");
  EXPECT_EQ(plain->type, kToolbarBand);
  EXPECT_EQ(plain->caption, "plain");
  EXPECT_TRUE(plain->visible);
  EXPECT_EQ(plain->docking, kDockTop);
  EXPECT_EQ(plain->dock_row + plain->dock_position + plain->extent, 0);
  EXPECT_EQ(c.bandAt(0), bar) << "bands keep file order";
}

TEST(Skin, EveryToolAttributeIsRead) {
  ToolbarControl c;
  ASSERT_EQ(load(c,
                 "tb2 1\n"
                 "band sub_Fav type=popup\n"
                 "band tb_Main\n"
                 "  tool b_fav id=1500 caption=\"_Favorites\" tip=\"Your favorites\" type=combo style=3 checked=1 "
                 "enabled=0 visible=0 submenu=sub_Fav image=icon:starred key=<Control>d tag=a|b| width=120\n"
                 "  tool b_plain\n"
                 "  sep spe_1\n"
                 "  sep spe_2 type=label\n"),
            "ok");
  const Tool* t = c.tool("tb_Main", "b_fav");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->id, 1500);
  EXPECT_EQ(t->caption, "_Favorites");
  EXPECT_EQ(t->tooltip, "Your favorites");
  EXPECT_EQ(t->control_type, kCombo);
  EXPECT_EQ(t->style, 3);
  EXPECT_TRUE(t->checked);
  EXPECT_FALSE(t->enabled);
  EXPECT_FALSE(t->visible);
  EXPECT_EQ(t->submenu, "sub_Fav");
  EXPECT_EQ(t->image, "icon:starred");
  EXPECT_EQ(t->shortcut, "<Control>d");
  EXPECT_EQ(t->tag, "a|b|");
  EXPECT_EQ(t->width, 120);
  EXPECT_EQ(t->band(), c.band("tb_Main"));

  const Tool* plain = c.tool("tb_Main", "b_plain");
  EXPECT_EQ(plain->caption, "b_plain");
  EXPECT_EQ(plain->id, 0);
  EXPECT_EQ(plain->control_type, kButton);
  EXPECT_TRUE(plain->enabled && plain->visible && !plain->checked);
  EXPECT_TRUE(plain->tooltip.empty() && plain->submenu.empty() && plain->image.empty() && plain->shortcut.empty());
  EXPECT_EQ(c.tool("tb_Main", "spe_1")->control_type, kSeparator);
  EXPECT_EQ(c.tool("tb_Main", "spe_2")->control_type, kLabel);
}

TEST(Skin, QuotingCommentsAndLineForms) {
  ToolbarControl c;
  ASSERT_EQ(load(c,
                 "\xEF\xBB\xBF# a comment before the header\r\n"
                 "tb2 1\r\n"
                 "\r\n"
                 "   # indented comment\n"
                 "band\tb\tcaption=\"\"\n"
                 "\ttool q1 caption=\"Say \"\"hi\"\"\" tip=\"a=b  c\" tag=#1\n"
                 "  tool q2 caption=\"\"\"\" tip=x=y\n"
                 "  tool q3 caption=\"Ünïcödé 日本\"   \n"
                 "tools\n"
                 "  tool lang_en tip=lng_en.ini\n"
                 "band c\n"
                 "tools\n"
                 "  tool lang_de\n"
                 "  sep spe_x"),  // no newline at the end
            "ok");
  EXPECT_EQ(c.band("b")->caption, "");
  EXPECT_EQ(c.tool("b", "q1")->caption, "Say \"hi\"");
  EXPECT_EQ(c.tool("b", "q1")->tooltip, "a=b  c");
  EXPECT_EQ(c.tool("b", "q1")->tag, "#1");
  EXPECT_EQ(c.tool("b", "q2")->caption, "\"");
  EXPECT_EQ(c.tool("b", "q2")->tooltip, "x=y");
  EXPECT_EQ(c.tool("b", "q3")->caption, "Ünïcödé 日本");
  EXPECT_EQ(c.band("c")->tools().count(), 0);
  ASSERT_EQ(c.tools().count(), 3) << "every tools line continues the control's list";
  EXPECT_EQ(c.tools().item("lang_en")->tooltip, "lng_en.ini");
  EXPECT_EQ(c.tools().item("spe_x")->band(), nullptr);
}

TEST(Skin, ErrorsNameTheFileAndLine) {
  const std::string h = "tb2 1\n";
  const std::string long_name(100, 'x');
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {"", "default.tb2:1: missing \"tb2 1\" header"},
      {"band a\n", "default.tb2:1: expected \"tb2 1\" before \"band\""},
      {"tb2 2\n", "default.tb2:1: unsupported skin version \"2\" (expected 1)"},
      {"tb2 1 x\n", "default.tb2:1: unexpected \"x\" after the header"},
      {h + "tb2 1\n", "default.tb2:2: second \"tb2\" header"},
      {h + "menu a\n", "default.tb2:2: unknown element \"menu\""},
      {h + "tool b_back\n", "default.tb2:2: tool \"b_back\" before any band or tools line"},
      {h + "band a\n\n  tool b captoin=x\n", "default.tb2:4: unknown attribute \"captoin\""},
      {h + "band a caption=x caption=y\n", "default.tb2:2: duplicate attribute \"caption\""},
      {h + "band a\nband b\nband a\n", "default.tb2:4: duplicate band \"a\" (first at line 2)"},
      {h + "band\n", "default.tb2:2: band needs a name"},
      {h + "band a=b\n", "default.tb2:2: bad band name \"a=b\""},
      {h + "tools x\n", "default.tb2:2: unexpected \"x\" after \"tools\""},
      {h + "band a caption\n", "default.tb2:2: expected key=value, found \"caption\""},
      {h + "band a =x\n", "default.tb2:2: expected key=value, found \"=x\""},
      {h + "band a caption= x\n", "default.tb2:2: missing value of \"caption\" (write \"\" for empty text)"},
      {h + "band a caption=\"open\n", "default.tb2:2: unterminated quoted value of \"caption\""},
      {h + "band a caption=\"x\"y\n", "default.tb2:2: blank expected after the quoted value of \"caption\""},
      {h + "band a caption=x\"y\n", "default.tb2:2: quote inside the unquoted value of \"caption\""},
      {h + "band a\ntool t id=12abc\n", "default.tb2:3: bad number \"12abc\" for \"id\""},
      {h + "band a\ntool t width=2147483648\n", "default.tb2:3: bad number \"2147483648\" for \"width\""},
      {h + "band a\ntool t style=4\n", "default.tb2:3: bad value \"4\" for \"style\" (0 to 3)"},
      {h + "band a visible=yes\n", "default.tb2:2: bad value \"yes\" for \"visible\" (0 or 1)"},
      {h + "band a type=menu\n", "default.tb2:2: unknown band type \"menu\""},
      {h + "band a dock=middle\n", "default.tb2:2: unknown dock \"middle\""},
      {h + "band a\ntool t type=6\n", "default.tb2:3: unknown tool type \"6\""},
      {h + "band c type=child\n", "default.tb2:2: child band \"c\" needs parent="},
      {h + "band a parent=b\n", "default.tb2:2: parent= is only for child bands"},
      {h + "band a current=b\n", "default.tb2:2: current= is only for sidebar bands"},
      {h + "band m type=menubar\n tool m_File submenu=sub_File\n",
       "default.tb2:3: unknown submenu band \"sub_File\""},
      {h + "band m\n tool x submenu=m\n", "default.tb2:3: submenu band \"m\" is not a popup band"},
      {h + "band c type=child parent=tb_Main\nband tb_Main\n",
       "default.tb2:2: parent band \"tb_Main\" of child band \"c\" is not a sidebar band"},
      {h + "band c type=child parent=nowhere\n", "default.tb2:2: unknown parent band \"nowhere\""},
      {h + "band s type=sidebar current=c\nband c\n",
       "default.tb2:2: current= names \"c\", which is not a child band of \"s\""},
      {h + "band m\n tool x submenu=late\nband p type=popup\n tool y submenu=p2\nband late\n",
       "default.tb2:3: submenu band \"late\" is not a popup band"},
      {h + "band a type=popup\n tool x submenu=b\nband b type=popup\n tool y submenu=a\n",
       "default.tb2:5: submenu \"a\" leads back to band \"b\" (menus in a cycle)"},
      {h + "band a type=popup\n tool x submenu=a\n",
       "default.tb2:3: submenu \"a\" leads back to band \"a\" (menus in a cycle)"},
      {h + "band a caption=\"x\ty\"\n band b\x01\n", "default.tb2:3: control character 0x01"},
      {h + std::string("band a\0b\n", 9), "default.tb2:2: control character 0x00"},
      {"# \xFF\n" + h, "default.tb2:1: invalid UTF-8"},
      {h + "band a caption=\"\xED\xA0\x80\"\n", "default.tb2:2: invalid UTF-8"},  // a surrogate
      {h + "band a caption=\"\xC0\xAF\"\n", "default.tb2:2: invalid UTF-8"},      // overlong '/'
      {h + "band a " + long_name + "\n",
       "default.tb2:2: expected key=value, found \"" + std::string(40, 'x') + "...\""},
  };
  for (const auto& tc : cases) {
    ToolbarControl c;
    EXPECT_EQ(load(c, tc.text), tc.message) << tc.text;
    EXPECT_EQ(c.bandCount(), 0);
  }
}

TEST(Skin, MessageCutsKeepCharactersWhole) {
  ToolbarControl c;
  // The 40-byte cut falls inside the two-byte "é": the message must stay valid text.
  std::string error = load(c, "tb2 1\nband a type=" + std::string(39, 'x') + "éééé\n");
  EXPECT_EQ(error, "default.tb2:2: unknown band type \"" + std::string(39, 'x') + "...\"");
}

TEST(Skin, FailedLoadKeepsTheLayoutAndItsPointers) {
  ToolbarControl c;
  ASSERT_EQ(load(c, "tb2 1\nband tb_Main\n tool b_back\n"), "ok");
  Band* main = c.band("tb_Main");
  Tool* back = c.tool("tb_Main", "b_back");
  const auto revision = c.revision();
  // Good bands first, then a fault on the last line and one only found at the end.
  EXPECT_EQ(load(c, "tb2 1\nband other\n tool x\nband bad visible=2\n"),
            "default.tb2:4: bad value \"2\" for \"visible\" (0 or 1)");
  EXPECT_EQ(load(c, "tb2 1\nband other\n tool x submenu=none\n"), "default.tb2:3: unknown submenu band \"none\"");
  EXPECT_EQ(c.band("tb_Main"), main);
  EXPECT_EQ(c.tool("tb_Main", "b_back"), back);
  EXPECT_EQ(back->band(), main);
  EXPECT_EQ(c.band("other"), nullptr);
  EXPECT_EQ(c.bandCount(), 1);
  EXPECT_EQ(c.revision(), revision);

  std::string error = "stale";
  EXPECT_TRUE(c.loadLayoutText("tb2 1\nband other\n", "x", &error));
  EXPECT_EQ(error, "");
  EXPECT_EQ(c.band("tb_Main"), nullptr);
  EXPECT_EQ(c.band("other")->control(), &c);
  EXPECT_GT(c.revision(), revision);
}

TEST(Skin, LoadsFilesAndExplainsUnreadableOnes) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("zor_skin_test_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "default.tb2").string();
  std::ofstream(path) << "tb2 1\nband tb_Main\n tool b_back id=1\n tool b_x typo=1\n";
  ToolbarControl c;
  std::string error;
  EXPECT_FALSE(c.loadLayout("", path, 1, &error));
  EXPECT_EQ(error, path + ":4: unknown attribute \"typo\"");
  std::ofstream(path) << "tb2 1\nband tb_Main\n tool b_back id=1\n";
  EXPECT_TRUE(c.loadLayout("", path, 1, &error)) << error;
  EXPECT_EQ(c.tool("tb_Main", "b_back")->id, 1);

  EXPECT_FALSE(c.loadLayout("", (dir / "missing.tb2").string(), 1, &error));
  EXPECT_EQ(error, (dir / "missing.tb2").string() + ": cannot read: No such file or directory");
  EXPECT_FALSE(c.loadLayout("", dir.string(), 1, &error));
  EXPECT_EQ(error, dir.string() + ": cannot read: it is a folder");
  EXPECT_NE(c.band("tb_Main"), nullptr);
  fs::remove_all(dir);
}

TEST(Skin, TheDocumentedExampleLoads) {
  std::ifstream in(std::string(ZOR_SOURCE_DIR) + "/docs/skin-format.md");
  std::stringstream doc;
  doc << in.rdbuf();
  const std::string text = doc.str();
  const auto start = text.find("```\n", text.find("## Example"));
  ASSERT_NE(start, std::string::npos);
  const auto end = text.find("```", start + 4);
  ToolbarControl c;
  ASSERT_EQ(load(c, text.substr(start + 4, end - start - 4)), "ok");
  EXPECT_EQ(c.tool("sb_Status", "txt_status")->tooltip, "Say \"hello\"");
  EXPECT_EQ(c.band("tb_Leftbar")->currentChild()->name, "cbnd_History");
  EXPECT_EQ(c.tool("mnu_Main", "m_File")->submenu, "sub_File");
}

TEST(Skin, HugeAndHostileInputNeverCrashes) {
  const std::string h = "tb2 1\n";
  const std::string huge(10 * 1024 * 1024, 'a');
  std::string chain = h;  // 20000 menus each opening the next
  for (int i = 0; i < 20000; ++i)
    chain += "band p" + std::to_string(i) + " type=popup\n tool t submenu=p" + std::to_string(i + 1) + "\n";
  const struct {
    std::string text;
    bool loads;
  } cases[] = {
      {h + "band a caption=\"" + huge + "\"\n", true},  // a 10 MB line of good text is taken
      {h + "band a caption=" + huge + "\"\n", false},
      {h + "band " + huge + "\n", true},
      {h + "band a " + huge + "\n", false},
      {h + "band a\n tool t tip=\"" + std::string(5000000, '"') + "\n", false},
      {h + "band a caption=\"" + std::string(1000000, '\xE6') + "\"\n", false},
      {std::string(1000000, '\n') + h, true},
      {h + std::string(100000, '#') + "\n", true},
      {std::string("\0\0\0\0", 4), false},
      {"\xEF\xBB\xBF", false},
      {h + "band a\r\r\n", false},
      {h + "\"\n", false},
      {h + "band a =\n", false},
      {h + "band a caption=\"\"\"\n", false},
      {h + "band a caption=\"\"\"\"\n", true},
      {h + "band a caption=\"\xF4\x90\x80\x80\"\n", false},
      {h + "band a caption=\"\xF0\x9F\x98\x80\"\n", true},
      {chain + "band p20000 type=popup\n", true},
      {chain + "band p20000 type=popup\n tool back submenu=p0\n", false},
  };
  for (const auto& tc : cases) {
    ToolbarControl c;
    std::string error;
    EXPECT_EQ(c.loadLayoutText(tc.text, "nasty.tb2", &error), tc.loads) << tc.text.substr(0, 60) << " " << error;
    EXPECT_LT(error.size(), 200u);
  }
}

}  // namespace
}  // namespace zor::toolbar
