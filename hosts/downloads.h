// Downloads as the logic sees them. The engine announces each download and then waits:
// nothing is written until the logic sets a destination, and the logic may cancel instead.
// The questions and the save dialog answer later, through callbacks, so a page can go on
// starting downloads while one is asked about.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zor::hosts {

struct DownloadRequest {
  int id = 0;
  int page = -1;               // the page element that started it; -1 for none
  std::string suggested_name;  // as the site suggests it, not yet fit for a file name
  std::string address;
  bool user_gesture = false;  // the engine saw it follow the user's own action
};

// How a download ended.
enum class DownloadEnd { kFinished, kCancelled, kNetwork, kDestination };

// What the save dialog answered.
struct SaveChoice {
  std::string path;
  // The file existed and the user confirmed replacing it: only then may it be replaced.
  bool replace = false;
};

struct DownloadEvents {
  // A download waits for SetDestination or Cancel, now or later.
  std::function<void(const DownloadRequest& request)> started;
  // The end of a download that was announced; `reason` is the engine's text for a failure.
  std::function<void(int id, DownloadEnd end, const std::string& reason)> ended;
  // Bytes written so far and the whole size (0: not told), at `seconds` on a steady clock.
  std::function<void(int id, int64_t received, int64_t total, double seconds)> progress;
};

class DownloadHost {
 public:
  virtual ~DownloadHost() = default;

  // The folder the first save dialog starts in: the user's Downloads folder, else home.
  virtual std::string DownloadsFolder() const = 0;
  // The save dialog (titled `title`) for a download of page `page`, starting in `folder`
  // with `name`. `done` gets nullopt when the user cancels.
  virtual void AskSaveAs(int page, const std::string& title, const std::string& folder, const std::string& name,
                         std::function<void(std::optional<SaveChoice>)> done) = 0;
  // A yes/no question about page `page`; `done` gets true for yes.
  virtual void AskYesNo(int page, const std::string& question, std::function<void(bool)> done) = 0;
  // Unknown or finished downloads are ignored by both.
  virtual void SetDestination(int id, const std::string& path, bool allow_overwrite) = 0;
  virtual void Cancel(int id) = 0;

  DownloadEvents events;
};

// One line of the downloads window, its texts already in the user's language.
struct DownloadRow {
  int id = 0;
  std::string name;
  std::string detail;   // size, progress and speed, or how it ended and why
  double fraction = 0;  // done share 0..1; negative while the size is unknown
  bool can_cancel = false;
  bool can_open = false;  // Open and Show in Folder: the file is there
};

struct DownloadsTexts {
  std::string title, cancel, open, show_in_folder, none;
};

// The downloads window: one per program, shown again when closed.
class DownloadsView {
 public:
  virtual ~DownloadsView() = default;
  // Shows the window in front, with these rows.
  virtual void Present() = 0;
  virtual void Update(const DownloadsTexts& texts, const std::vector<DownloadRow>& rows) = 0;
  // The file with its default application; its folder in the desktop's file manager.
  virtual void OpenFile(const std::string& path) = 0;
  virtual void ShowInFolder(const std::string& path) = 0;

  struct Events {
    std::function<void(int id)> cancel, open, showInFolder;
  } events;
};

}  // namespace zor::hosts
