// The commands' GTK layer on real windows and a real page: the window system
// under the window wrapper, the Internet-options window, and the Edit, Text and
// keystroke commands in the program's own window against a loopback server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/browser_window.h"
#include "browser/messaging/window_wrapper.h"
#include "common/files.h"
#include "e2e/support/engine_support.h"
#include "hosts/gtk/internet_options.h"
#include "hosts/gtk/window_system_gtk.h"

// Last: the X headers define macros that clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gdk/x11/gdkx.h>

namespace zor::gtk {
namespace {

namespace fs = std::filesystem;

// The program window writes its profile under the XDG folders: keep them out of
// $HOME.
const std::string kScratch = [] {
  char pattern[] = "/tmp/zor-commands-gui-XXXXXX";
  const std::string root = mkdtemp(pattern) ? pattern : "/tmp";
  for (const char *var : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
    const std::string dir = root + "/" + var;
    fs::create_directories(dir);
    setenv(var, dir.c_str(), 1);
  }
  return root;
}();

using e2e::PumpUntil;

void Settle(double seconds) {
  PumpUntil([] { return false; }, seconds);
}

// ---- The window system under the wrapper
// --------------------------------------------

struct TopLevel {
  explicit TopLevel(const std::string &title, int width = 160, int height = 120) {
    if (!title.empty()) window.set_title(title);
    window.set_default_size(width, height);
    window.present();
  }
  ~TopLevel() { window.destroy(); }
  WindowSystemGtk::Handle handle() { return WindowSystemGtk::HandleOf(window.gobj()); }
  Gtk::Window window;
};

bool Mapped(Gtk::Window &window) { return window.get_mapped() && window.get_width() > 0; }

TEST(WindowSystemGtkTest, MovedWindowReportsItsRightAndBottomEdges) {
  TopLevel main("wrapper-main", 100, 100);
  TopLevel other("wrapper-other");
  ASSERT_TRUE(PumpUntil([&] { return Mapped(main.window) && Mapped(other.window); }));
  WindowSystemGtk system(main.window);
  messaging::Window w(system);

  // The main window goes out of the way, so the point below lies in the other
  // one only.
  w.Handle = main.handle();
  w.Move(700, 500, 100, 100, 1);
  w.Handle = other.handle();
  w.Move(100, 50, 300, 200, 1);
  ASSERT_TRUE(PumpUntil([&] { return w.GetLeft() == 100 && w.GetTop() == 50 && w.GetWidth() == 400; }, 10))
      << w.GetLeft() << "," << w.GetTop() << " " << w.GetWidth() << "x" << w.GetHeight();
  EXPECT_EQ(w.GetHeight(), 250);
  EXPECT_EQ(w.GetFromXY(150, 100), other.handle());
  EXPECT_EQ(w.GetFromXY(750, 550), main.handle());
  EXPECT_EQ(system.MainWindow(), main.handle());
}

TEST(WindowSystemGtkTest, WalkFromTheDesktopMeetsEveryWindowAndEndsInZero) {
  TopLevel a("walk-a");
  TopLevel untitled("");
  TopLevel b("walk-b");
  ASSERT_TRUE(PumpUntil([&] { return Mapped(a.window) && Mapped(untitled.window) && Mapped(b.window); }));
  WindowSystemGtk system(a.window);
  messaging::Window w(system);

  std::map<WindowSystemGtk::Handle, std::string> seen;
  w.Handle = w.GetChildWindow(w.DesktopWindow());
  for (int guard = 0; w.Handle != 0 && guard < 100; ++guard) {
    EXPECT_FALSE(seen.count(w.Handle)) << "the walk came back to a window";
    seen[w.Handle] = w.GetText();
    w.Handle = w.NextWindow(w.Handle);
  }
  EXPECT_EQ(w.Handle, 0u);
  EXPECT_EQ(seen[a.handle()], "walk-a");
  EXPECT_EQ(seen[b.handle()], "walk-b");
  ASSERT_TRUE(seen.count(untitled.handle()));
  EXPECT_EQ(seen[untitled.handle()], "");
  // Only the desktop has top-level children.
  EXPECT_EQ(w.GetChildWindow(a.handle()), 0u);
}

TEST(WindowSystemGtkTest, RetitleFlashParentAndTaskOnRealWindows) {
  TopLevel main("task-main");
  TopLevel tool("Internet Options");
  ASSERT_TRUE(PumpUntil([&] { return Mapped(main.window) && Mapped(tool.window); }));
  WindowSystemGtk system(main.window);
  messaging::Window w(system);
  w.Handle = tool.handle();

  EXPECT_EQ(w.SetText(w.GetText() + " - more"), 1);
  EXPECT_EQ(std::string(tool.window.get_title()), "Internet Options - more");
  EXPECT_FALSE(w.GetWindowClassName().empty());

  EXPECT_EQ(w.Flash(), 1);
  auto *surface = tool.window.get_surface()->gobj();
  Display *display = gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface));
  XWMHints *hints = XGetWMHints(display, gdk_x11_surface_get_xid(surface));
  ASSERT_NE(hints, nullptr);
  EXPECT_TRUE(hints->flags & XUrgencyHint);
  XFree(hints);

  EXPECT_EQ(w.SetWindowParent(main.handle()), 0u);
  EXPECT_EQ(tool.window.get_transient_for(), &main.window);
  EXPECT_EQ(w.SetWindowParent(0), main.handle());
  EXPECT_EQ(tool.window.get_transient_for(), nullptr);

