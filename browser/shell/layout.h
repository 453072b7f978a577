// The main window's layout rules and full screen.
#pragma once

#include "browser/shell/address_bar.h"
#include "browser/shell/chrome.h"
#include "browser/shell/tabs.h"

namespace zor::shell {

class WindowLayout {
 public:
  WindowLayout(Chrome& chrome, Tabs& tabs, AddressBar& address) : c_(chrome), tabs_(tabs), address_(address) {}

  void ToggleFullScreen();
  void SetCaptionBar(bool show);
  void OnMainWindowResize();

  // The window before full screen, to come back to.
  struct WindowRect {
    int left = 0, top = 0, width = 0, height = 0;  // left -1: the window was maximised
  } SavedWindowRect;

 private:
  Chrome& c_;
  Tabs& tabs_;
  AddressBar& address_;
};

}  // namespace zor::shell
