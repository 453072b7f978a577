// Profile-string (INI) files with the semantics of the classic Windows
// reader: names compared case-insensitively (ASCII), the first matching
// section and the first matching key in it win, lines that are neither
// "[section]" nor "key=value" are ignored, keys and values are trimmed of
// blanks and tabs (and stray CRs), and there are no escapes, quotes or
// comment syntax.
// Rewriting keeps every line it does not change byte for byte.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zor {

class IniDocument {
 public:
  IniDocument() = default;

  // Never fails: anything is a document. Lines end at LF (a CR before it is
  // part of the line break); a UTF-8 byte-order mark at the start is skipped;
  // a NUL byte ends the line's meaningful text, as a C string would.
  static IniDocument Parse(std::string_view text);

  // nullopt when the file cannot be read.
  static std::optional<IniDocument> Load(const std::string& path);

  // Trimmed value of the first matching key in the first matching section.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;

  // Replaces the value of the first matching key of the first matching
  // section, or adds the key after the section's last non-blank line, or adds
  // the section at the end. Section and key are trimmed; the value is written
  // as given up to its first CR, LF or NUL. Returns false (document unchanged)
  // for names that cannot be read back: empty, containing CR, LF or NUL, a
  // section containing "]", a key containing "=" or starting with "[".
  bool Set(std::string_view section, std::string_view key, std::string_view value);

  // Exact text of the document: Serialize(Parse(t)) == t.
  std::string Serialize() const;

  // Atomic replacement of the file (see WriteFileAtomic).
  bool Save(const std::string& path, std::string* error = nullptr) const;

  // Distinct section names (first spelling) in file order.
  std::vector<std::string> Sections() const;
  // Distinct keys (first spelling) of the first matching section, in file order.
  std::vector<std::string> Keys(std::string_view section) const;

 private:
  enum class Kind : unsigned char { kSection, kKey };
  // Only headers and key lines are indexed; every other line lives in text_
  // alone, so blank or junk lines cost nothing beyond their bytes.
  struct Entry {
    std::size_t line;      // offset of the line in text_
    std::size_t line_end;  // offset of its line break (or of the end of text_)
    std::size_t name_pos;  // trimmed section name or key
    std::size_t name_len;
    Kind kind;
  };

  void Index();
  std::string_view NameOf(const Entry& e) const {
    return std::string_view(text_).substr(e.name_pos, e.name_len);
  }
  std::string_view ValueOf(const Entry& e) const;
  // Entry index of the header of the first matching section, or npos.
  std::size_t FindSection(std::string_view section) const;
  std::string_view NewLineBreak() const { return crlf_ ? "\r\n" : "\n"; }

  std::string text_;  // the document after any byte-order mark
  std::vector<Entry> entries_;
  bool bom_ = false;
  bool crlf_ = false;  // style for lines this document adds
};

// One value read from the file, or default_value when the file, section or
// key is missing.
std::string GetProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view default_value);

// Sets one value in the file (created when absent) and saves it atomically.
bool WriteProfileString(const std::string& path, std::string_view section,
                        std::string_view key, std::string_view value);

// Also reachable as zor::ini::IniDocument.
namespace ini {
using ::zor::IniDocument;
}  // namespace ini

}  // namespace zor
