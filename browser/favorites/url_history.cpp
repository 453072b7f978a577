#include "browser/favorites/url_history.h"

#include <sqlite3.h>
#include <syslog.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <utility>

namespace zor::favorites {

namespace {

constexpr int64_t kUnixEpochInFileTimeSeconds = 11644473600;  // 1601-01-01 to 1970-01-01
constexpr FileTime kTicksPerSecond = 10'000'000;
constexpr FileTime kTicksPerDay = kTicksPerSecond * 86400;

void DefaultReport(const std::string& text) {
  std::fprintf(stderr, "zor-browser: %s\n", text.c_str());
  ::syslog(LOG_USER | LOG_WARNING, "%s", text.c_str());
}

// Owns one prepared statement.
class Statement {
 public:
  explicit Statement(sqlite3_stmt* s) : s_(s) {}
  ~Statement() { sqlite3_finalize(s_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return s_; }
  void Text(int i, const std::string& v) { sqlite3_bind_text(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT); }
  void Int(int i, int64_t v) { sqlite3_bind_int64(s_, i, v); }
  void Null(int i) { sqlite3_bind_null(s_, i); }

 private:
  sqlite3_stmt* s_;
};

std::string ColumnText(sqlite3_stmt* s, int i) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
  return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(s, i))) : std::string();
}

// The least text greater than every text that begins with `prefix`, in byte order;
// nullopt when there is none (the prefix is all 0xFF bytes).
std::optional<std::string> PrefixEnd(std::string prefix) {
  while (!prefix.empty() && static_cast<unsigned char>(prefix.back()) == 0xFF) prefix.pop_back();
  if (prefix.empty()) return std::nullopt;
  prefix.back() = static_cast<char>(static_cast<unsigned char>(prefix.back()) + 1);
  return prefix;
}

constexpr const char* kSchema =
    // Without rowid: the table is itself the address index, so a prefix listing is one
    // range scan in address order. BINARY collation compares bytes, case-sensitively.
    "CREATE TABLE IF NOT EXISTS urls("
    " url TEXT NOT NULL PRIMARY KEY COLLATE BINARY,"
    " title TEXT,"
    " last_visited INTEGER NOT NULL,"
    " last_updated INTEGER NOT NULL,"
    " expires INTEGER NOT NULL,"
    " flags INTEGER NOT NULL DEFAULT 0"
    ") WITHOUT ROWID;";

}  // namespace

FileTime FileTimeFromUnixSeconds(int64_t seconds) {
  return static_cast<FileTime>(seconds + kUnixEpochInFileTimeSeconds) * kTicksPerSecond;
}

FileTime FileTimeNow() {
  using namespace std::chrono;
  const auto since_unix = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
  return static_cast<FileTime>(kUnixEpochInFileTimeSeconds) * kTicksPerSecond + static_cast<FileTime>(since_unix) * 10;
}

