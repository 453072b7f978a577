#include "common/program_paths.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "common/temp_dir.h"

namespace zor {
namespace {

using testing::TempDir;

ProgramPaths Decide(const std::string& folder, bool writable) {
  return ProgramPaths(folder, {"/home/u/.config/zor-browser", "/home/u/.local/share/zor-browser"},
                      [writable](const std::string&) { return writable; });
}

TEST(ProgramPaths, EachFileInEachMode) {
  struct Case {
    const char* name;
    const char* portable;
    const char* installed;
  };
  const Case cases[] = {
      {"Browser.ini", "/opt/zor/Browser.ini", "/home/u/.config/zor-browser/Browser.ini"},
      {"LastPages.ini", "/opt/zor/LastPages.ini", "/home/u/.config/zor-browser/LastPages.ini"},
      {"lng.ini", "/opt/zor/lng.ini", "/home/u/.config/zor-browser/lng.ini"},
      {"Temp.txt", "/opt/zor/Temp.txt", "/home/u/.config/zor-browser/Temp.txt"},
      {"Requires/proxylist.ini", "/opt/zor/Requires/proxylist.ini",
       "/home/u/.config/zor-browser/Requires/proxylist.ini"},
      {"Requires/blacklist.ini", "/opt/zor/Requires/blacklist.ini",
       "/home/u/.config/zor-browser/Requires/blacklist.ini"},
      {"SavedFiles/", "/opt/zor/SavedFiles/", "/home/u/.local/share/zor-browser/SavedFiles/"},
      {"SavedFiles/a.mht", "/opt/zor/SavedFiles/a.mht", "/home/u/.local/share/zor-browser/SavedFiles/a.mht"},
      // Only the folder itself goes to the data folder, not a name that starts like it.
      {"SavedFilesList.txt", "/opt/zor/SavedFilesList.txt", "/home/u/.config/zor-browser/SavedFilesList.txt"},
  };
  const ProgramPaths portable = Decide("/opt/zor", true);
  const ProgramPaths installed = Decide("/opt/zor/", false);
  EXPECT_TRUE(portable.Portable());
  EXPECT_FALSE(installed.Portable());
  for (const Case& c : cases) {
    EXPECT_EQ(portable.Writable(c.name), c.portable) << c.name;
    EXPECT_EQ(installed.Writable(c.name), c.installed) << c.name;
  }
  // Read-only data always comes from the installed folder.
  EXPECT_EQ(installed.Installed("default.tb2"), "/opt/zor/default.tb2");
  EXPECT_EQ(installed.Installed("lng_zh.ini"), "/opt/zor/lng_zh.ini");
}

// The libraries find the same files as the browser: the check sees the program folder.
TEST(ProgramPaths, LibrariesDecideOnTheProgramFolder) {
  TempDir dir;
  std::filesystem::create_directories(dir / "Requires");
  for (const std::string& library : {dir / "Requires", dir / "Requires/"}) {
    const ProgramPaths paths = ProgramPaths::ForLibraryFolder(library);
    EXPECT_EQ(paths.InstalledFolder(), dir.path() + "/") << library;
    EXPECT_EQ(paths.Writable("Requires/blacklist.ini"), ProgramPaths(dir.path()).Writable("Requires/blacklist.ini"));
  }
  if (!testing::RunningAsRoot()) {
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_FALSE(ProgramPaths::ForLibraryFolder(dir / "Requires").Portable());
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  }
  // An installed folder stays one for a user who may write into it (root).
  std::ofstream(dir / "INSTALLED") << "installed\n";
  EXPECT_FALSE(ProgramPaths::ForLibraryFolder(dir / "Requires").Portable());
  EXPECT_FALSE(ProgramPaths(dir.path()).Portable());
}

TEST(ProgramPaths, SeedingCopiesMissingDefaultsAndKeepsTheUsersFiles) {
  TempDir dir;
  const std::string program = dir / "program";
  std::filesystem::create_directories(program + "/Requires");
  std::filesystem::create_directories(dir / "config/zor-browser/Requires");
  dir.Write("program/Browser.ini", "[SETTINGS]\nPOPUP=1\n");
  dir.Write("program/lng.ini", "[ZOR_Main]\nmsg=shipped\n");
  dir.Write("program/Requires/blacklist.ini", "shipped");
  dir.Write("program/Requires/proxylist.ini", "shipped proxies");
  dir.Write("program/Translist.txt", "Service|http://127.0.0.1:9/t?u={url}\r\n");
  dir.Write("config/zor-browser/lng.ini", "[ZOR_Main]\nmsg=chosen\n");
  dir.Write("config/zor-browser/Requires/blacklist.ini", "mine");

  const ProgramPaths paths(program, {dir / "config/zor-browser", dir / "data/zor-browser"},
                           [](const std::string&) { return false; });
  std::string error;
  ASSERT_TRUE(paths.SeedUserFiles(&error)) << error;
  EXPECT_EQ(dir.Read("config/zor-browser/Browser.ini"), "[SETTINGS]\nPOPUP=1\n");
  EXPECT_EQ(dir.Read("config/zor-browser/Requires/proxylist.ini"), "shipped proxies");
  EXPECT_EQ(dir.Read("config/zor-browser/Translist.txt"), "Service|http://127.0.0.1:9/t?u={url}\r\n");
  EXPECT_EQ(dir.Read("config/zor-browser/lng.ini"), "[ZOR_Main]\nmsg=chosen\n");
  EXPECT_EQ(dir.Read("config/zor-browser/Requires/blacklist.ini"), "mine");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "data/zor-browser/SavedFiles"));
  EXPECT_FALSE(std::filesystem::exists(dir / "config/zor-browser/LastPages.ini"));

