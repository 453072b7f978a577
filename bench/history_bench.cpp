// The URL history at the size the history panel must cope with: one visit as the page
// host records it, the first open of a full file (the browser's first navigation), and
// the panel's refresh with filter "http" into a sorted list.
//   history_bench [entries]   (default 100000)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "browser/favorites/history_tree.h"
#include "browser/favorites/url_history.h"

namespace fs = std::filesystem;
using zor::favorites::CURLHistory;
using zor::favorites::UrlHistoryStore;

namespace {

double Millis(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::string Address(int i) {
  // A fifth are local files, which the panel's filter leaves out.
  return i % 5 == 0 ? "file:///home/user/doc" + std::to_string(i) + ".html"
                    : "https://site" + std::to_string(i % 997) + ".example/path/" + std::to_string(i) + "?q=x";
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 100000;
  const fs::path dir = fs::temp_directory_path() / ("zor-history-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string file = (dir / "history.sqlite").string();
  {
    UrlHistoryStore store(file);
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) {
      store.AddUrl(Address(i), std::nullopt, zor::favorites::STATURLFLAG_ISTOPLEVEL);
      store.SetTitle(Address(i), "Title of page " + std::to_string(i));
    }
    std::printf("%d visits with titles: %.3f ms per visit\n", n, Millis(start) / n);
  }
  auto start = std::chrono::steady_clock::now();
  auto store = std::make_shared<UrlHistoryStore>(file);
  store->AddUrl("https://one-more.example/", std::nullopt, 0);
  std::printf("open of a full file and one visit: %.2f ms\n", Millis(start));
  start = std::chrono::steady_clock::now();
  CURLHistory list(store);
  std::printf("list of all %d entries: %.1f ms\n", list.Count(), Millis(start));
  start = std::chrono::steady_clock::now();
  list.Refresh("http", 0);
  std::printf("refresh with filter \"http\" (%d entries): %.1f ms\n", list.Count(), Millis(start));
  // The panel's tree from the "http" list: days, domains, links.
  for (int half : {2, 1}) {
    const int take = list.Count() / half;
    const zor::favorites::HistoryEntries part(list.NewEnum().begin(), list.NewEnum().begin() + take);
    start = std::chrono::steady_clock::now();
    const auto days = zor::favorites::BuildHistoryTree(part, zor::favorites::ShortDateText, "", "Today");
    std::printf("history tree of %d entries (%zu days): %.1f ms\n", take, days.size(), Millis(start));
  }
  start = std::chrono::steady_clock::now();
  list.Refresh("https://site5.", 0);
  std::printf("refresh with a narrow filter (%d entries): %.2f ms\n", list.Count(), Millis(start));
  fs::remove_all(dir);
  return 0;
}
