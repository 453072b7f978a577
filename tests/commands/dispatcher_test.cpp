// The command table row by row (in its order), the prefix families, the context page
// and the failure rule, through tool clicks on the shipped skin.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "browser/commands/band_tools.h"
#include "commands/command_fixture.h"
#include "common/files.h"

namespace zor::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

class Dispatcher : public CommandFixture {};

// --- Every id of the skin is bound or known to be unbound -----------------------------

TEST_F(Dispatcher, EverySkinToolIsDispatchedOrKnownUnbound) {
  const std::vector<std::string> ids = commands::Dispatcher::CommandIds();
  const std::set<std::string> bound(ids.begin(), ids.end());
  EXPECT_EQ(bound.size(), ids.size()) << "an id stands twice in the table";
  // Tools that only open a submenu, separators, docked controls, and status indicators
  // whose action is a double click or a dropdown.
  const std::set<std::string> unbound_exact = {"b_security", "b_blocked", "b_viewlinks2"};
  // The families dispatched by prefix, and the tools that carry no command.
  auto unbound = [&](const std::string& name) {
    for (const char* prefix : {"fav", "tra", "tab", "block", "lang", "Proxy", "m_", "spe_", "ctl_", "frm_"})
      if (name.rfind(prefix, 0) == 0) return true;
    return unbound_exact.count(name) > 0;
  };
  std::vector<std::string> missing;
  for (const toolbar::Tool* tool : toolbar.allTools())
    if (!bound.count(tool->name) && !unbound(tool->name)) missing.push_back(tool->name);
  EXPECT_THAT(missing, IsEmpty());
  // Design mode lives on a tool whose name looks like a separator's.
  EXPECT_TRUE(bound.count("sep_sFile2"));
}

TEST_F(Dispatcher, EveryClickEndsWithOneRedraw) {
  view.redraws = 0;
  ClickTool("no_such_command");
  EXPECT_EQ(view.redraws, 1);
  Click("sub_Usetools", "b_killpop");
  EXPECT_EQ(view.redraws, 2);
}

// --- Rows, in table order --------------------------------------------------------------

TEST_F(Dispatcher, NewPagesBlankWithHomePageAndCopy) {
  Load(1, "http://127.0.0.1:9/a");
  Click("sub_File", "b_newt");
  EXPECT_EQ(form->tabs.ActivePage, 2);
  EXPECT_THAT(Page(2)->navigations, IsEmpty());
  Click("sub_File", "b_new2");
  EXPECT_EQ(form->tabs.ActivePage, 3);
  EXPECT_THAT(Calls(3), Contains("home"));
  form->tabs.SelectPage(1);
  Click("tab_Menu", "b_new3");
  EXPECT_THAT(Page(4)->navigations, ElementsAre("http://127.0.0.1:9/a"));
}

TEST_F(Dispatcher, LinkInNewTabNeedsASchemeInTheFirstEightCharacters) {
  form->chrome.txt_status.ShowPageStatus("abcdef://x");
  Click("sub_File", "spe_sNew1");
  EXPECT_EQ(form->tabs.LastPageIndex, 1);
  form->chrome.txt_status.ShowPageStatus("abcde://x");
  Click("sub_File", "spe_sNew1");
  ASSERT_EQ(form->tabs.LastPageIndex, 2);
  EXPECT_THAT(Page(2)->navigations, ElementsAre("abcde://x"));
}

TEST_F(Dispatcher, NavigationRowsActOnTheCurrentPage) {
  const int second = OpenPage("http://127.0.0.1:9/b");
  Calls(1);
  Calls(second);
  form->tabMenu.ContextPage = 1;  // not used by these rows
  Click("tb_Main", "b_back");
  Click("tb_Main", "b_forward");
  Click("tb_Main", "b_refresh");
  Click("tb_Main", "b_home");
  EXPECT_THAT(Calls(second), ElementsAre("back", "forward", "refresh:1", "home"));
  EXPECT_THAT(Calls(1), IsEmpty());
}

