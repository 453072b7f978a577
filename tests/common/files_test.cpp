#include "common/files.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "temp_dir.h"

namespace zor {
namespace {

using testing::RunningAsRoot;
using testing::TempDir;

TEST(FileExists, PlainPaths) {
  TempDir dir;
  const std::string file = dir.Write("Browser.ini", "[ZOR-BROWSER]\n");
  ASSERT_EQ(::mkdir((dir / "Requires").c_str(), 0755), 0);
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(FileExists("/"));
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(FileExists(dir / "Requires"));
  EXPECT_TRUE(FileExists(dir / "Requires/"));
  EXPECT_FALSE(FileExists(dir / "browser.ini"));  // names are case-sensitive here
  EXPECT_FALSE(FileExists(dir / "missing.ini"));
  EXPECT_FALSE(FileExists(dir / "nowhere/Browser.ini"));
  EXPECT_FALSE(FileExists("C:\\"));  // a drive root means nothing on this platform
  ASSERT_EQ(::symlink("no-such-target", (dir / "dangling").c_str()), 0);
  EXPECT_TRUE(FileExists(dir / "dangling"));  // the entry is there
}

TEST(FileExists, WildcardsInTheLastComponent) {
  TempDir dir;
  dir.Write("lng.ini", "");
  dir.Write("README", "");
  dir.Write("a[1].txt", "");
  dir.Write("中文.lng", "");
  ASSERT_EQ(::mkdir((dir / "empty").c_str(), 0755), 0);

  EXPECT_TRUE(FileExists(dir / "*.ini"));
  EXPECT_TRUE(FileExists(dir / "l?g.ini"));
  EXPECT_TRUE(FileExists(dir / "*"));
  EXPECT_TRUE(FileExists(dir / "*.*"));     // matches names without a dot too
  EXPECT_TRUE(FileExists(dir / "READ*"));
  EXPECT_TRUE(FileExists(dir / "a[1]*"));   // brackets are literal
  EXPECT_TRUE(FileExists(dir / "??.lng"));  // "?" is one character, not one byte
  EXPECT_FALSE(FileExists(dir / "?.lng"));

  EXPECT_FALSE(FileExists(dir / "*.xyz"));
  EXPECT_FALSE(FileExists(dir / "l?.ini"));
  EXPECT_FALSE(FileExists(dir / "a[12].txt"));
  EXPECT_FALSE(FileExists(dir / "empty/*"));  // "." and ".." do not count
  EXPECT_FALSE(FileExists(dir / "missing/*"));
}

TEST(WriteFileAtomic, CreatesAndReplaces) {
  TempDir dir;
  const std::string file = dir / "Browser.ini";
  std::string error;
  ASSERT_TRUE(WriteFileAtomic(file, "first\n", &error)) << error;
  EXPECT_EQ(dir.Read("Browser.ini"), "first\n");
  ASSERT_TRUE(WriteFileAtomic(file, std::string("second\0x", 8), &error)) << error;
  EXPECT_EQ(dir.Read("Browser.ini"), std::string("second\0x", 8));
  ASSERT_TRUE(WriteFileAtomic(file, ""));
  EXPECT_EQ(dir.Read("Browser.ini"), "");
  EXPECT_EQ(dir.EntryCount(), 1u);  // no temporary left behind
}

TEST(WriteFileAtomic, KeepsPermissionsAndFollowsLinks) {
  TempDir dir;
  const std::string file = dir.Write("real.ini", "old");
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  ASSERT_TRUE(WriteFileAtomic(file, "new"));
  struct stat st;
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  ASSERT_EQ(::symlink("real.ini", (dir / "link.ini").c_str()), 0);
  ASSERT_TRUE(WriteFileAtomic(dir / "link.ini", "through link"));
  EXPECT_EQ(dir.Read("real.ini"), "through link");
  ASSERT_EQ(::lstat((dir / "link.ini").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(WriteFileAtomic, FailsCleanlyAndReportsWhy) {
  TempDir dir;
  ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
  dir.Write("sub/inside", "keep");
  std::string error;
  EXPECT_FALSE(WriteFileAtomic(dir / "sub", "data", &error));
  EXPECT_NE(error.find(dir / "sub"), std::string::npos) << error;
  EXPECT_NE(error.find(std::strerror(EISDIR)), std::string::npos) << error;
  EXPECT_EQ(dir.Read("sub/inside"), "keep");

  error.clear();
  EXPECT_FALSE(WriteFileAtomic(dir / "missing/Browser.ini", "data", &error));
  EXPECT_NE(error.find("missing/Browser.ini"), std::string::npos) << error;
  EXPECT_NE(error.find(std::strerror(ENOENT)), std::string::npos) << error;
  EXPECT_FALSE(WriteFileAtomic("", "data"));
  EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(WriteFileAtomic, ReadOnlyFolderLeavesOldFile) {
  if (RunningAsRoot()) GTEST_SKIP() << "permissions do not apply to root";
  TempDir dir;
  const std::string file = dir.Write("Browser.ini", "old contents");
  ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
  std::string error;
  EXPECT_FALSE(WriteFileAtomic(file, "new contents", &error));
  EXPECT_NE(error.find(std::strerror(EACCES)), std::string::npos) << error;
  ::chmod(dir.path().c_str(), 0755);
  EXPECT_EQ(dir.Read("Browser.ini"), "old contents");
  EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(ReadWholeFile, ReadsBytesExactly) {
  TempDir dir;
  std::string data(200000, 'a');
  data[5] = '\0';
  data[100] = '\xFF';
  dir.Write("blob", data);
  EXPECT_EQ(ReadWholeFile(dir / "blob"), data);
  dir.Write("empty", "");
  EXPECT_EQ(ReadWholeFile(dir / "empty"), "");
  EXPECT_EQ(ReadWholeFile(dir / "missing"), std::nullopt);
  EXPECT_EQ(ReadWholeFile(dir.path()), std::nullopt);
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  EXPECT_EQ(ReadWholeFile(dir / "fifo"), std::nullopt);  // and does not hang
}

TEST(AppendLine, CreatesThenAppends) {
  TempDir dir;
  const std::string file = dir / "LastPages.ini";
  ASSERT_TRUE(AppendLine(file, "http://a.example/"));
  ASSERT_TRUE(AppendLine(file, "http://b.example/?x=1,2"));
  ASSERT_TRUE(AppendLine(file, "c", "\n"));
  EXPECT_EQ(dir.Read("LastPages.ini"), "http://a.example/\r\nhttp://b.example/?x=1,2\r\nc\n");
  EXPECT_FALSE(AppendLine(dir / "missing/LastPages.ini", "x"));
  EXPECT_FALSE(AppendLine(dir.path(), "x"));
}

TEST(Paths, ProgramFolder) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.front(), '/');
  EXPECT_TRUE(folder == "/" || folder.back() != '/');
  EXPECT_TRUE(FileExists(JoinPath(folder, program_invocation_short_name)));
}

TEST(Paths, FolderPathAndJoin) {
  EXPECT_EQ(FolderPath("/opt/zor"), "/opt/zor/");
  EXPECT_EQ(FolderPath("/opt/zor/"), "/opt/zor/");
  EXPECT_EQ(FolderPath("/"), "/");
  EXPECT_EQ(FolderPath(""), "/");

  EXPECT_EQ(JoinPath("/opt/zor", "lng.ini"), "/opt/zor/lng.ini");
  EXPECT_EQ(JoinPath("/opt/zor/", "lng.ini"), "/opt/zor/lng.ini");
  EXPECT_EQ(JoinPath("/opt/zor//", "/res/pb.bmp"), "/opt/zor/res/pb.bmp");
  EXPECT_EQ(JoinPath("/", "lng.ini"), "/lng.ini");
  EXPECT_EQ(JoinPath("", "lng.ini"), "lng.ini");
  EXPECT_EQ(JoinPath("/opt", ""), "/opt");
}

}  // namespace
}  // namespace zor
