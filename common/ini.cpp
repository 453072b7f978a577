#include "common/ini.h"

#include <unordered_set>

#include "common/files.h"

namespace zor {
namespace {

// A CR counts as blank so that a line keeps its meaning whichever line break
// ends it (a last line "k=v\r" without LF reads as "k=v").
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::string LowerCopy(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Lower(c);
  return out;
}

// The part of a line that means anything: up to the first NUL.
std::string_view Meaningful(std::string_view raw) {
  const std::size_t nul = raw.find('\0');
  return nul == std::string_view::npos ? raw : raw.substr(0, nul);
}

bool IsBlankLine(std::string_view raw) { return Trim(Meaningful(raw)).empty(); }

// Offset of sub within whole (sub must view into whole).
std::size_t OffsetIn(std::string_view whole, std::string_view sub) {
  return static_cast<std::size_t>(sub.data() - whole.data());
}

}  // namespace

void IniDocument::Index() {
  entries_.clear();
  const std::string_view all = text_;
  std::size_t pos = 0;
  while (pos < all.size()) {
    const std::size_t lf = all.find('\n', pos);
    std::size_t end = lf == std::string_view::npos ? all.size() : lf;
    if (lf != std::string_view::npos && end > pos && all[end - 1] == '\r') --end;
    const std::string_view text = Trim(Meaningful(all.substr(pos, end - pos)));
    if (!text.empty() && text.front() == '[' && text.find(']') != std::string_view::npos) {
      const std::string_view name = Trim(text.substr(1, text.find(']') - 1));
      entries_.push_back({pos, end, OffsetIn(all, name), name.size(), Kind::kSection});
    } else if (const std::size_t eq = text.find('='); eq != std::string_view::npos) {
      const std::string_view key = Trim(text.substr(0, eq));
      if (!key.empty()) entries_.push_back({pos, end, OffsetIn(all, key), key.size(), Kind::kKey});
    }
    if (lf == std::string_view::npos) break;
    pos = lf + 1;
  }
}

std::string_view IniDocument::ValueOf(const Entry& e) const {
  const std::string_view text = Meaningful(std::string_view(text_).substr(e.line, e.line_end - e.line));
  return Trim(text.substr(text.find('=') + 1));
}

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    doc.bom_ = true;
    text.remove_prefix(3);
  }
  doc.text_ = std::string(text);
  const std::size_t lf = text.find('\n');
  doc.crlf_ = lf != std::string_view::npos && lf > 0 && text[lf - 1] == '\r';
  doc.Index();
  return doc;
}

std::optional<IniDocument> IniDocument::Load(const std::string& path) {
  std::optional<std::string> text = ReadWholeFile(path);
  if (!text) return std::nullopt;
  return Parse(*text);
}

