// What the pages report: status text, progress, navigation state, security and focus.
// Only the shown page changes what the user sees; a hidden page keeps its own records.
#pragma once

#include <string>

#include "browser/shell/chrome.h"
#include "browser/shell/tabs.h"

namespace zor::shell {

class AddressBar;
class WindowLayout;

using hosts::ProgressBarPixels;
// The security indicator's text for a lock state; `fields` holds three texts each ended by "|".
std::string SecurityText(const std::string& fields, int lock_state);

class PageReports {
 public:
  PageReports(Chrome& chrome, Tabs& tabs, AddressBar& address, WindowLayout& layout)
      : c_(chrome), tabs_(tabs), address_(address), layout_(layout) {}

  void OnStatusTextChange(int page, const std::string& text);
  void OnProgressChange(int page, long progress, long progress_max);
  void OnCommandStateChange(int page, int command, bool enable);
  void OnSecureLockIcon(int page, int lock_state);
  void OnBeforeNavigate(int page, bool cancelled);
  void OnPageFocus(int page, bool got);
  void OnPageFullScreen(int page, bool on);
  // A load failed: the page shows the program's error page in place of the address.
  void OnNavigateError(int page, const std::string& url, hosts::LoadError error, const std::string& detail);
  // Save As could not write the file: the user hears why.
  void OnSaveFailed(int page, const std::string& path, const std::string& reason);

  bool PageAreaFocus = false;  // the active page holds the keyboard focus

 private:
  Chrome& c_;
  Tabs& tabs_;
  AddressBar& address_;
  WindowLayout& layout_;
};

}  // namespace zor::shell
