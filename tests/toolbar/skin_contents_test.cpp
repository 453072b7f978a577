// The shipped layout and language files: data/default.tb2 must hold every band and tool
// the program addresses by name, in the band it looks in, and the three language files
// must give every one of them a text, with the same keys in each language.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "common/ini.h"
#include "common/text_width.h"
#include "hosts/toolbar/toolbar.h"

namespace {

using zor::IniDocument;
using zor::toolbar::Band;
using zor::toolbar::Tool;
using zor::toolbar::ToolbarControl;
namespace tb = zor::toolbar;

const std::string kData = std::string(ZOR_SOURCE_DIR) + "/data/";
const std::vector<std::string> kLngFiles = {"lng.ini", "lng_en.ini", "lng_zh.ini"};

// Bands the program names, with the type it relies on.
const std::vector<std::pair<std::string, int>> kBands = {
    {"mnu_Main", tb::kMenuBar},        {"tb_Main", tb::kToolbarBand},
    {"tb_Addressbar", tb::kToolbarBand}, {"tb_Tabs", tb::kTabStrip},
    {"sb_Status", tb::kStatusBar},     {"tb_Leftbar", tb::kSideBar},
    {"cbnd_Fav", tb::kChildBand},      {"cbnd_History", tb::kChildBand},
    {"tab_Menu", tb::kPopup},          {"SysCustomize", tb::kPopup},
    {"sub_File", tb::kPopup},          {"sub_Edit", tb::kPopup},
    {"sub_View", tb::kPopup},          {"sub_Text", tb::kPopup},
    {"sub_Fav", tb::kPopup},           {"sub_Favio", tb::kPopup},
    {"sub_Usetools", tb::kPopup},      {"sub_ContentBlock", tb::kPopup},
    {"sub_Proxylist", tb::kPopup},     {"sub_Trans", tb::kPopup},
    {"sub_Blocked", tb::kPopup},
};

// Tools the program looks up in a particular band.
const std::vector<std::pair<std::string, std::string>> kPlacedTools = {
    {"tb_Addressbar", "ctl_ieicon"},
    {"tb_Addressbar", "ctl_addr"},
    {"tb_Addressbar", "b_go"},
    {"sb_Status", "ctl_statustext"},
    {"sb_Status", "ctl_progress"},
    {"sb_Status", "b_security"},
    {"sb_Status", "b_offline"},
    {"sb_Status", "b_blocked"},
    {"sb_Status", "b_dlrunning"},
    {"sb_Status", "b_zoomlevel"},
    {"tb_Main", "b_back"},
    {"tb_Main", "b_forward"},
    {"tb_Main", "b_stop"},
    {"tb_Main", "b_refresh"},
    {"tb_Main", "b_home"},
    {"tb_Main", "b_newt"},
    {"tb_Main", "b_showfav"},
    {"tb_Main", "b_history"},
    {"tb_Main", "b_fullscreen"},
    {"sub_File", "b_offline"},
    {"sub_View", "b_toolsbarok"},
    {"sub_View", "b_addrok"},
    {"sub_View", "b_statusok"},
    {"sub_View", "b_fullscreen"},
    {"sub_View", "b_go"},
    {"sub_Text", "b_biggest"},
    {"sub_Text", "b_big"},
    {"sub_Text", "b_normal"},
    {"sub_Text", "b_small"},
    {"sub_Text", "b_smallest"},
    {"sub_Edit", "b_undo"},
    {"sub_Edit", "b_redo"},
    {"sub_Edit", "b_cut"},
    {"sub_Edit", "b_copy"},
    {"sub_Edit", "b_paste"},
    {"sub_Edit", "b_del"},
    {"sub_Edit", "b_selectall"},
    {"sub_Fav", "b_iconon"},
    {"sub_Fav", "b_addfav"},
    {"sub_Fav", "b_orgfav"},
    {"sub_Favio", "b_importfav"},
    {"sub_Favio", "b_exportfav"},
    {"sub_Usetools", "b_opengetbar"},
    {"sub_Usetools", "b_besilent"},
    {"sub_Usetools", "b_downloads"},
    {"sub_Usetools", "b_stoppopup"},
    {"sub_Usetools", "b_killpop"},
    {"sub_Usetools", "b_viewlinks2"},
    {"sub_ContentBlock", "b_imgs"},
    {"sub_ContentBlock", "b_swfs"},
    {"cbnd_Fav", "frm_Fav"},
    {"cbnd_History", "frm_History"},
    {"tab_Menu", "b_close"},
    {"tab_Menu", "b_closeall2"},
    {"tab_Menu", "b_closeall1"},
    {"tab_Menu", "b_refresh"},
    {"tab_Menu", "b_saveas"},
    {"tab_Menu", "b_addfav"},
    {"tab_Menu", "b_addtohei"},
    {"tab_Menu", "b_new3"},
};

// Every id of the command table. "b_orgtrans" is missing on purpose: the translation
// menu adds it at start-up.
const std::vector<std::string> kCommands = {
    "b_newt",        "b_new2",          "b_new3",       "spe_sNew1",    "b_back",      "b_forward",    "b_stop",
    "b_stopall",     "b_refresh",       "b_home",       "b_saveas",     "b_pageset",   "b_preview",    "b_print",
    "b_close",       "b_quit",          "b_property",   "b_offline",    "b_closeall1", "b_closeall2",  "b_selectall",
    "b_cut",         "b_copy",          "b_paste",      "b_del",        "b_undo",      "b_redo",       "b_find",
    "b_source",      "b_biggest",       "b_big",        "b_normal",     "b_small",     "b_smallest",   "b_fullscreen",
    "b_addfav",      "b_orgfav",        "b_go",         "b_scrollon",   "b_iconon",    "b_opInternet", "b_viewlinks",
    "b_delcookie",   "b_deltempfiles",  "b_delhistory", "b_emailall",   "b_sendemail", "b_sendaddr",   "b_fastsave",
    "b_openfile",    "b_setup",         "b_opengetbar", "b_toolsbarok", "b_addrok",    "b_statusok",   "b_refreshall",
    "b_viewspecial", "b_killpop",       "b_addtohei",   "b_besilent",   "b_importfav", "b_exportfav",  "b_openaddrbook",
    "b_viewtexts",   "b_stoppopup",     "sep_sFile2",   "b_imgs",       "b_swfs",      "b_aboutme",    "b_showfav",
    "b_history",     "b_addtononproxy", "b_downloads",  "b_dlrunning",  "b_zoomin",    "b_zoomout",    "b_zoomreset",
    "b_zoomlevel",
};

// Commands offered in more than one place. Any other name stands in one band only; in
// particular the toggles whose state the program reads from one band.
const std::map<std::string, std::set<std::string>> kSharedTools = {
    {"b_offline", {"sub_File", "sb_Status"}},
    {"b_fullscreen", {"sub_View", "tb_Main"}},
    {"b_go", {"tb_Addressbar", "sub_View"}},
    {"b_newt", {"sub_File", "tb_Main", "SysCustomize"}},
    {"b_new2", {"sub_File", "SysCustomize"}},
    {"b_new3", {"sub_File", "tab_Menu"}},
    {"b_stop", {"sub_View", "tb_Main"}},
    {"b_refresh", {"sub_View", "tb_Main", "tab_Menu"}},
    {"b_refreshall", {"sub_View", "tab_Menu", "SysCustomize"}},
    {"b_stopall", {"sub_View", "SysCustomize"}},
    {"b_find", {"sub_Edit", "tb_Main"}},
    {"b_print", {"sub_File", "tb_Main"}},
    {"b_fastsave", {"sub_File", "tb_Main"}},
    {"b_saveas", {"sub_File", "tab_Menu"}},
    {"b_close", {"sub_File", "tab_Menu"}},
    {"b_closeall1", {"sub_File", "tab_Menu", "SysCustomize"}},
    {"b_closeall2", {"sub_File", "tab_Menu"}},
    {"b_addfav", {"sub_Fav", "tab_Menu"}},
    {"b_addtohei", {"sub_Usetools", "tab_Menu"}},
    {"b_addtononproxy", {"sub_Usetools", "tab_Menu"}},
};

// Shortcuts a user expects, on the tool that carries them.
const std::vector<std::pair<std::string, std::string>> kShortcuts = {
    {"b_newt", "<Control>t"},
    {"b_close", "<Control>w"},
    {"ctl_addr", "<Control>l"},
    {"b_refresh", "F5"},
    {"b_fullscreen", "F11"},
    {"b_back", "<Alt>Left"},
    {"b_forward", "<Alt>Right"},
    {"b_find", "<Control>f"},
    {"b_quit", "<Control>q"},
    {"b_saveas", "<Control>s"},
    {"b_print", "<Control>p"},
    {"b_addfav", "<Control>d"},
    {"b_source", "<Control>u"},
    {"b_openfile", "<Control>o"},
    {"b_stop", "Escape"},
    {"b_selectall", "<Control>a"},
    {"b_downloads", "<Control><Shift>y"},
    {"b_nexttab", "<Control>Tab,<Control>Page_Down"},
    {"b_prevtab", "<Control><Shift>Tab,<Control>Page_Up"},
    {"b_reopen", "<Control><Shift>t"},
    {"b_tab1", "<Control>1"},
    {"b_tab8", "<Control>8"},
    {"b_lasttab", "<Control>9"},
    {"b_zoomin", "<Control>plus,<Control>equal,<Control>KP_Add"},
    {"b_zoomout", "<Control>minus,<Control>KP_Subtract"},
    {"b_zoomreset", "<Control>0,<Control>KP_0"},
};

// Checked states at start: the defaults of the settings file, and the side bar, the
// content blocker, full screen and offline mode all off.
const std::vector<std::tuple<std::string, std::string, bool>> kStartStates = {
    {"sub_View", "b_toolsbarok", true},      {"sub_View", "b_addrok", true},
    {"sub_View", "b_statusok", true},        {"sub_Fav", "b_iconon", false},
    {"sub_Usetools", "b_opengetbar", false}, {"sub_Usetools", "b_besilent", false},
    {"sub_Usetools", "b_stoppopup", false},  {"sub_Usetools", "b_killpop", false},
    {"sub_ContentBlock", "b_imgs", false},   {"sub_ContentBlock", "b_swfs", false},
    {"tb_Main", "b_showfav", false},         {"tb_Main", "b_history", false},
    {"tb_Main", "b_fullscreen", false},      {"sub_View", "b_fullscreen", false},
    {"sub_File", "b_offline", false},        {"sb_Status", "b_offline", false},
};

// Keys of ZOR_Main besides band and tool names.
const std::vector<std::string> kMainMessageKeys = {
    "ZOR_TITLE",
    "msg_Exit",
    "b_security1",
    "b_security2",
    "b_security3",
    "b_orgtrans",
    "msg_DownloadAsk",
    "msg_DownloadFailed",
    "msg_DownloadNotSaved",
    "msg_DownloadCancelled",
    "msg_SaveFailed",
    "msg_ExitSaveFailed",
    "msg_LanguageFailed",
    "msg_NoXdgSettings",
    "msg_DefaultBrowserFailed",
    "msg_OpenLinkInNewTab",
    "msg_NoSnavel",
    "msg_DownloadSaveTitle",
    "msg_DownloadsTitle",
    "msg_DownloadCancel",
    "msg_DownloadOpen",
    "msg_DownloadShow",
    "msg_DownloadsNone",
    "msg_DownloadProgress",
    "msg_DownloadGrowing",
    "msg_DownloadDone",
    "msg_DownloadRunning",
    "msg_DownloadsRunning",
    "err_Title",
    "err_NoSuchHost",
    "err_Refused",
    "err_Security",
    "err_Timeout",
    "err_BlockedPort",
    "err_Offline",
    "err_Other",
    "err_Address",
    "err_Details",
    "err_TryAgain",
    "msg_FavReplace",
    "msg_FavImportFailed",
    "dlg_AddFav",
    "dlg_AddFavName",
    "dlg_AddFavFolder",
    "dlg_NewFolder",
    "dlg_NewFolderName",
    "dlg_OrgFav",
    "dlg_OrgFavRename",
    "dlg_OrgFavDelete",
    "dlg_OrgFavMove",
    "dlg_OrgFavMoveTo",
    "dlg_OrgFavClose",
    "dlg_OrgFavRenameTo",
    "msg_OrgFavDelete",
    "msg_OrgFavDeleteFolder",
    "msg_OrgFavExists",
    "msg_OrgFavIntoItself",
    "msg_OrgFavBadName",
    "msg_OrgFavFailed",
    "cmdRefresh",
    "txt_Today",
    "txt_PropName",
    "txt_PropAddress",
    "txt_PropFolder",
    "txt_PropSize",
    "txt_PropModified",
    "msg_BasketMissing",
    "msg_CorvaneMissing",
    "msg_TranslistMissing",
    "msg_TranslistBadLine",
    "msg_RestoreInterrupted",
};

const std::vector<std::string> kCorvaneKeys = {
    "page1", "page2", "page3", "page4", "page5", "lblHei", "cmdHei", "pop1", "pop2", "pop3",
    "lblProxyIp", "lblProxyNot", "lblProxyNotComment", "cmdPrxoyAdd", "ErrorProxy",
    "ErrorProxyUpdate", "Proxypop1", "Proxypop2", "Proxypop3", "Proxypop4", "Proxypop5",
    "msgYesNo", "msgProcessing", "lblTemp", "chkCookie", "chkTemp", "chkHistory", "cmdTemp",
    "cmdSysInfo", "lblDescription", "lblDisclaimer", "lblVersion",
};

const std::vector<std::string> kBasketKeys = {"lbl_Caption", "Open", "Copyone", "Copyall", "Saveone",
                                              "Saveall", "Delone", "Delall", "Load", "Exit",
                                              "msgReadFailed", "msgWriteFailed"};

// The dispatcher recognises the run-time tool families by these prefixes, so a skin tool
// named so would run one of their commands.
const std::vector<std::string> kFamilyPrefixes = {"fav", "tra", "tab", "block", "Proxy"};
// Names of tools and bands made at run time. A language key named so would retitle them
// (the direct-connection entry must stay "Empty", a favorites folder keeps its name).
const std::vector<std::string> kRunTimeNames = {"tabs-", "fav", "blocked-", "transeg", "spe_sTrans",
                                                "spe_sTans", "Proxy", "spe_sProxy"};

bool startsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

bool isSeparator(const Tool& t) { return t.control_type == tb::kSeparator; }

class SkinContents : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    control_ = new ToolbarControl();
    load_ok_ = control_->loadLayout("", kData + "default.tb2", 1, &load_error_);
    for (const std::string& f : kLngFiles) lng_[f] = IniDocument::Load(kData + f);
  }
  static void TearDownTestSuite() {
    delete control_;
    control_ = nullptr;
    lng_.clear();
  }
  void SetUp() override {
    ASSERT_TRUE(load_ok_) << load_error_;
    for (const std::string& f : kLngFiles) ASSERT_TRUE(lng_[f].has_value()) << "cannot read " << f;
  }

  static const ToolbarControl& skin() { return *control_; }
  static const IniDocument& lng(const std::string& file) { return *lng_[file]; }

  // Every band each tool name stands in, in band order.
  static std::map<std::string, std::vector<const Band*>> bandsByTool() {
    std::map<std::string, std::vector<const Band*>> out;
    for (const auto& band : skin().bands())
      for (const auto& tool : band->tools()) out[tool->name].push_back(band.get());
    return out;
  }

  // Bands a user can get to: the bars on screen and the two context menus, and every
  // menu their tools open.
  static std::set<std::string> reachableBands() {
    std::set<std::string> seen;
    std::vector<std::string> todo = {"mnu_Main", "tb_Main", "tb_Addressbar", "sb_Status", "tab_Menu",
                                     "SysCustomize"};
    while (!todo.empty()) {
      std::string name = todo.back();
      todo.pop_back();
      const Band* band = skin().band(name);
      if (!band || !seen.insert(name).second) continue;
      for (const auto& tool : band->tools())
        if (!tool->submenu.empty()) todo.push_back(tool->submenu);
    }
    return seen;
  }

  static ToolbarControl* control_;
  static bool load_ok_;
  static std::string load_error_;
  static std::map<std::string, std::optional<IniDocument>> lng_;
};

