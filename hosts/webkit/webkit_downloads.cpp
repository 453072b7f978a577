#include "hosts/webkit/webkit_downloads.h"

#include <glib.h>

#include <utility>
#include <vector>

namespace zor::webkit {

namespace {

WebKitDownloads* HostOf(gpointer data) { return static_cast<WebKitDownloads*>(data); }

}  // namespace

WebKitDownloads::WebKitDownloads(WebKitPageHost& pages, gtk::DownloadDialogs& dialogs)
    : pages_(pages), dialogs_(dialogs) {
  g_signal_connect(pages_.session(), "download-started",
                   G_CALLBACK(+[](WebKitNetworkSession*, WebKitDownload* download, gpointer data) {
                     HostOf(data)->OnStarted(download);
                   }),
                   this);
}

WebKitDownloads::~WebKitDownloads() {
  if (tick_) g_source_remove(tick_);
  g_signal_handlers_disconnect_by_data(pages_.session(), this);
  // Nobody is left to answer: downloads still waiting for a destination go.
  for (auto& [id, entry] : downloads_) {
    g_signal_handlers_disconnect_by_data(entry.download, this);
    if (!webkit_download_get_destination(entry.download)) webkit_download_cancel(entry.download);
    g_object_unref(entry.download);
  }
}

WebKitDownloads::Entry* WebKitDownloads::Find(WebKitDownload* download, int* id) {
  for (auto& [key, entry] : downloads_)
    if (entry.download == download) {
      if (id) *id = key;
      return &entry;
    }
  return nullptr;
}

void WebKitDownloads::OnStarted(WebKitDownload* download) {
  const int id = next_id_++;
  Entry& entry = downloads_[id];
  entry.download = WEBKIT_DOWNLOAD(g_object_ref(download));
  entry.request.id = id;
  WebKitURIRequest* request = webkit_download_get_request(download);
  const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
  entry.request.address = uri ? uri : "";
  WebKitWebView* view = webkit_download_get_web_view(download);
  entry.request.page = pages_.IndexOf(view);
  entry.request.user_gesture = pages_.TakeDownloadGesture(view, entry.request.address);
  g_signal_connect(download, "decide-destination",
                   G_CALLBACK(+[](WebKitDownload* download, char* suggested, gpointer data) -> gboolean {
                     return HostOf(data)->OnDecideDestination(download, suggested) ? TRUE : FALSE;
                   }),
                   this);
  g_signal_connect(download, "failed", G_CALLBACK(+[](WebKitDownload* download, GError* error, gpointer data) {
                     HostOf(data)->OnFailed(download, error);
                   }),
                   this);
  g_signal_connect(download, "finished", G_CALLBACK(+[](WebKitDownload* download, gpointer data) {
                     HostOf(data)->OnFinished(download);
                   }),
                   this);
  g_signal_connect(
      download, "received-data",
      G_CALLBACK(+[](WebKitDownload* download, guint64, gpointer data) { HostOf(data)->OnReceived(download); }), this);
  if (!tick_)
    tick_ = g_timeout_add_seconds(
        1,
        +[](gpointer data) -> gboolean {
          WebKitDownloads* host = HostOf(data);
          if (host->downloads_.empty()) {
            host->tick_ = 0;
            return G_SOURCE_REMOVE;
          }
          std::vector<WebKitDownload*> running;
          for (const auto& [id, entry] : host->downloads_)
            if (webkit_download_get_destination(entry.download)) running.push_back(entry.download);
          for (WebKitDownload* download : running) host->OnReceived(download);
          return G_SOURCE_CONTINUE;
        },
        this);
}

void WebKitDownloads::OnReceived(WebKitDownload* download) {
  int id = 0;
  if (!Find(download, &id) || !events.progress) return;
  WebKitURIResponse* response = webkit_download_get_response(download);
  const guint64 total = response ? webkit_uri_response_get_content_length(response) : 0;
  events.progress(id, static_cast<int64_t>(webkit_download_get_received_data_length(download)),
                  static_cast<int64_t>(total), static_cast<double>(g_get_monotonic_time()) / G_USEC_PER_SEC);
}

bool WebKitDownloads::OnDecideDestination(WebKitDownload* download, const char* suggested) {
  int id = 0;
  Entry* entry = Find(download, &id);
  if (!entry) return false;
  entry->request.suggested_name = suggested ? suggested : "";
  // Handled here, answered later: the engine waits for SetDestination or Cancel.
  const hosts::DownloadRequest request = entry->request;
  if (events.started)
    events.started(request);
  else
    webkit_download_cancel(download);
  return true;
}

void WebKitDownloads::OnFailed(WebKitDownload* download, const GError* error) {
  Entry* entry = Find(download);
  if (!entry || entry->refused_existing) return;
  entry->end = hosts::DownloadEnd::kNetwork;
  if (error && error->domain == WEBKIT_DOWNLOAD_ERROR) {
    if (error->code == WEBKIT_DOWNLOAD_ERROR_CANCELLED_BY_USER) entry->end = hosts::DownloadEnd::kCancelled;
    if (error->code == WEBKIT_DOWNLOAD_ERROR_DESTINATION) entry->end = hosts::DownloadEnd::kDestination;
  }
  entry->reason = error && error->message ? error->message : "";
}

void WebKitDownloads::OnFinished(WebKitDownload* download) {
  int id = 0;
  Entry* entry = Find(download, &id);
  if (!entry) return;
  const hosts::DownloadEnd end = entry->end;
  const std::string reason = entry->reason;
  g_signal_handlers_disconnect_by_data(download, this);
  downloads_.erase(id);
  if (events.ended) events.ended(id, end, reason);
  g_object_unref(download);
}

std::string WebKitDownloads::DownloadsFolder() const {
  const char* folder = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
  if (folder && g_file_test(folder, G_FILE_TEST_IS_DIR)) return folder;
  const char* home = g_get_home_dir();
  return home ? home : "/";
}

void WebKitDownloads::AskSaveAs(int, const std::string& title, const std::string& folder, const std::string& name,
                                std::function<void(std::optional<hosts::SaveChoice>)> done) {
  dialogs_.AskSaveAs(title, folder, name, std::move(done));
}

void WebKitDownloads::AskYesNo(int, const std::string& question, std::function<void(bool)> done) {
  dialogs_.AskYesNo(question, std::move(done));
}

void WebKitDownloads::SetDestination(int id, const std::string& path, bool allow_overwrite) {
  auto it = downloads_.find(id);
  if (it == downloads_.end()) return;
  // Told not to replace a file that is there, the engine fails the download and then
  // deletes the very file it was not to touch: such a path never reaches it.
  if (!allow_overwrite && g_file_test(path.c_str(), G_FILE_TEST_EXISTS)) {
    it->second.refused_existing = true;
    it->second.end = hosts::DownloadEnd::kDestination;
    it->second.reason = "the file exists";
    webkit_download_cancel(it->second.download);
    return;
  }
  webkit_download_set_allow_overwrite(it->second.download, allow_overwrite ? TRUE : FALSE);
  webkit_download_set_destination(it->second.download, path.c_str());
}

void WebKitDownloads::Cancel(int id) {
  auto it = downloads_.find(id);
  if (it == downloads_.end()) return;
  // Its failed and finished signals may come now: the entry is looked up again there.
  webkit_download_cancel(it->second.download);
}

}  // namespace zor::webkit
