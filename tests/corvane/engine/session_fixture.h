// A browser form over a real WebKit session with Corvane loaded from a scratch program
// folder's Requires/, exactly as the browser loads it, and one view to load pages in.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <unistd.h>
#include <webkit/webkit.h>

#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "browser/commands/connection_loader.h"
#include "browser/shell/main_form.h"
#include "fakes/fake_hosts.h"
#include "hosts/webkit/network_proxy.h"

namespace zor::testing {

class SessionFixture : public ::testing::Test {
 protected:
  // A folder named `name` in the temporary folder, holding `files` copied from the built
  // program folder; `skin` is the form's toolbar layout. Call first in SetUp.
  void StartSession(const std::string& name, std::initializer_list<const char*> files, const char* skin) {
    if (!gtk_is_initialized()) gtk_init();
    folder = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "Requires");
    const std::filesystem::path program(ZOR_PROGRAM_DIR);
    for (const char* file : files)
      std::filesystem::copy_file(program / file, folder / file, std::filesystem::copy_options::overwrite_existing);

    session = webkit_network_session_new_ephemeral();
    view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", session, nullptr));
    // Only the end of the load asked for counts: a load that is replaced also finishes.
    g_signal_connect(view, "load-changed", G_CALLBACK(+[](WebKitWebView* v, WebKitLoadEvent event, gpointer data) {
                       auto* self = static_cast<SessionFixture*>(data);
                       const char* uri = webkit_web_view_get_uri(v);
                       if (event == WEBKIT_LOAD_FINISHED && uri && self->loading == uri) self->finished = true;
                     }),
                     this);
    window = gtk_window_new();
    gtk_window_set_default_size(GTK_WINDOW(window), 400, 300);
    gtk_window_set_child(GTK_WINDOW(window), GTK_WIDGET(view));
    gtk_window_present(GTK_WINDOW(window));

    std::string error;
    ASSERT_TRUE(toolbar.loadLayoutText(skin, "test.tb2", &error)) << error;
    form = std::make_unique<shell::MainForm>(toolbar, pages, main_window, folder.string());
    form->proxies.createConnection = commands::ConnectionLibrary(
        form->chrome.files.FolderPath() + commands::kConnectionLibrary,
        webkit::SessionProxy::Create(session)->Services(
            [this](const std::string& text, const std::string&) { warnings.push_back(text); }),
        [](const std::string& e) { ADD_FAILURE() << e; });
  }

  void TearDown() override {
    form.reset();
    if (window) gtk_window_destroy(GTK_WINDOW(window));
    g_clear_object(&session);
    std::filesystem::remove_all(folder);
  }

  // Loads the address and waits for the engine to finish with it (a failure finishes too).
  std::string Load(const std::string& url, bool wait_for_title = true) {
    finished = false;
    loading = url;
    webkit_web_view_load_uri(view, url.c_str());
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!finished && std::chrono::steady_clock::now() < until) g_main_context_iteration(nullptr, FALSE);
    EXPECT_TRUE(finished) << url << " did not finish loading";
    // The title may reach this process just after the end of the load.
    const auto title_until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (wait_for_title && !*Title() && std::chrono::steady_clock::now() < title_until)
      g_main_context_iteration(nullptr, FALSE);
    return Title();
  }
  const char* Title() const {
    const char* title = webkit_web_view_get_title(view);
    return title ? title : "";
  }

  std::filesystem::path folder;
  WebKitNetworkSession* session = nullptr;
  WebKitWebView* view = nullptr;
  GtkWidget* window = nullptr;
  std::string loading;
  bool finished = false;
  toolbar::ToolbarControl toolbar;
  fakes::FakePageHost pages;
  fakes::FakeWindow main_window;
  std::unique_ptr<shell::MainForm> form;
  std::vector<std::string> warnings;
};

}  // namespace zor::testing
