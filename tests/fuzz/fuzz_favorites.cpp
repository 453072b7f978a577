// A favorite's address from an internet shortcut (.url) or a desktop link (.desktop) of
// arbitrary bytes: any address found is UTF-8 and survives being written as a shortcut
// again, and an address the menu writes reads back as it was given.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "browser/favorites/favorites_menu.h"
#include "common/ini.h"
#include "common/text_width.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

std::string UrlOf(const std::string& text, const std::string& ext) {
  return zor::favorites::ShortcutDocumentUrl(zor::IniDocument::Parse(text), ext);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zor::favorites;
  FuzzedDataProvider in(data, size);
  const std::string ext = in.ConsumeBool() ? "url" : "desktop";
  const std::string address = in.ConsumeRandomLengthString(300);
  const std::string text = in.ConsumeRemainingBytesAsString();

  const std::string url = UrlOf(text, ext);
  if (!url.empty()) {
    Check(zor::IsValidUtf8(url));
    Check(UrlOf(ShortcutText(url), "url") == url);
  }

  // What the menu writes for a page it is given: the address less its line breaks and NULs.
  std::string clean;
  for (char ch : address)
    if (ch != '\r' && ch != '\n' && ch != '\0') clean += ch;
  const size_t first = clean.find_first_not_of(" \t");
  clean = first == std::string::npos ? std::string() : clean.substr(first, clean.find_last_not_of(" \t") - first + 1);
  if (zor::IsValidUtf8(clean)) Check(UrlOf(ShortcutText(address), "url") == clean);
  return 0;
}
