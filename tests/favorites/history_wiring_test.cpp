// The main window's page events reach the URL history.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/shell/main_form.h"
#include "common/temp_dir.h"
#include "fakes/fake_hosts.h"

namespace zor::favorites {
namespace {

TEST(HistoryWiringTest, CommitsAndTitlesOfPagesAreRecordedAndTheSinkIsNot) {
  testing::TempDir dir;
  toolbar::ToolbarControl toolbar;
  fakes::FakePageHost pages;
  fakes::FakeWindow window;
  shell::MainForm form(toolbar, pages, window, dir.path());
  form.History.SetFile(dir / "history.sqlite");
  form.WireEvents();
  pages.Create(1);
  ASSERT_TRUE(pages.events.navigateComplete2);
  pages.events.navigateComplete2(0, "http://refused.test/");
  pages.events.navigateComplete2(1, "http://a.test/");
  pages.events.titleChange(1, "Page A");
  std::vector<std::string> entries;
  for (const STATURL& r : form.History.Store()->EnumUrls("", 0))
    entries.push_back(r.pwcsUrl + "|" + r.pwcsTitle.value_or("-"));
  EXPECT_EQ(entries, std::vector<std::string>{"http://a.test/|Page A"});
}

}  // namespace
}  // namespace zor::favorites
