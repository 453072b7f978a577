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
  // The pointer left a tool: off a tab, and no tab menu open, there is no context page.
  void OnToolLeave(toolbar::Tool& tool);
  // A closed page is nobody's context page.
  void OnPageClosed(int page);
  // The page a click on `tool` acts on instead of the shown one: the context page for an
  // entry of the open tab menu (-1 once that page has closed); 0 for everything else,
  // the keyboard's shortcuts included.
  int PageFor(const toolbar::Tool& tool) const;

 private:
  Chrome& c_;
};

}  // namespace zor::shell