ToolbarControl* SkinContents::control_ = nullptr;
bool SkinContents::load_ok_ = false;
std::string SkinContents::load_error_;
std::map<std::string, std::optional<IniDocument>> SkinContents::lng_;

TEST_F(SkinContents, BandsExistWithTheirTypes) {
  for (const auto& [name, type] : kBands) {
    const Band* band = skin().band(name);
    ASSERT_NE(band, nullptr) << name;
    EXPECT_EQ(band->type, type) << name;
  }
  const Band* side = skin().band("tb_Leftbar");
  EXPECT_EQ(side->docking, tb::kDockLeft);
  EXPECT_FALSE(side->visible) << "the side bar is hidden until a side-bar toggle shows it";
  std::vector<std::string> children;
  for (const Band* c : side->childBands()) children.push_back(c->name);
  EXPECT_EQ(children, (std::vector<std::string>{"cbnd_Fav", "cbnd_History"}));
  for (const char* name : {"mnu_Main", "tb_Main", "tb_Addressbar", "tb_Tabs", "sb_Status"})
    EXPECT_TRUE(skin().band(name)->visible) << name;
  EXPECT_EQ(skin().band("sb_Status")->docking, tb::kDockBottom);
}

TEST_F(SkinContents, RunTimeMenusAndTabStripStartEmpty) {
  // Tabs, translation services, proxies and blocked pages are numbered from the band's
  // tool count or added after fixed entries of their own: a skin tool would shift them.
  for (const char* name : {"tb_Tabs", "sub_Trans", "sub_Proxylist", "sub_Blocked"})
    EXPECT_EQ(skin().band(name)->tools().count(), 0) << name;

  // Favorites follow the four fixed entries, which a rebuild recreates with these ids.
  const Band* fav = skin().band("sub_Fav");
  ASSERT_EQ(fav->tools().count(), 4);
  const std::vector<std::pair<std::string, int>> fixed = {{"b_iconon", 616}, {"b_addfav", 611}, {"b_orgfav", 612}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(fav->tools().at(i)->name, fixed[static_cast<size_t>(i)].first);
    EXPECT_EQ(fav->tools().at(i)->id, fixed[static_cast<size_t>(i)].second);
  }
  EXPECT_TRUE(isSeparator(*fav->tools().at(3)));
  EXPECT_EQ(fav->tools().at(3)->id, 613);
}

