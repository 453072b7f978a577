// The engine's website data of a network session as Corvane's cleaner uses it: sites
// listed and their data removed by kind, the profile's cookie folder, the visited record.
#pragma once

#include <webkit/webkit.h>

#include <functional>
#include <string>

#include "common/connection.h"

namespace zor::webkit {

// The engine's data types for ConnectionServices' website-data kinds.
WebKitWebsiteDataTypes EngineDataTypes(uint32_t kinds);

// Fills the cleaner's members of `services` for `session`, held weakly: once the session
// is gone nothing is listed or removed. `clear_url_history` is the browser's URL history
// (nothing when unset); the engine's record of visited sites is cleared with it.
void AddWebsiteDataServices(ConnectionServices& services, WebKitNetworkSession* session,
                            std::function<std::string()> clear_url_history = {});

}  // namespace zor::webkit