LocalTime ToLocalTime(FileTime time) {
  LocalTime local;
  const auto seconds = static_cast<int64_t>(time / kTicksPerSecond) - kUnixEpochInFileTimeSeconds;
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  if (!::localtime_r(&t, &tm)) return local;
  local.year = tm.tm_year + 1900;
  local.month = tm.tm_mon + 1;
  local.day = tm.tm_mday;
  local.hour = tm.tm_hour;
  local.minute = tm.tm_min;
  local.second = tm.tm_sec;
  local.millisecond = static_cast<int>((time % kTicksPerSecond) / 10'000);
  return local;
}

std::string LocalTime::DateText() const {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
  return text;
}

UrlHistoryStore::UrlHistoryStore(std::string path) : Report(DefaultReport), path_(std::move(path)) {}

UrlHistoryStore::~UrlHistoryStore() { Close(); }

void UrlHistoryStore::SetPath(std::string path) {
  if (!tried_) path_ = std::move(path);
}

void UrlHistoryStore::Close() {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

bool UrlHistoryStore::Available() {
  if (!tried_) {
    tried_ = true;
    if (!path_.empty()) Open();
  }
  return db_ != nullptr;
}

bool UrlHistoryStore::Open() {
  std::error_code ec;
  const std::filesystem::path parent = std::filesystem::path(path_).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  const int rc = sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  std::string reason;
  if (rc != SQLITE_OK) {
    reason = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
  } else if (sqlite3_db_readonly(db_, "main") == 1) {
    reason = "the file cannot be written";
  } else {
    // Another browser holding the file briefly must not stall the window for long.
    sqlite3_busy_timeout(db_, 200);
    // WAL: commits need no sync of the main file and readers never wait for the writer.
    // secure_delete: deleted entries leave no text behind in the file.
    char* error = nullptr;
    if (sqlite3_exec(db_,
                     "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA secure_delete=ON;",
                     nullptr, nullptr, &error) != SQLITE_OK ||
        sqlite3_exec(db_, kSchema, nullptr, nullptr, &error) != SQLITE_OK ||
        // Reads the table's pages once, so a file that is not a usable store shows now.
        sqlite3_exec(db_, "SELECT url, title, last_visited, last_updated, expires, flags FROM urls LIMIT 1",
                     nullptr, nullptr, &error) != SQLITE_OK) {
      reason = error ? error : sqlite3_errmsg(db_);
    }
    sqlite3_free(error);
  }
  if (reason.empty()) return true;
  Close();
  if (!reported_ && Report) {
    reported_ = true;
    Report("the URL history " + path_ + " cannot be used (" + reason + "); the browser runs without history");
  }
  return false;
}

void UrlHistoryStore::Fail(const std::string& what) {
  std::string text = what;
  if (db_) text += ": " + std::string(sqlite3_errmsg(db_));
  if (!reported_ && Report) {
    reported_ = true;
    Report("the URL history " + path_ + " failed (" + text + ")");
  }
  throw HistoryError(text);
}

sqlite3_stmt* UrlHistoryStore::Prepare(const char* sql) {
  if (!Available()) throw HistoryError("the URL history is not available");
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK) Fail("prepare");
  return s;
}

void UrlHistoryStore::AddUrl(const std::string& url, const std::optional<std::string>& title, uint32_t flags) {
  Statement s(Prepare(
      "INSERT INTO urls(url, title, last_visited, last_updated, expires, flags) VALUES(?1, ?2, ?3, ?3, ?4, ?5)"
      " ON CONFLICT(url) DO UPDATE SET title = coalesce(excluded.title, title),"
      " last_visited = excluded.last_visited, last_updated = excluded.last_updated,"
      " expires = excluded.expires, flags = excluded.flags"));
  const FileTime now = Clock ? Clock() : FileTimeNow();
  s.Text(1, url);
  if (title)
    s.Text(2, *title);
  else
    s.Null(2);
  s.Int(3, static_cast<int64_t>(now));
  s.Int(4, static_cast<int64_t>(now + kDaysKept * kTicksPerDay));
  s.Int(5, flags);
  if (sqlite3_step(s.get()) != SQLITE_DONE) Fail("add");
}

void UrlHistoryStore::SetTitle(const std::string& url, const std::string& title) {
  Statement s(Prepare("UPDATE urls SET title = ?2, last_updated = ?3 WHERE url = ?1"));
  s.Text(1, url);
  s.Text(2, title);
  s.Int(3, static_cast<int64_t>(Clock ? Clock() : FileTimeNow()));
  if (sqlite3_step(s.get()) != SQLITE_DONE) Fail("title");
}

void UrlHistoryStore::DeleteUrl(const std::string& url, uint32_t flags) {
  (void)flags;  // reserved, as in the platform's store
  Statement s(Prepare("DELETE FROM urls WHERE url = ?1"));
  s.Text(1, url);
  if (sqlite3_step(s.get()) != SQLITE_DONE) Fail("delete");
}

void UrlHistoryStore::ClearHistory() {
  {
    Statement s(Prepare("DELETE FROM urls"));
    if (sqlite3_step(s.get()) != SQLITE_DONE) Fail("clear");
  }
  // The journal still holds the old pages until it is checkpointed and emptied.
  sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
}

int UrlHistoryStore::RemoveExpired() {
  Statement s(Prepare("DELETE FROM urls WHERE expires < ?1"));
  s.Int(1, static_cast<int64_t>(Clock ? Clock() : FileTimeNow()));
  if (sqlite3_step(s.get()) != SQLITE_DONE) Fail("expire");
  return sqlite3_changes(db_);
}

std::vector<STATURL> UrlHistoryStore::EnumUrls(const std::string& filter, uint32_t flags) {
  const std::optional<std::string> end = PrefixEnd(filter);
  std::string sql = "SELECT url, title, last_visited, last_updated, expires, flags FROM urls WHERE url >= ?1";
  if (end) sql += " AND url < ?2";
  if (flags & STATURL_QUERYFLAG_TOPLEVEL) sql += " AND (flags & 2) != 0";
  sql += " ORDER BY url";
  Statement s(Prepare(sql.c_str()));
  s.Text(1, filter);
  if (end) s.Text(2, *end);
  std::vector<STATURL> records;
  int rc;
  while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
    STATURL& r = records.emplace_back();
    r.pwcsUrl = ColumnText(s.get(), 0);
    if (sqlite3_column_type(s.get(), 1) != SQLITE_NULL) r.pwcsTitle = ColumnText(s.get(), 1);
    r.ftLastVisited = static_cast<FileTime>(sqlite3_column_int64(s.get(), 2));
    r.ftLastUpdated = static_cast<FileTime>(sqlite3_column_int64(s.get(), 3));
    r.ftExpires = static_cast<FileTime>(sqlite3_column_int64(s.get(), 4));
    r.dwFlags = static_cast<uint32_t>(sqlite3_column_int64(s.get(), 5));
  }
  if (rc != SQLITE_DONE) Fail("list");
  return records;
}