TEST_F(SkinContents, ToolsStandInTheBandsTheProgramLooksIn) {
  for (const auto& [band, tool] : kPlacedTools) EXPECT_NE(skin().tool(band, tool), nullptr) << band << " / " << tool;
}

TEST_F(SkinContents, EveryCommandIsReachable) {
  const std::set<std::string> reachable = reachableBands();
  const auto where = bandsByTool();
  for (const std::string& id : kCommands) {
    auto it = where.find(id);
    ASSERT_NE(it, where.end()) << id << " is not in the skin";
    const bool shown = std::any_of(it->second.begin(), it->second.end(),
                                   [&](const Band* b) { return reachable.count(b->name) > 0; });
    EXPECT_TRUE(shown) << id << " stands only in bands no user can open";
    for (const Band* b : it->second)
      EXPECT_FALSE(isSeparator(*b->tools().item(id))) << id << " in " << b->name << " must be clickable";
  }
  // And no menu is left without a way to open it.
  for (const auto& band : skin().bands()) {
    if (band->type == tb::kChildBand || band->type == tb::kSideBar || band->type == tb::kTabStrip) continue;
    EXPECT_TRUE(reachable.count(band->name)) << band->name << " is opened by no tool";
  }
}

TEST_F(SkinContents, ToolsStartInTheirDefaultState) {
  for (const auto& [band, name, checked] : kStartStates) {
    const Tool* tool = skin().tool(band, name);
    ASSERT_NE(tool, nullptr) << band << " / " << name;
    EXPECT_EQ(tool->checked, checked) << band << " / " << name;
  }
  const Tool* security = skin().tool("sb_Status", "b_security");
  EXPECT_EQ(std::count(security->tag.begin(), security->tag.end(), '|'), 3)
      << "the security indicator reads three fields, each ended by |";
  EXPECT_NE(skin().tool("sb_Status", "b_blocked")->caption.find(':'), std::string::npos);
}

