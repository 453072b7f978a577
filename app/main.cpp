// ZOR-Browser: the program. The whole command line is one address. One browser runs per
// profile (the folder its settings and pages are written to): a later start on the same files
// hands its address to the running one over the session bus and ends.
#include <gtkmm.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/browser_window.h"
#include "common/files.h"
#include "common/program_paths.h"
#include "hosts/gtk/renderer_choice.h"

namespace {

constexpr auto kFlags = Gio::Application::Flags::HANDLES_COMMAND_LINE;

// The arguments after the program's name joined by blanks.
std::string JoinedArguments(const Glib::RefPtr<Gio::ApplicationCommandLine>& line) {
  int count = 0;
  char** arguments = line->get_arguments(count);
  std::string joined;
  for (int i = 1; i < count; ++i) {
    if (i > 1) joined += ' ';
    joined += arguments[i];
  }
  g_strfreev(arguments);
  return joined;
}

}  // namespace

int main(int argc, char** argv) {
  Glib::set_prgname("zor-browser");
  Glib::set_application_name("ZOR-Browser");
  const std::string folder = zor::ProgramFolder();
  const zor::ProgramPaths paths(folder);
  auto app = Gtk::Application::create(paths.ApplicationId(), kFlags);
  // No session bus at all already runs alone; a bus that refuses the name must not stop the
  // program either: it runs without an id, as a lone instance.
  try {
    app->register_application();
  } catch (const Glib::Error& error) {
    g_warning("Running as a lone instance: %s", error.what());
    app = Gtk::Application::create({}, kFlags | Gio::Application::Flags::NON_UNIQUE);
  }

  std::unique_ptr<zor::app::BrowserWindow> window;
  bool started = false;
  // Later starts that arrive while this one is still starting (a question on the way).
  std::vector<std::pair<std::string, std::string>> handed;
  app->signal_command_line().connect(
      [&](const Glib::RefPtr<Gio::ApplicationCommandLine>& line) {
        const std::string command_line = JoinedArguments(line);
        if (window) {
          if (started)
            window->form().OpenHandedAddress(command_line, line->get_cwd());
          else
            handed.emplace_back(command_line, line->get_cwd());
          return 0;
        }
        // An installed (read-only) program folder: the user's files start as its defaults.
        std::string seed_error;
        if (!paths.SeedUserFiles(&seed_error)) g_warning("%s", seed_error.c_str());
        zor::gtk::PreferCairoOnSoftwareGl();
        window = std::make_unique<zor::app::BrowserWindow>(folder);
        app->add_window(window->mainWindow());
        if (!window->StartUp(command_line)) {
          app->remove_window(window->mainWindow());
          app->quit();
          return 1;
        }
        started = true;
        for (const auto& [text, working_folder] : handed) window->form().OpenHandedAddress(text, working_folder);
        handed.clear();
        return 0;
      },
      false);
  return app->run(argc, argv);
}
