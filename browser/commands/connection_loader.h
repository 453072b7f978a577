// Loading the Corvane library at run time: Requires/libcorvane.so of the program folder,
// found again on each use until it loads, then kept for the life of the process (it
// holds the one panel and the proxy in force).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/connection.h"
#include "common/dispatch.h"

namespace zor::commands {

inline constexpr const char* kConnectionLibrary = "Requires/libcorvane.so";

// A creator of Connection objects from the library at `path`, for the proxy menu's
// createConnection. It returns nullptr while the library is missing or has no factory;
// `error` (when set) then receives the loader's reason (ProxyMenu::LibraryFailed). Each
// object is created with `services`.
std::function<std::unique_ptr<Connection>()> ConnectionLibrary(
    std::string path, ConnectionServices services,
    std::function<void(const std::string& error)> error = {});

inline constexpr const char* kBasketLibrary = "Requires/libcarrowel.so";

// A creator of objects by class name from the library at `path` (its kObjectFactorySymbol),
// loaded as above. It returns nullptr while the library is missing, has no factory or does
// not provide the class; `error` (when set) then receives the reason.
std::function<std::unique_ptr<DispatchObject>(const std::string& class_name)> ObjectLibrary(
    std::string path, std::function<void(const std::string& error)> error = {});

}  // namespace zor::commands
