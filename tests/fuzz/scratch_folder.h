// A folder for the files a fuzz target writes: in memory where there is such a folder
// (every atomic write would otherwise flush to disk), one per process.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

namespace zor::fuzz {

inline std::filesystem::path ScratchFolder(const std::string& name) {
  std::error_code error;
  const std::filesystem::path base =
      std::filesystem::is_directory("/dev/shm", error) ? "/dev/shm" : std::filesystem::temp_directory_path();
  return base / ("zor-fuzz-" + name + "-" + std::to_string(::getpid()));
}

}  // namespace zor::fuzz
