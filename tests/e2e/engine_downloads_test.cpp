// Downloads in the real main window against pages on 127.0.0.1: a page that keeps
// starting downloads by itself, a clicked link whose file the user saves, the context
// menu's download, a large attachment and one cancelled halfway. The dialogs are answered
// through their host's test hooks; everything else is the real engine.
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "app/browser_window.h"
#include "e2e/support/engine_support.h"

namespace fs = std::filesystem;

// From gdk/x11/gdkx.h, whose Xlib macros clash with the test headers.
extern "C" unsigned long gdk_x11_surface_get_xid(GdkSurface* surface);

namespace zor::gtk {
namespace {

using e2e::Pump;
using e2e::PumpUntil;

const fs::path kScratch = [] {
  const fs::path dir = fs::temp_directory_path() / ("zor-engine-downloads-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::atexit([] { fs::remove_all(fs::temp_directory_path() / ("zor-engine-downloads-" + std::to_string(::getpid()))); });
  return dir;
}();

constexpr size_t kZipSize = 70000;
constexpr size_t kBigSize = 5 * 1024 * 1024;

std::string Body(size_t size) {
  std::string body(size, '\0');
  for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>('A' + i % 23);
  return body;
}

e2e::HttpResponse Answer(const e2e::HttpRequest& request, const std::atomic<bool>&) {
  e2e::HttpResponse response;
  if (request.path == "/hostile.html") {
    // Five downloads in a row, none of them the user's.
    response.body =
        "<!DOCTYPE html><title>hostile</title><script>let n = 0; const t = setInterval(() => {"
        " location.href = '/evil.bin?' + n; if (++n == 5) { clearInterval(t); document.title = 'sent'; } }, 200);"
        "</script>";
  } else if (request.path.rfind("/evil.bin", 0) == 0) {
    response.type = "application/octet-stream";
    response.headers = {"Content-Disposition: attachment; filename=\"../.evil.bin\""};
    response.body = Body(1000);
  } else if (request.path == "/link.html") {
    response.body =
        "<!DOCTYPE html><title>link</title><body style='margin:0'>"
        "<a href='/file.zip' style='display:block;height:100vh'>file.zip</a></body>";
  } else if (request.path == "/big.html" || request.path == "/stuck.html") {
    response.body = "<!DOCTYPE html><title>big</title><body style='margin:0'><a href='/" +
                    request.path.substr(1, request.path.find('.') - 1) +
                    ".bin' style='display:block;height:100vh'>file</a></body>";
  } else if (request.path == "/big.bin" || request.path == "/stuck.bin") {
    response.type = "application/octet-stream";
    response.headers = {"Content-Disposition: attachment; filename=\"report 2026.bin\""};
    response.body = Body(kBigSize);
    if (request.path == "/stuck.bin") response.hold_after = kBigSize / 2;
  } else if (request.path == "/file.zip") {
    // Neither an attachment nor anything the engine shows: only a download can take it.
    response.type = "application/zip";
    response.body = Body(kZipSize);
  } else {
    response.status = 404;
  }
  return response;
}

// The files in `dir` whose name contains `part` (a missing folder has none).
int FilesNamed(const fs::path& dir, const std::string& part) {
  int n = 0;
  std::error_code ec;
  for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
    if (it->path().filename().string().find(part) != std::string::npos) ++n;
  return n;
}

std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class EngineDownloadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    e2e::RemoveProfileFolder(fs::path(Glib::get_user_data_dir()) / "zor-browser");
    fs::remove(fs::path(Glib::get_user_config_dir()) / "zor-browser" / "downloads.ini");
    folder = kScratch / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(folder / "saved");
    for (const char* file : {"default.tb2", "lng.ini", "Translist.txt", "block.wav"})
      fs::copy_file(fs::path(ZOR_PROGRAM_DIR) / file, folder / file);
    fs::copy(fs::path(ZOR_PROGRAM_DIR) / "res", folder / "res", fs::copy_options::recursive);
    window = std::make_unique<app::BrowserWindow>(folder.string());
    ASSERT_TRUE(window->StartUp(""));
    window->mainWindow().present();
  }
  void TearDown() override {
    window.reset();
    fs::remove_all(folder);
  }
  void Load(const std::string& path) {
    hosts::PageControl* page = window->form().chrome.WB.Page(1);
    page->Navigate(server.Url("/" + path));
    ASSERT_TRUE(PumpUntil([&] { return page->ReadyState() == 4 && !page->Busy(); }));
    Pump(0.3);
  }
  // A real click on the page's link, through the X test extension, until the engine asks
  // for the file: a dialog just closed can take a click meant for the page beneath it.
  void Click() {
    const size_t asked = server.Requests().size();
    ClickUntil(1, [&] { return server.Requests().size() > asked; });
  }
  void ClickUntil(int button, const std::function<bool()>& done) {
    for (int attempt = 0; attempt < 3 && !done(); ++attempt) {
      Gtk::Widget& area = window->pageArea();
      double sx = 0, sy = 0, wx = 0, wy = 0;
      window->mainWindow().get_surface_transform(sx, sy);
      area.translate_coordinates(window->mainWindow(), 150, 50, wx, wy);
      const std::string xid = std::to_string(gdk_x11_surface_get_xid(window->mainWindow().get_surface()->gobj()));
      const std::string at = std::to_string(static_cast<int>(sx + wx)) + " " + std::to_string(static_cast<int>(sy + wy));
      const std::string cmd = "xdotool mousemove --window " + xid + " 1 1 mousemove --window " + xid + " " + at +
                              " sleep 0.2 click " + std::to_string(button);
      ASSERT_EQ(std::system(cmd.c_str()), 0);
      PumpUntil(done, 5);
    }
  }
  int EvilRequests() {
    int n = 0;
    for (const e2e::HttpRequest& r : server.Requests()) n += r.path.rfind("/evil.bin", 0) == 0 ? 1 : 0;
    return n;
  }
  DownloadDialogs& dialogs() { return window->downloadDialogs(); }
  // The downloads window comes up over the page at each download; the next click is the page's.
  void HideDownloadsWindow() {
    window->downloadsWindow().window().set_visible(false);
    window->mainWindow().present();
    Pump(0.3);
  }
  const std::vector<hosts::DownloadRow>& rows() { return window->downloadsWindow().Shown(); }
  toolbar::Tool& running() { return *window->form().chrome.ab_Main.tool("sb_Status", "b_dlrunning"); }

