// The two list files beside the library (proxylist.ini, blacklist.ini): plain text,
// one entry per line, every line kept, empty lines included.
#pragma once

#include <string>
#include <vector>

namespace zor::corvane {

// Clears `list`, then appends every line of the file. Lines end with CR LF; a lone CR or
// LF also ends a line, so files edited here read the same. A last line without an end is
// kept; a final line end adds no empty entry. A missing or unreadable file leaves the
// list empty.
void ReadListFile(const std::string& path, std::vector<std::string>& list);

// Replaces the file with every entry, each followed by CR LF, atomically. Throws
// std::runtime_error naming the file and the reason when it cannot be written.
void WriteListFile(const std::string& path, const std::vector<std::string>& list);

}  // namespace zor::corvane
