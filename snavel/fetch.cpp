#include "snavel/fetch.h"

#include <curl/curl.h>
#include <strings.h>

#include <mutex>

#include "snavel/page_resources.h"

namespace zor::snavel {

namespace {

constexpr long kMaxRedirects = 10;
constexpr char kUserAgent[] = "Mozilla/5.0 (X11; Linux x86_64) Snavel/1.0";

struct Transfer {
  std::string* body;
  size_t max_bytes;
  bool too_large = false;
  const std::atomic<bool>* cancel;
};

size_t Receive(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  if (transfer->body->size() + bytes > transfer->max_bytes) {
    transfer->too_large = true;
    return 0;
  }
  transfer->body->append(data, bytes);
  return bytes;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* transfer = static_cast<Transfer*>(user);
  return transfer->cancel && transfer->cancel->load() ? 1 : 0;
}

bool EndsWith(const std::string& text, const char* tail) {
  const size_t n = std::char_traits<char>::length(tail);
  return text.size() >= n && strcasecmp(text.c_str() + text.size() - n, tail) == 0;
}

}  // namespace

std::string GuessContentType(const std::string& url) {
  std::string path = url.substr(0, url.find_first_of("?#"));
  static constexpr struct {
    const char* tail;
    const char* type;
  } kTypes[] = {{".html", "text/html"},    {".htm", "text/html"},    {".css", "text/css"},  {".png", "image/png"},
                {".jpg", "image/jpeg"},    {".jpeg", "image/jpeg"},  {".gif", "image/gif"}, {".webp", "image/webp"},
                {".svg", "image/svg+xml"}, {".ico", "image/x-icon"}, {".bmp", "image/bmp"}, {".avif", "image/avif"}};
  for (const auto& known : kTypes)
    if (EndsWith(path, known.tail)) return known.type;
  return "application/octet-stream";
}

Fetcher::Fetcher(NetworkSettings settings, const std::atomic<bool>* cancel)
    : settings_(std::move(settings)), cancel_(cancel) {
  static std::once_flag global;
  std::call_once(global, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  curl_ = curl_easy_init();
}

Fetcher::~Fetcher() {
  if (curl_) curl_easy_cleanup(static_cast<CURL*>(curl_));
}

Fetched Fetcher::Get(const std::string& url, const FetchLimits& limits) {
  Fetched result;
  auto* curl = static_cast<CURL*>(curl_);
  if (!curl) {
    result.error = "The network library could not start.";
    return result;
  }
  if (cancel_ && cancel_->load()) {
    result.error = "Cancelled.";
    return result;
  }
  Transfer transfer{&result.body, limits.max_bytes, false, cancel_};
  char error[CURL_ERROR_SIZE] = "";
  curl_easy_reset(curl);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, limits.allow_file ? "http,https,ftp,file" : "http,https,ftp");
  // A site never sends us to a local file.
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits.connect_seconds);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, limits.total_seconds);
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.max_bytes));
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
  // The given proxy or none: an empty value keeps libcurl from reading the environment's.
  curl_easy_setopt(curl, CURLOPT_PROXY, settings_.proxy.c_str());
  if (!settings_.no_proxy.empty()) curl_easy_setopt(curl, CURLOPT_NOPROXY, settings_.no_proxy.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Receive);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);

  const CURLcode code = curl_easy_perform(curl);
  char* effective = nullptr;
  curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective);
  result.final_url = effective ? effective : url;
  if (code != CURLE_OK) {
    if (transfer.too_large || code == CURLE_FILESIZE_EXCEEDED)
      result.error = "It is larger than " + std::to_string(limits.max_bytes >> 20) + " MB.";
    else if (code == CURLE_ABORTED_BY_CALLBACK)
      result.error = "Cancelled.";
    else
      result.error = *error ? error : curl_easy_strerror(code);
    result.body.clear();
    return result;
  }
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  const std::string scheme = UrlScheme(result.final_url);
  if ((scheme == "http" || scheme == "https") && status >= 400) {
    result.error = "The server answered " + std::to_string(status) + ".";
    result.body.clear();
    return result;
  }
  char* type = nullptr;
  curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
  result.content_type = type && *type ? type : GuessContentType(result.final_url);
  result.ok = true;
  return result;
}

}  // namespace zor::snavel
