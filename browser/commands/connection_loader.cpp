#include "browser/commands/connection_loader.h"

#include <dlfcn.h>

namespace zor::commands {

namespace {

struct Loaded {
  std::string path;
  ConnectionServices services;
  std::function<void(const std::string&)> error;
  ConnectionFactory factory = nullptr;
};

ConnectionFactory Open(Loaded& lib) {
  // Never closed: the library's objects and state must outlive every caller.
  void* handle = dlopen(lib.path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    if (lib.error) lib.error(dlerror());
    return nullptr;
  }
  dlerror();
  void* symbol = dlsym(handle, kConnectionFactorySymbol);
  if (!symbol) {
    const char* reason = dlerror();
    if (lib.error) lib.error(reason ? reason : lib.path + ": no " + kConnectionFactorySymbol);
    return nullptr;
  }
  return reinterpret_cast<ConnectionFactory>(symbol);
}

}  // namespace

std::function<std::unique_ptr<Connection>()> ConnectionLibrary(std::string path, ConnectionServices services,
                                                               std::function<void(const std::string&)> error) {
  auto lib = std::make_shared<Loaded>();
  lib->path = std::move(path);
  lib->services = std::move(services);
  lib->error = std::move(error);
  return [lib]() -> std::unique_ptr<Connection> {
    if (!lib->factory) lib->factory = Open(*lib);
    if (!lib->factory) return nullptr;
    return std::unique_ptr<Connection>(lib->factory(&lib->services));
  };
}

}  // namespace zor::commands
