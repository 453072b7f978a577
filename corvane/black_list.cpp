#include "corvane/black_list.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <deque>
#include <unordered_map>

#include "corvane/lists.h"

namespace zor::corvane {

namespace {

constexpr uint64_t kFree = ~uint64_t{0};

uint8_t Lower(uint8_t c) { return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c - 'A' + 'a') : c; }

std::string LowerText(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(Lower(static_cast<uint8_t>(c)));
  return out;
}

// PatternMatch's pieces of one entry, lower-cased and each once.
std::vector<std::string> Pieces(std::string_view entry) {
  std::vector<std::string> pieces;
  if (entry.empty()) return pieces;
  static constexpr std::string_view kMarker = "{*}";
  size_t start = 0;
  for (;;) {
    const size_t marker = entry.find(kMarker, start);
    const std::string_view piece =
        entry.substr(start, marker == std::string_view::npos ? std::string_view::npos : marker - start);
    if (!piece.empty()) pieces.push_back(LowerText(piece));
    if (marker == std::string_view::npos) break;
    start = marker + kMarker.size();
  }
  if (pieces.empty()) pieces.push_back(LowerText(entry));
  std::sort(pieces.begin(), pieces.end());
  pieces.erase(std::unique(pieces.begin(), pieces.end()), pieces.end());
  return pieces;
}

size_t Slot(uint64_t key, size_t mask) { return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask; }

}  // namespace

BlackList::BlackList(std::vector<std::string> entries) : entries_(std::move(entries)) {
  // Every entry's pieces, numbered once across the list.
  std::unordered_map<std::string, uint32_t> ids;
  std::vector<const std::string*> texts;
  size_t total_length = 0;
  entry_pieces_.reserve(entries_.size());
  for (const std::string& entry : entries_) {
    std::vector<uint32_t> own;
    for (std::string& piece : Pieces(entry)) {
      const auto [it, added] = ids.emplace(std::move(piece), static_cast<uint32_t>(ids.size()));
      if (added) {
        texts.push_back(&it->first);
        total_length += it->first.size();
      }
      own.push_back(it->second);
    }
    entry_pieces_.push_back(std::move(own));
  }

  const size_t pieces = texts.size();
  piece_alone_.assign(pieces, false);
  entries_by_piece_.assign(pieces, {});
  std::vector<uint32_t> uses(pieces, 0);
  for (const auto& own : entry_pieces_)
    for (uint32_t p : own) ++uses[p];
  for (uint32_t e = 0; e < entry_pieces_.size(); ++e) {
    std::vector<uint32_t>& own = entry_pieces_[e];
    if (own.size() == 1) {
      piece_alone_[own[0]] = true;
      own.clear();
    } else if (!own.empty()) {
      std::sort(own.begin(), own.end());
      const uint32_t rarest =
          *std::min_element(own.begin(), own.end(), [&](uint32_t a, uint32_t b) { return uses[a] < uses[b]; });
      entries_by_piece_[rarest].push_back(e);
    }
  }

  // The trie of all pieces.
  const size_t capacity = std::bit_ceil(2 * total_length + 16);
  keys_.assign(capacity, kFree);
  children_.assign(capacity, 0);
  fail_.assign(1, 0);
  piece_at_.assign(1, -1);
  for (size_t p = 0; p < pieces; ++p) {
    uint32_t node = 0;
    for (char c : *texts[p]) {
      const uint8_t byte = static_cast<uint8_t>(c);
      const uint32_t next = Child(node, byte);
      node = next ? next : AddChild(node, byte);
    }
    piece_at_[node] = static_cast<int32_t>(p);
  }

  // Failure and output links, breadth first so that shorter suffixes are ready first.
  output_.assign(fail_.size(), 0);
  std::vector<std::vector<std::pair<uint8_t, uint32_t>>> children_of(fail_.size());
  for (size_t slot = 0; slot < keys_.size(); ++slot) {
    if (keys_[slot] == kFree) continue;
    children_of[keys_[slot] >> 8].emplace_back(static_cast<uint8_t>(keys_[slot] & 0xff), children_[slot]);
  }
  std::deque<uint32_t> queue;
  for (const auto& [byte, child] : children_of[0]) queue.push_back(child);
  while (!queue.empty()) {
    const uint32_t node = queue.front();
    queue.pop_front();
    for (const auto& [byte, child] : children_of[node]) {
      uint32_t f = fail_[node];
      while (f != 0 && !Child(f, byte)) f = fail_[f];
      const uint32_t target = Child(f, byte);
      fail_[child] = target != child ? target : 0;
      output_[child] = piece_at_[fail_[child]] >= 0 ? fail_[child] : output_[fail_[child]];
      queue.push_back(child);
    }
  }
}

