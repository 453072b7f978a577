// Whole-page zoom: the steps of the zoom keys, the level a site keeps across tabs, and
// the status tool that shows it.
#include "browser/commands/page_zoom.h"

#include <gtest/gtest.h>

#include <string>

#include "commands/command_fixture.h"

namespace zor::testing {
namespace {

using commands::PageZoom;

TEST(PageZoomSteps, MoveAlongTheScaleAndStopAtItsEnds) {
  struct Case {
    int from, direction, to;
  } const cases[] = {
      {100, 1, 110}, {100, -1, 90},  {133, 1, 150},  {67, -1, 50}, {300, 1, 300}, {30, -1, 30},
      {105, 1, 110}, {105, -1, 100}, {500, -1, 300}, {10, 1, 30},  {240, 0, 100}, {30, 0, 100},
  };
  for (const Case& c : cases) EXPECT_EQ(PageZoom::Step(c.from, c.direction), c.to) << c.from << " by " << c.direction;
  EXPECT_EQ(PageZoom::StatusText(100), "");
  EXPECT_EQ(PageZoom::StatusText(120), "120%");
  EXPECT_EQ(PageZoom::StatusText(67), "67%");
}

class PageZoomForm : public CommandFixture {
 protected:
  // The page commits `url`, as the engine reports it.
  void Commit(int n, const std::string& url) {
    Load(n, url);
    pages.events.navigateComplete2(n, url);
  }
  std::string Status() {
    const toolbar::Tool& tool = Tool("sb_Status", "b_zoomlevel");
    return tool.visible ? tool.caption : "(hidden)";
  }
};

TEST_F(PageZoomForm, ASiteKeepsItsLevelInEveryTabForTheRun) {
  Commit(1, "http://127.0.0.1:8001/a");
  EXPECT_EQ(Status(), "(hidden)");
  Click("sub_View", "b_zoomin");
  Click("sub_View", "b_zoomin");
  EXPECT_EQ(Page(1)->page_zoom, 120);
  EXPECT_EQ(Status(), "120%");

  const int same = OpenPage("");
  Commit(same, "http://127.0.0.1:8001/b");
  EXPECT_EQ(Page(same)->page_zoom, 120);
  const int other = OpenPage("");
  Commit(other, "http://127.0.0.2:8001/");
  EXPECT_EQ(Page(other)->page_zoom, 100);
  EXPECT_EQ(Status(), "(hidden)");
  // Ctrl and the wheel over the shown page; a hidden page's wheel changes nothing.
  pages.events.zoomWheel(other, -1);
  pages.events.zoomWheel(1, 1);
  EXPECT_EQ(Page(other)->page_zoom, 90);
  EXPECT_EQ(Page(1)->page_zoom, 120);
  EXPECT_EQ(Status(), "90%");

  form->tabs.SelectPage(1);
  EXPECT_EQ(Status(), "120%");
  // The other site's page leaving for this site takes this site's level.
  Commit(other, "http://127.0.0.1:8001/c");
  EXPECT_EQ(Page(other)->page_zoom, 120);
  // The status tool resets the site; its next page opens at 100%.
  Click("sb_Status", "b_zoomlevel");
  EXPECT_EQ(Page(1)->page_zoom, 100);
  EXPECT_EQ(Status(), "(hidden)");
  Commit(same, "http://127.0.0.1:8001/d");
  EXPECT_EQ(Page(same)->page_zoom, 100);

  for (int i = 0; i < 20; ++i) Click("sub_View", "b_zoomout");
  EXPECT_EQ(Page(1)->page_zoom, 30);
  Click("sub_View", "b_zoomreset");
  EXPECT_EQ(Page(1)->page_zoom, 100);
}

}  // namespace
}  // namespace zor::testing
