// The command-line and typed-address normaliser from arbitrary text: the result is the
// text (trimmed or not), the trimmed text behind "http://", or a file: URI of plain
// characters and escapes; a normalised address is left as it is; a file beside the
// working folder opens as a file.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "browser/shell/address.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

bool PlainUri(const std::string& uri) {
  for (size_t i = 0; i < uri.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(uri[i]);
    if (c <= ' ' || c >= 0x7f) return false;
    if (c == '%' && (i + 2 >= uri.size() || !std::isxdigit(static_cast<unsigned char>(uri[i + 1])) ||
                     !std::isxdigit(static_cast<unsigned char>(uri[i + 2]))))
      return false;
  }
  return true;
}

// A working folder with one page in it, for StartAddress.
const std::string& Folder() {
  static const std::string folder = [] {
    const auto dir = std::filesystem::temp_directory_path() / ("zor-fuzz-address-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "docs");
    std::ofstream(dir / "docs/a.html") << "<p>a</p>";
    return dir.string();
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zor::shell;
  FuzzedDataProvider in(data, size);
  const bool beside = in.ConsumeBool();
  std::string text = in.ConsumeRemainingBytesAsString();
  if (beside) text = "docs/" + text;

  // Blanks around typed text are no part of the address.
  const size_t first = text.find_first_not_of(" \t");
  const std::string trimmed =
      first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(" \t") - first + 1);
  const std::string loadable = LoadableAddress(text);
  if (!trimmed.empty() && trimmed[0] == '/') {
    Check(loadable.rfind("file:///", 0) == 0 && PlainUri(loadable));
  } else {
    Check(loadable == text || loadable == trimmed || loadable == "http://" + trimmed);
  }
  Check(LoadableAddress(loadable) == loadable);

  const std::string start = StartAddress(text, Folder());
  if (start != loadable) Check(start.rfind("file:///", 0) == 0 && PlainUri(start));
  if (text == "docs/a.html") Check(start.size() > 11 && start.compare(start.size() - 11, 11, "docs/a.html") == 0);

  const std::string shown = ShowBlanks(text);
  Check(shown.size() <= text.size());
  if (text.find("%20") == std::string::npos) Check(shown == text);
  return 0;
}