TEST_F(SkinContents, NamesAndIdsAreConsistent) {
  std::map<int, std::string> name_of_id;
  std::map<std::string, const Tool*> first_of_name;
  for (const Tool* tool : skin().allTools()) {
    EXPECT_GT(tool->id, 0) << tool->name;
    EXPECT_LT(tool->id, 1398) << tool->name << ": ids from 1398 up belong to tools made at run time";
    auto [id_it, new_id] = name_of_id.emplace(tool->id, tool->name);
    EXPECT_EQ(id_it->second, tool->name) << "id " << tool->id << " is used by two names";
    auto [name_it, new_name] = first_of_name.emplace(tool->name, tool);
    if (!new_name) {
      // Copies of one command: one id, one text.
      EXPECT_EQ(name_it->second->id, tool->id) << tool->name;
      EXPECT_EQ(name_it->second->caption, tool->caption) << tool->name;
      EXPECT_EQ(name_it->second->tooltip, tool->tooltip) << tool->name;
    }
    for (const std::string& prefix : kFamilyPrefixes)
      EXPECT_FALSE(startsWith(tool->name, prefix)) << tool->name << " would be taken for a run-time tool";
  }
  for (const auto& [name, bands] : bandsByTool()) {
    std::set<std::string> got;
    for (const Band* b : bands) {
      EXPECT_TRUE(got.insert(b->name).second) << name << " twice in " << b->name;
    }
    auto shared = kSharedTools.find(name);
    if (shared == kSharedTools.end()) {
      EXPECT_EQ(bands.size(), 1u) << name << " stands in more than one band";
    } else {
      EXPECT_EQ(got, shared->second) << name;
    }
  }
}

