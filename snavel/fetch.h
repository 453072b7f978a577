// Fetching one address over http, https, ftp (anonymous) or from a file, through libcurl.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

namespace zor::snavel {

struct NetworkSettings {
  std::string proxy;     // a proxy URI as libcurl takes it; empty: a direct connection
  std::string no_proxy;  // comma-separated hosts reached directly
};

struct FetchLimits {
  long connect_seconds = 20;
  long total_seconds = 60;
  size_t max_bytes = 16u << 20;
  bool allow_file = false;  // file: addresses, for a page that is a local file
};

struct Fetched {
  bool ok = false;
  std::string body;
  std::string content_type;  // as the server named it, else guessed from the name
  std::string final_url;     // after redirects
  std::string error;         // why not, in words
};

// One connection cache for all the fetches of a save. Not for use by two threads at once.
class Fetcher {
 public:
  // `cancel` (may be null) turning true aborts the transfer under way and every later one.
  explicit Fetcher(NetworkSettings settings, const std::atomic<bool>* cancel = nullptr);
  ~Fetcher();
  Fetcher(const Fetcher&) = delete;
  Fetcher& operator=(const Fetcher&) = delete;

  Fetched Get(const std::string& url, const FetchLimits& limits);

 private:
  NetworkSettings settings_;
  const std::atomic<bool>* cancel_;
  void* curl_ = nullptr;
};

// The content type for a name without one from its server ("a.png" → "image/png").
std::string GuessContentType(const std::string& url);

}  // namespace zor::snavel
