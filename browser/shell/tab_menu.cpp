#include "browser/shell/tab_menu.h"

#include <climits>
#include <cstdlib>
#include <string>

#include "browser/shell/address.h"
#include "common/text_width.h"

namespace zor::shell {

void TabMenu::OnToolHover(toolbar::Tool& tool) {
  if (tool.name.rfind("tabs-", 0) != 0) {
    OverTab = false;
    // While the tab menu is open its commands still act on the tab it was opened on.
    if (MenuBandFlag) ContextPage = 0;
    return;
  }
  const long number = std::strtol(tool.name.c_str() + 5, nullptr, 10);
  const int n = number < 0 || number > INT_MAX ? 0 : static_cast<int>(number);
  const hosts::PageControl* page = c_.WB.Page(n);
  const std::string url = page ? ShowBlanks(page->LocationURL()) : std::string();
  tool.tooltip = url.empty() ? "Blank Page" : ShortenText(url, 50);
  ContextPage = n;
  OverTab = true;
}

void TabMenu::OnToolLeave(toolbar::Tool& tool) {
  if (tool.name.rfind("tabs-", 0) != 0) return;
  OverTab = false;
  if (MenuBandFlag) ContextPage = 0;
}

void TabMenu::OnPageClosed(int page) {
  if (page == ContextPage) ContextPage = 0;
}

int TabMenu::PageFor(const toolbar::Tool& tool) const {
  const toolbar::Band* band = tool.band();
  if (MenuBandFlag || !band || band->name != "tab_Menu") return 0;
  // The menu's own page closed while it was open: its entries have nothing to act on.
  return ContextPage >= 1 ? ContextPage : -1;
}

}  // namespace zor::shell
