// The command dispatcher: every tool click of the bars comes here. One table binds the
// command ids to their actions; the numbered families (favorites, translation
// services, tabs, blocked pages, languages, proxies) are recognised by prefix after it.
#pragma once

#include <string>
#include <vector>

#include "browser/commands/bands.h"
#include "browser/commands/edit_view.h"
#include "browser/commands/page_zoom.h"
#include "browser/commands/proxy_menu.h"
#include "browser/shell/address_bar.h"
#include "browser/shell/chrome.h"
#include "browser/shell/exit.h"
#include "browser/shell/layout.h"
#include "browser/shell/progress_area.h"
#include "browser/shell/settings.h"
#include "browser/shell/tab_menu.h"
#include "browser/shell/tabs.h"

namespace zor::commands {

// The parts of the main window the commands act on.
struct CommandTargets {
  shell::Chrome& chrome;
  shell::Tabs& tabs;
  shell::TabMenu& tabMenu;
  shell::ProgressArea& progress;
  shell::AddressBar& address;
  shell::WindowLayout& layout;
  shell::ExitSequence& exit;
  shell::Settings& settings;
  BandState& bands;
  EditView& edit;
  ProxyMenu& proxies;
  PageZoom& zoom;
};

class Dispatcher {
 public:
  explicit Dispatcher(const CommandTargets& targets) : t_(targets) {}

  // One tool click.
  void OnToolClick(toolbar::Tool& tool);
  // The ids the command table binds, in table order (the prefix families aside).
  static std::vector<std::string> CommandIds();
  // The link filter of the links page: set by "b_viewspecial", used once.
  std::string LinkFilter;

 private:
  CommandTargets t_;
};

}  // namespace zor::commands