// Tab keys walk the strip's positions, not page numbers: page 2 closed leaves pages 1, 3,
// 4, 5 at positions 1..4. Next and previous wrap round the ends; a number past the last
// tab does nothing; 9 is the last tab.
TEST_F(Dispatcher, TabKeysMoveByPositionAndWrap) {
  for (int i = 0; i < 4; ++i) OpenPage("http://127.0.0.1:9/" + std::to_string(i));
  form->tabs.ClosePage(2);
  form->tabs.SelectPage(5);
  const std::vector<std::pair<const char*, int>> steps = {
      {"b_nexttab", 1}, {"b_nexttab", 3}, {"b_prevtab", 1}, {"b_prevtab", 5}, {"b_tab2", 3},
      {"b_tab1", 1},    {"b_tab5", 1},    {"b_lasttab", 5}, {"b_tab4", 5},    {"b_tab3", 4},
  };
  for (const auto& [tool, shown] : steps) {
    Click("sub_Tabs", tool);
    EXPECT_EQ(form->tabs.ActivePage, shown) << tool;
  }
}

// Reopen takes the closed pages newest first, each once, and leaves the menu with the rest.
TEST_F(Dispatcher, ReopenTakesClosedPagesNewestFirst) {
  Load(1, "http://127.0.0.1:9/first");
  const int second = OpenPage("http://127.0.0.1:9/b");
  Load(second, "http://127.0.0.1:9/b");
  const int third = OpenPage("http://127.0.0.1:9/c");
  Load(third, "http://127.0.0.1:9/c");
  form->tabs.ClosePage(second);
  form->tabs.ClosePage(third);
  ASSERT_EQ(form->chrome.ab_Main.band("sub_Blocked")->tools().count(), 2);
  Click("sub_Tabs", "b_reopen");
  EXPECT_THAT(Page(form->tabs.LastPageIndex)->navigations, ElementsAre("http://127.0.0.1:9/c"));
  EXPECT_EQ(form->tabs.ActivePage, form->tabs.LastPageIndex);
  Click("sub_Tabs", "b_reopen");
  EXPECT_THAT(Page(form->tabs.LastPageIndex)->navigations, ElementsAre("http://127.0.0.1:9/b"));
  const int pages_open = form->tabs.TabCount();
  Click("sub_Tabs", "b_reopen");
  EXPECT_EQ(form->tabs.TabCount(), pages_open);
  EXPECT_EQ(form->chrome.ab_Main.band("sub_Blocked")->tools().count(), 0);
}

TEST_F(Dispatcher, StopAndStopAllZeroTheProgress) {
  const int second = OpenPage("http://127.0.0.1:9/b");
  form->tabs.PageProgress.set(1, 40);
  form->tabs.PageProgress.set(second, 60);
  Click("tb_Main", "b_stop");
  EXPECT_THAT(Calls(second), Contains("stop"));
  EXPECT_THAT(Calls(1), Not(Contains("stop")));
  EXPECT_EQ(form->tabs.PageProgress.get(second), 0);
  EXPECT_EQ(form->tabs.PageProgress.get(1), 40);

  form->progress.lbl_Inf = "60%";
  Click("sub_View", "b_stopall");
  EXPECT_THAT(Calls(1), Contains("stop"));
  EXPECT_THAT(Calls(second), Contains("stop"));
  EXPECT_EQ(form->tabs.PageProgress.get(1), 0);
  EXPECT_EQ(form->progress.lbl_Inf, "");
}

TEST_F(Dispatcher, PageControlCommandsPassTheirIdsAndOptions) {
  Calls(1);
  Click("sub_File", "b_pageset");
  Click("sub_File", "b_preview");
  Click("sub_File", "b_print");
  Click("sub_File", "b_property");
  Click("sub_Edit", "b_selectall");
  Click("sub_Edit", "b_del");
  Click("sub_Edit", "b_undo");
  Click("sub_Edit", "b_redo");
  EXPECT_THAT(Calls(1), ElementsAre("exec:8:0:0", "exec:7:0:0", "exec:6:1:0", "exec:10:2:0", "exec:17:0:0",
                                    "exec:33:0:0", "exec:15:0:0", "exec:16:0:0"));
}

TEST_F(Dispatcher, TextSizesSetTheZoomLevelWithoutPrompt) {
  Calls(1);
  for (const char* tool : {"b_biggest", "b_big", "b_normal", "b_small", "b_smallest"}) Click("sub_Text", tool);
  EXPECT_THAT(Calls(1), ElementsAre("exec:19:2:4", "exec:19:2:3", "exec:19:2:2", "exec:19:2:1", "exec:19:2:0"));
}

