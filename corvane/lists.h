// The two list files of the library (proxylist.ini, blacklist.ini) and the tests made on
// their entries: the black-list match and the proxy entry check.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zor::corvane {

inline constexpr const char* kProxyListFile = "proxylist.ini";
inline constexpr const char* kBlackListFile = "blacklist.ini";

// folder + "/" (unless it already ends with one) + name.
std::string ListFilePath(const std::string& folder, const std::string& name);

// Clears `list`, then takes every line of the file as one entry, empty lines included;
// a last line without an end of line is kept. Lines end at CR LF, CR or LF. A missing or
// unreadable file leaves the list empty; false only when the file is there but cannot
// be read (then it must not be written over, or its entries would be lost).
bool ReadListFile(const std::string& path, std::vector<std::string>& list);

// The entries of a list file's text, as ReadListFile takes them.
std::vector<std::string> SplitListText(std::string_view text);

// Replaces the file with every entry followed by CR LF, atomically. Throws
// std::runtime_error naming the file when it cannot be written.
void WriteListFile(const std::string& path, const std::vector<std::string>& list);

// One black-list entry against an address: the entry is cut at every "{*}" and each
// non-empty piece must occur somewhere in the address, ignoring case, in any order.
// An entry that is only markers stands for itself. An empty entry matches nothing.
bool PatternMatch(std::string_view entry, std::string_view address);

// The black-list test: an entry equal to the address (ignoring case) at index 1 or
// later, else the first entry whose pattern matches.
bool CheckInHei(const std::vector<std::string>& list, std::string_view address);

// Index of the first entry equal to `s` ignoring case, or -1.
int FindExact(const std::vector<std::string>& list, std::string_view s);

// A proxy entry is valid when its first ":" has at least seven characters before it.
bool CheckProxy(std::string_view s);

}  // namespace zor::corvane