  e2e::LoopbackServer server{Answer};
  fs::path folder;
  std::unique_ptr<app::BrowserWindow> window;
};

TEST_F(EngineDownloadsTest, APageDownloadingByItselfIsAskedOnceAndWritesNothing) {
  const fs::path downloads = window->downloads().DownloadsFolder();
  const int before = FilesNamed(downloads, "evil.bin");
  Load("hostile.html");
  // A busy engine may drop a navigation the next one overtakes: at least one must come while asking.
  auto sent = [&] { return window->form().chrome.WB.Page(1)->DocumentTitle() == "sent"; };
  ASSERT_TRUE(PumpUntil([&] { return sent() && EvilRequests() >= 2; }, 20)) << EvilRequests();
  Pump(1.5);
  EXPECT_EQ(dialogs().QuestionsAsked(), 1);
  EXPECT_EQ(dialogs().OpenQuestions(), 1);
  EXPECT_EQ(dialogs().OpenSaveDialogs(), 0);
  // The ones that came while asking are gone; the asked one waits for its answer.
  ASSERT_TRUE(PumpUntil([&] { return window->downloads().Active() == 1; }));
  EXPECT_EQ(FilesNamed(downloads, "evil.bin"), before);
  EXPECT_EQ(FilesNamed(folder, "evil.bin") + FilesNamed(folder / "saved", "evil.bin"), 0);

  ASSERT_TRUE(dialogs().AnswerQuestion(false));
  ASSERT_TRUE(PumpUntil([&] { return window->downloads().Active() == 0; }));
  const int first = EvilRequests();
  Load("hostile.html");  // the refused page tries again
  ASSERT_TRUE(PumpUntil([&] { return sent() && EvilRequests() > first; }, 20));
  Pump(1.0);
  EXPECT_EQ(dialogs().QuestionsAsked(), 1);
  EXPECT_EQ(dialogs().OpenSaveDialogs(), 0);
  EXPECT_TRUE(PumpUntil([&] { return window->downloads().Active() == 0; }));
  EXPECT_EQ(FilesNamed(downloads, "evil.bin"), before);
  EXPECT_TRUE(rows().empty());
}

TEST_F(EngineDownloadsTest, AClickedDownloadIsSavedOnlyWhereTheUserChose) {
  Load("link.html");
  const fs::path chosen = folder / "saved" / "chosen.zip";
  Click();
  ASSERT_TRUE(PumpUntil([&] { return dialogs().OpenSaveDialogs() == 1; }));
  EXPECT_EQ(dialogs().QuestionsAsked(), 0);
  EXPECT_EQ(dialogs().SaveName(), "file.zip");
  ASSERT_TRUE(dialogs().AnswerSave(chosen.string(), false));
  ASSERT_TRUE(PumpUntil([&] { return window->downloads().Active() == 0; }));
  EXPECT_EQ(fs::file_size(chosen), kZipSize);
  EXPECT_EQ(Contents(chosen), Body(kZipSize));
  HideDownloadsWindow();
  EXPECT_EQ(FilesNamed(folder / "saved", ".wkdownload"), 0);

  // An existing file the user did not confirm replacing stays as it was.
  const fs::path precious = folder / "saved" / "precious.zip";
  std::ofstream(precious) << "precious";
  Click();
  ASSERT_TRUE(PumpUntil([&] { return dialogs().OpenSaveDialogs() == 1; }));
  ASSERT_TRUE(dialogs().AnswerSave(precious.string(), false));
  ASSERT_TRUE(PumpUntil([&] { return window->downloads().Active() == 0; }));
  HideDownloadsWindow();
  EXPECT_TRUE(fs::exists(precious));
  EXPECT_EQ(Contents(precious), "precious");
  EXPECT_EQ(FilesNamed(folder / "saved", ".wkdownload"), 0);
  ASSERT_EQ(rows().size(), 2u);
  EXPECT_NE(rows()[0].detail.find("could not be saved as " + precious.string()), std::string::npos) << rows()[0].detail;

  // Confirmed, it is replaced.
  Click();
  ASSERT_TRUE(PumpUntil([&] { return dialogs().OpenSaveDialogs() == 1; }));
  ASSERT_TRUE(dialogs().AnswerSave(precious.string(), true));
  ASSERT_TRUE(PumpUntil([&] { return window->downloads().Active() == 0; }));
  HideDownloadsWindow();
  EXPECT_EQ(fs::file_size(precious), kZipSize);

  // Cancelled, nothing new is written anywhere.
  Click();
  ASSERT_TRUE(PumpUntil([&] { return dialogs().OpenSaveDialogs() == 1; }));
  ASSERT_TRUE(dialogs().AnswerSave(std::nullopt, false));
  ASSERT_TRUE(PumpUntil([&] { return window->downloads().Active() == 0; }));
  EXPECT_EQ(FilesNamed(folder / "saved", ".zip"), 2);
  EXPECT_EQ(FilesNamed(folder / "saved", ".part"), 0);
  EXPECT_EQ(FilesNamed(window->downloads().DownloadsFolder(), "file.zip"), 0);
  EXPECT_EQ(rows().size(), 3u) << "one cancelled in its save dialog never ran";
}

TEST_F(EngineDownloadsTest, TheContextMenusDownloadGoesThroughTheSaveDialog) {
  Load("link.html");
  // The menu's own entry, taken as the menu is built and chosen once it shows.
  GAction* download = nullptr;
  WebKitWebView* view = window->pages().WebPage(1)->view();
  const gulong handler = g_signal_connect_after(
      view, "context-menu",
      G_CALLBACK(+[](WebKitWebView*, WebKitContextMenu* menu, WebKitHitTestResult*, gpointer data) -> gboolean {
        for (GList* item = webkit_context_menu_get_items(menu); item; item = item->next)
          if (webkit_context_menu_item_get_stock_action(WEBKIT_CONTEXT_MENU_ITEM(item->data)) ==
              WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_LINK_TO_DISK) {
            auto* taken = static_cast<GAction**>(data);
            if (*taken) g_object_unref(*taken);
            *taken = G_ACTION(g_object_ref(webkit_context_menu_item_get_gaction(WEBKIT_CONTEXT_MENU_ITEM(item->data))));
          }
        return FALSE;
      }),
      &download);
  ClickUntil(3, [&] { return download != nullptr; });
  g_signal_handler_disconnect(view, handler);
  ASSERT_NE(download, nullptr);
  Pump(0.5);
  g_action_activate(download, nullptr);
  g_object_unref(download);
  ASSERT_TRUE(PumpUntil([&] { return dialogs().OpenSaveDialogs() == 1; }));
  EXPECT_EQ(dialogs().QuestionsAsked(), 0) << "the user's own choice in the menu";
  EXPECT_EQ(dialogs().SaveName(), "file.zip");
  const fs::path chosen = folder / "saved" / "linked.zip";
  ASSERT_TRUE(dialogs().AnswerSave(chosen.string(), false));
  ASSERT_TRUE(PumpUntil([&] { return window->downloads().Active() == 0; }));
  EXPECT_EQ(fs::file_size(chosen), kZipSize);
  EXPECT_EQ(FilesNamed(window->downloads().DownloadsFolder(), "file.zip"), 0);
  EXPECT_EQ(FilesNamed(Glib::get_home_dir(), "file.zip"), 0);
}

TEST_F(EngineDownloadsTest, AnAttachmentLandsUnderItsNameWhereChosenAndTheWindowFollowsIt) {
  Load("big.html");
  Click();
  ASSERT_TRUE(PumpUntil([&] { return dialogs().OpenSaveDialogs() == 1; }));
  EXPECT_EQ(dialogs().SaveTitle(), "Save Download");
  ASSERT_EQ(dialogs().SaveName(), "report 2026.bin");
  const fs::path chosen = folder / "saved" / dialogs().SaveName();
  EXPECT_FALSE(window->downloadsWindow().window().get_visible());
  ASSERT_TRUE(dialogs().AnswerSave(chosen.string(), false));
  EXPECT_TRUE(window->downloadsWindow().window().get_visible()) << "a started download shows the window";
  EXPECT_TRUE(running().visible);
  EXPECT_EQ(running().caption, "1 download running");
  ASSERT_TRUE(PumpUntil([&] { return window->downloads().Active() == 0; }, 30));
  EXPECT_EQ(fs::file_size(chosen), kBigSize);
  EXPECT_EQ(Contents(chosen), Body(kBigSize));
  EXPECT_EQ(FilesNamed(folder / "saved", ".part"), 0);
  ASSERT_EQ(rows().size(), 1u);
  EXPECT_EQ(rows()[0].name, "report 2026.bin");
  EXPECT_EQ(rows()[0].detail, "5.0 MB, complete");
  EXPECT_TRUE(rows()[0].can_open);
  EXPECT_FALSE(running().visible);
}

TEST_F(EngineDownloadsTest, ADownloadCancelledHalfwayLeavesNoFile) {
  Load("stuck.html");
  Click();
  ASSERT_TRUE(PumpUntil([&] { return dialogs().OpenSaveDialogs() == 1; }));
  const fs::path chosen = folder / "saved" / dialogs().SaveName();
  ASSERT_TRUE(dialogs().AnswerSave(chosen.string(), false));
  ASSERT_EQ(rows().size(), 1u);
  const int id = rows()[0].id;
  ASSERT_TRUE(PumpUntil(
      [&] {
        const protection::DownloadItem* item = window->form().downloads.List().Find(id);
        return item && item->received >= static_cast<int64_t>(kBigSize / 2);
      },
      30));
  EXPECT_FALSE(fs::exists(chosen)) << "only part files while it runs";
  Gtk::Button* cancel = window->downloadsWindow().CancelButton(id);
  ASSERT_NE(cancel, nullptr);
  ASSERT_TRUE(cancel->get_visible());
  cancel->activate();
  ASSERT_TRUE(PumpUntil([&] { return window->downloads().Active() == 0; }));
  Pump(0.3);
  EXPECT_EQ(FilesNamed(folder / "saved", ""), 0) << "no part file and nothing under the chosen name";
  EXPECT_EQ(rows()[0].detail, "The download of report 2026.bin was cancelled.");
  EXPECT_FALSE(rows()[0].can_cancel);
  EXPECT_FALSE(running().visible);

  // Nor does one still running when the window goes.
  HideDownloadsWindow();
  Click();
  ASSERT_TRUE(PumpUntil([&] { return dialogs().OpenSaveDialogs() == 1; }));
  ASSERT_TRUE(dialogs().AnswerSave(chosen.string(), false));
  ASSERT_TRUE(PumpUntil([&] { return FilesNamed(folder / "saved", "report") > 0; }));
  window.reset();
  Pump(0.5);
  EXPECT_EQ(FilesNamed(folder / "saved", ""), 0);
}

}  // namespace
}  // namespace zor::gtk