// The open tab menu's entries act on its tab; the same tools reached by a shortcut (the
// menu closed, the pointer left over a tab) act on the shown page.
TEST_F(Dispatcher, TabMenuCommandsActOnTheContextPageOthersOnTheCurrent) {
  Load(1, "http://127.0.0.1:9/a");
  const int second = OpenPage("http://127.0.0.1:9/b");
  Calls(1);
  Calls(second);
  form->tabMenu.ContextPage = 1;
  form->tabMenu.MenuBandFlag = false;  // the tab menu is open on tab 1
  Click("tab_Menu", "b_saveas");
  Click("tab_Menu", "b_refresh");
  Click("sub_File", "b_print");
  Click("tab_Menu", "b_new3");
  EXPECT_THAT(Calls(1), ElementsAre("exec:4:1:0", "refresh:1"));
  EXPECT_THAT(Page(form->tabs.LastPageIndex)->navigations, ElementsAre("http://127.0.0.1:9/a"));
  EXPECT_THAT(Calls(second), ElementsAre("exec:6:1:0"));

  form->tabs.SelectPage(second);
  form->tabMenu.MenuBandFlag = true;  // closed; the pointer still rests on tab 1
  Calls(1);
  Click("tab_Menu", "b_saveas");
  Click("tab_Menu", "b_refresh");
  Click("tab_Menu", "b_close");
  EXPECT_THAT(Calls(1), IsEmpty());
  EXPECT_EQ(pages.Fake(second), nullptr);
  EXPECT_NE(pages.Fake(1), nullptr);
}

// Once the tab menu has closed its own tab, the keyboard's Close closes the shown page.
TEST_F(Dispatcher, AfterTheTabMenuClosedItsTabCloseActsOnTheShownPage) {
  const int second = OpenPage("http://127.0.0.1:9/b");
  const int third = OpenPage("http://127.0.0.1:9/c");
  form->tabMenu.ContextPage = second;
  form->tabMenu.MenuBandFlag = false;
  Click("tab_Menu", "b_close");
  form->chrome.ab_Main.fireBandClose(*form->chrome.ab_Main.band("tab_Menu"));
  EXPECT_EQ(form->tabMenu.ContextPage, 0);
  const int shown = form->tabs.ActivePage;
  const int other = shown == third ? 1 : third;
  Click("sub_File", "b_close");
  EXPECT_EQ(pages.Fake(shown), nullptr);
  EXPECT_NE(pages.Fake(other), nullptr);
}

TEST_F(Dispatcher, CloseRowsUseTheContextPage) {
  const int second = OpenPage("http://127.0.0.1:9/b");
  const int third = OpenPage("http://127.0.0.1:9/c");
  form->tabMenu.ContextPage = second;
  form->tabMenu.MenuBandFlag = false;
  Click("tab_Menu", "b_close");
  EXPECT_EQ(pages.Fake(second), nullptr);
  EXPECT_NE(pages.Fake(third), nullptr);
  EXPECT_EQ(form->tabs.TabCount(), 2);

  // The tab the menu was opened on has gone: nothing else closes in its place.
  Load(form->tabs.ActivePage, "http://127.0.0.1:9/a");  // so the failing step is skipped, not ending the click
  Click("tab_Menu", "b_close");
  Click("tab_Menu", "b_closeall2");
  EXPECT_EQ(form->tabs.TabCount(), 2);

  form->tabMenu.ContextPage = 1;
  Click("tab_Menu", "b_closeall2");
  EXPECT_EQ(form->tabs.TabCount(), 1);
  EXPECT_EQ(form->tabs.ActivePage, 1);

  Click("tab_Menu", "b_closeall1");
  EXPECT_EQ(form->tabs.TabCount(), 1);
  EXPECT_NE(form->tabs.ActivePage, 1);
}

TEST_F(Dispatcher, QuitAsksOnceThroughTheExitQuestion) {
  window.message_answer = hosts::MessageResult::kCancel;
  Click("sub_File", "b_quit");
  EXPECT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.close_requests, 1);
}

TEST_F(Dispatcher, OfflineFromTheStatusBarThenTheFileMenuEndsOnline) {
  toolbar::Tool& file = Tool("sub_File", "b_offline");
  toolbar::Tool& status = Tool("sb_Status", "b_offline");
  ASSERT_FALSE(file.checked);
  Click("sb_Status", "b_offline");
  EXPECT_TRUE(file.checked);
  EXPECT_TRUE(status.checked);
  EXPECT_TRUE(page_commands.offline);
  Click("sub_File", "b_offline");
  EXPECT_FALSE(file.checked);
  EXPECT_FALSE(status.checked);
  EXPECT_FALSE(page_commands.offline);
}

