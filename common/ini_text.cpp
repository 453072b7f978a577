#include "common/ini_text.h"

#include <iconv.h>

#include <cerrno>
#include <climits>
#include <optional>

#include "common/files.h"
#include "common/ini.h"
#include "common/text_width.h"

namespace zor {
namespace {

// Whole-text conversion from GB18030; nullopt when any byte sequence is not GB18030.
std::optional<std::string> FromGb18030(const std::string& in) {
  iconv_t cd = ::iconv_open("UTF-8", "GB18030");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(in.size() * 2 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  std::size_t used = 0;
  bool ok = true;
  while (src_left > 0) {
    char* dst = out.data() + used;
    std::size_t dst_left = out.size() - used;
    const std::size_t r = ::iconv(cd, &src, &src_left, &dst, &dst_left);
    used = out.size() - dst_left;
    if (r != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    ok = false;  // EILSEQ, or EINVAL for a sequence cut off at the end
    break;
  }
  ::iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(used);
  return out;
}

std::optional<IniDocument> LoadTextFile(const std::string& file) {
  std::optional<std::string> text = ReadWholeFile(file);
  if (!text) return std::nullopt;
  if (!IsValidUtf8(*text)) {
    if (std::optional<std::string> converted = FromGb18030(*text)) text = std::move(converted);
  }
  return IniDocument::Parse(*text);
}

}  // namespace

std::string DecodeLegacyText(const std::string& bytes) {
  if (IsValidUtf8(bytes)) return bytes;
  if (std::optional<std::string> converted = FromGb18030(bytes)) return *converted;
  return ToValidUtf8(bytes);
}

IniTextSource::IniTextSource(const std::string& file) : doc_(LoadTextFile(file)) {}

std::string IniTextSource::Read(std::string_view section, std::string_view key) const {
  if (!doc_) return {};
  const std::optional<std::string> value = doc_->Get(section, key);
  if (!value) return {};
  return CutToWidth(ToValidUtf8(*value), kIniTextMaxWidth);
}

int IniTextSource::ReadFlag(std::string_view section, std::string_view key,
                            int default_value) const {
  if (!doc_) return default_value;
  const std::optional<std::string> value = doc_->Get(section, key);
  if (!value) return default_value;
  return ParseIniFlag(*value);
}

std::string ReadIniText(const std::string& file, const std::string& section,
                        const std::string& key) {
  return IniTextSource(file).Read(section, key);
}

int ParseIniFlag(std::string_view value) {
  std::size_t i = 0;
  while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
    negative = value[i] == '-';
    ++i;
  }
  long long n = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    n = n * 10 + (value[i] - '0');
    if (n > static_cast<long long>(INT_MAX) + 1) n = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) return static_cast<int>(-n);  // -(INT_MAX + 1) == INT_MIN
  return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

int ReadIniFlag(const std::string& file, const std::string& section, const std::string& key,
                int default_value) {
  return IniTextSource(file).ReadFlag(section, key, default_value);
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty()) return;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

namespace {
char LowerByte(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

std::string AsciiLower(std::string text) {
  for (char& c : text) c = LowerByte(c);
  return text;
}

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerByte(a[i]) != LowerByte(b[i])) return false;
  return true;
}

}  // namespace zor