CURLHistory::CURLHistory(std::shared_ptr<UrlHistoryStore> store, std::function<void()> process_pending)
    : store_(std::move(store)), process_pending_(std::move(process_pending)) {
  Refresh("", 0);
}

void CURLHistory::AddURL(const std::string& address, const std::string& title, uint32_t flags) {
  if (!store_) throw HistoryError("the URL history is not available");
  store_->AddUrl(address, title, flags);
}

void CURLHistory::Clear() {
  if (!store_) throw HistoryError("the URL history is not available");
  store_->ClearHistory();
  Refresh("", 0);
}

void CURLHistory::Refresh(const std::string& filter, uint32_t flags) {
  entries_.clear();
  if (!store_ || !store_->Available()) return;
  std::vector<STATURL> records;
  try {
    records = store_->EnumUrls(filter, flags);
  } catch (const HistoryError&) {
    return;  // reported by the store
  }
  entries_.reserve(records.size());
  for (const STATURL& record : records) {
    auto item = std::shared_ptr<URLHistoryItem>(new URLHistoryItem);
    item->Fill(record);
    entries_.push_back(std::move(item));
  }
  Sorted();
}

std::shared_ptr<const URLHistoryItem> CURLHistory::Item(int32_t n) const {
  if (n < 1 || n > Count()) throw std::out_of_range("history entry " + std::to_string(n));
  return entries_[static_cast<size_t>(n - 1)];
}

void CURLHistory::Remove(int32_t n) {
  const std::string address = Item(n)->URL();
  if (!store_) throw HistoryError("the URL history is not available");
  store_->DeleteUrl(address, 0);
  entries_.erase(entries_.begin() + (n - 1));
}

void CURLHistory::DeleteURL(const std::string& address, uint32_t flags) {
  if (!store_) throw HistoryError("the URL history is not available");
  store_->DeleteUrl(address, flags);
  Refresh("", 0);
}

void CURLHistory::Sorted() {
  if (process_pending_) process_pending_();
  // Byte order of UTF-8 is the order of character codes.
  auto by_url = [](const auto& a, const auto& b) { return a->URL() < b->URL(); };
  if (!std::is_sorted(entries_.begin(), entries_.end(), by_url))
    std::stable_sort(entries_.begin(), entries_.end(), by_url);
}

}  // namespace zor::favorites
