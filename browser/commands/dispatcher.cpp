#include "browser/commands/dispatcher.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "browser/commands/default_browser.h"
#include "common/files.h"
#include "common/ini_text.h"
#include "common/text_width.h"

namespace zor::commands {

namespace {

constexpr const char* kOpenFileFilter =
    "*.HTML;*.HTM|*.HTML;*.HTM|*.XML;*.SML|*.XML;*.SML|*.MHT;*.MHT|*.MHT;*.MHT|*.*|*.*";
constexpr const char* kMissingLanguageFile = "Cannot find source file";

// The program's version information shown by the about box.
constexpr const char* kComments =
    "A tabbed web browser with a pop-up blocker, content blocking, proxy switching and a link basket.";
constexpr const char* kLegalCopyright = "Copyright (C) the ZOR-Browser authors. Free software, without warranty.";
constexpr const char* kLegalTrademarks = "ZOR-Browser, Corvane, Carrowel and Snavel are names of the ZOR-Browser project.";

// A step that cannot be carried out: a missing page, tool or band, or no page commands.
struct StepFailed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The numeric value of the start of a text, as the old Val(): blanks skipped, an
// optional sign, then digits; anything else gives 0.
int LeadingNumber(const std::string& text) {
  size_t i = text.find_first_not_of(" \t");
  if (i == std::string::npos) return 0;
  bool negative = false;
  if (text[i] == '-' || text[i] == '+') negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 1000000000) break;
  }
  return static_cast<int>(negative ? -value : value);
}

// One tool click. Every step runs through Step(): when a step fails and the current
// page has no address, the whole click ends there (prefix tests and redraw included);
// otherwise only the failing step is lost and the next one runs.
class Click {
 public:
  Click(const CommandTargets& form, std::string& link_filter, toolbar::Tool& tool)
      : form(form),
        link_filter(link_filter),
        tool(tool),
        current(form.tabs.ActivePage),
        context(form.tabMenu.PageFor(tool)) {}

  const CommandTargets& form;
  std::string& link_filter;
  toolbar::Tool& tool;
  const int current;  // the working copy of the current page number
  const int context;  // the tab menu's page when the tool is its entry (-1: gone), else 0
  bool ended = false;

  template <typename F>
  void Step(F&& step) {
    if (ended) return;
    try {
      step();
    } catch (const std::exception&) {
      if (CurrentAddress().empty()) ended = true;
    }
  }

  // The context page when there is one, otherwise the current page.
  int Context() const { return context != 0 ? context : current; }

  hosts::PageControl& Page(int n) const {
    hosts::PageControl* page = form.chrome.WB.Page(n);
    if (!page) throw StepFailed("no page " + std::to_string(n));
    return *page;
  }

  hosts::PageCommands& Commands() const {
    if (!form.chrome.page_commands) throw StepFailed("no page commands");
    return *form.chrome.page_commands;
  }

  toolbar::Tool& Tool(const char* band, const char* name) const {
    toolbar::Tool* t = form.chrome.ab_Main.tool(band, name);
    if (!t) throw StepFailed(std::string("no tool ") + band + "/" + name);
    return *t;
  }

  toolbar::Band& Band(const char* name) const {
    toolbar::Band* band = form.chrome.ab_Main.band(name);
    if (!band) throw StepFailed(std::string("no band ") + name);
    return *band;
  }

  // The current page's address; a page that cannot say counts as having none.
  std::string CurrentAddress() const {
    try {
      const hosts::PageControl* page = form.chrome.WB.Page(current);
      return page ? page->LocationURL() : std::string();
    } catch (const std::exception&) {
      return {};
    }
  }

  // One step per open page, in tab order.
  template <typename F>
  void EachPage(F&& step) {
    const int tabs = form.tabs.TabCount();
    for (int position = 1; position <= tabs; ++position) {
      const int n = form.tabs.PageAtPosition.get(position);
      Step([&] { step(n); });
    }
  }

  void Toggle() { tool.checked = !tool.checked; }

