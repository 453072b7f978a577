// The main window's layout rules and full screen.
#pragma once

#include <string>
#include <vector>

#include "browser/shell/address_bar.h"
#include "browser/shell/chrome.h"
#include "browser/shell/tabs.h"

namespace zor::shell {

class WindowLayout {
 public:
  WindowLayout(Chrome& chrome, Tabs& tabs, AddressBar& address) : c_(chrome), tabs_(tabs), address_(address) {}

  void ToggleFullScreen();
  // A page's own full screen (a video's button): all bars go and the window fills the
  // screen; leaving brings back exactly what was there, the user's full screen included.
  void PageFullScreen(int page, bool on);
  int PageInFullScreen() const { return page_full_screen_; }
  void SetCaptionBar(bool show);
  void OnMainWindowResize();

  // The window before full screen, to come back to.
  struct WindowRect {
    int left = 0, top = 0, width = 0, height = 0;  // left -1: the window was maximised
  } SavedWindowRect;

 private:
  int page_full_screen_ = 0;
  std::vector<std::string> hidden_for_page_;
  Chrome& c_;
  Tabs& tabs_;
  AddressBar& address_;
};

}  // namespace zor::shell