  // A second start changes nothing the user has since edited.
  dir.Write("config/zor-browser/Browser.ini", "[SETTINGS]\nPOPUP=0\n");
  ASSERT_TRUE(paths.SeedUserFiles(&error)) << error;
  EXPECT_EQ(dir.Read("config/zor-browser/Browser.ini"), "[SETTINGS]\nPOPUP=0\n");

  // Nothing shipped for the lists: their folder is still made, so saving them works.
  TempDir bare;
  std::filesystem::create_directories(bare / "program");
  const ProgramPaths empty(bare / "program", {bare / "config", bare / "data"},
                           [](const std::string&) { return false; });
  ASSERT_TRUE(empty.SeedUserFiles(&error)) << error;
  EXPECT_TRUE(std::filesystem::is_directory(bare / "config/Requires"));

  // A portable folder seeds nothing anywhere else.
  const ProgramPaths portable(program, {dir / "other", dir / "other"}, [](const std::string&) { return true; });
  ASSERT_TRUE(portable.SeedUserFiles(&error));
  EXPECT_FALSE(std::filesystem::exists(dir / "other"));
}

// The bus's rules for a well-known name: dot-separated elements of [A-Za-z0-9_-], none empty or
// starting with a digit, at least two, at most 255 bytes.
bool ValidBusName(const std::string& name) {
  if (name.empty() || name.size() > 255 || name.front() == '.' || name.back() == '.') return false;
  int elements = 1;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c == '.') {
      if (name[i + 1] == '.' || std::isdigit(static_cast<unsigned char>(name[i + 1]))) return false;
      ++elements;
    } else if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-') {
      return false;
    }
  }
  return elements >= 2 && !std::isdigit(static_cast<unsigned char>(name[0]));
}

TEST(ProgramPaths, OneApplicationIdPerProfileFolder) {
  const std::string folders[] = {"/usr/lib/zor-browser",
                                 "/home/u/.config/zor-browser",
                                 "/tmp/zor e2e/ZOR-Browser",
                                 "/home/\xe7\x94\xa8\xe6\x88\xb7/浏览器",
                                 "/",
                                 std::string(4000, 'x')};
  std::set<std::string> ids;
  for (const std::string& folder : folders) {
    const std::string id = ProfileApplicationId(folder);
    EXPECT_TRUE(ValidBusName(id)) << id;
    EXPECT_EQ(id, ProfileApplicationId(folder));
    ids.insert(id);
  }
  EXPECT_EQ(ids.size(), std::size(folders));

  // Two program folders of their own are two profiles; a link to one is the same one.
  TempDir dir;
  std::filesystem::create_directories(dir / "a");
  std::filesystem::create_directories(dir / "b");
  std::filesystem::create_directory_symlink(dir / "a", dir / "link");
  EXPECT_NE(ProgramPaths(dir / "a").ApplicationId(), ProgramPaths(dir / "b").ApplicationId());
  EXPECT_EQ(ProgramPaths(dir / "a").ApplicationId(), ProgramPaths(dir / "link/").ApplicationId());
  // Installed programs share the user's folder, and so the running browser.
  EXPECT_EQ(Decide(dir / "a", false).ApplicationId(), Decide(dir / "b", false).ApplicationId());
  EXPECT_NE(Decide(dir / "a", false).ApplicationId(), Decide(dir / "a", true).ApplicationId());
}

}  // namespace
}  // namespace zor
