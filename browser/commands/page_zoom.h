// Whole-page zoom: steps of the zoom keys, the level each site keeps for the run, and
// the status bar's zoom tool. Separate from the text size, which scales the text alone;
// the engine multiplies the two.
#pragma once

#include <map>
#include <string>

#include "browser/shell/chrome.h"
#include "browser/shell/grow_table.h"
#include "browser/shell/tabs.h"

namespace zor::commands {

class PageZoom {
 public:
  PageZoom(shell::Chrome& chrome, shell::Tabs& tabs) : c_(chrome), tabs_(tabs) {}

  // The level `direction` steps (+1 in, -1 out) away from `percent` on the zoom scale,
  // stopping at its ends; a level between steps moves to the next step that way.
  static int Step(int percent, int direction);
  // The status tool's caption: "120%", or empty at 100% (the tool hides).
  static std::string StatusText(int percent);

  // The zoom keys on the shown page: +1 in, -1 out, 0 back to 100%. The page's site
  // keeps the level for the run, so its other pages in every tab follow.
  void Change(int direction);
  // A page committed `url`: it takes the level its site keeps.
  void OnNavigateComplete(int page, const std::string& url);
  // The shown page changed: the status tool follows it.
  void OnPageShown(int page);

  int LevelOf(int page) const { return levels_.get(page) == 0 ? 100 : levels_.get(page); }

 private:
  void Apply(int page, int percent);
  void ShowStatus();

  shell::Chrome& c_;
  shell::Tabs& tabs_;
  std::map<std::string, int> by_site_;   // for this run only
  shell::GrowTable<int> levels_;         // per page; 0 = never set (100%)
  shell::GrowTable<std::string> sites_;  // the site each page shows
};

}  // namespace zor::commands