  // A call into a later part: skipped while that part is not there.
  template <typename Hook, typename... Args>
  void Call(const Hook& hook, Args&&... args) {
    Step([&] {
      if (hook) hook(std::forward<Args>(args)...);
    });
  }

  void Exec(int page, int command, int option, int input = 0) {
    Step([&] { Page(page).ExecWB(command, option, input); });
  }

  // Cut, copy, paste: the keystroke goes to the page that has just taken the focus.
  void Keystroke(char key) {
    Step([&] { Page(current).Focus(); });
    Step([&] { form.chrome.window.SendControlKey(key); });
  }

  void Zoom(int level) { Exec(current, hosts::kExecZoom, hosts::kExecDontPromptUser, level); }

  // "b_toolsbarok", "b_addrok", "b_statusok": the band follows the tool.
  void BarToggle(const char* band) {
    Step([&] { Band(band).visible = !tool.checked; });
    Step([&] { Toggle(); });
    Step([&] { form.chrome.ab_Main.recalcLayout(); });
  }

  // "b_showfav" and "b_history": at most one of the two stays checked.
  void SideBarToggle(const char* other) {
    Step([&] { Toggle(); });
    Step([&] { Tool("tb_Main", other).checked = false; });
    Step([&] { form.bands.ShowLeftBar(); });
  }

  // Puts an address into the address box and goes there: in a new page when the current
  // page shows an address, in the current page when it is blank.
  void GoTo(const std::string& address) {
    Step([&] { form.chrome.window.SetAddressText(address); });
    Step([&] { form.address.Go(!CurrentAddress().empty()); });
  }

  // The tab at `position` (1 = leftmost) is shown; a position past the last does nothing.
  void ShowTab(int position) {
    Step([&] {
      if (position >= 1 && position <= form.tabs.TabCount())
        form.tabs.SelectPage(form.tabs.PageAtPosition.get(position));
    });
  }

  // A script run in the current page's document; its answer is not waited for.
  void Dom(const std::string& body) {
    Step([&] { Page(current).RunDom(body, nullptr); });
  }
};

using Command = void (*)(Click&);
struct Row {
  const char* id;
  Command run;
};

// Toggles the body's old "scroll" attribute and makes the engine honour it.
constexpr const char* kScrollToggleScript =
    "const body = document.body;"
    "if (!body) return null;"
    "const next = body.getAttribute(\"scroll\") === \"no\" ? \"yes\" : \"no\";"
    "body.setAttribute(\"scroll\", next);"
    "const overflow = next === \"no\" ? \"hidden\" : \"\";"
    "body.style.overflow = overflow;"
    "document.documentElement.style.overflow = overflow;"
    "return next;";

constexpr const char* kDesignModeToggleScript =
    "document.designMode = document.designMode.toLowerCase() === \"on\" ? \"off\" : \"on\";"
    "return document.designMode;";