TEST_F(Dispatcher, PageCommandObjectRows) {
  Click("sub_Edit", "b_find");
  Click("sub_View", "b_source");
  Click("sub_Usetools", "b_openaddrbook");
  int rebuilds = 0;
  form->chrome.commandHooks.rebuildFavorites = [&] { ++rebuilds; };
  Click("sub_Fav", "b_orgfav");
  EXPECT_THAT(page_commands.log, ElementsAre("find", "source", "addressbook", "organize"));
  EXPECT_EQ(rebuilds, 1);
}

TEST_F(Dispatcher, FullScreenTogglesBothTools) {
  Click("tb_Main", "b_fullscreen");
  EXPECT_TRUE(window.full_screen);
  EXPECT_TRUE(Tool("sub_View", "b_fullscreen").checked);
  Click("sub_View", "b_fullscreen");
  EXPECT_FALSE(window.full_screen);
}

TEST_F(Dispatcher, AddFavoriteNeedsADocumentAndFallsBackToTheLocationName) {
  std::vector<std::string> added;
  form->chrome.commandHooks.addFavorite = [&](const std::string& url, const std::string& title) {
    added.push_back(url + "|" + title);
  };
  Click("tab_Menu", "b_addfav");  // a blank page has no document
  EXPECT_THAT(added, IsEmpty());

  Load(1, "http://127.0.0.1:9/a", "Title A");
  Page(1)->location_name = "Name A";
  Click("tab_Menu", "b_addfav");
  Page(1)->failing = "title";
  Click("sub_Fav", "b_addfav");
  EXPECT_THAT(added, ElementsAre("http://127.0.0.1:9/a|Title A", "http://127.0.0.1:9/a|Name A"));
}

TEST_F(Dispatcher, GoAndOpenFileLoadTheAddressBoxInTheCurrentPage) {
  window.address_text = "http://127.0.0.1:9/typed";
  Click("tb_Addressbar", "b_go");
  EXPECT_THAT(Page(1)->navigations, ElementsAre("http://127.0.0.1:9/typed"));

  window.file_answer = "";
  Click("sub_File", "b_openfile");
  EXPECT_THAT(window.file_filters,
              ElementsAre("*.HTML;*.HTM|*.HTML;*.HTM|*.XML;*.SML|*.XML;*.SML|*.MHT;*.MHT|*.MHT;*.MHT|*.*|*.*"));
  EXPECT_EQ(Page(1)->navigations.size(), 1u);

  const std::string file = (folder / "page.htm").string();
  std::ofstream(file) << "<p>x</p>";
  window.file_answer = file;
  Click("sub_File", "b_openfile");
  ASSERT_EQ(Page(1)->navigations.size(), 2u);
  EXPECT_EQ(Page(1)->navigations.back(), "file://" + file);
  EXPECT_EQ(form->tabs.LastPageIndex, 1);
}

TEST_F(Dispatcher, ScrollAndDesignModeRunInTheDocumentAndLeaveTheirTools) {
  Click("sub_View", "b_scrollon");
  Click("sub_Edit", "sep_sFile2");
  ASSERT_EQ(Page(1)->scripts.size(), 2u);
  EXPECT_NE(Page(1)->scripts[0].find("\"scroll\""), std::string::npos);
  EXPECT_NE(Page(1)->scripts[1].find("designMode"), std::string::npos);
  EXPECT_FALSE(Tool("sub_View", "b_scrollon").checked);
}

TEST_F(Dispatcher, ShowIconsTogglesThenRebuildsTheMenuItStandsIn) {
  // The rebuild recreates the clicked tool itself; the click must not touch it after.
  form->chrome.commandHooks.rebuildFavorites = [&] {
    toolbar::Band* fav = toolbar.band("sub_Fav");
    const bool icons = fav->tools().item("b_iconon")->checked;
    fav->tools().removeAll();
    commands::AddBandTool(form->chrome.ab_Main, "sub_Fav", "b_iconon", 616, "0", "Show Icons")->checked = icons;
  };
  Click("sub_Fav", "b_iconon");
  EXPECT_TRUE(Tool("sub_Fav", "b_iconon").checked);
}

