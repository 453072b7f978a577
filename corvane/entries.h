// Tests on the entries of the two lists: the black-list match with its "{*}" marker, and
// the proxy-entry check.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zor::corvane {

// Entry and address equal, ASCII letters compared without case.
bool EqualNoCase(std::string_view a, std::string_view b);

// One entry against an address: the entry's pieces between "{*}" markers (a leading
// empty piece dropped; the whole entry when no piece has text) must each occur in the
// address, ignoring case, in any order. An empty entry matches nothing: a blank line in
// the file would otherwise block every address.
bool MatchesBlackListEntry(std::string_view entry, std::string_view address);

// The black-list test: an entry equal to the address (ignoring case) at index 1 or later,
// else the first entry whose pattern matches.
bool InBlackList(const std::vector<std::string>& list, std::string_view address);

// Index of the first entry equal to `text` ignoring case, or -1.
int FindNoCase(const std::vector<std::string>& list, std::string_view text);

// A proxy entry is valid when its first ":" has at least seven characters before it.
// The port and an "@" description are not looked at.
bool CheckProxy(std::string_view entry);

}  // namespace zor::corvane