// The command table, in its fixed order; the first row whose id equals the tool's wins.
const Row kCommands[] = {
    {"b_newt", [](Click& c) { c.Step([&] { c.form.tabs.AddNewPage("", true); }); }},
    {"b_new2",
     [](Click& c) {
       c.Step([&] { c.form.tabs.AddNewPage("", true); });
       c.Step([&] { c.Page(c.form.tabs.LastPageIndex).GoHome(); });
     }},
    {"b_new3", [](Click& c) { c.Step([&] { c.form.tabs.AddNewPage(c.Page(c.Context()).LocationURL(), true); }); }},
    {"spe_sNew1",
     [](Click& c) {
       c.Step([&] {
         // Over a link the status box holds the link's address.
         const std::string text = c.form.chrome.txt_status.Text();
         if (FirstChars(text, 8).find("://") != std::string::npos) c.form.tabs.AddNewPage(text, true);
       });
     }},
    {"b_back", [](Click& c) { c.Step([&] { c.Page(c.current).GoBack(); }); }},
    {"b_forward", [](Click& c) { c.Step([&] { c.Page(c.current).GoForward(); }); }},
    {"b_stop",
     [](Click& c) {
       c.Step([&] { c.Page(c.current).Stop(); });
       c.Step([&] { c.form.tabs.DrawProgress(0); });
       c.Step([&] { c.form.tabs.SetTabIcon(c.current, 0); });
       c.Step([&] { c.form.tabs.PageProgress.set(c.current, 0); });
     }},
    {"b_stopall",
     [](Click& c) {
       c.EachPage([&](int n) {
         c.Step([&] { c.Page(n).Stop(); });
         c.Step([&] { c.form.tabs.PageProgress.set(n, 0); });
       });
       c.Step([&] {
         c.form.progress.lbl_Inf.clear();
         c.form.chrome.window.DrawProgress(0, false, c.form.progress.lbl_Inf);
       });
     }},
    {"b_refresh", [](Click& c) { c.Step([&] { c.Page(c.Context()).Refresh(1); }); }},
    {"b_home", [](Click& c) { c.Step([&] { c.Page(c.current).GoHome(); }); }},
    {"b_saveas", [](Click& c) { c.Exec(c.Context(), hosts::kExecSaveAs, hosts::kExecPromptUser); }},
    {"b_pageset", [](Click& c) { c.Exec(c.current, hosts::kExecPageSetup, 0); }},
    {"b_preview", [](Click& c) { c.Exec(c.current, hosts::kExecPrintPreview, 0); }},
    {"b_print", [](Click& c) { c.Exec(c.current, hosts::kExecPrint, hosts::kExecPromptUser); }},
    {"b_close",
     [](Click& c) {
       c.Step([&] {
         if (c.form.tabs.TabCount() < 1) return;
         // A context page closed meanwhile is a missing page, not another one to close.
         c.Page(c.Context());
         c.form.tabs.ClosePage(c.Context());
       });
     }},
    {"b_quit", [](Click& c) { c.Step([&] { c.form.exit.QuitBrowser(); }); }},
    {"b_property", [](Click& c) { c.Exec(c.current, hosts::kExecProperties, hosts::kExecDontPromptUser); }},
    {"b_offline",
     [](Click& c) {
       c.Step([&] { c.Tool("sub_File", "b_offline").checked = !c.tool.checked; });
       c.Step([&] { c.Tool("sb_Status", "b_offline").checked = c.Tool("sub_File", "b_offline").checked; });
       c.Step([&] { c.Commands().SetOffline(c.tool.checked); });
     }},
    {"b_closeall1", [](Click& c) { c.Step([&] { c.form.tabs.CloseAllPages(); }); }},
    {"b_closeall2",
     [](Click& c) {
       c.Step([&] {
         c.Page(c.Context());
         c.form.tabs.CloseOtherPages(c.Context());
       });
     }},
    {"b_selectall", [](Click& c) { c.Exec(c.current, hosts::kExecSelectAll, 0); }},
    {"b_cut", [](Click& c) { c.Keystroke('X'); }},
    {"b_copy", [](Click& c) { c.Keystroke('C'); }},
    {"b_paste", [](Click& c) { c.Keystroke('V'); }},
    {"b_del", [](Click& c) { c.Exec(c.current, hosts::kExecDelete, 0); }},
    {"b_undo", [](Click& c) { c.Exec(c.current, hosts::kExecUndo, 0); }},
    {"b_redo", [](Click& c) { c.Exec(c.current, hosts::kExecRedo, 0); }},
    {"b_find", [](Click& c) { c.Step([&] { c.Commands().ShowFind(); }); }},
    {"b_source", [](Click& c) { c.Step([&] { c.Commands().ShowSource(); }); }},
    {"b_biggest", [](Click& c) { c.Zoom(4); }},
    {"b_big", [](Click& c) { c.Zoom(3); }},
    {"b_normal", [](Click& c) { c.Zoom(2); }},
    {"b_small", [](Click& c) { c.Zoom(1); }},
    {"b_smallest", [](Click& c) { c.Zoom(0); }},
    {"b_zoomin", [](Click& c) { c.Step([&] { c.form.zoom.Change(1); }); }},
    {"b_zoomout", [](Click& c) { c.Step([&] { c.form.zoom.Change(-1); }); }},
    {"b_zoomreset", [](Click& c) { c.Step([&] { c.form.zoom.Change(0); }); }},
    {"b_zoomlevel", [](Click& c) { c.Step([&] { c.form.zoom.Change(0); }); }},
    {"b_fullscreen", [](Click& c) { c.Step([&] { c.form.layout.ToggleFullScreen(); }); }},
    {"b_addfav",
     [](Click& c) {
       c.Step([&] {
         hosts::PageControl& page = c.Page(c.Context());
         if (!page.HasDocument()) return;
         std::string title;
         try {
           title = page.DocumentTitle();
         } catch (const std::exception&) {
           title = page.LocationName();
         }
         if (c.form.chrome.commandHooks.addFavorite) c.form.chrome.commandHooks.addFavorite(page.LocationURL(), title);
       });
     }},
    {"b_orgfav",
     [](Click& c) {
       c.Step([&] { c.Commands().OrganizeFavorites(); });
       c.Call(c.form.chrome.commandHooks.rebuildFavorites);
     }},
    {"b_go", [](Click& c) { c.Step([&] { c.form.address.Go(false); }); }},
    {"b_scrollon", [](Click& c) { c.Dom(kScrollToggleScript); }},
    {"b_iconon",
     [](Click& c) {
       c.Step([&] { c.Toggle(); });
       // The rebuild recreates this very tool: nothing may touch c.tool after it.
       c.Call(c.form.chrome.commandHooks.rebuildFavorites);
     }},
    {"b_defaultbrowser", [](Click& c) { c.Step([&] { MakeDefaultBrowser(c.form.chrome); }); }},
    {"b_opInternet", [](Click& c) { c.Step([&] { c.form.edit.OpenInternetOptions(0); }); }},
    {"b_viewlinks", [](Click& c) { c.Call(c.form.chrome.commandHooks.viewLinks, c.current); }},
    {"b_delcookie", [](Click& c) { c.Step([&] { c.form.proxies.CleanPrivateData(true, false, false); }); }},
    {"b_deltempfiles", [](Click& c) { c.Step([&] { c.form.proxies.CleanPrivateData(false, true, false); }); }},
    {"b_delhistory", [](Click& c) { c.Step([&] { c.form.proxies.CleanPrivateData(false, false, true); }); }},
    {"b_emailall", [](Click& c) { c.Call(c.form.chrome.commandHooks.startMailProgram); }},
    {"b_sendemail", [](Click& c) { c.Call(c.form.chrome.commandHooks.sendMail, "", "", ""); }},
    {"b_sendaddr",
     [](Click& c) {
       c.Step([&] {
         const std::string subject = c.Tool("tb_Tabs", ("tabs-" + std::to_string(c.current)).c_str()).caption;
         const std::string body = c.Page(c.current).LocationURL();
         if (c.form.chrome.commandHooks.sendMail) c.form.chrome.commandHooks.sendMail("", subject, body);
       });
     }},
    {"b_fastsave", [](Click& c) { c.Call(c.form.chrome.commandHooks.quickSave, true, c.current); }},
    {"b_openfile",
     [](Click& c) {
       std::string file;
       c.Step([&] { file = c.form.chrome.window.OpenFileDialog(kOpenFileFilter); });
       if (file.empty()) return;
       c.Step([&] { c.form.chrome.window.SetAddressText(file); });
       c.Step([&] { c.form.address.Go(false); });
     }},
    {"b_setup", [](Click& c) { c.Step([&] { c.form.proxies.ShowConnectionPanel(); }); }},
    {"b_opengetbar", [](Click& c) { c.Call(c.form.chrome.hooks.toggleBasket); }},
    {"b_downloads", [](Click& c) { c.Call(c.form.chrome.hooks.showDownloads); }},
    {"b_dlrunning", [](Click& c) { c.Call(c.form.chrome.hooks.showDownloads); }},
    {"b_toolsbarok", [](Click& c) { c.BarToggle("tb_Main"); }},
    {"b_addrok", [](Click& c) { c.BarToggle("tb_Addressbar"); }},
    {"b_statusok", [](Click& c) { c.BarToggle("sb_Status"); }},
    {"b_refreshall",
     [](Click& c) {
       c.EachPage([&](int n) {
         hosts::PageControl& page = c.Page(n);
         if (!page.LocationURL().empty()) page.Refresh(0);
       });
     }},
    {"b_viewspecial",
     [](Click& c) {
       std::string answer;
       c.Step([&] {
         answer = c.form.chrome.window.InputBox(c.tool.caption, c.form.chrome.TitleText, ".htm").value_or("");
       });
       if (answer.empty()) return;
       c.Step([&] { c.link_filter = answer; });
       c.Call(c.form.chrome.commandHooks.viewLinks, c.current);
     }},
    {"b_killpop", [](Click& c) { c.Step([&] { c.Toggle(); }); }},
    {"b_addtohei", [](Click& c) { c.Step([&] { c.form.proxies.AddToBlackList(c.Context()); }); }},
    {"b_besilent", [](Click& c) { c.Step([&] { c.form.tabs.ToggleSilent(); }); }},
    {"b_importfav", [](Click& c) { c.Call(c.form.chrome.commandHooks.importExportFav, true); }},
    {"b_exportfav", [](Click& c) { c.Call(c.form.chrome.commandHooks.importExportFav, false); }},
    {"b_openaddrbook", [](Click& c) { c.Step([&] { c.Commands().OpenAddressBook(); }); }},
    {"b_orgtrans", [](Click& c) { c.Call(c.form.chrome.commandHooks.editTranslationList); }},
    {"b_viewtexts", [](Click& c) { c.Call(c.form.chrome.commandHooks.quickSave, false, c.current); }},
    {"b_stoppopup", [](Click& c) { c.Step([&] { c.Toggle(); }); }},
    {"sep_sFile2", [](Click& c) { c.Dom(kDesignModeToggleScript); }},
    {"b_imgs",
     [](Click& c) {
       c.Step([&] { c.Toggle(); });
       c.Call(c.form.chrome.hooks.applyPageHooks, c.current);
     }},
    {"b_swfs",
     [](Click& c) {
       c.Step([&] { c.Toggle(); });
       c.Call(c.form.chrome.hooks.applyPageHooks, c.current);
     }},
    {"b_aboutme",
     [](Click& c) {
       c.Step([&] {
         c.form.chrome.window.MessageBox(
             shell::VersionText() + "\n" + kComments + "\n" + kLegalCopyright + "\n" + kLegalTrademarks,
             hosts::MessageButtons::kOk, "About");
       });
     }},
    {"b_showfav", [](Click& c) { c.SideBarToggle("b_history"); }},
    {"b_history", [](Click& c) { c.SideBarToggle("b_showfav"); }},
    {"b_addtononproxy", [](Click& c) { c.Step([&] { c.form.proxies.AddToNonProxy(c.Context()); }); }},
    {"b_nexttab", [](Click& c) { c.ShowTab(c.form.tabs.PositionOf(c.form.tabs.PageBeside(1))); }},
    {"b_prevtab", [](Click& c) { c.ShowTab(c.form.tabs.PositionOf(c.form.tabs.PageBeside(-1))); }},
    {"b_tab1", [](Click& c) { c.ShowTab(1); }},
    {"b_tab2", [](Click& c) { c.ShowTab(2); }},
    {"b_tab3", [](Click& c) { c.ShowTab(3); }},
    {"b_tab4", [](Click& c) { c.ShowTab(4); }},
    {"b_tab5", [](Click& c) { c.ShowTab(5); }},
    {"b_tab6", [](Click& c) { c.ShowTab(6); }},
    {"b_tab7", [](Click& c) { c.ShowTab(7); }},
    {"b_tab8", [](Click& c) { c.ShowTab(8); }},
    {"b_lasttab", [](Click& c) { c.ShowTab(c.form.tabs.TabCount()); }},
    {"b_reopen",
     [](Click& c) {
       c.Step([&] {
         const std::string address =
             c.form.chrome.commandHooks.takeNewestBlocked ? c.form.chrome.commandHooks.takeNewestBlocked() : "";
         if (!address.empty()) c.form.tabs.AddNewPage(address, true);
       });
     }},
};