  EXPECT_EQ(system.ProcessOf(tool.handle()), static_cast<int>(getpid()));
  WindowSystemGtk::SetTask(tool.window, 77);
  EXPECT_EQ(system.ProcessOf(tool.handle()), 77);
  EXPECT_EQ(system.ProcessOf(main.handle()), static_cast<int>(getpid()));
}

TEST(WindowSystemGtkTest, GoneWindowsGiveZeroAndEmptyResults) {
  TopLevel main("gone-main");
  auto doomed = std::make_unique<TopLevel>("gone-soon");
  ASSERT_TRUE(PumpUntil([&] { return Mapped(main.window) && Mapped(doomed->window); }));
  WindowSystemGtk system(main.window);
  messaging::Window w(system);
  w.Handle = doomed->handle();
  doomed.reset();
  Settle(0.1);
  EXPECT_EQ(w.GetText(), "");
  EXPECT_EQ(w.GetWindowClassName(), "");
  EXPECT_EQ(w.GetWidth(), 0);
  EXPECT_EQ(w.GetHeight(), 0);
  EXPECT_EQ(w.SetText("x"), 0);
  EXPECT_EQ(w.Flash(), 0);
  EXPECT_EQ(w.BringToTop(), 0);
  EXPECT_EQ(w.Minimize(), 0);
  EXPECT_EQ(w.Destroy(), 0);
  EXPECT_EQ(w.NextWindow(w.Handle), 0u);
  EXPECT_EQ(system.ProcessOf(w.Handle), 0);
}

// ---- The Internet-options window
// -----------------------------------------------------

// A self-signed certificate for "zor.test", valid 2026-12-08 to 2126-11-14.
constexpr const char *kCertificate = R"(-----BEGIN CERTIFICATE-----
MIIBfjCCASOgAwIBAgIUKXMDfLgE67tCKFyWxzQg4OrcaMowCgYIKoZIzj0EAwIw
EzERMA8GA1UEAwwIem9yLnRlc3QwIBcNMjYxMjA4MDgzOTE4WhgPMjEyNjExMTQw
ODM5MThaMBMxETAPBgNVBAMMCHpvci50ZXN0MFkwEwYHKoZIzj0CAQYIKoZIzj0D
AQcDQgAES0sRF2CnalKLwu5aXHi4xKKk7vEL2GM95WDI9N4sHJDJb4R2zFt7qxTF
uD279Iv/UqUXDIwTcgv7cSWBWE6ivKNTMFEwHQYDVR0OBBYEFOWM2W8Zsl7urvgU
CszKhogVGQcQMB8GA1UdIwQYMBaAFOWM2W8Zsl7urvgUCszKhogVGQcQMA8GA1Ud
EwEB/wQFMAMBAf8wCgYIKoZIzj0EAwIDSQAwRgIhALeKlf7qWZybrf3fDCw83tAl
RHyIkVmT+Ji8W1k1atC9AiEA1JQ2ZnAXGB1F151ZU8nVPwPAxpIVazldQnxx72pc
0f8=
-----END CERTIFICATE-----
)";

TEST(InternetOptionsTest, OpensOnTheAskedPageAndReportsOnlyAChangedHomePage) {
  Gtk::Window owner;
  owner.set_title("options-owner");
  owner.present();
  InternetOptionsDialog general(owner, 0, "http://127.0.0.1/start", "http://127.0.0.1/now", nullptr);
  InternetOptionsDialog security(owner, 1, "about:blank", "", nullptr);
  EXPECT_EQ(general.pages().get_current_page(), 0);
  EXPECT_EQ(security.pages().get_current_page(), 1);
  EXPECT_NE(std::string(general.get_title()).find("Internet"), std::string::npos);
  EXPECT_NE(security.SecurityText().find("not encrypted"), std::string::npos);

  std::vector<std::string> chosen;
  general.onHomePage = [&](const std::string &home) { chosen.push_back(home); };
  EXPECT_EQ(general.home_entry().get_text(), "http://127.0.0.1/start");
  general.Accept();  // unchanged: nothing to store
  general.home_entry().set_text("http://127.0.0.1/home");
  general.Accept();
  general.home_entry().set_text("");
  general.Accept();  // an empty home page is the blank page
  EXPECT_EQ(chosen, (std::vector<std::string>{"http://127.0.0.1/home", "about:blank"}));
  owner.destroy();
}

TEST(InternetOptionsTest, OffersTheSearchServicesAndTheTemplateInUseAndReportsAChoice) {
  Gtk::Window owner;
  owner.present();
  InternetOptionsDialog options(owner, 0, "about:blank", "", nullptr);
  options.SetSearch({{"One", "https://one.test/?q={query}"}, {"Two", "https://two.test/?q={query}"}},
                    "http://127.0.0.1/own?q={query}");
  std::vector<std::string> chosen;
  options.onSearch = [&](const std::string &search) { chosen.push_back(search); };
  EXPECT_EQ(options.search_choice().get_active_text(), "http://127.0.0.1/own?q={query}") << "a template of the user's";
  options.Accept();
  options.search_choice().set_active_id("https://two.test/?q={query}");
  options.Accept();
  EXPECT_EQ(chosen, std::vector<std::string>{"https://two.test/?q={query}"});
  owner.destroy();
}

