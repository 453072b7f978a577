// The commands written into the status box: "ZOR_close", "ZOR_proxychange",
// "ZOR_iconleft", "ZOR_iconright" and "ZOR_open" + address.
#pragma once

#include <string>

#include "browser/shell/chrome.h"
#include "browser/shell/tabs.h"

namespace zor::messaging {

class StatusCommands {
 public:
  StatusCommands(shell::Chrome& chrome, shell::Tabs& tabs) : c_(chrome), tabs_(tabs) {}

  // The status-box change handler.
  void OnStatusBoxChange(const std::string& text);
  // A right-button gesture over the page: the tab left or right of the shown one.
  void SwitchTabByGesture(bool left);

 private:
  shell::Chrome& c_;
  shell::Tabs& tabs_;
};

}  // namespace zor::messaging
