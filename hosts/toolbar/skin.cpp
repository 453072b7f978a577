// The skin-file reader (format: docs/skin-format.md). It builds a complete new model
// beside the one shown and hands it over only when every line and every reference
// checks out, so a bad file never leaves a half-loaded layout behind.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "hosts/toolbar/toolbar.h"

namespace zor::toolbar {

namespace {

// Raised inside the reader only; loadLayoutText turns it into the error text.
struct SkinError {
  int line;
  std::string reason;
};

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool validUtf8(std::string_view s) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t len;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    if (n - i < len) return false;
    const auto c1 = static_cast<unsigned char>(s[i + 1]);
    if (c1 < lo || c1 > hi) return false;
    for (size_t k = 2; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += len;
  }
  return true;
}

// A piece of the file quoted in a message, cut short so a huge line gives a short message.
// Lines are checked as UTF-8 before anything is quoted, so the cut keeps characters whole.
std::string shown(std::string_view s) {
  constexpr size_t kMax = 40;
  std::string out = "\"";
  if (s.size() <= kMax) {
    out.append(s);
  } else {
    size_t cut = kMax;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
    out.append(s.substr(0, cut));
    out.append("...");
  }
  out += '"';
  return out;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

struct Attribute {
  std::string key;
  std::string value;
};

// Splits one element line into its words and key=value attributes.
class LineScanner {
 public:
  LineScanner(std::string_view line, int line_no) : s_(line), line_(line_no) {}

  bool atEnd() {
    skipBlanks();
    return pos_ >= s_.size();
  }

  // A bare word: up to the next blank.
  std::string_view word() {
    skipBlanks();
    size_t start = pos_;
    while (pos_ < s_.size() && !isBlank(s_[pos_])) ++pos_;
    return s_.substr(start, pos_ - start);
  }

  // A band or tool name after its keyword.
  std::string name(std::string_view what) {
    std::string_view w = word();
    if (w.empty()) fail(std::string(what) + " needs a name");
    if (w.find('"') != std::string_view::npos || w.find('=') != std::string_view::npos)
      fail("bad " + std::string(what) + " name " + shown(w));
    return std::string(w);
  }

  void expectEnd(std::string_view after) {
    if (!atEnd()) fail("unexpected " + shown(word()) + " after " + std::string(after));
  }

  // The rest of the line as attributes; `known` lists the keys allowed here.
  std::vector<Attribute> attributes(const std::vector<std::string_view>& known) {
    std::vector<Attribute> out;
    while (!atEnd()) {
      size_t start = pos_;
      while (pos_ < s_.size() && s_[pos_] != '=' && !isBlank(s_[pos_])) ++pos_;
      std::string_view key = s_.substr(start, pos_ - start);
      if (pos_ >= s_.size() || s_[pos_] != '=' || key.empty()) {
        pos_ = start;
        fail("expected key=value, found " + shown(word()));
      }
      bool is_known = false;
      for (std::string_view k : known) is_known = is_known || k == key;
      if (!is_known) fail("unknown attribute " + shown(key));
      for (const Attribute& a : out)
        if (a.key == key) fail("duplicate attribute " + shown(key));
      ++pos_;  // '='
      out.push_back({std::string(key), value(key)});
    }
    return out;
  }

  [[noreturn]] void fail(std::string reason) const { throw SkinError{line_, std::move(reason)}; }

 private:
  std::string value(std::string_view key) {
    std::string v;
    if (pos_ < s_.size() && s_[pos_] == '"') {
      ++pos_;
      for (;;) {
        if (pos_ >= s_.size()) fail("unterminated quoted value of " + shown(key));
        char c = s_[pos_++];
        if (c != '"') {
          v += c;
        } else if (pos_ < s_.size() && s_[pos_] == '"') {
          v += '"';
          ++pos_;
        } else {
          break;
        }
      }
      if (pos_ < s_.size() && !isBlank(s_[pos_]))
        fail("blank expected after the quoted value of " + shown(key));
      return v;
    }
    size_t start = pos_;
    while (pos_ < s_.size() && !isBlank(s_[pos_])) ++pos_;
    std::string_view bare = s_.substr(start, pos_ - start);
    if (bare.empty()) fail("missing value of " + shown(key) + " (write \"\" for empty text)");
    if (bare.find('"') != std::string_view::npos)
      fail("quote inside the unquoted value of " + shown(key));
    return std::string(bare);
  }

  void skipBlanks() {
    while (pos_ < s_.size() && isBlank(s_[pos_])) ++pos_;
  }

  std::string_view s_;
  size_t pos_ = 0;
  int line_;
};

constexpr std::string_view kBandTypes[] = {"toolbar", "menubar", "popup", "status", "sidebar", "child", "tabs"};
constexpr std::string_view kToolTypes[] = {"button", "combo", "edit", "label", "custom", "separator"};
constexpr std::string_view kDocks[] = {"top", "bottom", "left", "right", "float"};

const std::vector<std::string_view> kBandKeys = {"type", "caption", "visible", "dock", "row",
                                                 "pos",  "extent",  "parent",  "current"};
const std::vector<std::string_view> kToolKeys = {"id",      "caption", "tip",   "type", "style",
                                                 "checked", "enabled", "visible", "submenu",
                                                 "image",   "key",     "tag",   "width"};

}  // namespace

// Friend of the model classes: fills bands and collections directly, without raising
// structure changes for a layout nobody sees yet.
class SkinReader {
 public:
  explicit SkinReader(ToolbarControl& control) : control_(control) {}