TEST(InternetOptionsTest, SecurityPageNamesTheCertificateAndItsProblems) {
  GError *error = nullptr;
  GTlsCertificate *certificate = g_tls_certificate_new_from_pem(kCertificate, -1, &error);
  ASSERT_NE(certificate, nullptr) << (error ? error->message : "no TLS backend");
  const std::string text = InternetOptionsDialog::DescribeCertificate(
      "https://zor.test/", certificate,
      static_cast<GTlsCertificateFlags>(G_TLS_CERTIFICATE_UNKNOWN_CA | G_TLS_CERTIFICATE_EXPIRED));
  g_object_unref(certificate);
  EXPECT_NE(text.find("Address: https://zor.test/"), std::string::npos) << text;
  EXPECT_NE(text.find("encrypted (TLS)"), std::string::npos) << text;
  EXPECT_NE(text.find("Issued to: CN=zor.test"), std::string::npos) << text;
  EXPECT_NE(text.find("Issued by: CN=zor.test"), std::string::npos) << text;
  EXPECT_NE(text.find("Valid from: 2026-12-08 08:39:18 UTC"), std::string::npos) << text;
  EXPECT_NE(text.find("Valid until: 2126-11-14 08:39:18 UTC"), std::string::npos) << text;
  EXPECT_NE(text.find("issuer not trusted, expired"), std::string::npos) << text;
  EXPECT_EQ(InternetOptionsDialog::DescribeCertificate("", nullptr, {}).find("Address: (blank page)"), 0u);
}

// ---- The program window on a real page
// ----------------------------------------------

using PageServer = e2e::LoopbackServer;

const std::map<std::string, std::string> kPages = {
    {"/text",
     "<html><head><title>Text page</title></head><body><p id='t'>Copy "
     "these words</p>"
     "<div id='e' contenteditable='true'>Edit me</div></body></html>"},
    {"/home", "<html><head><title>Chosen home</title></head><body>home</body></html>"},
    {"/query?a=1&b=2", "<html><head><title>Query</title></head><body>query</body></html>"},
    {"/input", "<html><head><title>Input</title></head><body><input id='i' value='typed words'></body></html>"},
    {"/box",
     "<html><head><title>Box</title></head><body style='margin:0'>"
     "<div id='box' style='width:100px;height:100px;background:#8cf'></div></body></html>"},
};

