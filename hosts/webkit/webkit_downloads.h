// Downloads on the pages' network session. Every download the engine starts (a response it
// cannot show, an attachment, the context menu's download, a page's download link) is held
// at its destination until the logic answers; the engine's own choice of folder and name
// never runs. The engine writes into "<destination>.wkdownload" and renames it at the end,
// and removes what it wrote when a download fails or is cancelled; it also removes the
// destination itself then, so an existing file is only ever handed over to be replaced.
#pragma once

#include <webkit/webkit.h>

#include <map>
#include <string>

#include "hosts/downloads.h"
#include "hosts/gtk/download_dialogs.h"
#include "hosts/webkit/webkit_page_host.h"

namespace zor::webkit {

class WebKitDownloads : public hosts::DownloadHost {
 public:
  WebKitDownloads(WebKitPageHost& pages, gtk::DownloadDialogs& dialogs);
  ~WebKitDownloads() override;
  WebKitDownloads(const WebKitDownloads&) = delete;
  WebKitDownloads& operator=(const WebKitDownloads&) = delete;

  std::string DownloadsFolder() const override;
  void AskSaveAs(int page, const std::string& title, const std::string& folder, const std::string& name,
                 std::function<void(std::optional<hosts::SaveChoice>)> done) override;
  void AskYesNo(int page, const std::string& question, std::function<void(bool)> done) override;
  void SetDestination(int id, const std::string& path, bool allow_overwrite) override;
  void Cancel(int id) override;

  // Downloads not yet ended (for tests).
  size_t Active() const { return downloads_.size(); }

 private:
  struct Entry {
    WebKitDownload* download = nullptr;
    hosts::DownloadRequest request;
    hosts::DownloadEnd end = hosts::DownloadEnd::kFinished;
    std::string reason;
    bool refused_existing = false;  // cancelled here rather than risk the existing file
  };
  void OnStarted(WebKitDownload* download);
  bool OnDecideDestination(WebKitDownload* download, const char* suggested);
  void OnFailed(WebKitDownload* download, const GError* error);
  void OnFinished(WebKitDownload* download);
  void OnReceived(WebKitDownload* download);
  Entry* Find(WebKitDownload* download, int* id = nullptr);

  WebKitPageHost& pages_;
  gtk::DownloadDialogs& dialogs_;
  std::map<int, Entry> downloads_;
  int next_id_ = 1;
  guint tick_ = 0;  // reports progress each second, so a stalled download shows it
};

}  // namespace zor::webkit
