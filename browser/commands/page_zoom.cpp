#include "browser/commands/page_zoom.h"

#include <iterator>

#include "browser/commands/proxy_menu.h"

namespace zor::commands {

namespace {

// The same scale as the common desktop browsers', so the keys feel familiar.
constexpr int kSteps[] = {30, 50, 67, 80, 90, 100, 110, 120, 133, 150, 170, 200, 240, 300};

}  // namespace

int PageZoom::Step(int percent, int direction) {
  if (direction > 0) {
    for (int step : kSteps)
      if (step > percent) return step;
    return std::end(kSteps)[-1];
  }
  if (direction < 0) {
    for (auto it = std::rbegin(kSteps); it != std::rend(kSteps); ++it)
      if (*it < percent) return *it;
    return kSteps[0];
  }
  return 100;
}

std::string PageZoom::StatusText(int percent) { return percent == 100 ? std::string() : std::to_string(percent) + "%"; }

void PageZoom::Change(int direction) {
  const int page = tabs_.ActivePage;
  if (!c_.WB.Page(page)) return;
  const int level = Step(LevelOf(page), direction);
  const std::string site = sites_.get(page);
  if (!site.empty()) {
    if (level == 100)
      by_site_.erase(site);
    else
      by_site_[site] = level;
  }
  Apply(page, level);
}

void PageZoom::OnNavigateComplete(int page, const std::string& url) {
  // Pages without a host (files, blank pages) keep no level of their own.
  const std::string site = url.find("://") == std::string::npos ? std::string() : HostPart(url);
  sites_.set(page, site);
  const auto kept = by_site_.find(site);
  Apply(page, site.empty() || kept == by_site_.end() ? 100 : kept->second);
}

void PageZoom::OnPageShown(int page) {
  if (page == tabs_.ActivePage) ShowStatus();
}

void PageZoom::Apply(int page, int percent) {
  hosts::PageControl* control = c_.WB.Page(page);
  if (!control) return;
  if (LevelOf(page) != percent) control->SetPageZoom(percent);
  levels_.set(page, percent);
  if (page == tabs_.ActivePage) ShowStatus();
}

void PageZoom::ShowStatus() {
  toolbar::Tool* tool = c_.ab_Main.tool("sb_Status", "b_zoomlevel");
  if (!tool) return;
  const std::string text = StatusText(LevelOf(tabs_.ActivePage));
  if (tool->caption == text && tool->visible == !text.empty()) return;
  tool->caption = text;
  tool->visible = !text.empty();
  c_.ab_Main.recalcLayout();
}

}  // namespace zor::commands