// The program folder without the program: the window reads its skin and texts
// there.
std::string CopyProgramFolder() {
  const fs::path to =
      fs::path(kScratch) / ("ZOR-Browser-" + std::to_string(getpid()) + "-" +
                            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::create_directories(to);
  for (const auto &entry : fs::directory_iterator(ZOR_PROGRAM_DIR)) {
    if (entry.path().filename() == "zor-browser") continue;
    fs::copy(entry.path(), to / entry.path().filename(), fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  }
  return to.string();
}

class ProgramWindowTest : public ::testing::Test {
 protected:
  ProgramWindowTest() : server(kPages) {
    // An earlier test's window went without the exit sequence: start fresh, not
    // recovered.
    e2e::RemoveProfileFolder(fs::path(Glib::get_user_data_dir()) / "zor-browser");
    window = std::make_unique<app::BrowserWindow>(CopyProgramFolder());
  }
  ~ProgramWindowTest() override {
    // As the program ends: the window object goes while its widget is still alive.
    window.reset();
    Settle(0.1);
  }

  shell::MainForm &form() { return window->form(); }
  hosts::PageControl *Current() { return form().chrome.WB.Page(form().tabs.ActivePage); }
  toolbar::Tool *Tool(const char *band, const char *name) { return form().chrome.ab_Main.tool(band, name); }

  // As the bars do when the user picks the tool.
  void Click(const char *band, const char *name) {
    toolbar::Tool *tool = Tool(band, name);
    ASSERT_NE(tool, nullptr) << band << "/" << name;
    form().chrome.ab_Main.events.toolClick(*tool);
  }
  void OpenMenu(const char *band_name) {
    toolbar::Band *band = form().chrome.ab_Main.band(band_name);
    ASSERT_NE(band, nullptr) << band_name;
    bool cancel = false;
    form().chrome.ab_Main.events.bandOpen(*band, cancel);
  }
  bool StartOn(const std::string &path) {
    if (!window->StartUp(server.Url(path))) return false;
    return PumpUntil([&] {
      hosts::PageControl *page = Current();
      return page && page->LocationURL() == server.Url(path) && page->ReadyState() == 4;
    });
  }
  std::string RunAndWait(const std::string &script) {
    std::string value;
    bool done = false;
    Current()->RunDom(script, [&](const hosts::ScriptResult &result) {
      value = result.ok ? result.value : "error: " + result.error;
      done = true;
    });
    PumpUntil([&] { return done; });
    return value;
  }
  // Opens the Edit menu and waits until the page has answered for every edit
  // command.
  void OpenEditMenuAndWait() {
    const int page = form().tabs.ActivePage;
    form().edit.EditStates.set(page, {});
    OpenMenu("sub_Edit");
    ASSERT_TRUE(PumpUntil([&] {
      for (bool known : form().edit.EditStates.get(page).known)
        if (!known) return false;
      return true;
    }));
  }
  bool Enabled(const char *name) { return Tool("sub_Edit", name)->enabled; }

  PageServer server;
  std::unique_ptr<app::BrowserWindow> window;
};

// Select the contents of element `id`, or (empty id) nothing.
std::string SelectScript(const std::string &id) {
  if (id.empty())
    return "getSelection().removeAllRanges(); return "
           "getSelection().toString();";
  return "const range = document.createRange();"
         "range.selectNodeContents(document.getElementById('" +
         id +
         "'));"
         "getSelection().removeAllRanges(); getSelection().addRange(range);"
         "return getSelection().toString();";
}

TEST_F(ProgramWindowTest, EditMenuFollowsWhatTheDocumentSaysOfEachCommand) {
  ASSERT_TRUE(StartOn("/text"));
  OpenEditMenuAndWait();
  EXPECT_FALSE(Enabled("b_cut"));
  EXPECT_FALSE(Enabled("b_undo"));
  EXPECT_TRUE(Enabled("b_selectall"));

  // Read-only text selected: copy, but nothing to cut.
  EXPECT_EQ(RunAndWait(SelectScript("t")), "\"Copy these words\"");
  OpenEditMenuAndWait();
  EXPECT_TRUE(Enabled("b_copy"));
  EXPECT_FALSE(Enabled("b_cut"));

  // Editable text selected: cut and delete too; after an edit, undo.
  EXPECT_EQ(RunAndWait(SelectScript("e")), "\"Edit me\"");
  OpenEditMenuAndWait();
  EXPECT_TRUE(Enabled("b_cut"));
  EXPECT_TRUE(Enabled("b_del"));
  EXPECT_FALSE(Enabled("b_undo"));
  RunAndWait("document.execCommand('insertText', false, 'Edited'); return null;");
  OpenEditMenuAndWait();
  EXPECT_TRUE(Enabled("b_undo"));

  RunAndWait(SelectScript(""));
  OpenEditMenuAndWait();
  EXPECT_FALSE(Enabled("b_cut"));
}

TEST_F(ProgramWindowTest, CopyFromTheMenuPutsThePageSelectionOnTheClipboard) {
  ASSERT_TRUE(StartOn("/text"));
  EXPECT_EQ(RunAndWait(SelectScript("t")), "\"Copy these words\"");
  window->mainWindow().get_clipboard()->set_text("before");
  Click("sub_Edit", "b_copy");
  std::string copied;
  ASSERT_TRUE(PumpUntil(
      [&] {
        bool done = false;
        window->mainWindow().get_clipboard()->read_text_async([&](Glib::RefPtr<Gio::AsyncResult> &result) {
          try {
            copied = window->mainWindow().get_clipboard()->read_text_finish(result);
          } catch (const Glib::Error &) {
          }
          done = true;
        });
        PumpUntil([&] { return done; }, 5);
        return copied == "Copy these words";
      },
      15))
      << copied;
}

TEST_F(ProgramWindowTest, TextMenuChecksTheSizeLastChosen) {
  ASSERT_TRUE(StartOn("/text"));
  Click("sub_Text", "b_big");
  OpenMenu("sub_Text");
  for (const char *name : {"b_smallest", "b_small", "b_normal", "b_big", "b_biggest"})
    EXPECT_EQ(Tool("sub_Text", name)->checked, std::string(name) == "b_big") << name;
  Click("sub_Text", "b_smallest");
  OpenMenu("sub_Text");
  EXPECT_TRUE(Tool("sub_Text", "b_smallest")->checked);
  EXPECT_FALSE(Tool("sub_Text", "b_big")->checked);
}

TEST_F(ProgramWindowTest, InternetOptionsRunModallyAndTheirHomePageIsWhereHomeGoes) {
  ASSERT_TRUE(StartOn("/text"));
  const std::string home = server.Url("/home");
  std::string title_while_open;
  bool main_enabled_while_open = true;
  int page_shown = -1;
  std::string security;
  Glib::signal_timeout().connect_once(
      [&] {
        InternetOptionsDialog *options = window->internetOptions();
        if (!options) return;
        title_while_open = options->get_title();
        main_enabled_while_open = window->mainWindow().get_sensitive();
        page_shown = options->pages().get_current_page();
        security = options->SecurityText();
        // Typed as people type it: no scheme.
        options->home_entry().set_text(home.substr(std::string("http://").size()));
        options->Accept();
        options->close();
      },
      300);
  Click("sub_Usetools", "b_opInternet");  // returns once the window has closed
  EXPECT_EQ(title_while_open, "Internet Options - Lunched By VIZIRUVUZI");
  EXPECT_FALSE(main_enabled_while_open);
  EXPECT_TRUE(window->mainWindow().get_sensitive());
  EXPECT_EQ(page_shown, 0);
  EXPECT_NE(security.find(server.Url("/text")), std::string::npos) << security;
  EXPECT_NE(security.find("not encrypted"), std::string::npos) << security;

  Click("tb_Main", "b_home");
  EXPECT_TRUE(PumpUntil([&] { return Current()->LocationURL() == home; }));

  // The status bar's security icon opens the same window on its security page.
  Glib::signal_timeout().connect_once(
      [&] {
        if (InternetOptionsDialog *options = window->internetOptions()) {
          page_shown = options->pages().get_current_page();
          options->close();
        }
      },
      300);
  toolbar::Tool *security_icon = Tool("sb_Status", "b_security");
  ASSERT_NE(security_icon, nullptr);
  form().chrome.ab_Main.events.toolDblClick(*security_icon);
  EXPECT_EQ(page_shown, 1);
  EXPECT_TRUE(window->mainWindow().get_sensitive());
}

namespace sweep {

// Every window but the program's own: the dialogs the commands open, answered "Cancel".
gboolean CloseOtherWindows(gpointer main) {
  GListModel *list = gtk_window_get_toplevels();
  std::vector<GtkWindow *> others;
  for (guint i = 0; i < g_list_model_get_n_items(list); ++i) {
    auto *window = static_cast<GtkWindow *>(g_list_model_get_item(list, i));
    if (window != main && gtk_widget_get_visible(GTK_WIDGET(window))) others.push_back(window);
    g_object_unref(window);
  }
  for (GtkWindow *window : others) gtk_window_close(window);
  return G_SOURCE_CONTINUE;
}

}  // namespace sweep

// Every tool of the skin clicked once on the real engine, in skin order, with every dialog
// a command opens closed again: no command may hang, crash or leave the window unusable.
TEST_F(ProgramWindowTest, EveryToolOfTheSkinCanBeClickedOnTheRealEngine) {
  ASSERT_TRUE(StartOn("/text"));
  // Ends the program; its question is tested with the exit sequence.
  // The address book starts the desktop's contacts program, the list editor its text
  // editor; the shipped translation services are on the internet.
  const std::set<std::string> skipped = {"b_quit", "b_openaddrbook", "b_orgtrans"};
  std::vector<std::pair<std::string, std::string>> tools;
  for (const auto &band : form().chrome.ab_Main.bands())
    for (const auto &tool : band->tools())
      if (!skipped.count(tool->name) && tool->name.rfind("transeg", 0) != 0) tools.emplace_back(band->name, tool->name);
  ASSERT_GT(tools.size(), 100u);

  const guint closer = g_timeout_add(50, sweep::CloseOtherWindows, window->mainWindow().gobj());
  int clicked = 0;
  // A critical warning of the toolkit is a widget used after it has gone.
  static std::string current;
  static std::vector<std::string> criticals;
  criticals.clear();
  const guint handler = g_log_set_handler(
      "Gtk", static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION),
      +[](const gchar *, GLogLevelFlags, const gchar *text, gpointer) {
        const std::string message = text ? text : "";
        // The toolkit's own file dialog finalised through its C++ wrapper, and the engine
        // destroying its print dialog after a close: not the program's.
        const bool print =
            current.find("b_print") != std::string::npos || current.find("b_preview") != std::string::npos;
        if (message.find("gtk_widget_dispose_template") == std::string::npos &&
            !(print && message.find("gtk_window_destroy") != std::string::npos))
          criticals.push_back(current + ": " + message);
      },
      nullptr);
  for (const auto &[band, name] : tools) {
    current = band + "/" + name;
    // A command may have rebuilt a band: the tool is looked up again.
    toolbar::Tool *tool = Tool(band.c_str(), name.c_str());
    if (!tool) continue;
    form().chrome.ab_Main.events.toolClick(*tool);
    ++clicked;
    Settle(0.02);
  }
  g_log_remove_handler("Gtk", handler);
  EXPECT_THAT(criticals, ::testing::IsEmpty());
  g_source_remove(closer);
  sweep::CloseOtherWindows(window->mainWindow().gobj());
  EXPECT_GT(clicked, 100);

  // The window still browses.
  if (form().chrome.FullScreen()) form().layout.ToggleFullScreen();
  EXPECT_TRUE(window->mainWindow().get_sensitive());
  window->mainWindow().SetAddressText(server.Url("/home"));
  form().address.Go(false);
  EXPECT_TRUE(PumpUntil([&] { return Current() && Current()->LocationURL() == server.Url("/home"); }));
}

// The action behind the item labelled `label` of a menu model (sections walked through).
std::string ActionOf(const Glib::RefPtr<Gio::MenuModel> &model, const std::string &label) {
  for (int i = 0; i < model->get_n_items(); ++i) {
    if (auto section = model->get_item_link(i, Gio::MenuModel::Link::SECTION)) {
      const std::string found = ActionOf(section, label);
      if (!found.empty()) return found;
      continue;
    }
    auto text = [&](Gio::MenuModel::Attribute attribute) {
      auto value = model->get_item_attribute(i, attribute, Glib::VARIANT_TYPE_STRING);
      return value ? std::string(Glib::VariantBase::cast_dynamic<Glib::Variant<Glib::ustring>>(value).get())
                   : std::string();
    };
    if (text(Gio::MenuModel::Attribute::LABEL) == label) {
      const std::string action = text(Gio::MenuModel::Attribute::ACTION);
      return action.substr(action.find('.') + 1);
    }
  }
  return {};
}

// A real right click on the first of two tabs: the tab menu opens instead of the bars'
// own menu, and its Close closes the clicked tab's page while the current page stays.
TEST_F(ProgramWindowTest, RightClickOnATabOpensItsMenuWhoseCloseClosesThatTab) {
  ASSERT_TRUE(StartOn("/text"));
  form().tabs.AddNewPage(server.Url("/home"), true);
  ASSERT_TRUE(PumpUntil([&] { return form().tabs.ActivePage == 2 && form().tabs.TabCount() == 2; }));
  toolbar::Tool *first_tab = Tool("tb_Tabs", "tabs-1");
  ASSERT_NE(first_tab, nullptr);
  Gtk::Widget *tab = nullptr;
  ASSERT_TRUE(PumpUntil([&] {
    tab = window->bars().toolWidget(*first_tab);
    return tab && tab->get_mapped() && tab->get_width() > 0;
  }));
  hosts::WindowSystem::Rect frame;
  ASSERT_TRUE(form().chrome.windows->GetRect(form().chrome.windows->MainWindow(), frame));
  const graphene_point_t middle = GRAPHENE_POINT_INIT(tab->get_width() / 2.0f, tab->get_height() / 2.0f);
  graphene_point_t at;
  ASSERT_TRUE(gtk_widget_compute_point(tab->gobj(), GTK_WIDGET(window->mainWindow().gobj()), &middle, &at));
  const std::string move = "xdotool mousemove " + std::to_string(frame.left + static_cast<int>(at.x)) + " " +
                           std::to_string(frame.top + static_cast<int>(at.y));
  ASSERT_EQ(std::system(move.c_str()), 0);
  ASSERT_TRUE(PumpUntil([&] { return form().tabMenu.OverTab && form().tabMenu.ContextPage == 1; }, 10));
  ASSERT_EQ(std::system("xdotool click 3"), 0);

  Gtk::PopoverMenu *menu = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (menu = window->bars().openMenu()) != nullptr; }, 10));
  EXPECT_FALSE(form().tabMenu.MenuBandFlag);  // the tab menu is open
  const std::string close_action = ActionOf(menu->get_menu_model(), "_Close Tab");
  ASSERT_FALSE(close_action.empty()) << "the open menu is not the tab menu";
  window->bars().openMenuActions()->activate_action(close_action);
  window->bars().closeMenus();

  ASSERT_TRUE(PumpUntil([&] { return form().tabs.TabCount() == 1; }));
  EXPECT_EQ(form().chrome.WB.Page(1), nullptr);
  ASSERT_NE(form().chrome.WB.Page(2), nullptr);
  EXPECT_EQ(form().tabs.ActivePage, 2);
  EXPECT_TRUE(PumpUntil([&] { return form().tabMenu.MenuBandFlag; }, 5));  // the tab menu closed
}

