#include "corvane/black_list.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <utility>

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

size_t SlotOf(uint64_t key, size_t mask) { return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask; }

}  // namespace

BlackList::BlackList(std::vector<std::string> entries) : entries_(std::move(entries)) {
  std::vector<std::vector<std::string>> texts;
  texts.reserve(entries_.size());
  size_t total_length = 0;
  for (const std::string& entry : entries_) {
    texts.push_back(Pieces(entry));
    for (const std::string& piece : texts.back()) total_length += piece.size();
  }

  // The trie of all pieces; a piece's end node numbers it, so equal pieces share a number.
  // Shared prefixes make far fewer nodes than characters; the table grows as needed.
  table_.assign(std::bit_ceil(total_length + 64), Slot{kFree, 0});
  fail_.assign(1, 0);
  piece_at_.assign(1, -1);
  std::vector<uint32_t> parent{0};
  std::vector<uint8_t> via{0};
  std::vector<uint32_t> depth{0};
  size_t pieces = 0;
  entry_pieces_.reserve(entries_.size());
  for (const auto& own_texts : texts) {
    std::vector<uint32_t> own;
    for (const std::string& piece : own_texts) {
      uint32_t node = 0;
      bool fresh = false;  // below a node made for this piece nothing exists yet
      for (char c : piece) {
        const uint8_t byte = static_cast<uint8_t>(c);
        uint32_t next = fresh ? 0 : Child(node, byte);
        if (!next) {
          fresh = true;
          next = AddChild(node, byte);
          parent.push_back(node);
          via.push_back(byte);
          depth.push_back(depth[node] + 1);
        }
        node = next;
      }
      if (piece_at_[node] < 0) piece_at_[node] = static_cast<int32_t>(pieces++);
      own.push_back(static_cast<uint32_t>(piece_at_[node]));
    }
    entry_pieces_.push_back(std::move(own));
  }
  texts.clear();

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

  // Failure and output links, shallow nodes first: a node's links use only shallower ones.
  const size_t nodes = fail_.size();
  std::vector<uint32_t> order(nodes);
  {
    std::vector<uint32_t> at_depth;
    for (uint32_t d : depth) {
      if (d >= at_depth.size()) at_depth.resize(d + 1, 0);
      ++at_depth[d];
    }
    uint32_t start = 0;
    for (uint32_t& count : at_depth) start += std::exchange(count, start);
    for (uint32_t node = 0; node < nodes; ++node) order[at_depth[depth[node]]++] = node;
  }
  output_.assign(nodes, 0);
  for (uint32_t node : order) {
    if (node == 0 || parent[node] == 0) continue;
    uint32_t f = fail_[parent[node]];
    while (f != 0 && !Child(f, via[node])) f = fail_[f];
    fail_[node] = Child(f, via[node]);
    output_[node] = piece_at_[fail_[node]] >= 0 ? fail_[node] : output_[fail_[node]];
  }
}

uint32_t BlackList::Child(uint32_t node, uint8_t byte) const {
  if (table_.empty()) return 0;
  const uint64_t key = uint64_t{node} << 8 | byte;
  const size_t mask = table_.size() - 1;
  for (size_t slot = SlotOf(key, mask);; slot = (slot + 1) & mask) {
    if (table_[slot].key == key) return static_cast<uint32_t>(table_[slot].child);
    if (table_[slot].key == kFree) return 0;
  }
}

uint32_t BlackList::AddChild(uint32_t node, uint8_t byte) {
  if (2 * fail_.size() >= table_.size()) {
    std::vector<Slot> old(2 * table_.size(), Slot{kFree, 0});
    old.swap(table_);
    for (const Slot& entry : old)
      if (entry.key != kFree) Place(entry);
  }
  const uint32_t child = static_cast<uint32_t>(fail_.size());
  Place(Slot{uint64_t{node} << 8 | byte, child});
  fail_.push_back(0);
  piece_at_.push_back(-1);
  return child;
}

void BlackList::Place(const Slot& entry) {
  const size_t mask = table_.size() - 1;
  size_t slot = SlotOf(entry.key, mask);
  while (table_[slot].key != kFree) slot = (slot + 1) & mask;
  table_[slot] = entry;
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
