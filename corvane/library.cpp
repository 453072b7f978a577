// The library's entry point: the factory the browser finds by name after loading us.
#include <cstdlib>
#include <string>

#include "common/files.h"
#include "corvane/corvane_connection.h"
#include "corvane/panel.h"
#ifdef ZOR_CORVANE_GTK
#include "corvane/gtk/panel_window.h"
#endif

namespace {

// The per-user store file that may record the system-information program.
std::string UserStore() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  std::string folder;
  if (config && config[0] == '/')
    folder = config;
  else if (home && home[0] == '/')
    folder = std::string(home) + "/.config";
  else
    return {};
  return folder + "/zor-browser/shared-tools.ini";
}

}  // namespace

extern "C" __attribute__((visibility("default"))) zor::Connection* zor_create_connection(
    const zor::ConnectionServices* services) {
  zor::corvane::PanelEnvironment& env = zor::corvane::Environment();
  if (env.library_folder.empty()) {
    // The list files live beside this library.
    env.library_folder = zor::LoadedFileFolder(reinterpret_cast<const void*>(&zor_create_connection));
    env.user_store = UserStore();
    const char* path = std::getenv("PATH");
    env.search_path = path ? path : "/usr/local/bin:/usr/bin:/bin";
#ifdef ZOR_CORVANE_GTK
    env.makeView = zor::corvane::MakePanelWindow;
#endif
  }
  if (services) env.services = *services;
  return new zor::corvane::CorvaneConnection();
}