TEST_F(Dispatcher, CorvaneRowsCreateTheConnectionAndPassThePage) {
  Load(1, "http://127.0.0.1:9/x/y");
  const int second = OpenPage("http://127.0.0.1:8/z");
  (void)second;
  form->tabMenu.ContextPage = 1;
  form->tabMenu.MenuBandFlag = false;
  corvane.clear();
  Click("sub_Usetools", "b_delcookie");
  Click("sub_Usetools", "b_deltempfiles");
  Click("sub_Usetools", "b_delhistory");
  Click("tab_Menu", "b_addtohei");
  Click("tab_Menu", "b_addtononproxy");
  Click("sub_Usetools", "b_setup");
  EXPECT_THAT(corvane, ElementsAre("delTemp:100", "delTemp:010", "delTemp:001", "addtoHei:http://127.0.0.1:9/x/y",
                                   "addToNonProxy:Empty:127.0.0.1:9", "ShowWindow"));
}

TEST_F(Dispatcher, MailRowsPassTextsUnescaped) {
  std::vector<std::string> mails;
  int mail_program = 0;
  form->chrome.commandHooks.sendMail = [&](const std::string& to, const std::string& subject, const std::string& body) {
    mails.push_back(to + "|" + subject + "|" + body);
  };
  form->chrome.commandHooks.startMailProgram = [&] { ++mail_program; };
  Load(1, "http://127.0.0.1:9/a b?x=1&y=2");
  Tool("tb_Tabs", "tabs-1").caption = "R&D notes";
  Click("sub_File", "b_sendemail");
  Click("sub_File", "b_sendaddr");
  Click("sub_Usetools", "b_emailall");
  EXPECT_THAT(mails, ElementsAre("||", "|R&D notes|http://127.0.0.1:9/a b?x=1&y=2"));
  EXPECT_EQ(mail_program, 1);
}

TEST_F(Dispatcher, ExportRowsGoToTheirHooksWithTheCurrentPage) {
  std::vector<std::string> log;
  form->chrome.commandHooks.quickSave = [&](bool save, int page) {
    log.push_back((save ? "save:" : "text:") + std::to_string(page));
  };
  form->chrome.commandHooks.viewLinks = [&](int page) {
    log.push_back("links:" + std::to_string(page) + ":" + form->dispatcher.LinkFilter);
  };
  form->chrome.commandHooks.importExportFav = [&](bool import) { log.push_back(import ? "import" : "export"); };
  form->chrome.commandHooks.editTranslationList = [&] { log.push_back("translist"); };
  const int second = OpenPage("http://127.0.0.1:9/b");
  form->tabMenu.ContextPage = 1;
  Click("tb_Main", "b_fastsave");
  Click("sub_View", "b_viewtexts");
  Click("sub_Links", "b_viewlinks");
  Click("sub_Favio", "b_importfav");
  Click("sub_Favio", "b_exportfav");
  ClickTool("b_orgtrans");
  const std::string n = std::to_string(second);
  EXPECT_THAT(log, ElementsAre("save:" + n, "text:" + n, "links:" + n + ":", "import", "export", "translist"));
}

TEST_F(Dispatcher, LinksContainingTextAsksAndAnEmptyAnswerOpensNothing) {
  std::vector<std::string> filters;
  form->chrome.commandHooks.viewLinks = [&](int) { filters.push_back(form->dispatcher.LinkFilter); };
  window.input_answer = "";
  Click("sub_Links", "b_viewspecial");
  window.input_answer = std::nullopt;  // cancelled
  Click("sub_Links", "b_viewspecial");
  EXPECT_THAT(filters, IsEmpty());
  EXPECT_EQ(form->tabs.LastPageIndex, 1);
  window.input_answer = ".htm";
  Click("sub_Links", "b_viewspecial");
  EXPECT_THAT(filters, ElementsAre(".htm"));
  EXPECT_THAT(window.prompts, Contains(Tool("sub_Links", "b_viewspecial").caption));
}

TEST_F(Dispatcher, BarTogglesShowAndHideTheirBands) {
  for (const auto& [tool, band] : std::vector<std::pair<std::string, std::string>>{
           {"b_toolsbarok", "tb_Main"}, {"b_addrok", "tb_Addressbar"}, {"b_statusok", "sb_Status"}}) {
    ASSERT_TRUE(Tool("sub_View", tool).checked);
    Click("sub_View", tool);
    EXPECT_FALSE(toolbar.band(band)->visible) << band;
    EXPECT_FALSE(Tool("sub_View", tool).checked);
    Click("sub_View", tool);
    EXPECT_TRUE(toolbar.band(band)->visible) << band;
  }
}

