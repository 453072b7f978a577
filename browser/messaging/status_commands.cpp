// The commands written into the status box: "ZOR_close", "ZOR_proxychange",
// "ZOR_iconleft", "ZOR_iconright" and "ZOR_open" + address.
#include <string>

#include "browser/shell/main_form.h"

namespace zor::shell {

void MainForm::OnStatusBoxChange(const std::string& text) {
  if (text.compare(0, 4, "ZOR_") != 0) return;
  const std::string command = text.substr(4);
  if (command == "close") {
    if (toolbar::Tool* basket = ab_Main.tool("sub_Usetools", "b_opengetbar")) basket->checked = false;
    txt_status.SetText("");
  } else if (command == "proxychange") {
    if (hooks.rebuildProxyMenu) hooks.rebuildProxyMenu();
    txt_status.SetText("");
  } else if (command == "iconleft" || command == "iconright") {
    txt_status.SetText("");
    SwitchTabByGesture(command == "iconleft");
  }
  // Read again: only an open command is still in the box here.
  const std::string now = txt_status.Text();
  if (now.find("ZOR_open") != std::string::npos) {
    AddNewPage(now.size() > 8 ? now.substr(8) : std::string(), true);
    txt_status.SetText("");
  }
}

void MainForm::SwitchTabByGesture(bool left) {
  SkipNextContextMenu = true;
  const hosts::PageControl* current = WB.Page(ActivePage);
  const int position = (current ? std::atoi(current->Tag().c_str()) : 0) + (left ? -1 : 1);
  SelectPage(PageAtPosition.get(position));
}

}  // namespace zor::shell