// ---- Real keys and pointer on the program window

bool Xdo(const std::string &args) { return std::system(("xdotool " + args).c_str()) == 0; }

// Moves the real pointer to the middle of `widget` in the program window.
bool PointerOnto(app::BrowserWindow &window, Gtk::Widget &widget) {
  hosts::WindowSystem::Rect frame;
  auto *windows = window.form().chrome.windows;
  if (!windows || !windows->GetRect(windows->MainWindow(), frame)) return false;
  const graphene_point_t middle = GRAPHENE_POINT_INIT(widget.get_width() / 2.0f, widget.get_height() / 2.0f);
  graphene_point_t at;
  if (!gtk_widget_compute_point(widget.gobj(), GTK_WIDGET(window.mainWindow().gobj()), &middle, &at)) return false;
  return Xdo("mousemove " + std::to_string(frame.left + static_cast<int>(at.x)) + " " +
             std::to_string(frame.top + static_cast<int>(at.y)));
}

class KeysAndMouseTest : public ProgramWindowTest {
 protected:
  // The pages of `paths` open in tabs 1.., the last one shown.
  void OpenTabs(const std::vector<std::string> &paths) {
    ASSERT_TRUE(StartOn(paths.front()));
    for (size_t i = 1; i < paths.size(); ++i) form().tabs.AddNewPage(server.Url(paths[i]), true);
    ASSERT_TRUE(PumpUntil([&] {
      return form().tabs.TabCount() == static_cast<int>(paths.size()) && Current() && Current()->ReadyState() == 4;
    }));
  }
  Gtk::Widget *TabWidget(int page) {
    toolbar::Tool *tool = Tool("tb_Tabs", ("tabs-" + std::to_string(page)).c_str());
    Gtk::Widget *widget = nullptr;
    PumpUntil([&] {
      widget = tool ? window->bars().toolWidget(*tool) : nullptr;
      return widget && widget->get_mapped() && widget->get_width() > 0;
    });
    return widget;
  }
  // The pointer on the page and a left click there: the page has the focus.
  void ClickPage() {
    ASSERT_TRUE(PointerOnto(*window, window->pageArea()));
    Settle(0.2);
    ASSERT_TRUE(Xdo("click 1"));
    Settle(0.3);
  }
};