  // Throws SkinError for the first fault, in line order.
  void read(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    int line_no = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
      size_t nl = text.find('\n', pos);
      if (nl == std::string_view::npos) nl = text.size();
      std::string_view line = text.substr(pos, nl - pos);
      pos = nl + 1;
      ++line_no;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      readLine(line, line_no);
    }
    if (!header_seen_) throw SkinError{1, "missing \"tb2 1\" header"};
    checkReferences();
    checkSubmenuCycles();
  }

  std::vector<std::unique_ptr<Band>> bands;
  std::vector<std::unique_ptr<Tool>> list;  // the control's own tools

 private:
  struct BandInfo {
    Band* band;
    int line;
  };
  struct ToolRef {  // a tool whose submenu is checked once every band is known
    Tool* tool;
    int band;  // index into bands, or -1 for the control's list
    int line;
  };

  void readLine(std::string_view line, int line_no) {
    for (char c : line) {
      const auto u = static_cast<unsigned char>(c);
      if ((u < 0x20 && c != '\t') || u == 0x7F) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", u);
        throw SkinError{line_no, std::string("control character ") + hex};
      }
    }
    if (!validUtf8(line)) throw SkinError{line_no, "invalid UTF-8"};

    LineScanner scan(line, line_no);
    if (scan.atEnd()) return;
    std::string_view keyword = scan.word();
    if (keyword.front() == '#') return;

    if (keyword == "tb2") {
      if (header_seen_) scan.fail("second \"tb2\" header");
      std::string_view version = scan.word();
      if (version != "1") scan.fail("unsupported skin version " + shown(version) + " (expected 1)");
      scan.expectEnd("the header");
      header_seen_ = true;
      return;
    }
    if (!header_seen_) scan.fail("expected \"tb2 1\" before " + shown(keyword));

