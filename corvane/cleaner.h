// The privacy cleaner's work on what the browser lends: the engine's website data by
// kind, the profile's cookie folder and the URL history.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/connection.h"

namespace zor::corvane {

// Cache entry types of the cleaner's masks.
inline constexpr uint32_t kCookieCacheEntry = 0x100000;
inline constexpr uint32_t kNormalCacheEntry = 0x1;

// The engine's kinds of website data a mask stands for: cookies for the cookie entry
// type, the disk and memory caches for the normal one.
uint32_t KindsOfMask(uint32_t mask);

// The names of the sites holding data of the mask's kinds; empty without an engine.
std::vector<std::string> GetCacheUrls(const ConnectionServices& services, uint32_t mask);
// Removes the mask's kinds of data held by one site; false when that failed.
bool DeleteCacheEntry(const ConnectionServices& services, const std::string& url, uint32_t mask);
// Every listed site's data of the mask's kinds; failures are skipped.
void ClearCache(const ConnectionServices& services, uint32_t mask);

// Deletes the files of the cookie folder except those whose names end in "dat" (letter
// case counts). Does nothing unless `folder` is an absolute path to a folder other than
// "/"; sub-folders are left alone. Throws std::runtime_error naming a file it cannot
// delete.
void ClearCookieFolder(const std::string& folder);

// Clears the URL history through the browser. Throws std::runtime_error with the
// browser's reason, or when the browser lends no history.
void ClearUrlHistory(const ConnectionServices& services);

}  // namespace zor::corvane
