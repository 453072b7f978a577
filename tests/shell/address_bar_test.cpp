// The address box: typed addresses in and out of their store, Go and the box's events,
// and the width rule.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "common/files.h"
#include "common/ini.h"
#include "tab_fixture.h"

namespace zor::testing {
namespace {

class AddressBarTest : public TabFixture {
 protected:
  void BeforeStart() override {
    std::ofstream(window.typed_urls_file) << "[TypedURLs]\nurl1=http://one/\nurl2=http://two/\nurl4=http://four/\n";
  }
  std::vector<std::string> Stored() {
    std::vector<std::string> urls;
    const auto doc = IniDocument::Load(window.typed_urls_file);
    for (int i = 1; doc; ++i) {
      auto value = doc->Get("TypedURLs", "url" + std::to_string(i));
      if (!value) break;
      urls.push_back(*value);
    }
    return urls;
  }
  void Type(const std::string& text) { window.address_text = text; }
};

TEST_F(AddressBarTest, TheListHoldsTypedAddressesUpToTheFirstGap) {
  EXPECT_EQ(window.address_items, (std::vector<std::string>{"About:Blank", "http://one/", "http://two/"}));

  std::ofstream(window.typed_urls_file) << "[TypedURLs]\nurl0=http://zero/\nurl1=http://one/\n";
  window.address_items.clear();
  form->address.LoadTypedUrls();
  EXPECT_EQ(window.address_items, (std::vector<std::string>{"http://zero/", "http://one/"}));

  std::remove(window.typed_urls_file.c_str());
  window.address_items.clear();
  form->address.LoadTypedUrls();
  EXPECT_TRUE(window.address_items.empty());
}

TEST_F(AddressBarTest, EnterNavigatesWithoutTheLeadingBlanks) {
  Type("  http://127.0.0.1:8080/a b");
  form->address.OnAddressEnter(false, false, false);
  EXPECT_EQ(Page(1)->navigations, std::vector<std::string>{"http://127.0.0.1:8080/a b"});
  EXPECT_EQ(window.select_alls, 1);
  EXPECT_EQ(form->tabs.TabCount(), 1);

  // Only the first four characters lose their blanks; short texts stay as typed.
  Type("    about:blank  ");
  form->address.OnAddressEnter(false, false, false);
  EXPECT_EQ(Page(1)->navigations.back(), "about:blank  ");
  Type("     x:y");
  form->address.OnAddressEnter(false, false, false);
  EXPECT_EQ(Page(1)->navigations.back(), " x:y");
  Type(" a:b");
  form->address.OnAddressEnter(false, false, false);
  EXPECT_EQ(Page(1)->navigations.back(), " a:b");
  // Characters, not bytes: four two-byte letters are not "longer than 4"; a word is
  // looked up by the search service.
  form->chrome.SearchTemplate = "http://127.0.0.1:9/?q={query}";
  Type("  éé");
  form->address.OnAddressEnter(false, false, false);
  EXPECT_EQ(Page(1)->navigations.back(), "http://127.0.0.1:9/?q=%C3%A9%C3%A9");
  // Only leading blanks go: words keep the blank between them.
  Type("how to");
  form->address.OnAddressEnter(false, false, false);
  EXPECT_EQ(Page(1)->navigations.back(), "http://127.0.0.1:9/?q=how%20to");
}

TEST_F(AddressBarTest, AnAddressWithoutSchemeOpensAsHttp) {
  Type("  example.org/path");
  form->address.OnAddressEnter(false, false, false);
  EXPECT_EQ(Page(1)->navigations.back(), "http://example.org/path");
  EXPECT_EQ(window.address_text, "http://example.org/path") << "the box shows what is opened";
  Type("");
  form->address.OnAddressEnter(false, false, false);
  EXPECT_EQ(Page(1)->navigations.size(), 1u) << "an empty box opens nothing";
}

TEST_F(AddressBarTest, CtrlEnterAloneOpensANewForegroundTab) {
  Type("http://new/");
  form->address.OnAddressEnter(true, false, false);
  ASSERT_EQ(form->tabs.TabCount(), 2);
  EXPECT_EQ(form->tabs.ActivePage, 2);
  EXPECT_EQ(Page(2)->navigations, std::vector<std::string>{"http://new/"});
  EXPECT_TRUE(Page(1)->navigations.empty()) << "the old tab is left as it was";

  Type("http://same/");
  form->address.OnAddressEnter(true, true, false);
  form->address.OnAddressEnter(true, false, true);
  EXPECT_EQ(form->tabs.TabCount(), 2);
  EXPECT_EQ(Page(2)->navigations, (std::vector<std::string>{"http://new/", "http://same/", "http://same/"}));
}

TEST_F(AddressBarTest, ListPicksAndDrops) {
  Type("http://two/");
  form->address.OnAddressListPick();
  EXPECT_EQ(Page(1)->navigations, std::vector<std::string>{"http://two/"});

  Type("http://typed/");
  form->address.OnAddressDrop("http://dropped/link");
  EXPECT_EQ(form->tabs.TabCount(), 2);
  EXPECT_EQ(Page(2)->navigations, std::vector<std::string>{"http://dropped/link"});
  EXPECT_EQ(window.address_text, "") << "a fresh tab clears the box until its page reports";
  Type("http://box/");
  form->address.OnAddressDrop("");  // neither text nor a link: the box's own text
  EXPECT_EQ(form->tabs.TabCount(), 3);
  EXPECT_EQ(Page(3)->navigations, std::vector<std::string>{"http://box/"});

  form->address.OnAddressFocus(true);
  EXPECT_EQ(form->address.AddressFocusFlag, 1);
  form->address.OnAddressFocus(false);
  EXPECT_EQ(form->address.AddressFocusFlag, 0);
}

TEST_F(AddressBarTest, GoRecordsTypedAddressesNewestFirstOnceEach) {
  Type("http://two/");
  form->address.Go(false);
  EXPECT_EQ(Stored(), (std::vector<std::string>{"http://two/", "http://one/"})) << "read up to the gap, rewritten whole";
  Type("  example.org");
  form->address.Go(true);
  EXPECT_EQ(Stored().front(), "http://example.org");
  for (int i = 0; i < 40; ++i) {
    Type("http://site" + std::to_string(i) + "/");
    form->address.Go(false);
  }
  const std::vector<std::string> urls = Stored();
  ASSERT_EQ(urls.size(), static_cast<size_t>(shell::AddressBar::kTypedUrlsKept));
  EXPECT_EQ(urls.front(), "http://site39/");
  EXPECT_EQ(urls.back(), "http://site15/");
  // No temporary left beside the store.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) files += entry.path().extension() != ".tb2";
  EXPECT_EQ(files, 1);
}

TEST(AddressBoxWidth, BesideTheToolbarOrOnItsOwnRow) {
  EXPECT_EQ(shell::AddressBoxWidthTwips(14000, true, 0), 2570);
  EXPECT_EQ(shell::AddressBoxWidthTwips(12000, true, 0), 570);
  EXPECT_EQ(shell::AddressBoxWidthTwips(11000, true, 0), 3000);
  EXPECT_EQ(shell::AddressBoxWidthTwips(11430, true, 0), 0);
  EXPECT_EQ(shell::AddressBoxWidthTwips(14000, false, 0), 10800);
  EXPECT_EQ(shell::AddressBoxWidthTwips(14000, false, 1500), 9300);
}

// Escape: half-typed text goes back to the shown page's address; a second Escape gives
// the page the focus; the text is never touched by it.
TEST_F(AddressBarTest, EscapeRestoresTheShownAddressThenFocusesThePage) {
  const int n = Open("http://127.0.0.1:9/a b");
  Page(n)->location = "http://127.0.0.1:9/a b";
  Type("http://127.0.0.1:9/half-ty");
  const int focused = Page(n)->focused;
  form->address.OnAddressEscape();
  EXPECT_EQ(window.address_text, "http://127.0.0.1:9/a b");
  EXPECT_TRUE(window.all_selected);
  EXPECT_EQ(Page(n)->focused, focused);
  form->address.OnAddressEscape();
  EXPECT_EQ(Page(n)->focused, focused + 1);
  EXPECT_EQ(window.address_text, "http://127.0.0.1:9/a b");
}

TEST_F(AddressBarTest, MovingTheBandsAppliesTheWidthRule) {
  toolbar::Band* address = toolbar.band("tb_Addressbar");
  toolbar::Tool* box = toolbar.tool("tb_Addressbar", "ctl_addr");
  window.inner_width = 14000 / 15;
  toolbar.fireBandResize(*address);
  EXPECT_EQ(box->width * 15, 2565) << "2570 twips, in whole pixels";
  address->dock_row = 2;
  window.band_left["tb_Addressbar"] = 100;
  toolbar.fireBandResize(*address);
  EXPECT_EQ(box->width, 619) << "933 px window, band at 100 px: 13995 - 1500 - 3200 twips";
  window.inner_width = 300;  // narrower than the band's own start and margin: no box, not a negative one
  toolbar.fireBandResize(*address);
  EXPECT_EQ(box->width, 0);
}

}  // namespace
}  // namespace zor::testing
