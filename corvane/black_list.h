// The black list prepared for the navigation check, and blacklist.ini watched so that the
// check always sees the file's current content without reading it on every navigation.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zor::corvane {

// The same verdict as CheckInHei over the same entries, in one pass over the address
// whatever the list's length: every piece of every entry is lower-cased once and put in
// one automaton (Aho-Corasick) that finds all pieces an address contains.
class BlackList {
 public:
  BlackList() = default;
  explicit BlackList(std::vector<std::string> entries);

  bool Blocks(std::string_view address) const;
  const std::vector<std::string>& entries() const { return entries_; }

 private:
  uint32_t Step(uint32_t node, uint8_t byte) const;
  uint32_t Child(uint32_t node, uint8_t byte) const;
  uint32_t AddChild(uint32_t node, uint8_t byte);

  std::vector<std::string> entries_;
  // The trie: (node << 8 | byte) -> child in an open-addressed table; node 0 is the root.
  // Key and child side by side: a lookup costs one cache line.
  struct Slot {
    uint64_t key;
    uint64_t child;
  };
  std::vector<Slot> table_;
  void Place(const Slot& entry);
  std::vector<uint32_t> fail_;
  std::vector<uint32_t> output_;   // nearest node on the fail chain that ends a piece, 0 for none
  std::vector<int32_t> piece_at_;  // piece ending at the node, or -1
  // An entry of one piece matches when the piece is found; an entry of several is looked
  // at only when its rarest piece is found.
  std::vector<bool> piece_alone_;
  std::vector<std::vector<uint32_t>> entries_by_piece_;
  std::vector<std::vector<uint32_t>> entry_pieces_;
};

// What tells one version of a file from another without reading it. A rewrite within the
// same second, even to the same size, differs in nanoseconds, in the change time or, when
// the file was replaced, in the inode.
struct FileStamp {
  uint64_t device = 0;
  uint64_t inode = 0;
  int64_t size = 0;
  int64_t modified_ns = 0;
  int64_t changed_ns = 0;
  bool operator==(const FileStamp&) const = default;
};

// nullopt when there is no such file (or it cannot be looked at).
std::optional<FileStamp> StampOf(const std::string& path);

// A list file's current content as a prepared black list: read again only when its stamp
// changed since the last read.
class BlackListFile {
 public:
  std::function<std::optional<FileStamp>(const std::string& path)> stamp = StampOf;
  // ReadListFile's contract.
  std::function<bool(const std::string& path, std::vector<std::string>& list)> read;

  const BlackList& Current(const std::string& path);

 private:
  bool known_ = false;
  std::string path_;
  std::optional<FileStamp> stamp_;
  BlackList list_;
};

}  // namespace zor::corvane
