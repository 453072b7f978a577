// The context menu and key hooks of the bound documents, links dragged out of a page,
// and what the content blocker asks of a page.
#include <gtest/gtest.h>

#include "protection/protection_fixture.h"

namespace zor::testing {
namespace {

using DocumentHooks = ProtectionFixture;

bool MenuRefused(hosts::PageHost& pages, int page) {
  bool cancel = false;
  pages.events.contextMenu(page, cancel);
  return cancel;
}

TEST_F(DocumentHooks, AfterATabGestureOneContextMenuIsRefused) {
  const int first = OpenShown("http://127.0.0.1/a");
  const int second = OpenShown("http://127.0.0.1/b");
  EXPECT_FALSE(MenuRefused(pages, second));
  form->statusCommands.OnStatusBoxChange("ZOR_iconleft");
  ASSERT_EQ(form->tabs.ActivePage, first);
  EXPECT_TRUE(MenuRefused(pages, first));
  EXPECT_FALSE(MenuRefused(pages, first));
  // The page that was current before never shows one.
  EXPECT_TRUE(MenuRefused(pages, second));
  EXPECT_TRUE(MenuRefused(pages, second));
  // Once the previous page is a blank one, nothing is watched there.
  const int blank = OpenShown("");
  form->tabs.SelectPage(first);
  EXPECT_FALSE(MenuRefused(pages, blank));
  EXPECT_FALSE(MenuRefused(pages, second));
}

TEST_F(DocumentHooks, ThePageShownAfterTheCurrentOneClosesKeepsItsMenu) {
  const int first = OpenShown("http://127.0.0.1/a");
  const int second = OpenShown("http://127.0.0.1/b");
  form->tabs.SelectPage(first);
  form->tabs.SelectPage(second);
  ASSERT_EQ(guard().docs.PrevDoc, first);
  form->tabs.ClosePage(second);
  ASSERT_EQ(form->tabs.ActivePage, first);
  ASSERT_EQ(guard().docs.Doc, first);
  EXPECT_FALSE(MenuRefused(pages, first));
  EXPECT_FALSE(MenuRefused(pages, first));
}

hosts::DragReport Drag(const std::string& previous, const std::string& tag, const std::string& src,
                       const std::string& data) {
  return {"dragend", previous, tag, src, data};
}

TEST_F(DocumentHooks, ALinkDraggedOutOfThePageOpensInTheBackground) {
  const int n = OpenShown("http://127.0.0.1/a");
  const int tabs = form->tabs.TabCount();
  auto opened = [&](const hosts::DragReport& drag, bool drop_opens) {
    hook.open_drop = drop_opens;
    const int last = form->tabs.LastPageIndex;
    pages.events.dragEvent(n, drag);
    if (form->tabs.LastPageIndex == last) return std::string();
    const fakes::FakePage* page = Page(form->tabs.LastPageIndex);
    return page && !page->navigations.empty() ? page->navigations.back() : std::string("?");
  };
  EXPECT_EQ(opened(Drag("dragleave", "A", "", "http://127.0.0.1/link"), true), "http://127.0.0.1/link");
  EXPECT_EQ(form->tabs.ActivePage, n);
  EXPECT_EQ(form->tabs.TabCount(), tabs + 1);
  EXPECT_FALSE(hook.first_passed);
  // An image gives its own address, whatever the drag data holds.
  EXPECT_EQ(opened(Drag("dragleave", "IMG", "http://127.0.0.1/pic.png", "other"), true), "http://127.0.0.1/pic.png");
  // Dropped inside the page: no leave before the end, or the hook says no.
  EXPECT_EQ(opened(Drag("dragstart", "A", "", "http://127.0.0.1/link"), true), "");
  EXPECT_EQ(opened(Drag("dragleave", "A", "", "http://127.0.0.1/link"), false), "");
  // Text that is no address: "://" must come within the first eight characters.
  EXPECT_EQ(opened(Drag("dragleave", "P", "", "see http://127.0.0.1/x"), true), "");
  EXPECT_EQ(opened(Drag("dragleave", "P", "", "file:///tmp/x.html"), true), "file:///tmp/x.html");
  EXPECT_EQ(opened(Drag("dragleave", "P", "", "\xE7\xBD\x91\xE5\x9D\x80://x"), true), "\xE7\xBD\x91\xE5\x9D\x80://x");
  // A drag that starts in the page drops what an earlier drag left in the hook: it ends
  // inside the page, so nothing opens.
  hook.open_drop = true;
  pages.events.dragEvent(n, {"dragstart", "", "", "", ""});
  EXPECT_EQ(opened(Drag("dragleave", "A", "", "http://127.0.0.1/link"), hook.open_drop), "");
  // Without a hook no drag opens anything.
  form->chrome.input_hook = nullptr;
  EXPECT_EQ(opened(Drag("dragleave", "A", "", "http://127.0.0.1/link"), true), "");
}

using ContentBlocker = ProtectionFixture;

TEST_F(ContentBlocker, ReadyCurrentPagesAreStrippedAsTheTogglesSay) {
  const int n = OpenShown("http://127.0.0.1/a");
  Page(n)->scripts.clear();
  // The status text of the current page runs the pass.
  pages.events.statusTextChange(n, "");
  ASSERT_EQ(Page(n)->scripts.size(), 1u);
  EXPECT_EQ(Page(n)->scripts[0].find("d.images"), std::string::npos);
  EXPECT_EQ(Page(n)->scripts[0].find("EMBED"), std::string::npos);
  EXPECT_NE(Page(n)->scripts[0].find("dragstart"), std::string::npos);  // the drag hook goes on every pass

  // Toggling runs it on the current page with the new state.
  toolbar.fireToolClick(*Tool("sub_ContentBlock", "b_imgs"));
  ASSERT_EQ(Page(n)->scripts.size(), 2u);
  EXPECT_NE(Page(n)->scripts[1].find("d.images"), std::string::npos);
  EXPECT_TRUE(pages.images_blocked);
  toolbar.fireToolClick(*Tool("sub_ContentBlock", "b_swfs"));
  EXPECT_NE(Page(n)->scripts.back().find("\"swf\""), std::string::npos);

  // A page not yet started, a background page's status, a blank page: nothing runs.
  Page(n)->ready_state = 0;
  pages.events.statusTextChange(n, "");
  const int background = OpenShown("http://127.0.0.1/b");
  form->tabs.SelectPage(n);
  Page(n)->ready_state = 4;
  Page(background)->scripts.clear();
  pages.events.statusTextChange(background, "");
  EXPECT_TRUE(Page(background)->scripts.empty());
  // Its title change still strips its frames, and only them.
  pages.events.titleChange(background, "B");
  ASSERT_EQ(Page(background)->scripts.size(), 1u);
  EXPECT_EQ(Page(background)->scripts[0].find("hook(document)"), std::string::npos);
  EXPECT_NE(Page(background)->scripts[0].find("window.frames"), std::string::npos);
}

}  // namespace
}  // namespace zor::testing
