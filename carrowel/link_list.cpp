#include "carrowel/link_list.h"

#include "common/ini_text.h"

namespace zor::carrowel {

std::string JoinEntries(const std::vector<std::string>& entries) {
  std::string text;
  for (const std::string& entry : entries) text += entry + "\r\n";
  return text;
}

std::vector<std::string> ParseLinkList(const std::string& bytes) {
  const std::string text = DecodeLegacyText(bytes);
  std::vector<std::string> entries;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const size_t first = text.find_first_not_of(" \t", start);
    if (first != std::string::npos && first < end) {
      const size_t last = text.find_last_not_of(" \t", end - 1);
      entries.push_back(text.substr(first, last - first + 1));
    }
    if (end == text.size()) break;
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return entries;
}

}  // namespace zor::carrowel
