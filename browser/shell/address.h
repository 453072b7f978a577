// Addresses as the user types or passes them, turned into something the engine loads.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zor::shell {

// Where words typed in the address box go: "{query}" stands for the words.
struct SearchService {
  std::string name;
  std::string address;
};
// The services offered in Internet Options; the first is the default.
const std::vector<SearchService>& SearchServices();
// A template the program can use: it holds "{query}" and an http(s) scheme.
bool UsableSearchTemplate(const std::string& search_template);

// Every byte of `text` outside the unreserved set (letters, digits, "-._~") as %XX.
std::string PercentEncode(std::string_view text);
// The template with every "{query}" replaced by the percent-encoded words.
std::string FillSearchTemplate(const std::string& search_template, const std::string& words);

// Whether typed text names no address: no scheme, and blanks in what would be the host
// or a host without a dot, a port or brackets ("localhost" excepted). "intranet/" and
// "http://intranet" still reach a single-word host.
bool IsSearchText(const std::string& text);

// An absolute file path becomes a file: URI; a bare host name ("example.org/x") gets
// "http://"; words that are no address become the search template's address when a
// template is given, else stay as they are; anything with a scheme stays.
std::string LoadableAddress(const std::string& text, const std::string& search_template = {});

// An address given on the command line: a path to an existing file, relative to
// `working_folder`, opens as that file; anything else as LoadableAddress makes it.
std::string StartAddress(const std::string& text, const std::string& working_folder,
                         const std::string& search_template = {});

// Every "%20" shown as a blank, as the address box and tab tooltips show addresses.
std::string ShowBlanks(std::string address);

}  // namespace zor::shell
