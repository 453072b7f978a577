// Pages and their tabs. A page keeps its index N for life (tool "tabs-" + N); its tab's
// position changes as tabs to its left close, so the page's tag holds the position and
// PageAtPosition maps a position back to N.
#include "browser/shell/tabs.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "browser/shell/address.h"
#include "common/text_width.h"

namespace zor::shell {

namespace {

std::string TabName(int page) { return "tabs-" + std::to_string(page); }

// A tag or number text read as a number: its leading digits, 0 when there are none.
int NumberOf(const std::string& text) {
  const long value = std::strtol(text.c_str(), nullptr, 10);
  return value < 0 || value > INT_MAX ? 0 : static_cast<int>(value);
}

// What names a page in its tab and the window: a web page's own title, else the
// engine's name for the location.
std::string ShownTitle(const hosts::PageControl& page) {
  const std::string title = page.DocumentTitle();
  return page.LocationURL().rfind("http", 0) == 0 && !title.empty() ? title : page.LocationName();
}

}  // namespace

void Tabs::AddTabTool(const std::string& caption, int page, bool with_picture) {
  toolbar::Band* tabs = c_.ab_Main.band("tb_Tabs");
  if (!tabs) return;
  toolbar::Tool tool(50000 + page, TabName(page));
  tool.caption = caption;
  tool.control_type = toolbar::kButton;
  tool.style = 3;
  if (with_picture) tool.image = c_.PageIconImage;
  tabs->tools().insert(-1, tool);
  c_.ab_Main.recalcLayout();
}

void Tabs::AddNewPage(const std::string& url, bool foreground) {
  LastPageIndex += 1;
  const int n = LastPageIndex;
  hosts::PageControl* page = c_.WB.Create(n);
  if (!page) return;
  AddTabTool("New", n, true);
  const toolbar::Tool* silent = c_.ab_Main.tool("sub_Usetools", "b_besilent");
  page->SetSilent(silent && silent->checked);
  const int position = TabCount();
  page->SetTag(std::to_string(position));
  PageAtPosition.set(position, n);
  PageProgress.set(n, 0);

  if (!foreground) {
    page->SetContainer(hosts::Container::kHidden);
    page->SetVisible(true);
  } else {
    if (toolbar::Tool* old_tab = c_.ab_Main.tool("tb_Tabs", TabName(ActivePage))) old_tab->checked = false;
    if (toolbar::Tool* tab = c_.ab_Main.tool("tb_Tabs", TabName(n))) tab->checked = true;
    page->SetVisible(true);
    if (hosts::PageControl* sink = c_.WB.Page(0)) {
      sink->MoveToFill();
      sink->BringToFront();
    }
    page->BringToFront();
    ForwardEnabled.set(position, false);
    BackEnabled.set(position, false);
    if (hosts::PageControl* old = c_.WB.Page(ActivePage)) old->SetContainer(hosts::Container::kHidden);
    PreviousPage = ActivePage;
    ActivePage = n;
    page->SetContainer(hosts::Container::kPageArea);
    if (c_.hooks.attachPageCommands) c_.hooks.attachPageCommands(n);
    page->MoveToFill();
    SetWindowCaption("");
    c_.window.SetAddressText("");
    DrawProgress(0);
    SetTabIcon(n, 0);
    progress_.lbl_Inf.clear();
    c_.txt_status.ShowPageStatus("");
    UpdateNavigationTools();
    if (c_.hooks.addressBoxVisible && c_.hooks.addressBoxVisible() && c_.hooks.focusAddressBox)
      c_.hooks.focusAddressBox();
  }

  if (!url.empty()) page->Navigate(url);
}

void Tabs::SelectPage(int n) {
  if (n == 0) {
    c_.SkipNextContextMenu = false;
    return;
  }
  if (n == ActivePage) return;
  hosts::PageControl* next = c_.WB.Page(n);
  if (!next) return;  // a click on a tab whose page is already gone
  if (toolbar::Tool* tab = c_.ab_Main.tool("tb_Tabs", TabName(n))) tab->checked = true;
  if (toolbar::Tool* old_tab = c_.ab_Main.tool("tb_Tabs", TabName(ActivePage))) old_tab->checked = false;
  hosts::PageControl* old = c_.WB.Page(ActivePage);
  if (old) old->SetContainer(hosts::Container::kHidden);
  if (c_.hooks.watchPreviousDocument) {
    c_.hooks.watchPreviousDocument(0);
    if (old && !old->LocationURL().empty() && old->HasDocument()) c_.hooks.watchPreviousDocument(ActivePage);
  }
  PreviousPage = ActivePage;
  ActivePage = n;
  ShowPage(ActivePage);
}

void Tabs::AddRestoredPage(const std::string& url) {
  AddNewPage("", false);
  SetPendingAddress(LastPageIndex, url);
}

void Tabs::RestorePages(const std::vector<std::string>& urls, bool load) {
  const hosts::PageControl* shown = c_.WB.Page(ActivePage);
  const bool blank = shown && AddressOf(ActivePage).empty();
  for (size_t i = 0; i < urls.size(); ++i) {
    if (i == 0 && blank)
      SetPendingAddress(ActivePage, urls[i]);
    else
      AddRestoredPage(urls[i]);
  }
  if (urls.empty() || !load) return;
  const int last = urls.size() == 1 && blank ? ActivePage : LastPageIndex;
  if (last == ActivePage)
    ShowPage(last);
  else
    SelectPage(last);
}

void Tabs::SetPendingAddress(int n, const std::string& url) {
  if (!c_.WB.Page(n)) return;
  PendingAddress.set(n, url);
  if (toolbar::Tool* tab = c_.ab_Main.tool("tb_Tabs", TabName(n))) {
    tab->caption = ShortenText(url, 14);
    c_.ab_Main.recalcLayout();
  }
}

std::string Tabs::AddressOf(int n) const {
  const hosts::PageControl* page = c_.WB.Page(n);
  if (!page) return "";
  const std::string location = page->LocationURL();
  return location.empty() ? PendingAddress.get(n) : location;
}

void Tabs::ShowPage(int n) {
  if (ClosingPages) return;
  hosts::PageControl* page = c_.WB.Page(n);
  if (!page) return;
  const std::string pending = PendingAddress.get(n);
  if (!pending.empty()) {
    PendingAddress.set(n, "");
    page->Navigate(pending);
  }
  if (hosts::PageControl* sink = c_.WB.Page(0)) {
    sink->MoveToFill();
    sink->BringToFront();
  }
  page->BringToFront();
  page->MoveToFill();
  page->SetContainer(hosts::Container::kPageArea);
  if (c_.hooks.attachPageCommands) c_.hooks.attachPageCommands(n);
  page->Focus();
  if (c_.hooks.applyPageHooks) c_.hooks.applyPageHooks(n);

  const std::string location = page->LocationURL();
  if (!location.empty()) {
    const std::string shown = ShownTitle(*page);
    SetWindowCaption(shown);
    if (toolbar::Tool* tab = c_.ab_Main.tool("tb_Tabs", TabName(n))) {
      const std::string caption = ShortenText(shown, 14);
      if (tab->caption != caption) {
        tab->caption = caption;
        c_.ab_Main.recalcLayout();
      }
    }
  }
  if (c_.window.AddressAllSelected()) page->Focus();
  if (location.empty()) SetWindowCaption("");
  c_.window.SetAddressText(ShowBlanks(location));

  const int p = PageProgress.get(n);
  if (p >= 100 || p < 1) {
    DrawProgress(0);
    if (!progress_.lbl_Inf.empty()) progress_.Clear(true);
  } else {
    DrawProgress(p);
  }
  SetTabIcon(ActivePage, p);
  c_.txt_status.ShowPageStatus("");
  UpdateNavigationTools();
  if (c_.hooks.pageShown) c_.hooks.pageShown(n);
}

void Tabs::SetPageTitle(int n, const std::string& title, const std::string& address) {
  hosts::PageControl* page = c_.WB.Page(n);
  if (!page || title.empty()) return;
  toolbar::Tool* tab = c_.ab_Main.tool("tb_Tabs", TabName(n));
  const std::string caption = ShortenText(title, 14);
  if (tab && tab->caption != caption) {
    tab->caption = caption;
    c_.ab_Main.recalcLayout();
  }
  if (n != ActivePage) return;
  SetWindowCaption(title);
  const std::string shown = ShowBlanks(address.empty() ? page->LocationURL() : address);
  if (c_.window.AddressText() != shown) {
    c_.window.SetAddressText(shown);
    page->Focus();
  }
}

void Tabs::OnNavigateComplete(int n, const std::string& url) {
  // The title known now may still be the previous document's; the new one's own title,
  // when it has one, is reported after this.
  if (n == 0 || !c_.WB.Page(n) || url.empty()) return;
  SetPageTitle(n, url, url);
}

void Tabs::UpdateWindowCaption() {
  const hosts::PageControl* page = c_.WB.Page(ActivePage);
  SetWindowCaption(page && !page->LocationURL().empty() ? ShownTitle(*page) : std::string());
}

void Tabs::SetWindowCaption(const std::string& page_title) {
  // One form everywhere: the page's title, then the program's title of the language file.
  if (c_.FullScreen()) return;
  c_.window.SetCaption(page_title.empty() ? c_.TitleText : page_title + " - " + c_.TitleText);
}

void Tabs::SetTabIcon(int n, int percent) {
  toolbar::Tool* tab = c_.ab_Main.tool("tb_Tabs", TabName(n));
  if (!tab || percent <= 0) return;
  int stage = 4;
  if (percent <= 25)
    stage = 1;
  else if (percent <= 50)
    stage = 2;
  else if (percent <= 75)
    stage = 3;
  const std::string tag = std::to_string(stage);
  if (tab->tag == tag) return;  // each stage is drawn once
  tab->tag = tag;
  tab->image = stage == 4 ? c_.PageIconImage : TabIcons[stage - 1];
  c_.ab_Main.redraw();
}

void Tabs::ToggleSilent() {
  toolbar::Tool* silent = c_.ab_Main.tool("sub_Usetools", "b_besilent");
  if (!silent) return;
  silent->checked = !silent->checked;
  const int count = TabCount();
  for (int p = 1; p <= count; ++p)
    if (hosts::PageControl* page = c_.WB.Page(PageAtPosition.get(p))) page->SetSilent(silent->checked);
}

namespace {

// A closing page goes quietly: nothing it still does may reach the user.
void Dispose(Chrome& c, int n) {
  hosts::PageHost& pages = c.WB;
  hosts::PageControl* page = pages.Page(n);
  if (!page) return;
  page->SetContainer(hosts::Container::kHidden);
  page->SetSilent(true);
  if (!page->LocationURL().empty()) page->Stop();
  if (page->HasDocument()) page->ClearDocument();
  page->SetVisible(false);
  pages.Destroy(n);
  if (c.hooks.pageClosed) c.hooks.pageClosed(n);
}

}  // namespace

// Closes the gap a tab at `position` leaves and removes its tool; the tables move left.
void Tabs::RemoveTabAt(int position, int page) {
  const int count = TabCount();
  for (int q = position; q < count; ++q) {
    const int moving = PageAtPosition.get(q + 1);
    if (hosts::PageControl* p = c_.WB.Page(moving)) p->SetTag(std::to_string(q));
    ForwardEnabled.set(q, ForwardEnabled.get(q + 1));
    BackEnabled.set(q, BackEnabled.get(q + 1));
    PageAtPosition.set(q, moving);
  }
  ForwardEnabled.set(count, false);
  BackEnabled.set(count, false);
  PageAtPosition.set(count, 0);
  toolbar::Band* tabs = c_.ab_Main.band("tb_Tabs");
  if (!tabs) return;
  // The tool at the page's position is its tab; should the two ever disagree, the
  // page's own tab goes rather than a neighbour's.
  toolbar::Tool* at = tabs->tools().at(position - 1);
  if (!at || at->name != TabName(page)) {
    toolbar::Tool* own = tabs->tools().item(TabName(page));
    if (!own) return;
    tabs->tools().remove(tabs->tools().indexOf(own));
  } else {
    tabs->tools().remove(position - 1);
  }
}

void Tabs::ClosePage(int n) {
  if (n == 0) n = ActivePage;
  hosts::PageControl* page = c_.WB.Page(n);
  if (!page || n == 0) return;
  const int position = NumberOf(page->Tag());
  if (toolbar::Tool* tab = c_.ab_Main.tool("tb_Tabs", TabName(ActivePage))) tab->checked = false;
  if (!page->LocationURL().empty() && c_.hooks.addBlocked)
    c_.hooks.addBlocked(ShortenText(page->LocationName(), 50), page->LocationURL());
  if (TabCount() <= 1) {
    CloseAllPages();
    return;
  }
  RemoveTabAt(position, n);
  const int fallback = position > 1 ? position - 1 : 1;

  int target = fallback;
  if (PreviousPage != n) {
    const hosts::PageControl* previous = c_.WB.Page(PreviousPage);
    const int tag = previous ? NumberOf(previous->Tag()) : 0;
    if (tag != 0) target = tag;
  }
  const int next = PageAtPosition.get(target);
  if (toolbar::Tool* tab = c_.ab_Main.tool("tb_Tabs", TabName(next))) tab->checked = true;
  // Only the page shown from now on lies in the page area.
  if (ActivePage != n && ActivePage != next)
    if (hosts::PageControl* old = c_.WB.Page(ActivePage)) old->SetContainer(hosts::Container::kHidden);
  PreviousPage = n == ActivePage ? PageAtPosition.get(fallback) : ActivePage;
  ActivePage = next;
  PageProgress.set(n, 0);
  PendingAddress.set(n, "");
  Dispose(c_, n);
  ShowPage(ActivePage);
}

void Tabs::CloseAllPages() {
  ClosingPages = true;
  const int count = TabCount();
  if (count == 0) return;
  for (int p = 1; p <= count; ++p) {
    ForwardEnabled.set(p, false);
    BackEnabled.set(p, false);
    const int n = PageAtPosition.get(p);
    PageAtPosition.set(p, 0);
    if (n > 0) {
      PageProgress.set(n, 0);
      PendingAddress.set(n, "");
      Dispose(c_, n);
    }
    if (c_.hooks.watchPreviousDocument) c_.hooks.watchPreviousDocument(0);
  }
  if (toolbar::Band* tabs = c_.ab_Main.band("tb_Tabs")) tabs->tools().removeAll();
  ActivePage = PreviousPage = LastPageIndex + 1;
  AddNewPage("", true);
  ClosingPages = false;
  UpdateNavigationTools();
}

void Tabs::CloseOtherPages(int k) {
  if (k < 1)
    k = ActivePage;
  else
    ActivePage = PreviousPage = k;
  hosts::PageControl* kept = c_.WB.Page(k);
  if (!kept) return;
  ClosingPages = true;
  const toolbar::Tool* tab = c_.ab_Main.tool("tb_Tabs", TabName(k));
  const std::string caption = tab ? tab->caption : "New";
  const std::string stage = tab ? tab->tag : "";
  const std::string image = tab ? tab->image : c_.PageIconImage;

  const int position = NumberOf(kept->Tag());
  const int first = PageAtPosition.get(1);
  PageAtPosition.set(position, first);
  PageAtPosition.set(1, k);
  ForwardEnabled.set(1, ForwardEnabled.get(position));
  BackEnabled.set(1, BackEnabled.get(position));
  for (int p = TabCount(); p >= 2; --p) {
    ForwardEnabled.set(p, false);
    BackEnabled.set(p, false);
    const int n = PageAtPosition.get(p);
    PageAtPosition.set(p, 0);
    if (n > 0 && n != k) {
      PageProgress.set(n, 0);
      Dispose(c_, n);
    }
  }
  if (toolbar::Band* tabs = c_.ab_Main.band("tb_Tabs")) tabs->tools().removeAll();
  AddTabTool(caption, k, true);
  if (toolbar::Tool* again = c_.ab_Main.tool("tb_Tabs", TabName(k))) {
    again->checked = true;
    // The loading picture it had stays: the next stage change redraws it.
    again->tag = stage;
    again->image = image;
  }
  kept->SetContainer(hosts::Container::kPageArea);
  kept->SetVisible(true);
  kept->BringToFront();
  if (c_.hooks.attachPageCommands) c_.hooks.attachPageCommands(k);
  kept->SetTag("1");
  ClosingPages = false;
  kept->MoveToFill();
  // A kept page that was not the shown one must now show its own address and state.
  ShowPage(k);
}

bool Tabs::CreateFirstPage(const std::string& address) {
  hosts::PageControl* first = c_.WB.Create(1);
  if (!first) return false;
  first->SetRegisterAsBrowser(true);
  const toolbar::Tool* silent = c_.ab_Main.tool("sub_Usetools", "b_besilent");
  first->SetSilent(silent && silent->checked);
  first->SetContainer(hosts::Container::kPageArea);
  first->MoveToFill();
  LastPageIndex = ActivePage = PreviousPage = 1;
  PageAtPosition.set(1, 1);
  first->SetVisible(true);
  first->BringToFront();
  first->SetTag("1");
  if (!address.empty()) first->Navigate(address);

  c_.window.Show();
  AddTabTool("New", 1, true);
  if (toolbar::Tool* tab = c_.ab_Main.tool("tb_Tabs", "tabs-1")) tab->checked = true;
  if (c_.hooks.attachPageCommands) c_.hooks.attachPageCommands(1);
  UpdateStopTool();
  return true;
}

void Tabs::DrawProgress(int percent) {
  // Nothing left to show once a load has finished (its tab shows the page icon again).
  if (percent >= 100) {
    progress_.Draw(0, false);
    return;
  }
  const hosts::PageControl* active = c_.WB.Page(ActivePage);
  progress_.Draw(percent, active && active->Busy());
}

bool Tabs::UpdateStopTool() {
  const hosts::PageControl* active = c_.WB.Page(ActivePage);
  const int p = PageProgress.get(ActivePage);
  const bool loading = active && p < 100 && (p > 0 || active->Busy());
  bool changed = false;
  for (const char* band : {"tb_Main", "sub_View"}) {
    toolbar::Tool* stop = c_.ab_Main.tool(band, "b_stop");
    if (stop && stop->enabled != loading) {
      stop->enabled = loading;
      changed = true;
    }
  }
  return changed;
}

void Tabs::UpdateNavigationTools() {
  if (ClosingPages) return;
  const int position = PositionOf(ActivePage);
  if (toolbar::Tool* forward = c_.ab_Main.tool("tb_Main", "b_forward")) forward->enabled = ForwardEnabled.get(position);
  if (toolbar::Tool* back = c_.ab_Main.tool("tb_Main", "b_back")) back->enabled = BackEnabled.get(position);
  UpdateStopTool();
  c_.ab_Main.recalcLayout();
}

int Tabs::TabCount() const {
  const toolbar::Band* tabs = c_.ab_Main.band("tb_Tabs");
  return tabs ? tabs->tools().count() : 0;
}

int Tabs::PositionOf(int n) const {
  const hosts::PageControl* page = c_.WB.Page(n);
  return page ? NumberOf(page->Tag()) : 0;
}

int Tabs::PageBeside(int step) const {
  const int count = TabCount();
  if (count < 1) return 0;
  const int position = std::clamp(PositionOf(ActivePage), 1, count);
  const int to = ((position - 1 + step) % count + count) % count + 1;
  return PageAtPosition.get(to);
}

void Tabs::OnWindowClosing(int n, bool& cancel) {
  if (ClosingPages) return;
  cancel = true;
  hosts::PageControl* page = c_.WB.Page(n);
  if (n == 0 || !page) return;  // the sink of refused windows stays
  if (n == ActivePage) {
    ClosePage(n);
    return;
  }
  RemoveTabAt(NumberOf(page->Tag()), n);
  if (PreviousPage == n) PreviousPage = ActivePage;
  PageProgress.set(n, 0);
  Dispose(c_, n);
  c_.ab_Main.recalcLayout();
}

}  // namespace zor::shell
