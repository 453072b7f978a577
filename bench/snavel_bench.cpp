// Quick save of a typical page from a loopback server: a 40 KB page with two style sheets
// and eight pictures (20 to 160 KB). Prints the archive's size against the bytes fetched
// and the time per save.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "e2e/support/loopback_server.h"
#include "snavel/quick_save.h"

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  std::mt19937 random(7);
  auto noise = [&](size_t bytes) {  // compressed pictures look like noise to base64
    std::string data(bytes, '\0');
    for (char& c : data) c = static_cast<char>(random());
    return data;
  };
  std::map<std::string, std::string> files;
  std::string html =
      "<!DOCTYPE html><html><head><title>Typical</title>"
      "<link rel=stylesheet href=/a.css><link rel=stylesheet href=/b.css></head><body>";
  for (int i = 0; i < 8; ++i) {
    const std::string name = "/img" + std::to_string(i) + ".jpg";
    files[name] = noise(20000 + 20000 * i);
    html += "<img src=" + name + ">";
  }
  while (html.size() < 40000) html += "<p>Some words of the article, a link <a href=/x>here</a> and more words.</p>\n";
  html += "</body></html>";
  files["/"] = html;
  files["/a.css"] = std::string(12000, 'a');
  files["/b.css"] = std::string(6000, 'b');
  size_t fetched = 0;
  for (const auto& [name, body] : files) fetched += body.size();

  zor::e2e::LoopbackServer server([&files](const zor::e2e::HttpRequest& request, const std::atomic<bool>&) {
    zor::e2e::HttpResponse response;
    response.body = files.at(request.path);
    if (request.path.ends_with(".css")) response.type = "text/css";
    if (request.path.ends_with(".jpg")) response.type = "image/jpeg";
    return response;
  });
  const std::string folder = std::filesystem::temp_directory_path() / ("snavel_bench_" + std::to_string(getpid())) / "";
  std::filesystem::create_directories(folder);
  std::vector<double> ms;
  size_t archive = 0;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const zor::snavel::SaveOutcome outcome = zor::snavel::QuickSaveUrl({server.Url("/"), {}}, folder);
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    if (!outcome.saved) {
      std::fprintf(stderr, "%s\n", outcome.text.c_str());
      return 1;
    }
    archive = outcome.archive_bytes;
  }
  std::filesystem::remove_all(folder);
  std::sort(ms.begin(), ms.end());
  std::printf("page + 10 resources fetched: %zu bytes; archive: %zu bytes (%.2fx)\n", fetched, archive,
              static_cast<double>(archive) / static_cast<double>(fetched));
  std::printf("save (fetch, archive, write, rename), %d runs: median %.1f ms, min %.1f ms, max %.1f ms\n", runs,
              ms[ms.size() / 2], ms.front(), ms.back());
  return 0;
}
