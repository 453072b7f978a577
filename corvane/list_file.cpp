#include "corvane/list_file.h"

#include <stdexcept>

#include "common/files.h"

namespace zor::corvane {

void ReadListFile(const std::string& path, std::vector<std::string>& list) {
  list.clear();
  const std::optional<std::string> data = zor::ReadWholeFile(path);
  if (!data) return;
  const std::string& text = *data;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      list.push_back(text.substr(start));
      break;
    }
    list.push_back(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
}

void WriteListFile(const std::string& path, const std::vector<std::string>& list) {
  std::string data;
  for (const std::string& entry : list) {
    data += entry;
    data += "\r\n";
  }
  std::string error;
  if (!zor::WriteFileAtomic(path, data, &error)) throw std::runtime_error(error);
}

}  // namespace zor::corvane
