// The basket's link list files (".LSV") from arbitrary bytes: every entry is a trimmed,
// non-empty line, and the entries written back read back unchanged.
#include <cstdint>
#include <string>
#include <vector>

#include "carrowel/link_list.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zor::carrowel;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> entries = ParseLinkList(bytes);
  for (const std::string& entry : entries) {
    Check(!entry.empty() && entry.find_first_of("\r\n") == std::string::npos);
    Check(entry.front() != ' ' && entry.front() != '\t' && entry.back() != ' ' && entry.back() != '\t');
  }
  Check(ParseLinkList(JoinEntries(entries)) == entries);
  return 0;
}
