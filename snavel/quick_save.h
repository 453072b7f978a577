// Snavel's work: one address saved as the next numbered web archive in the saved-files folder.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "snavel/fetch.h"

namespace zor::snavel {

struct QuickSaveRequest {
  std::string target_url;
  NetworkSettings network;
};

// The arguments after the program's name: "url:<address>" first, then optionally
// "proxy:<URI>" and "noproxy:<hosts>". Nothing when the first does not begin with "url:".
std::optional<QuickSaveRequest> ParseCommandLine(const std::vector<std::string>& arguments);

// The address of "url:<address>": the argument with every "url:" taken out.
std::string TargetUrlFrom(std::string_view argument);

// The number of the next archive among the folder's names: one more than the largest
// "QuickSaved<N>..." (N read up to the first "."); names without a number do not count.
// Nothing when no number is left.
std::optional<uint64_t> NextArchiveNumber(const std::vector<std::string>& names);

std::string ArchiveName(uint64_t number);  // "QuickSaved<N>.MHT"

// What the window shows after a save.
std::string SavedText(const std::string& target_url, const std::string& folder, uint64_t number);

struct ArchiveLimits {
  size_t max_resources = 200;
  size_t max_total_bytes = 48u << 20;  // the page and everything beside it
  long resources_seconds = 120;        // all of the resources together
};

struct PageArchive {
  bool ok = false;
  std::string mhtml;
  std::string error;
  size_t parts = 0;
};

// Fetches the page and its pictures and style sheets and writes them as one archive. A
// resource that cannot be fetched or does not fit the limits is left out.
PageArchive BuildPageArchive(Fetcher& fetcher, const std::string& url, const ArchiveLimits& limits = {});

struct SaveOutcome {
  bool saved = false;
  std::string text;  // for the window
  std::string archive;
  size_t archive_bytes = 0;
};

// The whole save into `folder` (ending in "/"): number, fetch, archive written under a
// temporary name and moved to a free "QuickSaved<N>.MHT", then "QuickSave.dat" deleted.
// On any failure nothing is deleted and the text says why.
SaveOutcome QuickSaveUrl(const QuickSaveRequest& request, const std::string& folder,
                         const std::atomic<bool>* cancel = nullptr);

}  // namespace zor::snavel
