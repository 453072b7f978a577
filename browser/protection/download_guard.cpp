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

DownloadGuard::~DownloadGuard() { Attach(nullptr); }

void DownloadGuard::Attach(hosts::DownloadHost* host) {
  if (host_) host_->events = {};
  host_ = host;
  if (!host_) return;
  host_->events.started = [this](const hosts::DownloadRequest& request) { OnStarted(request); };
  host_->events.ended = [this](int id, hosts::DownloadEnd end, const std::string& reason) {
    OnEnded(id, end, reason);
  };
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
    download.wanted = true;
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
    downloads_[id].wanted = true;
    AskWhere(id);
  });
}

void DownloadGuard::AskWhere(int id) {
  const Download& download = downloads_[id];
  const int page_index = download.page;
  ++pages_[page_index].open;
  const std::string folder = LastFolder.empty() ? host_->DownloadsFolder() : LastFolder;
  host_->AskSaveAs(page_index, folder, download.name,
                   [this, alive = std::weak_ptr<bool>(alive_), id, page_index](std::optional<hosts::SaveChoice> choice) {
                     if (alive.expired()) return;
                     Closed(page_index);
                     if (!downloads_.contains(id)) return;
                     if (!choice || choice->path.empty()) {
                       Drop(id);
                       return;
                     }
                     downloads_[id].path = choice->path;
                     const size_t slash = choice->path.rfind('/');
                     if (slash != std::string::npos) {
                       LastFolder = slash == 0 ? "/" : choice->path.substr(0, slash);
                       if (!settings_file_.empty())
                         WriteProfileString(settings_file_, kSettingsSection, kLastFolderKey, LastFolder);
                     }
                     // The engine refuses to replace a file unless told: only the user's
                     // confirmation in the dialog tells it.
                     host_->SetDestination(id, choice->path, choice->replace);
                   });
}

void DownloadGuard::Drop(int id) {
  auto it = downloads_.find(id);
  if (it == downloads_.end()) return;
  it->second.cancelled_by_us = true;
  host_->Cancel(id);
}

void DownloadGuard::Closed(int page) {
  PageState& state = pages_[page];
  if (state.open > 0) --state.open;
}

void DownloadGuard::OnEnded(int id, hosts::DownloadEnd end, const std::string& reason) {
  auto it = downloads_.find(id);
  if (it == downloads_.end()) return;
  const Download download = std::move(it->second);
  downloads_.erase(it);
  if (end == hosts::DownloadEnd::kFinished || download.cancelled_by_us || !download.wanted || !host_) return;
  std::string text;
  switch (end) {
    case hosts::DownloadEnd::kCancelled:
      text = Text("msg_DownloadCancelled", "The download of {N} was cancelled.");
      break;
    case hosts::DownloadEnd::kDestination:
      text = Text("msg_DownloadNotSaved",
                  "{N} could not be saved as {P}: a file of that name exists, or the folder cannot be written.");
      break;
    default:
      text = Text("msg_DownloadFailed", "The download of {N} failed: {E}");
      break;
  }
  ReplaceAll(text, "{N}", download.name);
  ReplaceAll(text, "{P}", download.path);
  ReplaceAll(text, "{E}", reason);
  host_->Tell(text);
}

void DownloadGuard::OnDocumentEvent(int page, const std::string& type) {
  if (type != "mousedown" && type != "click") return;
  auto it = pages_.find(page);
  if (it != pages_.end()) it->second.refused = false;
}

std::string DownloadGuard::Text(const char* key, const char* fallback) const {
  const std::string text = ReadIniText(shell_.FolderPath() + "lng.ini", "ZOR_Main", key);
  return text.empty() ? fallback : text;
}

}  // namespace zor::protection