// The pointer resting on a tab does not make it the keyboard's target: Ctrl+W closes the
// shown page; and off the tab strip there is no context page left.
TEST_F(KeysAndMouseTest, KeyboardCloseActsOnTheShownPageWhileThePointerIsOnAnotherTab) {
  OpenTabs({"/text", "/home"});
  Gtk::Widget *first = TabWidget(1);
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(PointerOnto(*window, *first));
  ASSERT_TRUE(PumpUntil([&] { return form().tabMenu.ContextPage == 1; }, 10));
  ASSERT_TRUE(Xdo("key ctrl+w"));
  ASSERT_TRUE(PumpUntil([&] { return form().tabs.TabCount() == 1; }, 10));
  EXPECT_NE(form().chrome.WB.Page(1), nullptr);
  EXPECT_EQ(form().chrome.WB.Page(2), nullptr);

  form().tabs.AddNewPage(server.Url("/home"), true);
  ASSERT_TRUE(PumpUntil([&] { return form().tabMenu.ContextPage == 0 || form().tabs.TabCount() == 2; }, 10));
  ASSERT_TRUE(PointerOnto(*window, *TabWidget(1)));
  ASSERT_TRUE(PumpUntil([&] { return form().tabMenu.ContextPage == 1; }, 10));
  ASSERT_TRUE(PointerOnto(*window, window->pageArea()));
  EXPECT_TRUE(PumpUntil([&] { return form().tabMenu.ContextPage == 0 && !form().tabMenu.OverTab; }, 10));

  // The middle button on a tab closes that tab, not the shown one.
  ASSERT_TRUE(PointerOnto(*window, *TabWidget(1)));
  ASSERT_TRUE(PumpUntil([&] { return form().tabMenu.ContextPage == 1; }, 10));
  ASSERT_TRUE(Xdo("click 2"));
  ASSERT_TRUE(PumpUntil([&] { return form().tabs.TabCount() == 1; }, 10));
  EXPECT_EQ(form().chrome.WB.Page(1), nullptr);
}

// Ctrl+plus scales the whole page (a 100-pixel box now covers the point 105 pixels in)
// and the status bar shows the level; Ctrl+0 brings back the page as written.
TEST_F(KeysAndMouseTest, ZoomKeysScaleThePageAndTheStatusBarShowsTheLevel) {
  OpenTabs({"/box"});
  ClickPage();
  auto covered = [&] { return RunAndWait("return document.elementFromPoint(105, 50).id;"); };
  toolbar::Tool *level = Tool("sb_Status", "b_zoomlevel");
  ASSERT_NE(level, nullptr);
  ASSERT_EQ(covered(), "\"\"");
  EXPECT_FALSE(level->visible);
  ASSERT_TRUE(Xdo("key ctrl+plus"));
  EXPECT_TRUE(PumpUntil([&] { return covered() == "\"box\""; }, 10));
  EXPECT_TRUE(level->visible);
  EXPECT_EQ(level->caption, "110%");
  ASSERT_TRUE(Xdo("key ctrl+0"));
  EXPECT_TRUE(PumpUntil([&] { return covered() == "\"\""; }, 10));
  EXPECT_FALSE(level->visible);
}

