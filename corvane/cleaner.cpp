#include "corvane/cleaner.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace zor::corvane {

uint32_t KindsOfMask(uint32_t mask) {
  uint32_t kinds = 0;
  if (mask & kCookieCacheEntry) kinds |= WebsiteData::kCookies;
  if (mask & kNormalCacheEntry) kinds |= WebsiteData::kDiskCache | WebsiteData::kMemoryCache;
  return kinds;
}

std::vector<std::string> GetCacheUrls(const ConnectionServices& services, uint32_t mask) {
  const uint32_t kinds = KindsOfMask(mask);
  if (!services.fetchWebsiteData || kinds == 0) return {};
  return services.fetchWebsiteData(kinds);
}

bool DeleteCacheEntry(const ConnectionServices& services, const std::string& url, uint32_t mask) {
  const uint32_t kinds = KindsOfMask(mask);
  if (!services.removeWebsiteData || kinds == 0) return false;
  return services.removeWebsiteData(kinds, {url});
}

void ClearCache(const ConnectionServices& services, uint32_t mask) {
  const std::vector<std::string> urls = GetCacheUrls(services, mask);
  if (urls.empty() || !services.removeWebsiteData) return;
  // One request for all sites; only when the engine refuses it is each site tried alone,
  // so that one bad entry does not keep the others.
  if (services.removeWebsiteData(KindsOfMask(mask), urls)) return;
  for (const std::string& url : urls) DeleteCacheEntry(services, url, mask);
}

void ClearCookieFolder(const std::string& folder) {
  if (folder.empty() || folder.front() != '/' || folder.find_first_not_of('/') == std::string::npos) return;
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  const std::string base = folder.back() == '/' ? folder : folder + "/";
  std::vector<std::string> doomed;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (name.size() >= 3 && name.compare(name.size() - 3, 3, "dat") == 0) continue;
    struct stat file {};
    if (::lstat((base + name).c_str(), &file) != 0 || S_ISDIR(file.st_mode)) continue;
    doomed.push_back(base + name);
  }
  ::closedir(dir);
  for (const std::string& path : doomed) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
      throw std::runtime_error("Cannot delete " + path + ": " + std::strerror(errno));
  }
}

void ClearUrlHistory(const ConnectionServices& services) {
  if (!services.clearHistory) throw std::runtime_error("The URL history is not available.");
  const std::string error = services.clearHistory();
  if (!error.empty()) throw std::runtime_error(error);
}

}  // namespace zor::corvane
