// A Netscape bookmark file of arbitrary bytes read into folders and links: every name is a
// single plain file name, every item hangs under a folder listed before it. Then (unless
// ZOR_FUZZ_READ_ONLY is set, which keeps the run off the file system and some hundred
// times faster) imported into an empty Favorites folder: everything lands inside it, and
// the folder exported and imported again into a second empty folder gives the same
// folders and no more links than the first import made.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "browser/favorites/bookmark_file.h"
#include "fuzz/scratch_folder.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

std::filesystem::path Base() {
  static const std::filesystem::path base = zor::fuzz::ScratchFolder("bookmarks");
  return base;
}

struct Tree {
  int folders = 0;
  int files = 0;
};

Tree Count(const std::filesystem::path& folder) {
  Tree tree;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    Check(!entry.is_symlink());
    if (entry.is_directory())
      ++tree.folders;
    else
      ++tree.files;
  }
  return tree;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zor::favorites;
  const std::string html(reinterpret_cast<const char*>(data), size);
  const std::vector<BookmarkItem> items = ReadBookmarkFile(html);
  for (size_t i = 0; i < items.size(); ++i) {
    const BookmarkItem& item = items[i];
    Check(!item.name.empty() && item.name.find('/') == std::string::npos && item.name != "." && item.name != "..");
    Check(item.parent < static_cast<int>(i) && (item.parent < 0 || items[static_cast<size_t>(item.parent)].folder));
    Check(item.folder == item.url.empty());
  }
  static const bool read_only = std::getenv("ZOR_FUZZ_READ_ONLY") != nullptr;
  if (read_only) return 0;

  const std::filesystem::path first = Base() / "first";
  const std::filesystem::path second = Base() / "second";
  std::filesystem::remove_all(Base());
  std::filesystem::create_directories(first);
  std::filesystem::create_directories(second);

  const ImportCount count = ImportBookmarkFile(html, first.string() + "/");
  const Tree tree = Count(first);
  Check(tree.folders == count.folders && tree.files == count.links);

  const ImportCount again = ImportBookmarkFile(ExportBookmarkFile(first.string() + "/"), second.string() + "/");
  Check(again.folders == count.folders && again.links <= count.links);
  std::filesystem::remove_all(Base());
  return 0;
}
