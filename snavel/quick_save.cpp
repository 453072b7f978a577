#include "snavel/quick_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>

#include "common/files.h"
#include "snavel/mhtml.h"
#include "snavel/page_resources.h"

namespace zor::snavel {

namespace {

constexpr std::string_view kUrlPrefix = "url:";
constexpr std::string_view kProxyPrefix = "proxy:";
constexpr std::string_view kNoProxyPrefix = "noproxy:";
constexpr std::string_view kArchivePrefix = "QuickSaved";
constexpr char kMarkerFile[] = "QuickSave.dat";
// Another save may take a number between our look at the folder and our write.
constexpr int kNumberAttempts = 50;

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string FailedText(const std::string& target_url, const std::string& reason) {
  return target_url + " could not be saved:\r\n" + reason;
}

std::string BoundaryToken() {
  std::random_device random;
  char text[40];
  std::snprintf(text, sizeof text, "%08X%08X%08X", random(), random(), random());
  return text;
}

enum class Placed { kDone, kTaken, kFailed };

// Writes the data under a temporary name in the folder, then gives it `path` only when no
// entry has that name: a save never replaces another and never leaves a partial archive.
Placed PlaceNewFile(const std::string& folder, const std::string& path, std::string_view data, std::string* error) {
  std::string temp = folder + ".snavel-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    *error = folder + ": " + std::strerror(errno);
    return Placed::kFailed;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  int failure = 0;
  for (size_t done = 0; done < data.size() && !failure;) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n > 0)
      done += static_cast<size_t>(n);
    else if (n == 0 || errno != EINTR)
      failure = n == 0 ? EIO : errno;
  }
  if (!failure && ::fsync(fd) != 0) failure = errno;
  if (::close(fd) != 0 && !failure) failure = errno;
  if (failure) {
    *error = path + ": " + std::strerror(failure);
    ::unlink(temp.c_str());
    return Placed::kFailed;
  }
  int placed = ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
  if (placed != 0 && (errno == EINVAL || errno == ENOSYS)) {
    // A file system without the no-replace rename: a hard link refuses an existing name too.
    placed = ::link(temp.c_str(), path.c_str());
    if (placed != 0 && errno != EEXIST) placed = FileExists(path) ? -1 : ::rename(temp.c_str(), path.c_str());
    if (placed != 0 && FileExists(path)) errno = EEXIST;
  }
  const int place_errno = errno;
  ::unlink(temp.c_str());  // after a link; gone already after a rename
  if (placed == 0) return Placed::kDone;
  if (place_errno == EEXIST) return Placed::kTaken;
  *error = path + ": " + std::strerror(place_errno);
  return Placed::kFailed;
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string TargetUrlFrom(std::string_view argument) {
  std::string url;
  for (size_t at = 0; at < argument.size();) {
    if (StartsWith(argument.substr(at), kUrlPrefix)) {
      at += kUrlPrefix.size();
    } else {
      url += argument[at++];
    }
  }
  return url;
}

std::optional<QuickSaveRequest> ParseCommandLine(const std::vector<std::string>& arguments) {
  if (arguments.empty() || !StartsWith(arguments[0], kUrlPrefix)) return std::nullopt;
  QuickSaveRequest request;
  request.target_url = TargetUrlFrom(arguments[0]);
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (StartsWith(argument, kProxyPrefix))
      request.network.proxy = argument.substr(kProxyPrefix.size());
    else if (StartsWith(argument, kNoProxyPrefix))
      request.network.no_proxy = argument.substr(kNoProxyPrefix.size());
  }
  return request;
}

std::optional<uint64_t> NextArchiveNumber(const std::vector<std::string>& names) {
  uint64_t largest = 0;
  for (const std::string& name : names) {
    if (!StartsWith(name, kArchivePrefix)) continue;
    const std::string_view rest = std::string_view(name).substr(kArchivePrefix.size());
    const std::string_view digits = rest.substr(0, rest.find('.'));
    uint64_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) continue;
    largest = std::max(largest, number);
  }
  if (largest == UINT64_MAX) return std::nullopt;
  return largest + 1;
}

