#include "browser/commands/connection_loader.h"

#include <dlfcn.h>

namespace zor::commands {

namespace {

// The library's factory symbol, or nullptr with the reason given to `error`.
void* OpenSymbol(const std::string& path, const char* name, const std::function<void(const std::string&)>& error) {
  // Never closed: the library's objects and state must outlive every caller.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    if (error) error(dlerror());
    return nullptr;
  }
  dlerror();
  void* symbol = dlsym(handle, name);
  if (!symbol && error) {
    const char* reason = dlerror();
    error(reason ? std::string(reason) : path + ": no " + name);
  }
  return symbol;
}

struct Loaded {
  std::string path;
  ConnectionServices services;
  std::function<void(const std::string&)> error;
  ConnectionFactory factory = nullptr;
};

struct LoadedObjects {
  std::string path;
  std::function<void(const std::string&)> error;
  ObjectFactory factory = nullptr;
};

}  // namespace

std::function<std::unique_ptr<Connection>()> ConnectionLibrary(std::string path, ConnectionServices services,
                                                               std::function<void(const std::string&)> error) {
  auto lib = std::make_shared<Loaded>();
  lib->path = std::move(path);
  lib->services = std::move(services);
  lib->error = std::move(error);
  return [lib]() -> std::unique_ptr<Connection> {
    if (!lib->factory)
      lib->factory = reinterpret_cast<ConnectionFactory>(OpenSymbol(lib->path, kConnectionFactorySymbol, lib->error));
    if (!lib->factory) return nullptr;
    return std::unique_ptr<Connection>(lib->factory(&lib->services));
  };
}

std::function<std::unique_ptr<DispatchObject>(const std::string&)> ObjectLibrary(
    std::string path, std::function<void(const std::string&)> error) {
  auto lib = std::make_shared<LoadedObjects>();
  lib->path = std::move(path);
  lib->error = std::move(error);
  return [lib](const std::string& class_name) -> std::unique_ptr<DispatchObject> {
    if (!lib->factory)
      lib->factory = reinterpret_cast<ObjectFactory>(OpenSymbol(lib->path, kObjectFactorySymbol, lib->error));
    if (!lib->factory) return nullptr;
    DispatchObject* object = lib->factory(class_name.c_str());
    if (!object && lib->error) lib->error(lib->path + ": no class " + class_name);
    return std::unique_ptr<DispatchObject>(object);
  };
}

}  // namespace zor::commands
