// Crash recovery: while the browser runs, the addresses of its open pages are kept in a
// file of the profile, rewritten atomically whenever they change. A clean exit removes
// it; finding it at start-up means the last run was killed or crashed.
#pragma once

#include <string>

#include "browser/shell/chrome.h"
#include "browser/shell/settings.h"
#include "browser/shell/tabs.h"

namespace zor::shell {

class Recovery {
 public:
  Recovery(Chrome& chrome, Tabs& tabs) : c_(chrome), tabs_(tabs) {}

  // True when the previous run ended without its exit sequence and its pages came back.
  bool RecoverPages(bool load = true);
  // Present from just before the saved pages are restored until the window is up: a start
  // that finds it follows one that ended while restoring.
  std::string RestoreMarker() const { return RecoveryFile.empty() ? "" : RecoveryFile + ".restoring"; }
  // True when the list on disk holds the open pages (written now or already).
  bool SaveRecovery();
  void EndRecovery();

  // The recovery list of open pages (empty path: none kept).
  std::string RecoveryFile;

 private:
  Chrome& c_;
  Tabs& tabs_;
  std::string recovery_written_;
};

}  // namespace zor::shell