TEST_F(SkinContents, ShortcutsAreThereAndDistinct) {
  std::map<std::string, std::set<std::string>> keys_of_tool;
  std::map<std::string, std::set<std::string>> tools_of_key;
  const std::string accel = "(<(Control|Shift|Alt|Super|Meta|Primary)>)*[A-Za-z0-9_]+";
  const std::regex gtk_accel(accel + "(," + accel + ")*");  // one or more, comma-separated
  for (const Tool* tool : skin().allTools()) {
    if (tool->shortcut.empty()) continue;
    EXPECT_TRUE(std::regex_match(tool->shortcut, gtk_accel)) << tool->name << ": " << tool->shortcut;
    keys_of_tool[tool->name].insert(tool->shortcut);
    for (const std::string& key : tb::ShortcutKeys(tool->shortcut)) tools_of_key[key].insert(tool->name);
    // A favorites rebuild recreates the fixed entries of sub_Fav without their shortcuts.
    EXPECT_FALSE(tool->band() && tool->band()->name == "sub_Fav") << tool->name << " loses its shortcut there";
  }
  for (const auto& [name, keys] : keys_of_tool) EXPECT_EQ(keys.size(), 1u) << name << " has two shortcuts";
  for (const auto& [key, names] : tools_of_key) EXPECT_EQ(names.size(), 1u) << key << " is bound twice";
  for (const auto& [name, key] : kShortcuts) {
    auto it = keys_of_tool.find(name);
    ASSERT_NE(it, keys_of_tool.end()) << name << " has no shortcut";
    EXPECT_EQ(*it->second.begin(), key) << name;
  }
}