std::size_t IniDocument::FindSection(std::string_view section) const {
  section = Trim(section);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].kind == Kind::kSection && EqualNoCase(NameOf(entries_[i]), section)) return i;
  }
  return std::string::npos;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
  const std::size_t h = FindSection(section);
  if (h == std::string::npos) return std::nullopt;
  key = Trim(key);
  for (std::size_t i = h + 1; i < entries_.size() && entries_[i].kind == Kind::kKey; ++i) {
    if (EqualNoCase(NameOf(entries_[i]), key)) return std::string(ValueOf(entries_[i]));
  }
  return std::nullopt;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || section.find_first_of(std::string_view("\r\n\0]", 4)) != std::string_view::npos) {
    return false;
  }
  if (key.empty() || key.front() == '[' ||
      key.find_first_of(std::string_view("\r\n\0=", 4)) != std::string_view::npos) {
    return false;
  }
  value = value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
  const std::string_view eol = NewLineBreak();
  std::string key_line(key);
  key_line += '=';
  key_line.append(value);

  const std::size_t h = FindSection(section);
  if (h != std::string::npos) {
    std::size_t i = h + 1;
    for (; i < entries_.size() && entries_[i].kind == Kind::kKey; ++i) {
      const Entry& e = entries_[i];
      if (!EqualNoCase(NameOf(e), key)) continue;
      // Keep the key as spelled and spaced in the file; only the value changes.
      std::size_t keep = text_.find('=', e.name_pos + e.name_len) + 1;
      while (keep < e.line_end && (text_[keep] == ' ' || text_[keep] == '\t')) ++keep;
      text_.replace(keep, e.line_end - keep, value);
      Index();
      return true;
    }
    // After the section's last non-blank line, so blank lines keep separating it
    // from the next section.
    const std::size_t section_end = i < entries_.size() ? entries_[i].line : text_.size();
    std::size_t at = 0;
    bool has_break = true;
    for (std::size_t p = entries_[h].line; p < section_end;) {
      const std::size_t lf = text_.find('\n', p);
      const std::size_t stop = lf == std::string::npos ? text_.size() : lf;
      if (!IsBlankLine(std::string_view(text_).substr(p, stop - p))) {
        at = lf == std::string::npos ? text_.size() : lf + 1;
        has_break = lf != std::string::npos;
      }
      if (lf == std::string::npos) break;
      p = lf + 1;
    }
    std::string insert;
    if (!has_break) insert.append(eol);
    insert.append(key_line).append(eol);
    text_.insert(at, insert);
    Index();
    return true;
  }

  std::string add;
  if (!text_.empty()) {
    const bool ends_with_break = text_.back() == '\n';
    if (!ends_with_break) add.append(eol);
    const std::size_t last_end = ends_with_break ? text_.size() - 1 : text_.size();
    const std::size_t prev_lf = last_end == 0 ? std::string::npos : text_.rfind('\n', last_end - 1);
    const std::size_t last_start = prev_lf == std::string::npos ? 0 : prev_lf + 1;
    if (!IsBlankLine(std::string_view(text_).substr(last_start, last_end - last_start))) add.append(eol);
  }
  add += '[';
  add.append(section);
  add += ']';
  add.append(eol).append(key_line).append(eol);
  text_ += add;
  Index();
  return true;
}

std::string IniDocument::Serialize() const {
  if (!bom_) return text_;
  return "\xEF\xBB\xBF" + text_;
}

bool IniDocument::Save(const std::string& path, std::string* error) const {
  return WriteFileAtomic(path, Serialize(), error);
}

std::vector<std::string> IniDocument::Sections() const {
  std::vector<std::string> out;
  std::unordered_set<std::string> seen;
  for (const Entry& e : entries_) {
    if (e.kind == Kind::kSection && seen.insert(LowerCopy(NameOf(e))).second) {
      out.emplace_back(NameOf(e));
    }
  }
  return out;
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const {
  std::vector<std::string> out;
  const std::size_t h = FindSection(section);
  if (h == std::string::npos) return out;
  std::unordered_set<std::string> seen;
  for (std::size_t i = h + 1; i < entries_.size() && entries_[i].kind == Kind::kKey; ++i) {
    if (seen.insert(LowerCopy(NameOf(entries_[i]))).second) out.emplace_back(NameOf(entries_[i]));
  }
  return out;
}

std::string GetProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view default_value) {
  const std::optional<IniDocument> doc = IniDocument::Load(path);
  if (doc) {
    if (std::optional<std::string> value = doc->Get(section, key)) return *std::move(value);
  }
  return std::string(default_value);
}

bool WriteProfileString(const std::string& path, std::string_view section,
                        std::string_view key, std::string_view value) {
  std::optional<IniDocument> doc = IniDocument::Load(path);
  if (!doc) {
    // Only a missing file starts a new document; an unreadable one is left alone.
    if (FileExists(path)) return false;
    doc.emplace();
  }
  if (!doc->Set(section, key, value)) return false;
  return doc->Save(path);
}

}  // namespace zor