std::string ArchiveName(uint64_t number) { return std::string(kArchivePrefix) + std::to_string(number) + ".MHT"; }

std::string SavedText(const std::string& target_url, const std::string& folder, uint64_t number) {
  return target_url + " File successfully saved to:" + "\r\n" + folder + ArchiveName(number) + " !";
}

PageArchive BuildPageArchive(Fetcher& fetcher, const std::string& url, const ArchiveLimits& limits) {
  PageArchive archive;
  FetchLimits page_limits;
  page_limits.allow_file = UrlScheme(url) == "file";
  page_limits.max_bytes = std::min(page_limits.max_bytes, limits.max_total_bytes);
  Fetched page = fetcher.Get(url, page_limits);
  if (!page.ok) {
    archive.error = page.error;
    return archive;
  }
  const PageContents contents = ReadPage(page.body, page.final_url);
  std::vector<MhtmlPart> parts;
  size_t total = page.body.size();
  parts.push_back({page.content_type, page.final_url, std::move(page.body)});

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.resources_seconds);
  for (const std::string& resource : contents.resources) {
    if (parts.size() > limits.max_resources || total >= limits.max_total_bytes) break;
    const long left = static_cast<long>(
        std::chrono::duration_cast<std::chrono::seconds>(deadline - std::chrono::steady_clock::now()).count());
    if (left <= 0) break;
    FetchLimits resource_limits;
    resource_limits.allow_file = page_limits.allow_file;
    resource_limits.total_seconds = std::min(resource_limits.total_seconds, left);
    resource_limits.connect_seconds = std::min(resource_limits.connect_seconds, left);
    resource_limits.max_bytes = std::min(resource_limits.max_bytes, limits.max_total_bytes - total);
    Fetched fetched = fetcher.Get(resource, resource_limits);
    if (!fetched.ok) {
      if (fetched.error == "Cancelled.") {
        archive.error = fetched.error;
        return archive;
      }
      continue;
    }
    total += fetched.body.size();
    // Stored under the address the page names, which is what the archive's reader looks up.
    parts.push_back({fetched.content_type, resource, std::move(fetched.body)});
  }
  const MhtmlHeader header{contents.title, MailDate(std::time(nullptr)), parts.front().location};
  archive.mhtml = WriteMhtml(header, parts, BoundaryToken());
  archive.parts = parts.size();
  archive.ok = true;
  return archive;
}

SaveOutcome QuickSaveUrl(const QuickSaveRequest& request, const std::string& folder, const std::atomic<bool>* cancel) {
  SaveOutcome outcome;
  if (!IsFolder(folder)) {
    outcome.text = FailedText(request.target_url, "The folder for saved files, " + folder + ", does not exist.");
    return outcome;
  }
  const auto entries = ListFolder(folder);
  if (!entries) {
    outcome.text = FailedText(request.target_url, "The folder " + folder + " cannot be read.");
    return outcome;
  }
  std::vector<std::string> names;
  for (const FolderEntry& entry : *entries) names.push_back(entry.name);
  std::optional<uint64_t> number = NextArchiveNumber(names);

  Fetcher fetcher(request.network, cancel);
  const PageArchive archive = BuildPageArchive(fetcher, request.target_url);
  if (!archive.ok) {
    outcome.text = FailedText(request.target_url, archive.error);
    return outcome;
  }
  for (int attempt = 0; number && attempt < kNumberAttempts; ++attempt, number = *number + 1) {
    const std::string path = folder + ArchiveName(*number);
    std::string error;
    const Placed placed = PlaceNewFile(folder, path, archive.mhtml, &error);
    if (placed == Placed::kTaken) continue;
    if (placed == Placed::kFailed) {
      outcome.text = FailedText(request.target_url, error);
      return outcome;
    }
    ::unlink((folder + kMarkerFile).c_str());  // absent when the browser did not start this save
    outcome.saved = true;
    outcome.archive = path;
    outcome.archive_bytes = archive.mhtml.size();
    outcome.text = SavedText(request.target_url, folder, *number);
    return outcome;
  }
  outcome.text = FailedText(request.target_url, "No free archive number is left in " + folder + ".");
  return outcome;
}

}  // namespace zor::snavel
