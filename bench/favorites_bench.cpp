// The Favorites menu and tree built from a large folder, against a bare walk that lists
// the same tree and reads every file.
//   favorites_bench [favorites] [folders]   (default 10000 in 500)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "browser/favorites/favorites_menu.h"
#include "fakes/fake_hosts.h"

namespace fs = std::filesystem;

namespace {

double Millis(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

size_t BareWalk(const fs::path& root) {
  size_t bytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    bytes += std::string(std::istreambuf_iterator<char>(in), {}).size();
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int folders = argc > 2 ? std::atoi(argv[2]) : 500;
  const fs::path root = fs::temp_directory_path() / ("zor-favorites-bench-" + std::to_string(::getpid()));
  for (int i = 0; i < n; ++i) {
    // Folders two deep: every tenth folder holds the next nine.
    const int f = i % folders;
    const fs::path folder = root / ("Folder " + std::to_string(f / 10)) / ("Sub " + std::to_string(f));
    fs::create_directories(folder);
    std::ofstream(folder / ("Favorite number " + std::to_string(i) + ".url"), std::ios::binary)
        << "[InternetShortcut]\r\nURL=https://site" << i << ".example/\r\n";
  }
  zor::toolbar::ToolbarControl bars;
  bars.loadLayoutText("tb2 1\nband sub_Fav type=popup\n  tool b_iconon id=616\n", "bench.tb2");
  zor::fakes::FakeWindow window;
  zor::favorites::FavoritesMenu menu(bars, window);
  menu.SetRoot(root.string());
  for (int round = 0; round < 3; ++round) {
    auto start = std::chrono::steady_clock::now();
    const size_t bytes = BareWalk(root);
    const double bare = Millis(start);
    start = std::chrono::steady_clock::now();
    menu.RebuildFavorites();
    const double build = Millis(start);
    // What choosing every entry costs: each shortcut read once.
    start = std::chrono::steady_clock::now();
    size_t urls = 0;
    for (const std::string& file : menu.FavoriteFiles) urls += zor::favorites::ShortcutUrl(file).size();
    std::printf(
        "bare walk %.1f ms (%zu bytes); menu and tree %.1f ms (%zu favorites, %d bands, %.2fx); "
        "reading every address %.1f ms (%zu bytes)\n",
        bare, bytes, build, menu.FavoriteFiles.size(), menu.FavBandCount, build / bare, Millis(start), urls);
  }
  fs::remove_all(root);
  return 0;
}