TEST_F(SkinContents, LanguageToolsNameShippedFiles) {
  std::set<std::string> offered;
  const std::set<std::string> reachable = reachableBands();
  for (const auto& band : skin().bands()) {
    for (const auto& tool : band->tools()) {
      if (!startsWith(tool->name, "lang")) continue;
      offered.insert(tool->tooltip);
      EXPECT_TRUE(std::filesystem::is_regular_file(kData + tool->tooltip))
          << tool->name << ": no file " << tool->tooltip << " in data/";
      EXPECT_TRUE(reachable.count(band->name)) << tool->name;
      bool under_view = false;
      for (const auto& opener : skin().band("sub_View")->tools()) under_view = under_view || opener->submenu == band->name;
      EXPECT_TRUE(under_view) << tool->name << " belongs in a submenu of the View menu";
    }
  }
  EXPECT_EQ(offered, (std::set<std::string>{"lng_en.ini", "lng_zh.ini"}));
}

TEST_F(SkinContents, PicturesExist) {
  const std::filesystem::path theme = "/usr/share/icons/Adwaita";
  std::set<std::string> icons;
  if (std::filesystem::is_directory(theme))
    for (const auto& e : std::filesystem::recursive_directory_iterator(theme))
      icons.insert(e.path().stem().string());
  for (const Tool* tool : skin().allTools()) {
    if (tool->image.empty()) continue;
    if (startsWith(tool->image, "icon:")) {
      if (icons.empty()) continue;  // no icon theme on this machine to check against
      EXPECT_TRUE(icons.count(tool->image.substr(5))) << tool->name << ": " << tool->image;
    } else {
      EXPECT_TRUE(std::filesystem::is_regular_file(kData + tool->image)) << tool->name << ": " << tool->image;
    }
  }
}

