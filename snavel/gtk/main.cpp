// Snavel: saves one address as the next numbered web archive and shows where it went.
//   snavel url:<address> [proxy:<proxy URI>] [noproxy:<hosts>]
#include <gtkmm.h>

#include <memory>
#include <string>
#include <vector>

#include "common/files.h"
#include "common/program_paths.h"
#include "snavel/gtk/job_window.h"
#include "snavel/quick_save.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  std::optional<zor::snavel::QuickSaveRequest> request = zor::snavel::ParseCommandLine(arguments);
  if (!request) return 0;  // not started for a save: nothing to show

  std::string program_folder = zor::ProgramFolder();
  if (program_folder.empty()) program_folder = ".";
  // The same decision as the browser's: an installed program saves into the user's folder.
  const std::string folder = zor::ProgramPaths(program_folder).Writable("SavedFiles/");

  Glib::set_prgname("snavel");
  Glib::set_application_name("Snavel");
  // Not unique: every quick save is a run of its own, with or without a session bus.
  auto app = Gtk::Application::create("org.zor.Snavel", Gio::Application::Flags::NON_UNIQUE);
  std::unique_ptr<zor::snavel::JobWindow> window;
  app->signal_activate().connect([&] {
    window = std::make_unique<zor::snavel::JobWindow>(std::move(*request), folder, [&] {
      window->set_visible(false);
      app->quit();
    });
    app->add_window(*window);
    window->present();
  });
  // The address is ours, not a file for GApplication to open.
  return app->run(1, argv);
}
