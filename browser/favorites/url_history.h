// The per-user URL history: a SQLite store of visited addresses filled while the user
// browses, and the sorted snapshot list (`CURLHistory`) the history panel reads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace zor::favorites {

// 100-nanosecond units since 1601-01-01 UTC.
using FileTime = uint64_t;
FileTime FileTimeNow();
FileTime FileTimeFromUnixSeconds(int64_t seconds);

// Flags of an entry.
inline constexpr uint32_t STATURLFLAG_ISCACHED = 0x1;
inline constexpr uint32_t STATURLFLAG_ISTOPLEVEL = 0x2;
// Flags of a listing: only entries that carry STATURLFLAG_ISTOPLEVEL.
inline constexpr uint32_t STATURL_QUERYFLAG_TOPLEVEL = 0x80000;

// One history record as the store yields it.
struct STATURL {
  uint32_t cbSize = 40;
  std::string pwcsUrl;
  std::optional<std::string> pwcsTitle;  // nullopt: the entry has no title
  FileTime ftLastVisited = 0;
  FileTime ftLastUpdated = 0;
  FileTime ftExpires = 0;
  uint32_t dwFlags = 0;
};

// A failed store operation.
struct HistoryError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The store: one table keyed by address. Nothing touches the file until the first
// operation; a file that cannot be opened, read or written leaves the store unavailable
// for the rest of the run (reported once) and is never altered or removed.
class UrlHistoryStore {
 public:
  // An empty path is a store without a file: always unavailable, silently.
  explicit UrlHistoryStore(std::string path = {});
  ~UrlHistoryStore();
  UrlHistoryStore(const UrlHistoryStore&) = delete;
  UrlHistoryStore& operator=(const UrlHistoryStore&) = delete;

  // Takes effect only before the first operation.
  void SetPath(std::string path);
  const std::string& Path() const { return path_; }

  // Where the one failure report goes (default: standard error and the system log).
  std::function<void(const std::string&)> Report;
  // The clock of visits (replaceable in tests).
  std::function<FileTime()> Clock = FileTimeNow;
  // How long an entry is kept after its last visit, recorded in its expiry.
  static constexpr int kDaysKept = 20;

  // Opens the file on first use; false when the store is unavailable.
  bool Available();

  // A visit: adds the address or updates its entry (times, flags; the title only when
  // one is given). Throws HistoryError.
  void AddUrl(const std::string& url, const std::optional<std::string>& title, uint32_t flags);
  // Sets the title of an existing entry; nothing when the address has none.
  void SetTitle(const std::string& url, const std::string& title);
  void DeleteUrl(const std::string& url, uint32_t flags);
  // Removes every entry and leaves none of their text in the file or its journal.
  void ClearHistory();
  // Removes the entries whose expiry has passed; returns how many went.
  int RemoveExpired();
  // Entries whose address begins with `filter` (bytes, case-sensitive), ascending by
  // address in byte order.
  std::vector<STATURL> EnumUrls(const std::string& filter, uint32_t flags);

 private:
  bool Open();
  void Close();
  [[noreturn]] void Fail(const std::string& what);
  sqlite3_stmt* Prepare(const char* sql);

  std::string path_;
  sqlite3* db_ = nullptr;
  bool tried_ = false;
  bool reported_ = false;
};

// Local calendar time of a stored UTC time.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
  bool operator==(const LocalTime&) const = default;
  // "YYYY-MM-DD".
  std::string DateText() const;
};
LocalTime ToLocalTime(FileTime time);

class CURLHistory;

// One entry of the list: read-only, a copy of its record.
class URLHistoryItem {
 public:
  LocalTime LastVisited() const { return ToLocalTime(record_.ftLastVisited); }
  LocalTime Expires() const { return ToLocalTime(record_.ftExpires); }
  LocalTime LastUpdated() const { return ToLocalTime(record_.ftLastUpdated); }
  const std::string& URL() const { return record_.pwcsUrl; }
  uint32_t Flags() const { return record_.dwFlags; }
  std::string Title() const { return record_.pwcsTitle.value_or(std::string()); }

 private:
  friend class CURLHistory;
  URLHistoryItem() = default;
  void Fill(const STATURL& record) { record_ = record; }
  STATURL record_;
};

using HistoryEntries = std::vector<std::shared_ptr<const URLHistoryItem>>;

// A snapshot of the store, sorted by address; changed only by its own operations.
class CURLHistory {
 public:
  // Refreshes with an empty filter and flags 0. `process_pending` lets pending window
  // messages run once before each sort (unset: nothing).
  explicit CURLHistory(std::shared_ptr<UrlHistoryStore> store, std::function<void()> process_pending = {});

  // The store's errors are thrown as HistoryError; numbers outside 1..Count as
  // std::out_of_range.
  void AddURL(const std::string& address, const std::string& title, uint32_t flags);
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  void Clear();
  // An unavailable or failing store gives an empty list.
  void Refresh(const std::string& filter, uint32_t flags);
  std::shared_ptr<const URLHistoryItem> Item(int32_t n) const;
  void Remove(int32_t n);
  void DeleteURL(const std::string& address, uint32_t flags);
  const HistoryEntries& NewEnum() const { return entries_; }
  HistoryEntries::const_iterator begin() const { return entries_.begin(); }
  HistoryEntries::const_iterator end() const { return entries_.end(); }
  void Sorted();

 private:
  std::shared_ptr<UrlHistoryStore> store_;
  std::function<void()> process_pending_;
  HistoryEntries entries_;
};

}  // namespace zor::favorites