// ---- language files ----

// Section -> keys in file order, duplicates kept (the reader takes the first, so a second
// one is dead text that a translator would edit in vain).
std::map<std::string, std::vector<std::string>> rawKeys(const std::string& text) {
  std::map<std::string, std::vector<std::string>> out;
  std::istringstream in(text);
  std::string line, section;
  auto trim = [](std::string s) {
    const char* blanks = " \t\r";
    s.erase(0, s.find_first_not_of(blanks));
    s.erase(s.find_last_not_of(blanks) + 1);
    return s;
  };
  while (std::getline(in, line)) {
    line = trim(line);
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      section = lower(trim(line.substr(1, line.size() - 2)));
    } else if (auto eq = line.find('='); eq != std::string::npos) {
      out[section].push_back(trim(line.substr(0, eq)));
    }
  }
  return out;
}

TEST_F(SkinContents, LanguageFilesShareOneKeySet) {
  EXPECT_EQ(readFile(kData + "lng.ini"), readFile(kData + "lng_en.ini"))
      << "lng_en.ini switches back to the shipped English texts";
  const IniDocument& en = lng("lng.ini");
  const IniDocument& zh = lng("lng_zh.ini");
  EXPECT_EQ(en.Sections(), (std::vector<std::string>{"ZOR_Main", "Corvane", "ZORBasket"}));
  EXPECT_EQ(zh.Sections(), en.Sections());
  for (const std::string& section : en.Sections()) {
    std::vector<std::string> a = en.Keys(section), b = zh.Keys(section);
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    EXPECT_EQ(a, b) << section;
  }
  for (const std::string& f : kLngFiles) {
    for (const auto& [section, keys] : rawKeys(readFile(kData + f))) {
      std::set<std::string> seen;
      for (const std::string& k : keys) EXPECT_TRUE(seen.insert(lower(k)).second) << f << " [" << section << "] " << k;
    }
  }
}

TEST_F(SkinContents, EveryBandAndToolHasItsTexts) {
  for (const std::string& f : kLngFiles) {
    const IniDocument& doc = lng(f);
    auto has = [&](const std::string& key) {
      auto v = doc.Get("ZOR_Main", key);
      return v && !v->empty();
    };
    for (const auto& band : skin().bands())
      if (band->name.find("sub") == std::string::npos) {
        EXPECT_TRUE(has(band->name)) << f << ": band " << band->name;
      }
    for (const Tool* tool : skin().allTools()) {
      if (isSeparator(*tool)) continue;
      EXPECT_TRUE(has(tool->name)) << f << ": tool " << tool->name;
      if (!tool->tooltip.empty() && !startsWith(tool->name, "lang")) {
        EXPECT_TRUE(has("tip_" + tool->name)) << f << ": tooltip of " << tool->name;
      }
    }
    for (const std::string& key : kMainMessageKeys) EXPECT_TRUE(has(key)) << f << ": " << key;
    for (const std::string& key : kCorvaneKeys) {
      auto v = doc.Get("Corvane", key);
      EXPECT_TRUE(v && !v->empty()) << f << ": Corvane " << key;
    }
    for (const std::string& key : kBasketKeys) {
      auto v = doc.Get("ZORBasket", key);
      EXPECT_TRUE(v && !v->empty()) << f << ": ZORBasket " << key;
    }
  }
}