// Right click on a tab, Escape: the release went to the menu, yet a later left click on
// the page is a plain click, not a rocker gesture going a tab left.
TEST_F(KeysAndMouseTest, AClickOnThePageAfterTheTabMenuSwitchesNoTab) {
  OpenTabs({"/text", "/home", "/text"});
  ASSERT_EQ(form().tabs.ActivePage, 3);
  ASSERT_TRUE(PointerOnto(*window, *TabWidget(1)));
  ASSERT_TRUE(PumpUntil([&] { return form().tabMenu.OverTab && form().tabMenu.ContextPage == 1; }, 10));
  ASSERT_TRUE(Xdo("click 3"));
  ASSERT_TRUE(PumpUntil([&] { return window->bars().openMenu() != nullptr; }, 10));
  ASSERT_TRUE(Xdo("key Escape"));
  ASSERT_TRUE(PumpUntil([&] { return window->bars().openMenu() == nullptr && form().tabMenu.MenuBandFlag; }, 10));
  for (int i = 0; i < 2; ++i) ClickPage();
  EXPECT_EQ(form().tabs.ActivePage, 3);
  // The right button really held: the rocker still goes a tab left.
  ASSERT_TRUE(Xdo("mousedown 3"));
  Settle(0.2);
  ASSERT_TRUE(Xdo("click 1"));
  Settle(0.2);
  ASSERT_TRUE(Xdo("mouseup 3"));
  EXPECT_TRUE(PumpUntil([&] { return form().tabs.ActivePage == 2; }, 5));
  if (window->bars().openMenu()) window->bars().closeMenus();
}

// With the page focused, the skin's keys reach their commands (Alt+Left goes back, the
// tab keys switch tabs); in a focused input Ctrl+A still selects the input's text.
TEST_F(KeysAndMouseTest, SkinKeysReachTheirCommandsFromTheFocusedPage) {
  OpenTabs({"/text", "/home", "/input"});
  window->mainWindow().SetAddressText(server.Url("/home"));
  form().address.Go(false);
  ASSERT_TRUE(
      PumpUntil([&] { return Current()->LocationURL() == server.Url("/home") && Current()->ReadyState() == 4; }));
  ClickPage();
  ASSERT_TRUE(Xdo("key alt+Left"));
  EXPECT_TRUE(PumpUntil([&] { return Current()->LocationURL() == server.Url("/input"); }, 10));

  const std::vector<std::pair<std::string, int>> keys = {
      {"ctrl+Tab", 1}, {"ctrl+shift+Tab", 3}, {"ctrl+Prior", 2}, {"ctrl+Next", 3}, {"ctrl+1", 1}, {"ctrl+9", 3},
  };
  for (const auto &[key, shown] : keys) {
    ASSERT_TRUE(Xdo("key " + key));
    EXPECT_TRUE(PumpUntil([&] { return form().tabs.ActivePage == shown; }, 5)) << key;
  }

  ASSERT_TRUE(PumpUntil([&] { return Current()->ReadyState() == 4; }));
  ClickPage();  // the page, not the address box, has the keyboard
  ASSERT_EQ(RunAndWait("const i = document.getElementById('i'); i.focus(); i.setSelectionRange(0, 0);"
                       "return document.activeElement === i;"),
            "true");
  ASSERT_TRUE(Xdo("key ctrl+a"));
  EXPECT_TRUE(PumpUntil(
      [&] {
        return RunAndWait("const i = document.getElementById('i'); return [i.selectionStart, i.selectionEnd];") ==
               "[0,11]";
      },
      5));
}

// The address box's suggestion list closes on a click outside it, on Escape and on
// Enter; Escape brings back the shown page's address, a second one focuses the page.
TEST_F(KeysAndMouseTest, AddressListClosesAndEscapeRestoresTheAddress) {
  OpenTabs({"/text"});
  const std::string home = server.Url("/home");
  window->mainWindow().AddAddressItem(home);
  auto type_into_box = [&](const std::string &text) {
    window->mainWindow().SetAddressText("");
    // A page just clicked may take the focus back once more as its click ends.
    for (int tries = 0; tries < 5 && form().address.AddressFocusFlag != 1; ++tries) {
      window->mainWindow().FocusAddressBox();
      Settle(0.3);
    }
    EXPECT_EQ(form().address.AddressFocusFlag, 1);
    Settle(0.2);
    EXPECT_TRUE(Xdo("type --delay 30 '" + text + "'"));
    return PumpUntil([&] { return window->mainWindow().AddressListShown(); }, 10);
  };
  ASSERT_TRUE(PointerOnto(*window, window->pageArea()));
  ASSERT_TRUE(type_into_box("127.0.0.1"));
  ClickPage();
  EXPECT_TRUE(PumpUntil([&] { return !window->mainWindow().AddressListShown(); }, 5)) << "a click on the page";
  ASSERT_TRUE(type_into_box("127.0.0.1"));
  ASSERT_TRUE(PointerOnto(*window, *TabWidget(1)));
  ASSERT_TRUE(Xdo("click 1"));
  EXPECT_TRUE(PumpUntil([&] { return !window->mainWindow().AddressListShown(); }, 5)) << "a click on a tab";

  ASSERT_TRUE(type_into_box("127.0.0.1"));
  ASSERT_TRUE(Xdo("key Escape"));
  EXPECT_TRUE(PumpUntil([&] { return !window->mainWindow().AddressListShown(); }, 5)) << "Escape";
  EXPECT_EQ(window->mainWindow().AddressText(), server.Url("/text"));
  EXPECT_EQ(form().address.AddressFocusFlag, 1);
  ASSERT_TRUE(Xdo("key Escape"));
  EXPECT_TRUE(PumpUntil([&] { return form().address.AddressFocusFlag == 0; }, 5)) << "the page takes the focus";
  EXPECT_EQ(window->mainWindow().AddressText(), server.Url("/text"));

  // Enter with a typed address: the list must not come back as the box's list grows.
  ASSERT_TRUE(type_into_box(server.Url("/ho")));
  ASSERT_TRUE(Xdo("type 'me'"));
  ASSERT_TRUE(Xdo("key Return"));
  EXPECT_TRUE(PumpUntil([&] { return Current()->LocationURL() == home && Current()->ReadyState() == 4; }));
  Settle(0.5);
  EXPECT_FALSE(window->mainWindow().AddressListShown()) << "Enter";
}

