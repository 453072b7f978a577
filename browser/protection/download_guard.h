// The download guard: no file is written without the user's choice in the save dialog,
// and a page that starts downloads on its own gets one question, not a stream of them.
// A chosen download runs under a part name beside the chosen file and takes its name
// only when complete; the downloads window and the status bar follow it.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "browser/messaging/page_shell.h"
#include "browser/protection/download_list.h"
#include "hosts/downloads.h"

namespace zor::protection {

// The name a site suggests made fit to save under: no folder part, no leading dot that
// would hide the file, no control characters, at most 255 bytes, never empty.
std::string SafeFileName(const std::string& suggested);

class DownloadGuard {
 public:
  explicit DownloadGuard(messaging::PageShell& shell);
  ~DownloadGuard();
  DownloadGuard(const DownloadGuard&) = delete;
  DownloadGuard& operator=(const DownloadGuard&) = delete;

  // Takes the host's download events; null lets go of them and cancels what still runs.
  void Attach(hosts::DownloadHost* host);
  // Takes the downloads window's buttons; null lets go of them.
  void AttachView(hosts::DownloadsView* view);
  // Where the last chosen folder is kept between runs; read now, written on each choice.
  void UseSettingsFile(const std::string& file);
  // The downloads window, in front ("b_downloads").
  void ShowWindow();
  // The user's Cancel in the downloads window.
  void CancelDownload(int id);

  void OnStarted(const hosts::DownloadRequest& request);
  void OnProgress(int id, int64_t received, int64_t total, double seconds);
  void OnEnded(int id, hosts::DownloadEnd end, const std::string& reason);
  const DownloadList& List() const { return list_; }
  // A trusted event in a page: a click there ends its refusal.
  void OnDocumentEvent(int page, const std::string& type);

  // The folder the next save dialog starts in (empty: the host's Downloads folder).
  std::string LastFolder;

 private:
  struct PageState {
    int open = 0;          // questions and save dialogs open for the page
    bool refused = false;  // until the user next clicks in the page
  };
  struct Download {
    int page = -1;
    std::string name;
    std::string path;      // the chosen file
    std::string part;      // what the engine writes until it is complete
    bool replace = false;  // the user agreed to replace the chosen file
  };

  bool Solicited(const hosts::DownloadRequest& request);
  void AskWhere(int id);
  void Drop(int id);  // cancels before it runs: nothing to show
  void CancelRunning();
  void Closed(int page);
  void Chosen(int id, const hosts::SaveChoice& choice);
  void Ended(int id, DownloadState state, const char* key, const char* fallback, const std::string& reason);
  // Redraws the window's rows and the status bar's count.
  void Refresh();
  std::string Text(const char* key, const char* fallback) const;

  messaging::PageShell& shell_;
  hosts::DownloadHost* host_ = nullptr;
  hosts::DownloadsView* view_ = nullptr;
  DownloadList list_;
  std::string settings_file_;
  std::map<int, PageState> pages_;
  std::map<int, Download> downloads_;
  // Answers that come after the guard has gone do nothing.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace zor::protection
