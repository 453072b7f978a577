// Texts and flags from the settings and language files, as the programs read
// them: capped like the old fixed 255-character buffer, always valid UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/ini.h"

namespace zor {

// Most a value may measure (in LegacyWidth) when read through ReadIniText.
inline constexpr int kIniTextMaxWidth = 254;

// Value of key in section of file, or empty text when any of them is missing.
// The value is cut to kIniTextMaxWidth, never inside a character. A file that
// is not valid UTF-8 is read as GB18030 when it converts as a whole (old
// Chinese language files); otherwise its invalid bytes become U+FFFD. The
// result is valid UTF-8 without NUL bytes.
std::string ReadIniText(const std::string& file, const std::string& section,
                        const std::string& key);

// Integer flag: the value's leading decimal digits (after blanks and an
// optional sign), 0 when it has none, clamped to the int range; default_value
// when the file, section or key is missing.
int ReadIniFlag(const std::string& file, const std::string& section,
                const std::string& key, int default_value);

// One file read once for many values (the language pass reads hundreds);
// Read and ReadFlag give what ReadIniText and ReadIniFlag would for the file
// as it was when the object was made.
class IniTextSource {
 public:
  explicit IniTextSource(const std::string& file);
  bool Loaded() const { return doc_.has_value(); }
  std::string Read(std::string_view section, std::string_view key) const;
  int ReadFlag(std::string_view section, std::string_view key, int default_value) const;

 private:
  std::optional<IniDocument> doc_;
};

// A text file's contents as UTF-8: valid UTF-8 as it is, else read as GB18030 when it
// converts as a whole (files of the old Chinese systems), else with its invalid bytes
// replaced by U+FFFD.
std::string DecodeLegacyText(const std::string& bytes);

// Fills a language text's placeholder ("{N}", "{V}"...): every `from` becomes `to`.
void ReplaceAll(std::string& text, std::string_view from, std::string_view to);

// Letters A-Z made lower case; other bytes (UTF-8 included) stay as they are.
std::string AsciiLower(std::string text);
bool SameIgnoringAsciiCase(std::string_view a, std::string_view b);

// Only exactly 1 means on.
inline bool FlagOn(int value) { return value == 1; }

// The flag parse on its own, for values already read.
int ParseIniFlag(std::string_view value);

}  // namespace zor
