// The navigation check with a long black list: the browser's InBlackList through the
// library loaded from a Requires/ folder (which looks whether blacklist.ini changed on every
// check), the first check after the file changed (read and prepared again), beside the
// plain match over the list in memory. Medians of seven rounds.
//   blacklist_bench [--library path/to/libcorvane.so] [entries...]   (default 1000 10000 50000)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "browser/commands/connection_loader.h"
#include "corvane/lists.h"

namespace fs = std::filesystem;

namespace {

// Entries like real lists hold: plain host fragments and two-word patterns.
std::vector<std::string> MakeList(int n) {
  std::vector<std::string> list;
  for (int i = 0; i < n; ++i)
    list.push_back(i % 3 == 0 ? "ads" + std::to_string(i) + "{*}banner" : "tracker" + std::to_string(i) + ".example");
  return list;
}

const std::vector<std::string> kAddresses = {
    "http://www.example.org/articles/2024/05/some-long-article-name.html?ref=front&utm_source=feed",
    "https://cdn.images.example.net/photos/large/IMG_1234.JPG",
    "http://localhost:8080/",
};

template <typename F>
double MicrosPerCall(int calls, F&& f) {
  std::vector<double> rounds;
  for (int round = 0; round < 7; ++round) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) f(i);
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    rounds.push_back(took.count() / calls);
  }
  std::nth_element(rounds.begin(), rounds.begin() + 3, rounds.end());
  return rounds[3];
}

void WriteList(const fs::path& file, const std::vector<std::string>& list) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  for (const std::string& entry : list) out << entry << "\r\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  fs::path library = fs::path(ZOR_PROGRAM_DIR) / "Requires/libcorvane.so";
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--library" && i + 1 < argc)
      library = argv[++i];
    else
      sizes.push_back(std::atoi(argv[i]));
  }
  if (sizes.empty()) sizes = {1000, 10000, 50000};

  const fs::path folder = fs::temp_directory_path() / ("zor-blacklist-bench-" + std::to_string(::getpid()));
  fs::create_directories(folder / "Requires");
  fs::copy_file(library, folder / "Requires/libcorvane.so");
  auto create = zor::commands::ConnectionLibrary((folder / "Requires/libcorvane.so").string(), {},
                                                 [](const std::string& e) { std::fprintf(stderr, "%s\n", e.c_str()); });
  std::unique_ptr<zor::Connection> connection = create();
  if (!connection) return 1;

  std::printf("%10s %18s %18s %18s\n", "entries", "match us/check", "library us/check", "changed us/check");
  volatile bool sink = false;
  for (int n : sizes) {
    std::vector<std::string> list = MakeList(n);
    const fs::path file = folder / "Requires/blacklist.ini";
    WriteList(file, list);
    const int calls = std::max(20, 2000000 / n);
    const double match = MicrosPerCall(calls, [&](int i) {
      sink = zor::corvane::CheckInHei(list, kAddresses[static_cast<size_t>(i) % kAddresses.size()]);
    });
    const double library = MicrosPerCall(std::max(10, calls / 10), [&](int i) {
      sink = connection->inBlackList(kAddresses[static_cast<size_t>(i) % kAddresses.size()]);
    });
    // The first check after a rewrite of the file (its last entry changed).
    std::vector<double> firsts;
    for (int round = 0; round < 7; ++round) {
      list.back() = "changed" + std::to_string(round) + ".example";
      WriteList(file, list);
      const auto start = std::chrono::steady_clock::now();
      sink = connection->inBlackList(kAddresses[0]);
      firsts.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(firsts.begin(), firsts.begin() + 3, firsts.end());
    const double changed = firsts[3];
    std::printf("%10d %18.1f %18.1f %18.1f\n", n, match, library, changed);
  }
  (void)sink;
  fs::remove_all(folder);
  return 0;
}
