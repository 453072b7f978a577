// Where the program's files are: beside the program when its folder is writable and not
// marked as installed (a portable program folder), else the files it writes live in per-user folders while
// the read-only data stays in the installed folder.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zor {

// The per-user folders of an installed program: settings and lists, and saved files.
struct UserFolders {
  std::string config;  // $XDG_CONFIG_HOME/zor-browser (default ~/.config/zor-browser)
  std::string data;    // $XDG_DATA_HOME/zor-browser (default ~/.local/share/zor-browser)
};

// The per-user folders named by the environment.
UserFolders UserFoldersFromEnvironment();

// False when the system refuses the process creating files in the folder (a missing
// folder is not refused).
bool FolderWritable(const std::string& folder);

// A D-Bus well-known name for the browser that writes its files into `profile_folder`: the same
// folder always gives the same name, other folders other names, and any bytes give a valid name.
std::string ProfileApplicationId(std::string_view profile_folder);

class ProgramPaths {
 public:
  using WritableCheck = std::function<bool(const std::string& folder)>;

  explicit ProgramPaths(std::string program_folder, UserFolders user = UserFoldersFromEnvironment(),
                        const WritableCheck& writable = FolderWritable);

  // The paths of the program that owns a library folder (its Requires/ folder).
  static ProgramPaths ForLibraryFolder(const std::string& library_folder);

  bool Portable() const { return portable_; }
  // The installed program folder, with one trailing "/".
  const std::string& InstalledFolder() const { return installed_; }

  // A read-only file of the program folder ("default.tb2", "lng_en.ini", "Requires/browser.gif").
  std::string Installed(std::string_view name) const;
  // A file the program writes ("Browser.ini", "lng.ini", "Temp.txt", "Requires/blacklist.ini",
  // "SavedFiles/..."): the one place that decides where it lives.
  std::string Writable(std::string_view name) const;

  // Copies each shipped default missing from the per-user folders there and makes SavedFiles/;
  // an existing file is never replaced. Nothing to do in a portable folder. On failure *error
  // names the file and the reason; the remaining files are still seeded.
  bool SeedUserFiles(std::string* error = nullptr) const;

  // The session-bus name of the browser running on this profile's files (see ProfileApplicationId):
  // the folder of Writable files, with links resolved.
  std::string ApplicationId() const;

 private:
  std::string installed_;
  UserFolders user_;
  bool portable_ = true;
};

}  // namespace zor
