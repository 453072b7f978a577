#include "browser/shell/recovery.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/files.h"

namespace zor::shell {

namespace {

std::string CurrentList(const Chrome& form, const Tabs& pages) {
  std::string list;
  if (const toolbar::Band* tabs = form.ab_Main.band("tb_Tabs")) {
    for (const auto& tab : tabs->tools()) {
      if (tab->name.rfind("tabs-", 0) != 0) continue;
      const int n = std::atoi(tab->name.c_str() + 5);
      if (!form.WB.Page(n)) continue;
      const std::string address = pages.AddressOf(n);
      // One address per line: a line break inside one would split it on reading.
      if (Settings::KeptAcrossRuns(address)) list += address + "\n";
    }
  }
  return list;
}

}  // namespace

bool Recovery::RecoverPages(bool load) {
  if (RecoveryFile.empty() || !FileExists(RecoveryFile)) return false;
  const std::string saved = ReadWholeFile(RecoveryFile).value_or("");
  std::vector<std::string> urls;
  size_t start = 0;
  while (start < saved.size()) {
    size_t end = saved.find('\n', start);
    if (end == std::string::npos) end = saved.size();
    std::string line = saved.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (Settings::KeptAcrossRuns(line)) urls.push_back(line);
  }
  tabs_.RestorePages(urls, load);
  recovery_written_.clear();
  SaveRecovery();
  return true;
}

bool Recovery::SaveRecovery() {
  if (RecoveryFile.empty() || tabs_.ClosingPages) return false;
  const std::string list = CurrentList(c_, tabs_);
  // The file exists from the first save on: its presence is what marks a running browser.
  if (list == recovery_written_ && FileExists(RecoveryFile)) return true;
  if (!WriteFileAtomic(RecoveryFile, list)) return false;
  recovery_written_ = list;
  return true;
}

void Recovery::EndRecovery() {
  if (!RecoveryFile.empty()) std::remove(RecoveryFile.c_str());
  recovery_written_.clear();
}

}  // namespace zor::shell