TEST_F(SkinContents, LanguageKeysAreKnownNames) {
  std::set<std::string> known(kMainMessageKeys.begin(), kMainMessageKeys.end());
  known.insert("tip_b_orgtrans");
  for (const auto& band : skin().bands())
    if (band->name.find("sub") == std::string::npos) known.insert(band->name);
  for (const Tool* tool : skin().allTools()) {
    known.insert(tool->name);
    if (!startsWith(tool->name, "lang")) known.insert("tip_" + tool->name);
  }
  for (const std::string& f : kLngFiles) {
    for (const std::string& key : lng(f).Keys("ZOR_Main")) {
      // A typo is a text nobody sees; a tip_ key on a language entry would replace the
      // file name the language command reads.
      EXPECT_TRUE(known.count(key)) << f << ": " << key << " names no band or tool";
      EXPECT_FALSE(startsWith(key, "tip_lang")) << f << ": " << key;
      for (const std::string& prefix : kRunTimeNames) {
        EXPECT_FALSE(startsWith(key, prefix)) << f << ": " << key;
        EXPECT_FALSE(startsWith(key, "tip_" + prefix)) << f << ": " << key;
      }
    }
  }
}

TEST_F(SkinContents, TextsFitHowTheProgramUsesThem) {
  for (const std::string& f : kLngFiles) {
    const IniDocument& doc = lng(f);
    for (const std::string& section : doc.Sections()) {
      for (const std::string& key : doc.Keys(section)) {
        const std::string value = doc.Get(section, key).value_or("");
        EXPECT_TRUE(zor::IsValidUtf8(value)) << f << ": " << key;
        EXPECT_LE(zor::LegacyWidth(value), 254) << f << ": " << key << " would be cut";
      }
    }
    // The blocked counter counts the number after the first ASCII colon.
    const std::string blocked = doc.Get("ZOR_Main", "b_blocked").value_or("");
    auto colon = blocked.find(':');
    ASSERT_NE(colon, std::string::npos) << f << ": b_blocked needs a label, ':' and 0";
    EXPECT_EQ(blocked.substr(colon + 1), "0") << f;
    // Captions shown as plain text elsewhere (dialog titles, a prompt, a page title, the
    // security and blocked indicators) carry no mnemonic marker.
    for (const char* key : {"b_importfav", "b_exportfav", "b_viewspecial", "b_viewlinks2", "b_blocked",
                            "b_security", "b_security1", "b_security2", "b_security3"})
      EXPECT_EQ(doc.Get("ZOR_Main", key).value_or("").find('_'), std::string::npos) << f << ": " << key;
    const std::string title = doc.Get("ZOR_Main", "ZOR_TITLE").value_or("");
    EXPECT_NE(title.find("{N}"), std::string::npos) << f;
    EXPECT_NE(title.find("{V}"), std::string::npos) << f;
  }
}

TEST_F(SkinContents, ChineseFileIsTranslated) {
  // Texts that stay the same in Chinese.
  const std::set<std::string> same = {"ZOR_TITLE", "lang_en", "chkCookie"};
  const IniDocument& zh = lng("lng_zh.ini");
  for (const std::string& section : zh.Sections()) {
    for (const std::string& key : zh.Keys(section)) {
      if (same.count(key)) continue;
      const std::string value = zh.Get(section, key).value_or("");
      const bool has_chinese = std::any_of(value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
      EXPECT_TRUE(has_chinese) << "[" << section << "] " << key << "=" << value;
    }
  }
}

TEST_F(SkinContents, TranslationListIsWellFormed) {
  std::istringstream in(readFile(kData + "Translist.txt"));
  std::string line;
  int services = 0;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;  // a separator
    auto bar = line.find('|');
    // A line without "|" stops the loading with an error message.
    ASSERT_NE(bar, std::string::npos) << line;
    ++services;
    EXPECT_GT(bar, 0u) << "a service needs a name: " << line;
    const std::string tmpl = line.substr(bar + 1);
    EXPECT_TRUE(startsWith(tmpl, "https://")) << tmpl;
    EXPECT_NE(lower(tmpl).find("{url}"), std::string::npos) << tmpl;
  }
  EXPECT_GE(services, 3);
}

}  // namespace