    if (keyword == "band") {
      readBand(scan, line_no);
    } else if (keyword == "tools") {
      scan.expectEnd("\"tools\"");
      current_ = -1;
      in_list_ = true;
    } else if (keyword == "tool" || keyword == "sep") {
      readTool(scan, line_no, keyword == "sep");
    } else {
      scan.fail("unknown element " + shown(keyword));
    }
  }

  void readBand(LineScanner& scan, int line_no) {
    std::string name = scan.name("band");
    auto seen = index_.find(name);
    if (seen != index_.end())
      scan.fail("duplicate band " + shown(name) + " (first at line " +
                std::to_string(info_[static_cast<size_t>(seen->second)].line) + ")");
    auto band = std::make_unique<Band>(&control_, name);
    band->caption = name;
    bool has_current = false;
    for (const Attribute& a : scan.attributes(kBandKeys)) {
      if (a.key == "type") band->type = choice(scan, a, kBandTypes, "band type");
      else if (a.key == "caption") band->caption = a.value;
      else if (a.key == "visible") band->visible = flag(scan, a);
      else if (a.key == "dock") band->docking = choice(scan, a, kDocks, "dock");
      else if (a.key == "row") band->dock_row = number(scan, a);
      else if (a.key == "pos") band->dock_position = number(scan, a);
      else if (a.key == "extent") band->extent = number(scan, a);
      else if (a.key == "parent") band->parent = a.value;
      else if (a.key == "current") {
        band->current_child_ = a.value;
        has_current = true;
      }
    }
    if (band->type == kChildBand && band->parent.empty())
      scan.fail("child band " + shown(name) + " needs parent=");
    if (band->type != kChildBand && !band->parent.empty())
      scan.fail("parent= is only for child bands");
    if (band->type != kSideBar && has_current) scan.fail("current= is only for sidebar bands");

    current_ = static_cast<int>(bands.size());
    in_list_ = false;
    index_.emplace(name, current_);
    info_.push_back({band.get(), line_no});
    bands.push_back(std::move(band));
  }

  void readTool(LineScanner& scan, int line_no, bool separator) {
    std::string name = scan.name(separator ? "sep" : "tool");
    if (current_ < 0 && !in_list_) scan.fail("tool " + shown(name) + " before any band or tools line");
    auto tool = std::make_unique<Tool>(0, name);
    tool->caption = name;
    if (separator) tool->control_type = kSeparator;
    for (const Attribute& a : scan.attributes(kToolKeys)) {
      if (a.key == "id") tool->id = number(scan, a);
      else if (a.key == "caption") tool->caption = a.value;
      else if (a.key == "tip") tool->tooltip = a.value;
      else if (a.key == "type") tool->control_type = choice(scan, a, kToolTypes, "tool type");
      else if (a.key == "style") tool->style = numberUpTo(scan, a, 3);
      else if (a.key == "checked") tool->checked = flag(scan, a);
      else if (a.key == "enabled") tool->enabled = flag(scan, a);
      else if (a.key == "visible") tool->visible = flag(scan, a);
      else if (a.key == "submenu") tool->submenu = a.value;
      else if (a.key == "image") tool->image = a.value;
      else if (a.key == "key") tool->shortcut = a.value;
      else if (a.key == "tag") tool->tag = a.value;
      else if (a.key == "width") tool->width = number(scan, a);
    }
    if (!tool->submenu.empty()) refs_.push_back({tool.get(), current_, line_no});
    if (current_ < 0) {
      list.push_back(std::move(tool));
    } else {
      Band* band = bands[static_cast<size_t>(current_)].get();
      tool->place_.band = band;
      band->tools_.tools_.push_back(std::move(tool));
    }
  }

  static int number(const LineScanner& scan, const Attribute& a) {
    const std::string& v = a.value;
    long long n = 0;
    bool digits = !v.empty() && v.size() <= 10;
    for (char c : v) {
      if (c < '0' || c > '9') {
        digits = false;
        break;
      }
      n = n * 10 + (c - '0');
    }
    if (!digits || n > INT_MAX) scan.fail("bad number " + shown(v) + " for " + shown(a.key));
    return static_cast<int>(n);
  }

  static int numberUpTo(const LineScanner& scan, const Attribute& a, int max) {
    int n = number(scan, a);
    if (n > max) scan.fail("bad value " + shown(a.value) + " for " + shown(a.key) + " (0 to " +
                           std::to_string(max) + ")");
    return n;
  }

  static bool flag(const LineScanner& scan, const Attribute& a) {
    if (a.value == "0") return false;
    if (a.value == "1") return true;
    scan.fail("bad value " + shown(a.value) + " for " + shown(a.key) + " (0 or 1)");
  }

  // One of the names, or its number.
  template <size_t N>
  static int choice(const LineScanner& scan, const Attribute& a, const std::string_view (&names)[N],
                    const char* what) {
    for (size_t i = 0; i < N; ++i)
      if (a.value == names[i]) return static_cast<int>(i);
    if (a.value.size() == 1 && a.value[0] >= '0' && a.value[0] < static_cast<char>('0' + N))
      return a.value[0] - '0';
    scan.fail(std::string("unknown ") + what + " " + shown(a.value));
  }

  const BandInfo* find(const std::string& name) const {
    auto it = index_.find(name);
    return it == index_.end() ? nullptr : &info_[static_cast<size_t>(it->second)];
  }

  // Names between bands and tools, in line order so the first fault in the file is told.
  void checkReferences() const {
    std::vector<std::pair<int, std::string>> faults;  // (line, reason); the lowest line is told
    for (const BandInfo& b : info_) {
      const Band& band = *b.band;
      if (band.type == kChildBand) {
        const BandInfo* parent = find(band.parent);
        if (!parent) {
          faults.push_back({b.line, "unknown parent band " + shown(band.parent)});
        } else if (parent->band->type != kSideBar) {
          faults.push_back({b.line, "parent band " + shown(band.parent) + " of child band " +
                                        shown(band.name) + " is not a sidebar band"});
        }
      }
      if (band.type == kSideBar && !band.current_child_.empty()) {
        const BandInfo* child = find(band.current_child_);
        if (!child || child->band->type != kChildBand || child->band->parent != band.name)
          faults.push_back({b.line, "current= names " + shown(band.current_child_) +
                                        ", which is not a child band of " + shown(band.name)});
      }
    }
    for (const ToolRef& r : refs_) {
      const BandInfo* target = find(r.tool->submenu);
      if (!target)
        faults.push_back({r.line, "unknown submenu band " + shown(r.tool->submenu)});
      else if (target->band->type != kPopup)
        faults.push_back({r.line, "submenu band " + shown(r.tool->submenu) + " is not a popup band"});
    }
    if (faults.empty()) return;
    auto first = faults.begin();
    for (auto it = faults.begin(); it != faults.end(); ++it)
      if (it->first < first->first) first = it;
    throw SkinError{first->first, first->second};
  }

  // A popup that opens itself, directly or through others, would send the view into an
  // endless menu. Depth-first without recursion: a long chain of menus must not exhaust
  // the stack.
  void checkSubmenuCycles() const {
    const size_t n = bands.size();
    std::vector<std::vector<std::pair<int, int>>> edges(n);  // (target band, tool line)
    for (const ToolRef& r : refs_)
      if (r.band >= 0) edges[static_cast<size_t>(r.band)].push_back({index_.at(r.tool->submenu), r.line});
    enum : char { kNew, kOpen, kDone };
    std::vector<char> state(n, kNew);
    struct Frame {
      int band;
      size_t next;
    };
    std::vector<Frame> stack;
    for (size_t root = 0; root < n; ++root) {
      if (state[root] != kNew) continue;
      state[root] = kOpen;
      stack.push_back({static_cast<int>(root), 0});
      while (!stack.empty()) {
        Frame& f = stack.back();
        const auto& out = edges[static_cast<size_t>(f.band)];
        if (f.next == out.size()) {
          state[static_cast<size_t>(f.band)] = kDone;
          stack.pop_back();
          continue;
        }
        auto [target, line] = out[f.next++];
        if (state[static_cast<size_t>(target)] == kOpen)
          throw SkinError{line, "submenu " + shown(bands[static_cast<size_t>(target)]->name) +
                                    " leads back to band " + shown(bands[static_cast<size_t>(f.band)]->name) +
                                    " (menus in a cycle)"};
        if (state[static_cast<size_t>(target)] == kNew) {
          state[static_cast<size_t>(target)] = kOpen;
          stack.push_back({target, 0});
        }
      }
    }
  }

  ToolbarControl& control_;
  bool header_seen_ = false;
  int current_ = -1;      // band that takes the next tool
  bool in_list_ = false;  // after "tools": the control's list takes them
  std::vector<BandInfo> info_;
  std::unordered_map<std::string, int> index_;
  std::vector<ToolRef> refs_;
};

