// Browser.ini, lng.ini and LastPages.ini as the main window reads and writes them.
#pragma once

#include <string>
#include <vector>

#include "browser/commands/proxy_menu.h"
#include "browser/shell/chrome.h"
#include "browser/shell/tabs.h"

namespace zor::shell {

class Settings {
 public:
  Settings(Chrome& chrome, Tabs& tabs, commands::ProxyMenu& proxies) : c_(chrome), tabs_(tabs), proxies_(proxies) {}

  void ApplyLanguage();
  void LoadSettings();
  // False when Browser.ini could not be written (the old file then stays as it was).
  bool SaveSettings(std::string* error = nullptr);
  // Opens the pages LastPages.ini names. The file stays until RemoveLastPages: it goes
  // only once the recovery list holds the pages, so a kill in between loses nothing.
  void RestoreLastPages(bool load = true);
  void RemoveLastPages();
  // Replaces LastPages.ini with these addresses in one write (none: no file). False, with
  // the file and the reason in *error, when it could not be written.
  bool SaveLastPages(const std::vector<std::string>& urls, std::string* error = nullptr);

  // An address worth bringing back in another run: a page of its own, never a script
  // that would run again at every start.
  static bool KeptAcrossRuns(const std::string& address);

 private:
  Chrome& c_;
  Tabs& tabs_;
  commands::ProxyMenu& proxies_;
};

}  // namespace zor::shell
