// Link list files (".LSV"): one entry per line, each line ended by CR LF, UTF-8. Files of
// the old systems in the Chinese code page are read by conversion.
#pragma once

#include <string>
#include <vector>

namespace zor::carrowel {

// The entries joined for a file or the clipboard: each followed by CR LF.
std::string JoinEntries(const std::vector<std::string>& entries);

// The entries of a file's contents, in order: line ends CR LF, LF or CR; blanks (spaces
// and tabs) around each line removed; lines left empty skipped.
std::vector<std::string> ParseLinkList(const std::string& bytes);

}  // namespace zor::carrowel
