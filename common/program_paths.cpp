#include "common/program_paths.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

#include "common/files.h"

namespace zor {

namespace {

constexpr const char* kUserFolderName = "zor-browser";
constexpr std::string_view kSavedFiles = "SavedFiles";
// Put into the program folder by the install step: an installed copy keeps the user's files
// per user even when whoever runs it (root) could write into the folder.
constexpr const char* kInstalledMark = "INSTALLED";

// The defaults the installed folder ships for the files the program writes.
constexpr const char* kSeededFiles[] = {"Browser.ini", "lng.ini", "Translist.txt", "Requires/proxylist.ini",
                                        "Requires/blacklist.ini"};

std::string XdgFolder(const char* variable, const char* home_relative) {
  const char* value = std::getenv(variable);
  // A relative value is invalid by the XDG rules and is ignored.
  if (value && value[0] == '/') return JoinPath(value, kUserFolderName);
  const char* home = std::getenv("HOME");
  return JoinPath(JoinPath(home && *home ? home : "/tmp", home_relative), kUserFolderName);
}

bool MakeFolders(const std::string& folder, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!ec) return true;
  if (error) *error = folder + ": " + ec.message();
  return false;
}

}  // namespace

std::string ProfileApplicationId(std::string_view profile_folder) {
  // FNV-1a: stable across builds and runs, unlike std::hash; the path may hold any bytes.
  std::uint64_t hash = 14695981039346656037ull;
  for (const unsigned char byte : profile_folder) {
    hash ^= byte;
    hash *= 1099511628211ull;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  // An element may not start with a digit: "p" goes first.
  return std::string("io.github.zor_browser.ZorBrowser.p") + hex;
}

UserFolders UserFoldersFromEnvironment() {
  return {XdgFolder("XDG_CONFIG_HOME", ".config"), XdgFolder("XDG_DATA_HOME", ".local/share")};
}

bool FolderWritable(const std::string& folder) {
  // Only a refusal makes an installed folder: a missing folder is a portable one not yet made.
  if (::access(folder.c_str(), W_OK | X_OK) == 0) return true;
  return errno != EACCES && errno != EROFS && errno != EPERM;
}

ProgramPaths::ProgramPaths(std::string program_folder, UserFolders user, const WritableCheck& writable)
    : installed_(FolderPath(std::move(program_folder))),
      user_(std::move(user)),
      portable_(!FileExists(installed_ + kInstalledMark) && writable(installed_)) {}

ProgramPaths ProgramPaths::ForLibraryFolder(const std::string& library_folder) {
  std::filesystem::path folder(library_folder);
  if (!folder.has_filename()) folder = folder.parent_path();  // a trailing "/"
  return ProgramPaths(folder.has_parent_path() ? folder.parent_path().string() : ".");
}

std::string ProgramPaths::Installed(std::string_view name) const { return installed_ + std::string(name); }

std::string ProgramPaths::Writable(std::string_view name) const {
  if (portable_) return Installed(name);
  const bool saved = name.substr(0, kSavedFiles.size()) == kSavedFiles &&
                     (name.size() == kSavedFiles.size() || name[kSavedFiles.size()] == '/');
  return FolderPath(saved ? user_.data : user_.config) + std::string(name);
}

std::string ProgramPaths::ApplicationId() const {
  std::error_code ec;
  std::filesystem::path folder = std::filesystem::weakly_canonical(Writable(""), ec);
  if (ec) folder = Writable("");
  std::string text = folder.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return ProfileApplicationId(text);
}

bool ProgramPaths::SeedUserFiles(std::string* error) const {
  if (portable_) return true;
  // The folders exist even when nothing is shipped for them: Corvane writes its lists there.
  bool ok = MakeFolders(Writable(kSavedFiles), error);
  ok = MakeFolders(Writable("Requires"), ok ? error : nullptr) && ok;
  for (const char* name : kSeededFiles) {
    const std::string target = Writable(name);
    if (FileExists(target)) continue;
    const std::optional<std::string> text = ReadWholeFile(Installed(name));
    if (!text) continue;  // nothing shipped: the program starts from its built-in defaults
    std::string failure;
    if (!MakeFolders(std::filesystem::path(target).parent_path().string(), &failure) ||
        !WriteFileAtomic(target, *text, &failure)) {
      if (error && ok) *error = failure;
      ok = false;
    }
  }
  return ok;
}

}  // namespace zor
