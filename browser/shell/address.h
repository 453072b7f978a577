// Addresses as the user types or passes them, turned into something the engine loads.
#pragma once

#include <string>

namespace zor::shell {

// An absolute file path becomes a file: URI; a bare host name ("example.org/x") gets
// "http://"; anything with a scheme, or that is not plainly an address, stays as it is.
std::string LoadableAddress(const std::string& text);

// An address given on the command line: a path to an existing file, relative to
// `working_folder`, opens as that file; anything else as LoadableAddress makes it.
std::string StartAddress(const std::string& text, const std::string& working_folder);

// Every "%20" shown as a blank, as the address box and tab tooltips show addresses.
std::string ShowBlanks(std::string address);

}  // namespace zor::shell
