#include "browser/protection/download_list.h"

#include <algorithm>
#include <cstdio>

#include "common/ini_text.h"

namespace zor::protection {

namespace {

// Speed is measured over this many seconds of reports: steady, yet quick to follow.
constexpr double kSpeedWindow = 3.0;
// The window gets a running download's progress this often at most.
constexpr double kShowEvery = 0.5;

std::string WithNumber(const char* format, double value, const char* unit) {
  char text[48];
  std::snprintf(text, sizeof text, format, value, unit);
  return text;
}

}  // namespace

std::string FormatSize(int64_t bytes) {
  if (bytes < 1024) return std::to_string(std::max<int64_t>(bytes, 0)) + " B";
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes) / 1024;
  size_t unit = 0;
  // 1023.96 KB would print as "1024.0 KB": step up before rounding does.
  while (value >= 1023.95 && unit + 1 < std::size(kUnits)) {
    value /= 1024;
    ++unit;
  }
  return WithNumber("%.1f %s", value, kUnits[unit]);
}

std::string FormatSpeed(double bytes_per_second) {
  return FormatSize(static_cast<int64_t>(std::max(bytes_per_second, 0.0))) + "/s";
}

std::string PartPath(const std::string& chosen, const std::function<bool(const std::string&)>& exists) {
  // The engine writes "<part>.wkdownload" first: that name must be free as well.
  auto free = [&](const std::string& path) { return !exists(path) && !exists(path + ".wkdownload"); };
  std::string path = chosen + ".part";
  for (int n = 2; !free(path); ++n) path = chosen + "-" + std::to_string(n) + ".part";
  return path;
}

std::string CompletedPath(const std::string& chosen, bool replace_confirmed,
                          const std::function<bool(const std::string&)>& exists) {
  if (replace_confirmed || !exists(chosen)) return chosen;
  const size_t slash = chosen.rfind('/');
  const size_t name_at = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = chosen.rfind('.');
  if (dot == std::string::npos || dot <= name_at) dot = chosen.size();  // no extension, or a leading dot
  const std::string stem = chosen.substr(0, dot), extension = chosen.substr(dot);
  std::string path;
  for (int n = 2;; ++n) {
    path = stem + " (" + std::to_string(n) + ")" + extension;
    if (!exists(path)) return path;
  }
}

void DownloadList::Add(int id, const std::string& name, const std::string& path) {
  DownloadItem item;
  item.id = id;
  item.name = name;
  item.path = path;
  items_.push_back(std::move(item));
}

DownloadItem* DownloadList::Item(int id) {
  for (DownloadItem& item : items_)
    if (item.id == id) return &item;
  return nullptr;
}

const DownloadItem* DownloadList::Find(int id) const { return const_cast<DownloadList*>(this)->Item(id); }

bool DownloadList::Progress(int id, int64_t received, int64_t total, double seconds) {
  DownloadItem* item = Item(id);
  if (!item || item->state != DownloadState::kRunning) return false;
  item->received = received;
  item->total = total;
  auto& samples = item->samples;
  samples.emplace_back(seconds, received);
  while (samples.size() > 2 && seconds - samples[1].first >= kSpeedWindow) samples.pop_front();
  const double span = samples.back().first - samples.front().first;
  if (span > 0) item->speed = static_cast<double>(samples.back().second - samples.front().second) / span;
  if (item->shown_at >= 0 && seconds - item->shown_at < kShowEvery && !(total > 0 && received >= total)) return false;
  item->shown_at = seconds;
  return true;
}

void DownloadList::End(int id, DownloadState state, const std::string& reason) {
  DownloadItem* item = Item(id);
  if (!item || item->state != DownloadState::kRunning || state == DownloadState::kRunning) return;
  item->state = state;
  item->reason = reason;
  item->speed = 0;
  item->samples.clear();
}

void DownloadList::Finish(int id, const std::string& path) {
  DownloadItem* item = Item(id);
  if (!item || item->state != DownloadState::kRunning) return;
  End(id, DownloadState::kFinished);
  item->path = path;
  item->name = path.substr(path.rfind('/') + 1);  // npos + 1 is 0
  if (item->total > 0) item->received = item->total;
}

int DownloadList::Running() const {
  return static_cast<int>(std::count_if(items_.begin(), items_.end(),
                                        [](const DownloadItem& i) { return i.state == DownloadState::kRunning; }));
}

std::string DownloadList::RunningText() const {
  const int n = Running();
  if (n == 0) return {};
  if (n == 1) return text_("msg_DownloadRunning", "1 download running");
  std::string text = text_("msg_DownloadsRunning", "{N} downloads running");
  ReplaceAll(text, "{N}", std::to_string(n));
  return text;
}

hosts::DownloadsTexts DownloadList::Texts() const {
  return {text_("msg_DownloadsTitle", "Downloads"), text_("msg_DownloadCancel", "Cancel"),
          text_("msg_DownloadOpen", "Open"), text_("msg_DownloadShow", "Show in Folder"),
          text_("msg_DownloadsNone", "No downloads yet.")};
}

std::string DownloadList::Detail(const DownloadItem& item) const {
  std::string text;
  switch (item.state) {
    case DownloadState::kRunning:
      text =
          item.total > 0 ? text_("msg_DownloadProgress", "{R} of {T}, {S}") : text_("msg_DownloadGrowing", "{R}, {S}");
      break;
    case DownloadState::kFinished:
      text = text_("msg_DownloadDone", "{T}, complete");
      break;
    default:
      return item.reason;
  }
  ReplaceAll(text, "{R}", FormatSize(item.received));
  ReplaceAll(text, "{T}", FormatSize(item.total > 0 ? item.total : item.received));
  ReplaceAll(text, "{S}", FormatSpeed(item.speed));
  return text;
}

std::vector<hosts::DownloadRow> DownloadList::Rows() const {
  std::vector<hosts::DownloadRow> rows;
  rows.reserve(items_.size());
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    hosts::DownloadRow row;
    row.id = it->id;
    row.name = it->name;
    row.detail = Detail(*it);
    const bool running = it->state == DownloadState::kRunning;
    if (it->state == DownloadState::kFinished)
      row.fraction = 1;
    else if (running && it->total > 0)
      row.fraction = std::clamp(static_cast<double>(it->received) / static_cast<double>(it->total), 0.0, 1.0);
    else
      row.fraction = running ? -1 : 0;
    row.can_cancel = running;
    row.can_open = it->state == DownloadState::kFinished;
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace zor::protection