TEST_F(Dispatcher, RefreshAllSkipsBlankPages) {
  const int blank = OpenPage("");
  const int loaded = OpenPage("http://127.0.0.1:9/c");
  Load(1, "http://127.0.0.1:9/a");
  for (int n : {1, blank, loaded}) Calls(n);
  Click("tab_Menu", "b_refreshall");
  EXPECT_THAT(Calls(1), ElementsAre("refresh:0"));
  EXPECT_THAT(Calls(blank), IsEmpty());
  EXPECT_THAT(Calls(loaded), ElementsAre("refresh:0"));
}

TEST_F(Dispatcher, TogglesAndTheContentBlocker) {
  std::vector<int> blocked_pages;
  form->chrome.hooks.applyPageHooks = [&](int page) { blocked_pages.push_back(page); };
  Click("sub_Usetools", "b_killpop");
  Click("sub_Usetools", "b_stoppopup");
  Click("sub_ContentBlock", "b_imgs");
  Click("sub_ContentBlock", "b_swfs");
  for (const auto& [band, tool] : std::vector<std::pair<std::string, std::string>>{
           {"sub_Usetools", "b_killpop"}, {"sub_Usetools", "b_stoppopup"}, {"sub_ContentBlock", "b_imgs"},
           {"sub_ContentBlock", "b_swfs"}})
    EXPECT_TRUE(Tool(band, tool).checked) << tool;
  EXPECT_THAT(blocked_pages, ElementsAre(1, 1));
}

TEST_F(Dispatcher, SilentModeReachesEveryPage) {
  const int second = OpenPage("");
  Click("sub_Usetools", "b_besilent");
  EXPECT_TRUE(Page(1)->silent);
  EXPECT_TRUE(Page(second)->silent);
}

TEST_F(Dispatcher, BasketToggleGoesToItsHook) {
  int toggles = 0;
  form->chrome.hooks.toggleBasket = [&] { ++toggles; };
  Click("sub_Usetools", "b_opengetbar");
  EXPECT_EQ(toggles, 1);
}

// The desktop is asked through xdg-settings; the entry's mark is its answer, failures are told.
TEST_F(Dispatcher, DefaultBrowserEntryFollowsTheDesktopsAnswer) {
  using commands::ProgramRun;
  const ProgramRun missing{false, -1, "", "Failed to execute child process \u201cxdg-settings\u201d"};
  const ProgramRun ours{true, 0, "zor-browser.desktop\n", ""};
  const ProgramRun other{true, 0, "firefox-esr.desktop\n", ""};
  const ProgramRun done{true, 0, "", ""};
  const ProgramRun refused{true, 3, "", "xdg-settings: unknown desktop environment\n"};
  struct Case {
    const char* what;
    ProgramRun before;  // the answer to "get" while the menu opens
    ProgramRun change;  // the answer to "set"
    ProgramRun after;   // the answer to "get" once changed
    bool checked_before, checked_after;
    const char* message;  // a piece of the message the click shows, or "" for none
  };
  const Case cases[] = {
      {"already the default", ours, done, ours, true, true, ""},
      {"another browser, changed", other, done, ours, false, true, ""},
      {"the desktop ignores the change", other, done, other, false, false, ""},
      {"the desktop refuses", other, refused, other, false, false, "unknown desktop environment"},
      {"no xdg-settings", missing, missing, missing, false, false, "xdg-utils"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::vector<std::string>> runs;
    bool changed = false;
    form->chrome.commandHooks.runProgram = [&](const std::vector<std::string>& argv,
                                               std::function<void(const ProgramRun&)> answer) {
      runs.push_back(argv);
      if (argv.at(1) == "set") changed = true;
      answer(argv.at(1) == "set" ? c.change : changed ? c.after : c.before);
    };
    window.messages.clear();
    Tool("sub_Usetools", "b_defaultbrowser").checked = !c.checked_before;
    Open("sub_Usetools");
    EXPECT_EQ(Tool("sub_Usetools", "b_defaultbrowser").checked, c.checked_before);
    Click("sub_Usetools", "b_defaultbrowser");
    EXPECT_EQ(Tool("sub_Usetools", "b_defaultbrowser").checked, c.checked_after);
    ASSERT_GE(runs.size(), 2u);
    EXPECT_THAT(runs[0], ElementsAre("xdg-settings", "get", "default-web-browser"));
    EXPECT_THAT(runs[1], ElementsAre("xdg-settings", "set", "default-web-browser", "zor-browser.desktop"));
    if (*c.message) {
      ASSERT_EQ(window.messages.size(), 1u);
      EXPECT_THAT(window.messages[0], ::testing::HasSubstr(c.message));
    } else {
      EXPECT_THAT(window.messages, IsEmpty());
    }
  }
}

TEST_F(Dispatcher, AboutShowsVersionAndNoticesUnderAbout) {
  Click("sub_Help", "b_aboutme");
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].rfind(shell::VersionText() + "\n", 0), 0u);
  EXPECT_EQ(std::count(window.messages[0].begin(), window.messages[0].end(), '\n'), 3);
  EXPECT_EQ(window.message_titles[0], "About");
}

