// Every download waits here for the user: a click-started one goes to the save dialog, one
// a page starts by itself is asked about first, once per page at a time.
#include "browser/protection/download_guard.h"

#include <filesystem>
#include <utility>

#include "common/ini.h"
#include "common/ini_text.h"

namespace zor::protection {

namespace {

constexpr size_t kMaxNameBytes = 255;
constexpr char kSettingsSection[] = "Downloads";
constexpr char kLastFolderKey[] = "LastFolder";

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

}  // namespace

std::string SafeFileName(const std::string& suggested) {
  std::string name;
  name.reserve(suggested.size());
  for (const char c : suggested) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\')
      name += '_';
    else if (byte >= 0x20 && byte != 0x7f)
      name += c;
  }
  // A leading dot hides the file (".bashrc") or climbs out of the folder ("..").
  const size_t first = name.find_first_not_of(". ");
  name.erase(0, first == std::string::npos ? name.size() : first);
  while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
  if (name.size() > kMaxNameBytes) {
    size_t cut = kMaxNameBytes;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
    name.resize(cut);
  }
  return name.empty() ? "download" : name;
}

DownloadGuard::DownloadGuard(messaging::PageShell& shell)
    : shell_(shell), list_([this](const char* key, const char* fallback) { return Text(key, fallback); }) {}

DownloadGuard::~DownloadGuard() {
  Attach(nullptr);
  AttachView(nullptr);
}

void DownloadGuard::Attach(hosts::DownloadHost* host) {
  if (host_ && !host) CancelRunning();
  if (host_) host_->events = {};
  host_ = host;
  if (!host_) return;
  host_->events.started = [this](const hosts::DownloadRequest& request) { OnStarted(request); };
  host_->events.ended = [this](int id, hosts::DownloadEnd end, const std::string& reason) {
    OnEnded(id, end, reason);
  };
  host_->events.progress = [this](int id, int64_t received, int64_t total, double seconds) {
    OnProgress(id, received, total, seconds);
  };
}

void DownloadGuard::CancelRunning() {
  // Nobody will be there to give them their names: what they wrote goes now, and
  // the part names were free when they were chosen, so nothing else goes with it.
  for (const auto& [id, download] : downloads_) {
    const DownloadItem* item = list_.Find(id);
    if (!item || item->state != DownloadState::kRunning) continue;
    host_->Cancel(id);
    std::error_code ec;
    std::filesystem::remove(download.part, ec);
    std::filesystem::remove(download.part + ".wkdownload", ec);
  }
}

void DownloadGuard::AttachView(hosts::DownloadsView* view) {
  if (view_) view_->events = {};
  view_ = view;
  if (!view_) return;
  view_->events.cancel = [this](int id) { CancelDownload(id); };
  view_->events.open = [this](int id) {
    const DownloadItem* item = list_.Find(id);
    if (item && item->state == DownloadState::kFinished && view_) view_->OpenFile(item->path);
  };
  view_->events.showInFolder = [this](int id) {
    const DownloadItem* item = list_.Find(id);
    if (item && item->state == DownloadState::kFinished && view_) view_->ShowInFolder(item->path);
  };
  view_->Update(list_.Texts(), list_.Rows());
}

void DownloadGuard::ShowWindow() {
  if (!view_) return;
  view_->Update(list_.Texts(), list_.Rows());
  view_->Present();
}

void DownloadGuard::CancelDownload(int id) {
  const DownloadItem* item = list_.Find(id);
  if (!item || item->state != DownloadState::kRunning || !host_) return;
  // The engine's end comes back as a cancel and is shown in the row.
  host_->Cancel(id);
}

void DownloadGuard::Refresh() {
  if (view_) view_->Update(list_.Texts(), list_.Rows());
  toolbar::Tool* counter = shell_.Bars().tool("sb_Status", "b_dlrunning");
  if (!counter) return;
  const std::string text = list_.RunningText();
  if (counter->visible == !text.empty() && (text.empty() || counter->caption == text)) return;
  counter->visible = !text.empty();
  if (!text.empty()) counter->caption = text;
  shell_.Bars().recalcLayout();
}

void DownloadGuard::UseSettingsFile(const std::string& file) {
  settings_file_ = file;
  std::error_code ec;
  const std::string folder = GetProfileString(file, kSettingsSection, kLastFolderKey, "");
  if (!folder.empty() && std::filesystem::is_directory(folder, ec)) LastFolder = folder;
}

bool DownloadGuard::Solicited(const hosts::DownloadRequest& request) {
  if (request.user_gesture) return true;
  // The same window the popup blocker allows a click-opened window in.
  hosts::InputHook* input = shell_.Input();
  return input && input->RecentClick(55.0);
}

void DownloadGuard::OnStarted(const hosts::DownloadRequest& request) {
  if (!host_) return;
  Download& download = downloads_[request.id];
  download.page = request.page;
  download.name = SafeFileName(request.suggested_name);
  PageState& page = pages_[request.page];
  if (Solicited(request)) {
    page.refused = false;
    AskWhere(request.id);
    return;
  }
  // Asking again while the page is asked about, or after it was refused, would let a
  // page bury the user in dialogs.
  if (page.open > 0 || page.refused) {
    Drop(request.id);
    return;
  }
  ++page.open;
  std::string question = Text("msg_DownloadAsk", "This page wants to download {N}. Allow?");
  ReplaceAll(question, "{N}", download.name);
  const int id = request.id;
  const int page_index = request.page;
  host_->AskYesNo(page_index, question, [this, alive = std::weak_ptr<bool>(alive_), id, page_index](bool yes) {
    if (alive.expired()) return;
    Closed(page_index);
    if (!yes) pages_[page_index].refused = true;
    if (!downloads_.contains(id)) return;  // ended meanwhile
    if (!yes) {
      Drop(id);
      return;
    }
    AskWhere(id);
  });
}