// "lang...": the language file named by the tooltip replaces lng.ini.
void SwitchLanguage(Click& c, const std::string& file_name) {
  const std::string source = c.form.chrome.files.FolderPath() + file_name;
  if (!FileExists(source)) {
    c.Step([&] { c.form.chrome.window.MessageBox(kMissingLanguageFile, hosts::MessageButtons::kOk, ""); });
    return;
  }
  // lng.ini is replaced in one step or not at all: a switch that fails keeps the texts.
  const std::string target = c.form.chrome.files.LngFile();
  const std::optional<std::string> text = ReadWholeFile(source);
  std::string error;
  if (!text) error = source + ": cannot be read";
  if (error.empty()) WriteFileAtomic(target, *text, &error);
  if (!error.empty()) {
    std::string message = ReadIniText(target, "ZOR_Main", "msg_LanguageFailed");
    if (message.empty()) message = "The language file {P} could not be used: {E}";
    ReplaceAll(message, "{P}", file_name);
    ReplaceAll(message, "{E}", error);
    c.Step([&] { c.form.chrome.window.MessageBox(message, hosts::MessageButtons::kOk, ""); });
    return;
  }
  c.Step([&] { c.form.settings.ApplyLanguage(); });
  // The texts replaced the zoom level's caption with the tool's name.
  c.Step([&] { c.form.zoom.OnPageShown(c.form.tabs.ActivePage); });
  c.Step([&] { c.form.chrome.ab_Main.recalcLayout(); });
}

}  // namespace

