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

IniDocument::Line IniDocument::MakeLine(std::string raw, std::string eol) {
  Line line;
  line.raw = std::move(raw);
  line.eol = std::move(eol);
  const std::string_view whole = line.raw;
  const std::string_view text = Trim(Meaningful(whole));
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close != std::string_view::npos) {
      const std::string_view name = Trim(text.substr(1, close - 1));
      line.kind = Kind::kSection;
      line.name_pos = OffsetIn(whole, name);
      line.name_len = name.size();
      return line;
    }
  }
  const std::size_t eq = text.find('=');
  if (eq != std::string_view::npos) {
    const std::string_view key = Trim(text.substr(0, eq));
    if (!key.empty()) {
      const std::string_view value = Trim(text.substr(eq + 1));
      line.kind = Kind::kKey;
      line.name_pos = OffsetIn(whole, key);
      line.name_len = key.size();
      line.after_eq = OffsetIn(whole, text) + eq + 1;
      // An empty value may sit at the end of text; keep its offset inside raw.
      line.value_pos = value.empty() ? line.after_eq : OffsetIn(whole, value);
      line.value_len = value.size();
    }
  }
  return line;
}

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    doc.bom_ = true;
    text.remove_prefix(3);
  }
  bool style_known = false;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t lf = text.find('\n', start);
    if (lf == std::string_view::npos) {
      doc.lines_.push_back(MakeLine(std::string(text.substr(start)), ""));
      break;
    }
    std::size_t end = lf;
    const bool crlf = end > start && text[end - 1] == '\r';
    if (crlf) --end;
    if (!style_known) {
      doc.crlf_ = crlf;
      style_known = true;
    }
    doc.lines_.push_back(MakeLine(std::string(text.substr(start, end - start)), crlf ? "\r\n" : "\n"));
    start = lf + 1;
  }
  return doc;
}

std::optional<IniDocument> IniDocument::Load(const std::string& path) {
  std::optional<std::string> text = ReadWholeFile(path);
  if (!text) return std::nullopt;
  return Parse(*text);
}

std::size_t IniDocument::FindSection(std::string_view section) const {
  section = Trim(section);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == Kind::kSection && EqualNoCase(lines_[i].Name(), section)) return i;
  }
  return std::string::npos;
}

std::size_t IniDocument::SectionEnd(std::size_t h) const {
  std::size_t i = h + 1;
  while (i < lines_.size() && lines_[i].kind != Kind::kSection) ++i;
  return i;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
  const std::size_t h = FindSection(section);
  if (h == std::string::npos) return std::nullopt;
  key = Trim(key);
  for (std::size_t i = h + 1; i < lines_.size() && lines_[i].kind != Kind::kSection; ++i) {
    if (lines_[i].kind == Kind::kKey && EqualNoCase(lines_[i].Name(), key)) {
      return std::string(lines_[i].Value());
    }
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

  const std::size_t h = FindSection(section);
  if (h != std::string::npos) {
    const std::size_t end = SectionEnd(h);
    for (std::size_t i = h + 1; i < end; ++i) {
      Line& line = lines_[i];
      if (line.kind == Kind::kKey && EqualNoCase(line.Name(), key)) {
        // Keep the key as spelled and spaced in the file; only the value changes.
        std::size_t keep = line.after_eq;
        while (keep < line.raw.size() && (line.raw[keep] == ' ' || line.raw[keep] == '\t')) ++keep;
        std::string raw = line.raw.substr(0, keep);
        raw.append(value);
        line = MakeLine(std::move(raw), std::move(line.eol));
        return true;
      }
    }
    std::size_t at = end;
    while (at > h + 1 && IsBlankLine(lines_[at - 1].raw)) --at;
    if (lines_[at - 1].eol.empty()) lines_[at - 1].eol = NewLineBreak();
    std::string raw(key);
    raw += '=';
    raw.append(value);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), MakeLine(std::move(raw), NewLineBreak()));
    return true;
  }

  if (!lines_.empty()) {
    if (lines_.back().eol.empty()) lines_.back().eol = NewLineBreak();
    if (!IsBlankLine(lines_.back().raw)) lines_.push_back(MakeLine("", NewLineBreak()));
  }
  std::string header = "[";
  header.append(section);
  header += ']';
  lines_.push_back(MakeLine(std::move(header), NewLineBreak()));
  std::string raw(key);
  raw += '=';
  raw.append(value);
  lines_.push_back(MakeLine(std::move(raw), NewLineBreak()));
  return true;
}

std::string IniDocument::Serialize() const {
  std::size_t size = bom_ ? 3 : 0;
  for (const Line& line : lines_) size += line.raw.size() + line.eol.size();
  std::string out;
  out.reserve(size);
  if (bom_) out += "\xEF\xBB\xBF";
  for (const Line& line : lines_) {
    out += line.raw;
    out += line.eol;
  }
  return out;
}

bool IniDocument::Save(const std::string& path, std::string* error) const {
  return WriteFileAtomic(path, Serialize(), error);
}

std::vector<std::string> IniDocument::Sections() const {
  std::vector<std::string> out;
  std::unordered_set<std::string> seen;
  for (const Line& line : lines_) {
    if (line.kind == Kind::kSection && seen.insert(LowerCopy(line.Name())).second) {
      out.emplace_back(line.Name());
    }
  }
  return out;
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const {
  std::vector<std::string> out;
  const std::size_t h = FindSection(section);
  if (h == std::string::npos) return out;
  std::unordered_set<std::string> seen;
  for (std::size_t i = h + 1; i < lines_.size() && lines_[i].kind != Kind::kSection; ++i) {
    const Line& line = lines_[i];
    if (line.kind == Kind::kKey && seen.insert(LowerCopy(line.Name())).second) {
      out.emplace_back(line.Name());
    }
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