void DownloadGuard::AskWhere(int id) {
  const Download& download = downloads_[id];
  const int page_index = download.page;
  ++pages_[page_index].open;
  const std::string folder = LastFolder.empty() ? host_->DownloadsFolder() : LastFolder;
  host_->AskSaveAs(
      page_index, Text("msg_DownloadSaveTitle", "Save Download"), folder, download.name,
      [this, alive = std::weak_ptr<bool>(alive_), id, page_index](std::optional<hosts::SaveChoice> choice) {
        if (alive.expired()) return;
        Closed(page_index);
        if (!downloads_.contains(id)) return;
        if (!choice || choice->path.empty()) {
          Drop(id);
          return;
        }
        Chosen(id, *choice);
      });
}

void DownloadGuard::Chosen(int id, const hosts::SaveChoice& choice) {
  Download& download = downloads_[id];
  download.path = choice.path;
  download.replace = choice.replace;
  const size_t slash = choice.path.rfind('/');
  if (slash != std::string::npos) {
    LastFolder = slash == 0 ? "/" : choice.path.substr(0, slash);
    if (!settings_file_.empty()) WriteProfileString(settings_file_, kSettingsSection, kLastFolderKey, LastFolder);
  }
  download.name = choice.path.substr(slash + 1);  // npos + 1 is 0
  list_.Add(id, download.name, download.path);
  if (view_) view_->Present();
  if (!choice.replace && Exists(choice.path)) {
    // Only the dialog's own confirmation lets a file be replaced.
    Ended(id, DownloadState::kFailed, "msg_DownloadNotSaved",
          "{N} could not be saved as {P}: a file of that name exists, or the folder cannot be written.", "");
    Drop(id);
    return;
  }
  // The engine never sees the chosen name: an existing file there stays untouched until
  // the download is complete, and a broken one leaves nothing under that name.
  download.part = PartPath(choice.path, Exists);
  host_->SetDestination(id, download.part, false);
  Refresh();
}

void DownloadGuard::OnProgress(int id, int64_t received, int64_t total, double seconds) {
  if (list_.Progress(id, received, total, seconds) && view_) view_->Update(list_.Texts(), list_.Rows());
}

void DownloadGuard::Ended(int id, DownloadState state, const char* key, const char* fallback,
                          const std::string& reason) {
  const Download& download = downloads_[id];
  std::string text = Text(key, fallback);
  ReplaceAll(text, "{N}", download.name);
  ReplaceAll(text, "{P}", download.path);
  ReplaceAll(text, "{E}", reason);
  list_.End(id, state, text);
  Refresh();
}

void DownloadGuard::Drop(int id) {
  auto it = downloads_.find(id);
  if (it == downloads_.end()) return;
  host_->Cancel(id);
}

void DownloadGuard::Closed(int page) {
  PageState& state = pages_[page];
  if (state.open > 0) --state.open;
}

void DownloadGuard::OnEnded(int id, hosts::DownloadEnd end, const std::string& reason) {
  auto it = downloads_.find(id);
  if (it == downloads_.end()) return;
  const Download download = it->second;
  const DownloadItem* item = list_.Find(id);
  if (!item || item->state != DownloadState::kRunning) {  // never ran, or already told
    downloads_.erase(it);
    return;
  }
  std::error_code ec;
  if (end == hosts::DownloadEnd::kFinished) {
    const std::string path = CompletedPath(download.path, download.replace, Exists);
    std::filesystem::rename(download.part, path, ec);
    if (!ec) {
      list_.Finish(id, path);
      Refresh();
    } else {
      // The complete file stays under its part name beside the chosen one.
      Ended(id, DownloadState::kFailed, "msg_DownloadNotSaved",
            "{N} could not be saved as {P}: a file of that name exists, or the folder cannot be written.", "");
    }
  } else {
    // The engine removes what it wrote; a part file left behind is ours alone to remove.
    if (!download.part.empty()) std::filesystem::remove(download.part, ec);
    if (end == hosts::DownloadEnd::kCancelled)
      Ended(id, DownloadState::kCancelled, "msg_DownloadCancelled", "The download of {N} was cancelled.", reason);
    else if (end == hosts::DownloadEnd::kDestination)
      Ended(id, DownloadState::kFailed, "msg_DownloadNotSaved",
            "{N} could not be saved as {P}: a file of that name exists, or the folder cannot be written.", reason);
    else
      Ended(id, DownloadState::kFailed, "msg_DownloadFailed", "The download of {N} failed: {E}", reason);
  }
  downloads_.erase(id);
}

void DownloadGuard::OnDocumentEvent(int page, const std::string& type) {
  if (type != "mousedown" && type != "click") return;
  auto it = pages_.find(page);
  if (it != pages_.end()) it->second.refused = false;
}

std::string DownloadGuard::Text(const char* key, const char* fallback) const {
  const std::string text = ReadIniText(shell_.LngFile(), "ZOR_Main", key);
  return text.empty() ? fallback : text;
}

}  // namespace zor::protection
