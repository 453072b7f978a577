// The address box: its list of typed addresses, Go, the box's own events, and the
// width it takes beside the other bands.
#pragma once

#include <string>

#include "browser/shell/chrome.h"
#include "browser/shell/tabs.h"

namespace zor::shell {

// Width of the address box, in twips, for a window `window_twips` wide: beside the main
// tool bar (the same docking row) what the buttons leave, else up to the window's edge
// from the band's left edge.
int AddressBoxWidthTwips(int window_twips, bool same_row_as_main, int band_left_twips);

class AddressBar {
 public:
  AddressBar(Chrome& chrome, Tabs& tabs) : c_(chrome), tabs_(tabs) {}

  void LoadTypedUrls();
  void Go(bool new_page);
  // Box events: Enter (Ctrl alone opens a new tab), a list entry chosen, a drop, focus.
  void OnAddressEnter(bool ctrl, bool shift, bool alt);
  void OnAddressListPick();
  void OnAddressDrop(const std::string& text);  // empty when the data held no text or link
  void OnAddressFocus(bool got) { AddressFocusFlag = got ? 1 : 0; }
  // Escape in the box: half-typed text gives way to the shown page's address; with that
  // address already there, the page takes the focus.
  void OnAddressEscape();
  int AddressFocusFlag = 0;
  static constexpr int kTypedUrlsKept = 25;
  // The bands moved: the address box takes the width of the rule above.
  void OnBandResize(toolbar::Band& band);
  // The width rule itself, shared by band and window resizes.
  void ApplyAddressBoxWidth();

 private:
  Chrome& c_;
  Tabs& tabs_;
};

}  // namespace zor::shell