// Offline switched on in the status bar and off again in the File menu: meanwhile the
// engine loads nothing and both tools show it.
TEST_F(ProgramWindowTest, OfflineFromTheStatusBarHoldsLoadsUntilTheFileMenuEndsIt) {
  ASSERT_TRUE(StartOn("/text"));
  const std::string home = server.Url("/home");
  Click("sb_Status", "b_offline");
  ASSERT_NE(form().chrome.page_commands, nullptr);
  EXPECT_TRUE(form().chrome.page_commands->Offline());
  OpenMenu("sub_File");
  EXPECT_TRUE(Tool("sub_File", "b_offline")->checked);
  EXPECT_TRUE(Tool("sb_Status", "b_offline")->checked);

  // Nothing reaches the network: the load ends with the page saying it is offline.
  window->mainWindow().SetAddressText(home);
  form().address.Go(false);
  EXPECT_TRUE(PumpUntil([&] { return Current()->ErrorPageShown(); }));
  EXPECT_EQ(Current()->LocationURL(), home);
  EXPECT_FALSE(server.Asked("/home"));

  Click("sub_File", "b_offline");
  EXPECT_FALSE(form().chrome.page_commands->Offline());
  EXPECT_FALSE(Tool("sub_File", "b_offline")->checked);
  EXPECT_FALSE(Tool("sb_Status", "b_offline")->checked);
  window->mainWindow().SetAddressText(home);
  form().address.Go(false);
  EXPECT_TRUE(PumpUntil([&] { return Current()->LocationURL() == home && Current()->ReadyState() == 4; }));
}

// A service of the program folder's list opens the current address, encoded, in a new
// foreground tab.
TEST_F(ProgramWindowTest, TranslationServiceOpensTheFilledAddressInANewForegroundTab) {
  {
    std::ofstream list(fs::path(form().chrome.files.ProgramFolder()) / "Translist.txt", std::ios::binary);
    list << "Loopback|" << server.Url("/t?u={url}") << "\r\n";
  }
  ASSERT_TRUE(StartOn("/query?a=1&b=2#part"));
  const int before = form().tabs.ActivePage;
  ASSERT_NE(Tool("sub_Trans", "transeg1"), nullptr);
  EXPECT_EQ(Tool("sub_Trans", "transeg1")->caption, "Loopback");
  Click("sub_Trans", "transeg1");
  EXPECT_NE(form().tabs.ActivePage, before);
  const std::string path =
      "/t?u=http%3A%2F%2F127.0.0.1%3A" + std::to_string(server.port()) + "%2Fquery%3Fa%3D1%26b%3D2%23part";
  EXPECT_TRUE(PumpUntil([&] { return server.Asked(path); })) << path;
  EXPECT_EQ(Current()->LocationURL(), server.Url(path));
}

// "b_orgtrans" opens the list in the desktop's default editor of plain text: here a
// desktop entry of the test's own that notes the file it was given.
TEST_F(ProgramWindowTest, ListEditorStartsTheDesktopTextEditorOnTheList) {
  const fs::path marker = fs::path(kScratch) / ("editor-" + std::to_string(getpid()) + ".txt");
  fs::remove(marker);
  const fs::path applications = fs::path(Glib::get_user_data_dir()) / "applications";
  fs::create_directories(applications);
  std::ofstream(applications / "zor-test-editor.desktop")
      << "[Desktop Entry]\nType=Application\nName=Test editor\nMimeType=text/plain;\n"
      << "Exec=sh -c 'printf %s \"$1\" > " << marker.string() << "' sh %f\n";
  fs::create_directories(Glib::get_user_config_dir());
  std::ofstream(fs::path(Glib::get_user_config_dir()) / "mimeapps.list")
      << "[Default Applications]\ntext/plain=zor-test-editor.desktop\n";
  ASSERT_TRUE(StartOn("/text"));
  // The desktop's application list follows new entries through file monitors.
  Settle(0.5);
  Click("sub_Trans", "b_orgtrans");
  const std::string list = (fs::path(form().chrome.files.ProgramFolder()) / "Translist.txt").string();
  EXPECT_TRUE(PumpUntil([&] { return ReadWholeFile(marker.string()).value_or("") == list; }, 10))
      << ReadWholeFile(marker.string()).value_or("(no file)");
  fs::remove(applications / "zor-test-editor.desktop");
  fs::remove(fs::path(Glib::get_user_config_dir()) / "mimeapps.list");
}

}  // namespace
}  // namespace zor::gtk
