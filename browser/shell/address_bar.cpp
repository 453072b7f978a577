#include "browser/shell/address_bar.h"

#include <algorithm>
#include <string>
#include <vector>

#include "browser/shell/address.h"
#include "common/files.h"
#include "common/ini.h"

namespace zor::shell {

namespace {

constexpr const char* kTypedSection = "TypedURLs";

// Byte length of the first `count` characters of UTF-8 text (all of it when shorter).
size_t CharsPrefix(const std::string& text, size_t count) {
  size_t at = 0;
  for (size_t chars = 0; at < text.size() && chars < count; ++chars) {
    ++at;
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) ++at;
  }
  return at;
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The store's values url0, url1, ...: 0 may be missing, then up to the first gap.
std::vector<std::string> ReadTypedUrls(const std::string& path) {
  std::vector<std::string> urls;
  if (path.empty()) return urls;
  const std::optional<IniDocument> doc = IniDocument::Load(path);
  if (!doc) return urls;
  for (int i = 0;; ++i) {
    const std::optional<std::string> value = doc->Get(kTypedSection, "url" + std::to_string(i));
    if (!value || value->empty()) {
      if (i == 0) continue;
      break;
    }
    urls.push_back(*value);
  }
  return urls;
}

// Newest first, each address once, at most `kept` of them; replaced atomically so a
// crash never leaves half a list.
void RecordTypedUrl(const std::string& path, const std::string& url, int kept) {
  if (path.empty() || url.empty() || url.find_first_of("\r\n") != std::string::npos) return;
  std::vector<std::string> urls = ReadTypedUrls(path);
  urls.erase(std::remove(urls.begin(), urls.end(), url), urls.end());
  urls.insert(urls.begin(), url);
  if (static_cast<int>(urls.size()) > kept) urls.resize(kept);
  std::string text = "[" + std::string(kTypedSection) + "]\n";
  for (size_t i = 0; i < urls.size(); ++i) text += "url" + std::to_string(i + 1) + "=" + urls[i] + "\n";
  WriteFileAtomic(path, text);
}

}  // namespace

void AddressBar::LoadTypedUrls() {
  for (const std::string& url : ReadTypedUrls(c_.window.TypedUrlsFile())) c_.window.AddAddressItem(url);
}

void AddressBar::Go(bool new_page) {
  std::string t = c_.window.AddressText();
  // Up to four leading blanks go from a text longer than four characters; a blank
  // between typed words stays ("how to" is not "howto").
  if (CharsPrefix(t, 4) < t.size()) t.erase(0, std::min<size_t>(t.find_first_not_of(' '), 4));
  // Only an address the engine cannot load at all is changed ("example.org" with no
  // scheme, words to search for); the box then shows what is really opened. The list
  // keeps the words, not the search service's address.
  const std::string typed = IsSearchText(t) ? Trim(t) : std::string();
  const std::string loadable = LoadableAddress(t, c_.SearchTemplate);
  if (loadable != t) {
    t = loadable;
    c_.window.SetAddressText(t);
  }
  if (!new_page) {
    hosts::PageControl* page = c_.WB.Page(tabs_.ActivePage);
    // Enter in an empty box leaves the page where it is.
    if (!page || t.empty()) return;
    page->Navigate(t);
  } else {
    tabs_.AddNewPage(t, true);
  }
  RecordTypedUrl(c_.window.TypedUrlsFile(), typed.empty() ? Trim(t) : typed, kTypedUrlsKept);
  c_.window.SelectAllAddress();
  if (hosts::PageControl* page = c_.WB.Page(tabs_.ActivePage)) page->MoveToFill();
}

void AddressBar::OnAddressEnter(bool ctrl, bool shift, bool alt) { Go(ctrl && !shift && !alt); }

void AddressBar::OnAddressListPick() { Go(false); }

void AddressBar::OnAddressEscape() {
  hosts::PageControl* page = c_.WB.Page(tabs_.ActivePage);
  const std::string shown = page ? ShowBlanks(page->LocationURL()) : std::string();
  if (c_.window.AddressText() != shown) {
    c_.window.SetAddressText(shown);
    c_.window.SelectAllAddress();
  } else if (page) {
    page->Focus();
  }
}

void AddressBar::OnAddressDrop(const std::string& text) {
  if (!text.empty()) c_.window.SetAddressText(text);
  Go(true);
}

int AddressBoxWidthTwips(int window_twips, bool same_row_as_main, int band_left_twips) {
  if (same_row_as_main) {
    const int width = window_twips - 11430;
    return width < 0 ? 3000 : width;
  }
  return window_twips - band_left_twips - 3200;
}

void AddressBar::OnBandResize(toolbar::Band&) { ApplyAddressBoxWidth(); }

void AddressBar::ApplyAddressBoxWidth() {
  const toolbar::Band* address = c_.ab_Main.band("tb_Addressbar");
  const toolbar::Band* main = c_.ab_Main.band("tb_Main");
  toolbar::Tool* box = c_.ab_Main.tool("tb_Addressbar", "ctl_addr");
  if (!address || !box) return;
  constexpr int kTwipsPerPixel = 15;
  const bool same_row = main && main->docking == address->docking && main->dock_row == address->dock_row;
  const int twips = AddressBoxWidthTwips(c_.window.InnerWidth() * kTwipsPerPixel, same_row,
                                         c_.window.BandLeft("tb_Addressbar") * kTwipsPerPixel);
  const int pixels = twips > 0 ? twips / kTwipsPerPixel : 0;
  // Only a real change relays out: the relayout reports the bands again.
  if (box->width == pixels) return;
  box->width = pixels;
  c_.ab_Main.recalcLayout();
}

}  // namespace zor::shell
