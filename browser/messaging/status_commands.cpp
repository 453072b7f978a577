#include "browser/messaging/status_commands.h"

#include <cstdlib>
#include <string>

namespace zor::messaging {

void StatusCommands::OnStatusBoxChange(const std::string& text) {
  if (text.compare(0, 4, "ZOR_") != 0) return;
  const std::string command = text.substr(4);
  if (command == "close") {
    if (toolbar::Tool* basket = c_.ab_Main.tool("sub_Usetools", "b_opengetbar")) basket->checked = false;
    c_.txt_status.SetText("");
  } else if (command == "proxychange") {
    if (c_.hooks.rebuildProxyMenu) c_.hooks.rebuildProxyMenu();
    c_.txt_status.SetText("");
  } else if (command == "iconleft" || command == "iconright") {
    c_.txt_status.SetText("");
    SwitchTabByGesture(command == "iconleft");
  }
  // Read again: only an open command is still in the box here.
  const std::string now = c_.txt_status.Text();
  if (now.find("ZOR_open") != std::string::npos) {
    tabs_.AddNewPage(now.size() > 8 ? now.substr(8) : std::string(), true);
    c_.txt_status.SetText("");
  }
}

void StatusCommands::SwitchTabByGesture(bool left) {
  c_.SkipNextContextMenu = true;
  const hosts::PageControl* current = c_.WB.Page(tabs_.ActivePage);
  const int position = (current ? std::atoi(current->Tag().c_str()) : 0) + (left ? -1 : 1);
  tabs_.SelectPage(tabs_.PageAtPosition.get(position));
}

}  // namespace zor::messaging
