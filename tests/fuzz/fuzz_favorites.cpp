// A favorite's address from an internet shortcut (.url) or a desktop link (.desktop) of
// arbitrary bytes: any address found is UTF-8 and survives being written as a shortcut
// again, and any address the menu writes reads back less its line breaks and outer blanks.
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

// The address as the menu writes it and reads it back: without line breaks and NULs,
// blanks around it trimmed.
std::string Written(const std::string& address) {
  std::string clean;
  for (char ch : address)
    if (ch != '\r' && ch != '\n' && ch != '\0') clean += ch;
  const size_t first = clean.find_first_not_of(" \t");
  return first == std::string::npos ? std::string() : clean.substr(first, clean.find_last_not_of(" \t") - first + 1);
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
    Check(UrlOf(ShortcutText(url), "url") == Written(url));
  }
  if (zor::IsValidUtf8(address)) Check(UrlOf(ShortcutText(address), "url") == Written(address));
  return 0;
}