bool ToolbarControl::loadLayoutText(const std::string& text, const std::string& file_name, std::string* error) {
  std::vector<std::unique_ptr<Band>> new_bands;
  std::vector<std::unique_ptr<Tool>> new_list;
  try {
    SkinReader reader(*this);
    reader.read(text);
    new_bands = std::move(reader.bands);
    new_list = std::move(reader.list);
  } catch (const SkinError& e) {
    if (error) *error = file_name + ":" + std::to_string(e.line) + ": " + e.reason;
    return false;
  } catch (const std::bad_alloc&) {
    if (error) *error = file_name + ": out of memory";
    return false;
  }
  bands_.swap(new_bands);
  all_tools_.tools_.swap(new_list);
  structureChanged();
  if (error) error->clear();
  return true;
}

bool ToolbarControl::loadLayout(const std::string& /*name*/, const std::string& path, int /*flags*/,
                                std::string* error) {
  auto fail = [&](const std::string& reason) {
    if (error) *error = path + ": cannot read: " + reason;
    return false;
  };
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return fail("it is a folder");
  std::ifstream in(path, std::ios::binary);
  if (!in) return fail(std::strerror(errno));
  std::string text;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer), in.gcount() > 0) text.append(buffer, static_cast<size_t>(in.gcount()));
  if (in.bad()) return fail("read error");
  return loadLayoutText(text, path, error);
}

}  // namespace zor::toolbar
