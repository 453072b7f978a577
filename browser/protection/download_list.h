// The downloads of this run as the downloads window shows them: what each is, how far it
// got, how fast it goes, and how it ended. Plain data and text; the window only draws it.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "hosts/downloads.h"

namespace zor::protection {

// "0 B", "812 B", "1.5 KB", "5.0 MB", "2.3 GB" (1024 to the step).
std::string FormatSize(int64_t bytes);
// FormatSize of a second's worth, "/s" after it.
std::string FormatSpeed(double bytes_per_second);

// The name a download is written under while it runs: beside the chosen file, never
// an existing one.
std::string PartPath(const std::string& chosen, const std::function<bool(const std::string&)>& exists);
// Where a finished download goes: the chosen file, unless a file of that name is there
// that the user did not agree to replace (it appeared meanwhile); then "name (2).ext"
// beside it, or the next free number.
std::string CompletedPath(const std::string& chosen, bool replace_confirmed,
                          const std::function<bool(const std::string&)>& exists);

enum class DownloadState { kRunning, kFinished, kCancelled, kFailed };

struct DownloadItem {
  int id = 0;
  std::string name;  // of the file as saved
  std::string path;  // the file once it is complete
  DownloadState state = DownloadState::kRunning;
  int64_t received = 0;
  int64_t total = 0;   // 0: not told
  double speed = 0;    // bytes a second over the last few seconds
  std::string reason;  // why it ended so, for a cancelled or failed one
  // (seconds, bytes) of recent progress reports, oldest first.
  std::deque<std::pair<double, int64_t>> samples;
  double shown_at = -1;  // when the window last got this item's progress
};

class DownloadList {
 public:
  // `text` gives a language-file text by key, or the fallback.
  using TextSource = std::function<std::string(const char* key, const char* fallback)>;
  explicit DownloadList(TextSource text) : text_(std::move(text)) {}

  void Add(int id, const std::string& name, const std::string& path);
  // True when the window should redraw: progress is shown a few times a second, not on
  // every packet.
  bool Progress(int id, int64_t received, int64_t total, double seconds);
  // A running download ends; a finished one may carry a new path (and name).
  void End(int id, DownloadState state, const std::string& reason = {});
  void Finish(int id, const std::string& path);

  const DownloadItem* Find(int id) const;
  int Running() const;
  // What the status bar says while downloads run; empty when none does.
  std::string RunningText() const;

  hosts::DownloadsTexts Texts() const;
  std::vector<hosts::DownloadRow> Rows() const;

 private:
  DownloadItem* Item(int id);
  std::string Detail(const DownloadItem& item) const;

  TextSource text_;
  std::vector<DownloadItem> items_;  // newest last
};

}  // namespace zor::protection
