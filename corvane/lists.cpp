#include "corvane/lists.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "common/files.h"
#include "common/text_width.h"

namespace zor::corvane {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return Lower(x) == Lower(y);
         });
}

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                     [](char x, char y) { return Lower(x) == Lower(y); }) != haystack.end();
}

}  // namespace

std::string ListFilePath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool ReadListFile(const std::string& path, std::vector<std::string>& list) {
  list.clear();
  const std::optional<std::string> data = ReadWholeFile(path);
  if (!data) {
    struct stat st;
    return ::lstat(path.c_str(), &st) != 0 && errno == ENOENT;
  }
  list = SplitListText(*data);
  return true;
}

std::vector<std::string> SplitListText(std::string_view text) {
  std::vector<std::string> list;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      list.emplace_back(text.substr(start));
      break;
    }
    list.emplace_back(text.substr(start, end - start));
    start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
  return list;
}

void WriteListFile(const std::string& path, const std::vector<std::string>& list) {
  std::string data;
  for (const std::string& entry : list) {
    data += entry;
    data += "\r\n";
  }
  std::string error;
  if (!WriteFileAtomic(path, data, &error)) throw std::runtime_error(error.empty() ? "cannot write " + path : error);
}

bool PatternMatch(std::string_view entry, std::string_view address) {
  // A blank line in the list would otherwise block every address.
  if (entry.empty()) return false;
  static constexpr std::string_view kMarker = "{*}";
  bool any_piece = false;
  size_t start = 0;
  for (;;) {
    const size_t marker = entry.find(kMarker, start);
    const std::string_view piece =
        entry.substr(start, marker == std::string_view::npos ? std::string_view::npos : marker - start);
    if (!piece.empty()) {
      any_piece = true;
      if (!ContainsNoCase(address, piece)) return false;
    }
    if (marker == std::string_view::npos) break;
    start = marker + kMarker.size();
  }
  return any_piece || ContainsNoCase(address, entry);
}

int FindExact(const std::vector<std::string>& list, std::string_view s) {
  for (size_t i = 0; i < list.size(); ++i)
    if (EqualNoCase(list[i], s)) return static_cast<int>(i);
  return -1;
}

bool CheckInHei(const std::vector<std::string>& list, std::string_view address) {
  // The exact search skips empty entries for the same reason the pattern match does.
  if (!address.empty() && FindExact(list, address) >= 1) return true;
  return std::any_of(list.begin(), list.end(), [&](const std::string& e) { return PatternMatch(e, address); });
}

bool CheckProxy(std::string_view s) {
  // Bytes that are not text can be neither shown in the menu nor handed to the engine.
  if (!IsValidUtf8(s)) return false;
  const size_t colon = s.find(':');
  return colon != std::string_view::npos && colon >= 7;
}

}  // namespace zor::corvane
