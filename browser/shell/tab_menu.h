// The tab under the pointer: the page the tab menu's commands act on, and the tooltip
// that shows a tab's address.
#pragma once

#include "browser/shell/chrome.h"

namespace zor::shell {

class TabMenu {
 public:
  explicit TabMenu(Chrome& chrome) : c_(chrome) {}

  // The page of the tab under the pointer (0: none), kept while the tab menu is open
  // (MenuBandFlag false); OverTab while the pointer is on a tab.
  int ContextPage = 0;
  bool OverTab = false;
  bool MenuBandFlag = true;

  // The pointer entered a tool of the bars.
  void OnToolHover(toolbar::Tool& tool);

 private:
  Chrome& c_;
};

}  // namespace zor::shell