uint32_t BlackList::Child(uint32_t node, uint8_t byte) const {
  if (keys_.empty()) return 0;
  const uint64_t key = uint64_t{node} << 8 | byte;
  const size_t mask = keys_.size() - 1;
  for (size_t slot = Slot(key, mask);; slot = (slot + 1) & mask) {
    if (keys_[slot] == key) return children_[slot];
    if (keys_[slot] == kFree) return 0;
  }
}

uint32_t BlackList::AddChild(uint32_t node, uint8_t byte) {
  const uint64_t key = uint64_t{node} << 8 | byte;
  const size_t mask = keys_.size() - 1;
  size_t slot = Slot(key, mask);
  while (keys_[slot] != kFree) slot = (slot + 1) & mask;
  const uint32_t child = static_cast<uint32_t>(fail_.size());
  keys_[slot] = key;
  children_[slot] = child;
  fail_.push_back(0);
  piece_at_.push_back(-1);
  return child;
}

uint32_t BlackList::Step(uint32_t node, uint8_t byte) const {
  for (;;) {
    if (const uint32_t child = Child(node, byte)) return child;
    if (node == 0) return 0;
    node = fail_[node];
  }
}

// An entry equal to the address contains it, so the list's exact search decides nothing
// the pattern test would not.
bool BlackList::Blocks(std::string_view address) const {
  if (piece_alone_.empty()) return false;
  std::vector<uint32_t> found;
  uint32_t node = 0;
  for (char c : address) {
    node = Step(node, Lower(static_cast<uint8_t>(c)));
    for (uint32_t hit = piece_at_[node] >= 0 ? node : output_[node]; hit != 0; hit = output_[hit]) {
      const uint32_t piece = static_cast<uint32_t>(piece_at_[hit]);
      if (piece_alone_[piece]) return true;
      found.push_back(piece);
    }
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  for (uint32_t piece : found)
    for (uint32_t entry : entries_by_piece_[piece])
      if (std::includes(found.begin(), found.end(), entry_pieces_[entry].begin(), entry_pieces_[entry].end()))
        return true;
  return false;
}

std::optional<FileStamp> StampOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  constexpr int64_t kNano = 1'000'000'000;
  return FileStamp{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), static_cast<int64_t>(st.st_size),
                   st.st_mtim.tv_sec * kNano + st.st_mtim.tv_nsec, st.st_ctim.tv_sec * kNano + st.st_ctim.tv_nsec};
}

const BlackList& BlackListFile::Current(const std::string& path) {
  // Stamped before reading: a change during the read shows as a new stamp next time.
  std::optional<FileStamp> now = stamp ? stamp(path) : StampOf(path);
  if (known_ && path == path_ && now == stamp_) return list_;
  std::vector<std::string> entries;
  // An unreadable file is tried again next time rather than taken as empty for good.
  known_ = read ? read(path, entries) : ReadListFile(path, entries);
  list_ = BlackList(std::move(entries));
  path_ = path;
  stamp_ = now;
  return list_;
}

}  // namespace zor::corvane
