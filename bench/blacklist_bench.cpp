// The navigation check with a long black list: the browser's InBlackList through the
// library loaded from a Requires/ folder (which reads blacklist.ini again on every check,
// as the list may have changed), beside the match alone over the list in memory.
//   blacklist_bench [entries...]   (default 1000 10000 50000)
#include <unistd.h>

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
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < calls; ++i) f(i);
  const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
  return took.count() / calls;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {1000, 10000, 50000};

  const fs::path folder = fs::temp_directory_path() / ("zor-blacklist-bench-" + std::to_string(::getpid()));
  fs::create_directories(folder / "Requires");
  fs::copy_file(fs::path(ZOR_PROGRAM_DIR) / "Requires/libcorvane.so", folder / "Requires/libcorvane.so");
  auto create = zor::commands::ConnectionLibrary((folder / "Requires/libcorvane.so").string(), {},
                                                 [](const std::string& e) { std::fprintf(stderr, "%s\n", e.c_str()); });
  std::unique_ptr<zor::Connection> connection = create();
  if (!connection) return 1;

  std::printf("%10s %18s %18s\n", "entries", "match us/check", "library us/check");
  volatile bool sink = false;
  for (int n : sizes) {
    const std::vector<std::string> list = MakeList(n);
    std::ofstream file(folder / "Requires/blacklist.ini", std::ios::binary | std::ios::trunc);
    for (const std::string& entry : list) file << entry << "\r\n";
    file.close();
    const int calls = std::max(20, 2000000 / n);
    const double match = MicrosPerCall(calls, [&](int i) {
      sink = zor::corvane::CheckInHei(list, kAddresses[static_cast<size_t>(i) % kAddresses.size()]);
    });
    const double library = MicrosPerCall(std::max(10, calls / 10), [&](int i) {
      sink = connection->inBlackList(kAddresses[static_cast<size_t>(i) % kAddresses.size()]);
    });
    std::printf("%10d %18.1f %18.1f\n", n, match, library);
  }
  (void)sink;
  fs::remove_all(folder);
  return 0;
}