TEST_F(Dispatcher, HistoryWhileFavoritesIsCheckedLeavesOnlyHistory) {
  Click("tb_Main", "b_showfav");
  EXPECT_TRUE(toolbar.band("tb_Leftbar")->visible);
  EXPECT_EQ(toolbar.band("tb_Leftbar")->currentChild()->name, "cbnd_Fav");
  Click("tb_Main", "b_history");
  EXPECT_FALSE(Tool("tb_Main", "b_showfav").checked);
  EXPECT_TRUE(Tool("tb_Main", "b_history").checked);
  EXPECT_EQ(toolbar.band("tb_Leftbar")->currentChild()->name, "cbnd_History");
  Click("tb_Main", "b_history");
  EXPECT_FALSE(toolbar.band("tb_Leftbar")->visible);
}

// --- Prefix families ------------------------------------------------------------------

TEST_F(Dispatcher, TabToolsSelectThePageAfterTheirFifthCharacter) {
  while (form->tabs.LastPageIndex < 12) OpenPage("");
  ClickTool("tabs-7", 50007);
  EXPECT_EQ(form->tabs.ActivePage, 7);
  ClickTool("tabs-12", 50012);
  EXPECT_EQ(form->tabs.ActivePage, 12);
}

TEST_F(Dispatcher, FavoriteOpensInANewPageOnlyWhenTheCurrentOneShowsAnAddress) {
  std::vector<int> asked;
  form->chrome.commandHooks.favoriteUrl = [&](int n) {
    asked.push_back(n);
    return "http://127.0.0.1:9/fav" + std::to_string(n);
  };
  ClickTool("fav3", 1503);
  EXPECT_EQ(form->tabs.LastPageIndex, 1);
  EXPECT_THAT(Page(1)->navigations, ElementsAre("http://127.0.0.1:9/fav3"));
  ClickTool("fav4", 1504);
  ASSERT_EQ(form->tabs.LastPageIndex, 2);
  EXPECT_THAT(Page(2)->navigations, ElementsAre("http://127.0.0.1:9/fav4"));
  EXPECT_THAT(asked, ElementsAre(3, 4));
}

TEST_F(Dispatcher, TranslationAndBlockedEntries) {
  Load(1, "http://127.0.0.1:9/page");
  form->chrome.commandHooks.getTranslationUrl = [](int service, const std::string& address) {
    return "http://127.0.0.1:7/t" + std::to_string(service) + "?u=" + address;
  };
  form->chrome.commandHooks.blockedUrl = [](int n) { return "http://127.0.0.1:6/b" + std::to_string(n); };
  ClickTool("tra2", 1402);
  ASSERT_EQ(form->tabs.LastPageIndex, 2);
  EXPECT_THAT(Page(2)->navigations, ElementsAre("http://127.0.0.1:7/t2?u=http://127.0.0.1:9/page"));
  ClickTool("blocked-3", 2803);
  ASSERT_EQ(form->tabs.LastPageIndex, 3);
  EXPECT_THAT(Page(3)->navigations, ElementsAre("http://127.0.0.1:6/b3"));
}

TEST_F(Dispatcher, AMissingOrUnreadableLanguageFileLeavesLngIniAlone) {
  const auto before = ReadWholeFile((folder / "lng.ini").string());
  ClickTool("lang_xx", 359, "X", "lng_xx.ini");
  EXPECT_THAT(window.messages, ElementsAre("Cannot find source file"));
  EXPECT_EQ(ReadWholeFile((folder / "lng.ini").string()), before);
  // There, but no file to read: the switch says so and the texts stay.
  std::filesystem::create_directories(folder / "lng_dir.ini");
  ClickTool("lang_dir", 362, "Dir", "lng_dir.ini");
  ASSERT_EQ(window.messages.size(), 2u);
  EXPECT_NE(window.messages[1].find("lng_dir.ini"), std::string::npos) << window.messages[1];
  EXPECT_EQ(ReadWholeFile((folder / "lng.ini").string()), before);
}

