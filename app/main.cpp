// ZOR-Browser: the program. The whole command line is one address.
#include <gtkmm.h>

#include <memory>
#include <string>

#include "app/browser_window.h"
#include "common/files.h"
#include "common/program_paths.h"

int main(int argc, char** argv) {
  std::string command_line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) command_line += ' ';
    command_line += argv[i];
  }
  Glib::set_prgname("zor-browser");
  Glib::set_application_name("ZOR-Browser");
  auto app = Gtk::Application::create("org.zor.Browser", Gio::Application::Flags::NON_UNIQUE);
  std::unique_ptr<zor::app::BrowserWindow> window;
  int status = 0;
  app->signal_activate().connect([&] {
    const std::string folder = zor::ProgramFolder();
    // An installed (read-only) program folder: the user's files start as its defaults.
    std::string seed_error;
    if (!zor::ProgramPaths(folder).SeedUserFiles(&seed_error)) g_warning("%s", seed_error.c_str());
    window = std::make_unique<zor::app::BrowserWindow>(folder);
    app->add_window(window->mainWindow());
    if (!window->StartUp(command_line)) {
      status = 1;
      app->remove_window(window->mainWindow());
      app->quit();
    }
  });
  // GApplication would read the address as a file to open; the address is ours.
  const int run_status = app->run(1, argv);
  return status ? status : run_status;
}
