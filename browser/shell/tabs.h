// Pages and their tabs. A page keeps its index N for life (tool "tabs-" + N); its tab's
// position changes as tabs to its left close, so the page's tag holds the position and
// PageAtPosition maps a position back to N.
#pragma once

#include <string>
#include <vector>

#include "browser/shell/chrome.h"
#include "browser/shell/grow_table.h"
#include "browser/shell/progress_area.h"

namespace zor::shell {

class Tabs {
 public:
  Tabs(Chrome& chrome, ProgressArea& progress) : c_(chrome), progress_(progress) { PageAtPosition.set(1, 1); }

  int LastPageIndex = 1;
  int ActivePage = 1;
  int PreviousPage = 1;
  GrowTable<int> PageAtPosition;
  GrowTable<bool> ForwardEnabled;
  GrowTable<bool> BackEnabled;
  GrowTable<int> PageProgress;
  // By page index: the address a restored page loads when first shown, empty once loaded.
  GrowTable<std::string> PendingAddress;
  bool ClosingPages = false;
  // The three loading pictures of a tab (res/tab1..3.ico unless a skin says otherwise).
  std::string TabIcons[3] = {"res/tab1.ico", "res/tab2.ico", "res/tab3.ico"};

  // Page 1 and its tab, shown; false when the page cannot be created. A non-empty
  // `address` starts loading before the window first draws: the engine starts the page's
  // process while the window is being drawn.
  bool CreateFirstPage(const std::string& address = {});
  void AddNewPage(const std::string& url, bool foreground);
  // A restored page in a background tab captioned with its address: it loads only when
  // first shown, so a large session starts as fast and as small as a few pages.
  void AddRestoredPage(const std::string& url);
  // A saved session: the first address goes to the shown page when it is still blank,
  // each other one to a restored tab, and the last tab is shown (and so loaded).
  // With `load` false no page loads: every tab waits to be shown.
  void RestorePages(const std::vector<std::string>& urls, bool load = true);
  // The page's address, or the one it will load when first shown.
  std::string AddressOf(int page) const;
  void SelectPage(int page);
  void ShowPage(int page);
  void ClosePage(int page);
  void CloseAllPages();
  void CloseOtherPages(int page);
  // A page's script asked to close its window.
  void OnWindowClosing(int page, bool& cancel);
  void SetPageTitle(int page, const std::string& title, const std::string& address);
  // A new document committed at `url`: its tab, the window and the address box name it
  // by its address until it reports a title (a document may never have one).
  void OnNavigateComplete(int page, const std::string& url);
  // The window's caption for the shown page, after the program's title changed.
  void UpdateWindowCaption();
  void SetTabIcon(int page, int percent);
  void ToggleSilent();
  int TabCount() const;
  // The tab position a page's tag holds, 0 when it holds no number.
  int PositionOf(int page) const;
  // The page `step` tabs right of the shown one (left when negative), round the strip's
  // ends; 0 when there is no tab.
  int PageBeside(int step) const;
  // Back and forward follow what the shown page's position allows, Stop whether it loads.
  void UpdateNavigationTools();
  // Stop is enabled while the shown page loads; true when that changed.
  bool UpdateStopTool();
  // The progress area for `percent` of the shown page; a finished load clears the bar.
  void DrawProgress(int percent);

 private:
  void AddTabTool(const std::string& caption, int page, bool with_picture);
  void SetPendingAddress(int page, const std::string& url);
  void RemoveTabAt(int position, int page);
  void SetWindowCaption(const std::string& page_title);

  Chrome& c_;
  ProgressArea& progress_;
};

}  // namespace zor::shell