TEST_F(Dispatcher, LanguageFileReplacesLngIniAndIsApplied) {
  std::ofstream(folder / "lng_test.ini") << "[ZOR_Main]\nb_newt=Neuer Tab\nZOR_TITLE={N}\n";
  ClickTool("lang_test", 360, "Test", "lng_test.ini");
  EXPECT_THAT(window.messages, IsEmpty());
  EXPECT_EQ(ReadWholeFile((folder / "lng.ini").string()), ReadWholeFile((folder / "lng_test.ini").string()));
  EXPECT_EQ(Tool("sub_File", "b_newt").caption, "Neuer Tab");
}

TEST_F(Dispatcher, ASwitchedLanguageKeepsThePageTitleAndTheSecurityState) {
  std::filesystem::copy_file(std::filesystem::path(ZOR_SOURCE_DIR) / "data/lng_zh.ini", folder / "lng_zh.ini");
  const int n = OpenPage("");
  Load(n, "https://127.0.0.1/", "Bank");
  pages.events.titleChange(n, "Bank");
  pages.events.setSecureLockIcon(n, 2);
  ASSERT_EQ(Tool("sb_Status", "b_security").caption, "Secure");
  ClickTool("lang_zh", 361, "Chinese", "lng_zh.ini");
  EXPECT_EQ(Tool("sb_Status", "b_security").caption, "安全") << "the state, not the indicator's name";
  EXPECT_EQ(window.caption, "Bank - " + form->chrome.TitleText);
  EXPECT_EQ(form->chrome.TitleText, "ZOR-BROWSER " + shell::VersionText());
}

TEST_F(Dispatcher, ProxyEntriesMoveTheCheckAndEmptyMeansDirect) {
  ASSERT_TRUE(Tool("sub_Proxylist", "Proxy1").checked);  // start-up: a direct connection
  toolbar::Tool* entry =
      commands::AddBandTool(form->chrome.ab_Main, "sub_Proxylist", "Proxy2", 3013, "0", "127.0.0.1:3128");
  toolbar.fireToolClick(*entry);
  EXPECT_TRUE(entry->checked);
  EXPECT_FALSE(Tool("sub_Proxylist", "Proxy1").checked);
  Click("sub_Proxylist", "Proxy1");
  EXPECT_TRUE(Tool("sub_Proxylist", "Proxy1").checked);
  EXPECT_FALSE(entry->checked);
  EXPECT_THAT(corvane, Contains("setProxy:127.0.0.1:3128"));
  EXPECT_EQ(corvane.back(), "setProxy:");
}

// --- The failure rule -----------------------------------------------------------------

TEST_F(Dispatcher, AFailingStepIsSkippedWhenThePageHasAnAddress) {
  Load(1, "http://127.0.0.1:9/a");
  form->tabs.PageProgress.set(1, 50);
  Page(1)->failing = "stop";
  view.redraws = 0;
  Click("tb_Main", "b_stop");
  EXPECT_EQ(form->tabs.PageProgress.get(1), 0);
  EXPECT_EQ(view.redraws, 1);
}

TEST_F(Dispatcher, AFailingStepEndsTheCommandOnABlankPage) {
  form->tabs.PageProgress.set(1, 50);
  Page(1)->failing = "stop";
  view.redraws = 0;
  Click("tb_Main", "b_stop");
  EXPECT_EQ(form->tabs.PageProgress.get(1), 50);
  EXPECT_EQ(view.redraws, 0);
}

TEST_F(Dispatcher, OneFailingPageDoesNotStopTheOthers) {
  Load(1, "http://127.0.0.1:9/a");
  const int second = OpenPage("http://127.0.0.1:9/b");
  const int third = OpenPage("http://127.0.0.1:9/c");
  for (int n : {1, second, third}) Calls(n);
  Page(second)->failing = "refresh";
  Click("tab_Menu", "b_refreshall");
  EXPECT_THAT(Calls(1), ElementsAre("refresh:0"));
  EXPECT_THAT(Calls(third), ElementsAre("refresh:0"));
}

TEST_F(Dispatcher, NoPageCommandObjectOnABlankPageEndsTheClick) {
  form->chrome.page_commands = nullptr;
  view.redraws = 0;
  Click("sub_Edit", "b_find");
  EXPECT_EQ(view.redraws, 0);
  Load(1, "http://127.0.0.1:9/a");
  Click("sub_Edit", "b_find");
  EXPECT_EQ(view.redraws, 1);
}

}  // namespace
}  // namespace zor::testing
