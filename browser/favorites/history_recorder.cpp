#include "browser/favorites/history_recorder.h"

#include "common/files.h"

namespace zor::favorites {

namespace {

// Blank and internal pages (every new tab's about:blank) are no places the user went to.
bool Recordable(const std::string& url) {
  return !url.empty() && url.size() <= HistoryRecorder::kMaxUrlBytes && url.rfind("about:", 0) != 0;
}

}  // namespace

void HistoryRecorder::OnNavigateComplete(int page, const std::string& url) {
  if (page <= 0) return;
  if (!Recordable(url)) {
    committed_.erase(page);
    return;
  }
  committed_[page] = url;
  try {
    store_->AddUrl(url, std::nullopt, STATURLFLAG_ISTOPLEVEL);
  } catch (const HistoryError&) {
  }
}

void HistoryRecorder::OnTitleChange(int page, const std::string& title) {
  // A new document reports an empty title before its own; the entry keeps its last one.
  if (page <= 0 || title.empty()) return;
  const auto it = committed_.find(page);
  if (it == committed_.end()) return;
  try {
    store_->SetTitle(it->second, title);
  } catch (const HistoryError&) {
  }
}

std::string ClearUrlHistory(UrlHistoryStore& store) {
  if (!store.Available()) {
    // Without a file nothing was kept; a file that cannot be opened still holds its entries.
    if (store.Path().empty() || !FileExists(store.Path())) return {};
    return "The URL history " + store.Path() + " cannot be opened, so it was not cleared.";
  }
  try {
    store.ClearHistory();
  } catch (const HistoryError& e) {
    return std::string("The URL history could not be cleared: ") + e.what();
  }
  return {};
}

std::string HistoryRecorder::ClearHistory() { return ClearUrlHistory(*store_); }

}  // namespace zor::favorites
