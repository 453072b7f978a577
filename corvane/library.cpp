// The library's entry point: the factory the browser finds by name after loading us.
#include <dlfcn.h>

#include <string>

#include "corvane/corvane_connection.h"
#include "corvane/panel.h"

namespace {

// The folder that holds this library file: the list files live beside it.
std::string LibraryFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&LibraryFolder), &info) == 0 || !info.dli_fname) return ".";
  const std::string file = info.dli_fname;
  const size_t slash = file.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : file.substr(0, slash);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) zor::Connection* zor_create_connection(
    const zor::ConnectionServices* services) {
  zor::corvane::PanelEnvironment& env = zor::corvane::Environment();
  if (env.library_folder.empty()) env.library_folder = LibraryFolder();
  if (services) env.services = *services;
  return new zor::corvane::CorvaneConnection();
}