std::vector<std::string> Dispatcher::CommandIds() {
  std::vector<std::string> ids;
  for (const Row& row : kCommands) ids.emplace_back(row.id);
  return ids;
}

void Dispatcher::OnToolClick(toolbar::Tool& tool) {
  Click c(t_, LinkFilter, tool);
  CommandHooks& commandHooks = t_.chrome.commandHooks;
  // What the prefix tests read, kept now: a command may rebuild the band the tool is in.
  const std::string id = tool.name;
  const int numeric_id = tool.id;
  const std::string tooltip = tool.tooltip;

  for (const Row& row : kCommands) {
    if (id == row.id) {
      row.run(c);
      break;
    }
  }

  if (id.rfind("fav", 0) == 0 && commandHooks.favoriteUrl) {
    std::string address;
    c.Step([&] { address = commandHooks.favoriteUrl(numeric_id - 1500); });
    c.GoTo(address);
  }
  if (id.rfind("tra", 0) == 0) {
    c.Step([&] {
      if (!commandHooks.getTranslationUrl) return;
      t_.tabs.AddNewPage(commandHooks.getTranslationUrl(numeric_id - 1400, c.Page(c.current).LocationURL()), true);
    });
  }
  if (id.rfind("tab", 0) == 0) {
    c.Step([&] { t_.tabs.SelectPage(LeadingNumber(id.size() > 5 ? id.substr(5) : std::string())); });
  }
  if (id.rfind("block", 0) == 0 && commandHooks.blockedUrl) {
    std::string address;
    c.Step([&] { address = commandHooks.blockedUrl(LeadingNumber(id.size() > 8 ? id.substr(8) : "")); });
    c.GoTo(address);
  }
  if (id.rfind("lang", 0) == 0 && !c.ended) SwitchLanguage(c, tooltip);
  // No command above touches proxy tools, so the clicked tool is still there.
  if (id.rfind("Proxy", 0) == 0) c.Step([&] { t_.proxies.PickProxy(tool); });

  if (!c.ended) t_.chrome.ab_Main.redraw();
}

}  // namespace zor::commands
