// The bars' events other than the tool click: menus about to open, bands closed,
// double clicks and the side bar's page switch. They keep the tools showing the state.
#pragma once

#include <string>

#include "browser/commands/edit_view.h"
#include "browser/shell/chrome.h"
#include "browser/shell/tab_menu.h"
#include "browser/shell/tabs.h"

namespace zor::commands {

class BandState {
 public:
  BandState(shell::Chrome& chrome, shell::Tabs& tabs, shell::TabMenu& tab_menu, EditView& edit)
      : c_(chrome), tabs_(tabs), tab_menu_(tab_menu), edit_(edit) {}

  void OnBandOpen(toolbar::Band& band, bool& cancel);
  void OnBandClose(toolbar::Band& band);
  void OnToolDblClick(toolbar::Tool& tool);
  // A middle click on a tab closes its page; on other tools it does nothing.
  void OnToolMiddleClick(toolbar::Tool& tool);
  void OnChildBandChange(toolbar::Band& band);
  // The side bar follows "b_showfav" and "b_history": shown with the checked one's page, or hidden.
  void ShowLeftBar();

 private:
  shell::Chrome& c_;
  shell::Tabs& tabs_;
  shell::TabMenu& tab_menu_;
  EditView& edit_;
};

}  // namespace zor::commands
