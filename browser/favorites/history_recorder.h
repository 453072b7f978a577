// Feeds the URL history from the page events: every committed top-level navigation of
// a page is a visit, and the page's title goes to the address it committed last.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "browser/favorites/url_history.h"

namespace zor::favorites {

// For the privacy cleaner: an error text, or empty when the store holds no entry.
std::string ClearUrlHistory(UrlHistoryStore& store);

class HistoryRecorder {
 public:
  HistoryRecorder() : store_(std::make_shared<UrlHistoryStore>()) {}

  // The profile's history file; the file is opened at the first visit, not here.
  void SetFile(const std::string& path) { store_->SetPath(path); }
  const std::shared_ptr<UrlHistoryStore>& Store() const { return store_; }

  // Longer addresses (large data: documents) are not kept.
  static constexpr size_t kMaxUrlBytes = 32 * 1024;

  // Page 0, the sink of refused windows, never records; store failures are dropped
  // (the store reports the first one).
  void OnNavigateComplete(int page, const std::string& url);
  void OnTitleChange(int page, const std::string& title);
  std::string ClearHistory();  // ClearUrlHistory of the store

 private:
  std::shared_ptr<UrlHistoryStore> store_;
  std::unordered_map<int, std::string> committed_;  // page -> address of its document
};

}  // namespace zor::favorites
