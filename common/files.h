// File helpers shared by the programs and libraries: existence checks with
// file-search wildcards, atomic replacement, whole-file reads, program folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zor {

// True when the path names an existing entry (file, directory, or symbolic
// link, even a dangling one). Wildcards "*" and "?" in the last component
// match like a file search: true when at least one entry of the folder other
// than "." and ".." matches ("*.*" matches every name, dotted or not). Other
// characters, "[" included, match literally. An empty path is false.
bool FileExists(const std::string& path);

// Replaces the file with data, or creates it: writes a temporary file in the
// same folder, flushes it to disk and renames it over the target, so readers
// see either the old or the new contents, never a part. An existing file keeps
// its permission bits; a symbolic link is followed and its target replaced.
// On failure the old file is untouched, no temporary is left, and *error (when
// given) names the file and the system's reason.
bool WriteFileAtomic(const std::string& path, std::string_view data,
                     std::string* error = nullptr);

// Whole contents of a regular file, or nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Appends line + eol in one write, creating the file when absent.
bool AppendLine(const std::string& path, std::string_view line,
                std::string_view eol = "\r\n");

// One entry of a folder listing. `directory` and `regular` describe what the entry
// leads to (a symbolic link is followed); `link` says it is a symbolic link.
struct FolderEntry {
  std::string name;
  bool directory = false;
  bool regular = false;
  bool link = false;
};

// The entries of a folder other than "." and "..", in the order the system lists
// them; nullopt when the folder cannot be opened.
std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder);

// The path with every symbolic link and "."/".." resolved; empty when it does not exist.
std::string RealPath(const std::string& path);

// Folder of the running program (from /proc/self/exe), without a trailing
// slash ("/" for the root folder); empty when it cannot be determined.
std::string ProgramFolder();

// Folder of the loaded program or library file that holds `address` (code or data of
// it), without a trailing slash; "." when it cannot be determined.
std::string LoadedFileFolder(const void* address);

// The folder with a "/" appended when it does not already end with one.
std::string FolderPath(std::string folder);

// a and b joined with exactly one "/" between them; an empty side leaves the
// other unchanged. b is always taken relative to a.
std::string JoinPath(const std::string& a, const std::string& b);

}  // namespace zor
