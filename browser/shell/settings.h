// Browser.ini, lng.ini and LastPages.ini as the main window reads and writes them.
#pragma once

#include <string>

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
  void RestoreLastPages();
  void SaveLastPage(const std::string& url);

 private:
  Chrome& c_;
  Tabs& tabs_;
  commands::ProxyMenu& proxies_;
};

}  // namespace zor::shell
