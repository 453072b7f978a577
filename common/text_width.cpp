#include "common/text_width.h"

#include <algorithm>
#include <iterator>

namespace zor {
namespace {

struct Range {
  char32_t first;
  char32_t last;
};

// Code points of East Asian Width W or F (Unicode 14 assignments, plus the
// blocks whose unassigned points default to W, and the emoji block
// 1FA70..1FAFF whole so newer emoji measure as wide too). Sorted, disjoint.
constexpr Range kWide[] = {
    {0x1100, 0x115F}, {0x231A, 0x231B}, {0x2329, 0x232A}, {0x23E9, 0x23EC}, {0x23F0, 0x23F0},
    {0x23F3, 0x23F3}, {0x25FD, 0x25FE}, {0x2614, 0x2615}, {0x2648, 0x2653}, {0x267F, 0x267F},
    {0x2693, 0x2693}, {0x26A1, 0x26A1}, {0x26AA, 0x26AB}, {0x26BD, 0x26BE}, {0x26C4, 0x26C5},
    {0x26CE, 0x26CE}, {0x26D4, 0x26D4}, {0x26EA, 0x26EA}, {0x26F2, 0x26F3}, {0x26F5, 0x26F5},
    {0x26FA, 0x26FA}, {0x26FD, 0x26FD}, {0x2705, 0x2705}, {0x270A, 0x270B}, {0x2728, 0x2728},
    {0x274C, 0x274C}, {0x274E, 0x274E}, {0x2753, 0x2755}, {0x2757, 0x2757}, {0x2795, 0x2797},
    {0x27B0, 0x27B0}, {0x27BF, 0x27BF}, {0x2B1B, 0x2B1C}, {0x2B50, 0x2B50}, {0x2B55, 0x2B55},
    {0x2E80, 0x2E99}, {0x2E9B, 0x2EF3}, {0x2F00, 0x2FD5}, {0x2FF0, 0x2FFB}, {0x3000, 0x303E},
    {0x3041, 0x3096}, {0x3099, 0x30FF}, {0x3105, 0x312F}, {0x3131, 0x318E}, {0x3190, 0x31E3},
    {0x31F0, 0x321E}, {0x3220, 0x3247}, {0x3250, 0x4DBF}, {0x4E00, 0xA48C}, {0xA490, 0xA4C6},
    {0xA960, 0xA97C}, {0xAC00, 0xD7A3}, {0xF900, 0xFAFF}, {0xFE10, 0xFE19}, {0xFE30, 0xFE52},
    {0xFE54, 0xFE66}, {0xFE68, 0xFE6B}, {0xFF01, 0xFF60}, {0xFFE0, 0xFFE6}, {0x16FE0, 0x16FE4},
    {0x16FF0, 0x16FF1}, {0x17000, 0x187F7}, {0x18800, 0x18CD5}, {0x18D00, 0x18D08},
    {0x1AFF0, 0x1AFF3}, {0x1AFF5, 0x1AFFB}, {0x1AFFD, 0x1AFFE}, {0x1B000, 0x1B122},
    {0x1B132, 0x1B132}, {0x1B150, 0x1B152}, {0x1B155, 0x1B155}, {0x1B164, 0x1B167},
    {0x1B170, 0x1B2FB}, {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF}, {0x1F18E, 0x1F18E},
    {0x1F191, 0x1F19A}, {0x1F200, 0x1F202}, {0x1F210, 0x1F23B}, {0x1F240, 0x1F248},
    {0x1F250, 0x1F251}, {0x1F260, 0x1F265}, {0x1F300, 0x1F320}, {0x1F32D, 0x1F335},
    {0x1F337, 0x1F37C}, {0x1F37E, 0x1F393}, {0x1F3A0, 0x1F3CA}, {0x1F3CF, 0x1F3D3},
    {0x1F3E0, 0x1F3F0}, {0x1F3F4, 0x1F3F4}, {0x1F3F8, 0x1F43E}, {0x1F440, 0x1F440},
    {0x1F442, 0x1F4FC}, {0x1F4FF, 0x1F53D}, {0x1F54B, 0x1F54E}, {0x1F550, 0x1F567},
    {0x1F57A, 0x1F57A}, {0x1F595, 0x1F596}, {0x1F5A4, 0x1F5A4}, {0x1F5FB, 0x1F64F},
    {0x1F680, 0x1F6C5}, {0x1F6CC, 0x1F6CC}, {0x1F6D0, 0x1F6D2}, {0x1F6D5, 0x1F6D7},
    {0x1F6DC, 0x1F6DF}, {0x1F6EB, 0x1F6EC}, {0x1F6F4, 0x1F6FC}, {0x1F7E0, 0x1F7EB},
    {0x1F7F0, 0x1F7F0}, {0x1F90C, 0x1F93A}, {0x1F93C, 0x1F945}, {0x1F947, 0x1F9FF},
    {0x1FA70, 0x1FAFF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

static_assert(std::is_sorted(std::begin(kWide), std::end(kWide),
                             [](const Range& a, const Range& b) { return a.last < b.first; }));

struct Decoded {
  char32_t cp;      // meaningful only when valid
  std::size_t len;  // bytes consumed; for invalid input the maximal ill-formed subpart
  bool valid;
};

// Strict UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
Decoded DecodeAt(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b0 = byte(i);
  if (b0 < 0x80) return {b0, 1, true};
  std::size_t need;
  char32_t cp;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    cp = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    cp = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return {0, 1, false};
  }
  std::size_t k = 1;
  for (; k <= need; ++k) {
    if (i + k >= s.size()) return {0, k, false};
    const unsigned char b = byte(i + k);
    const bool ok = (k == 1) ? (b >= lo && b <= hi) : (b >= 0x80 && b <= 0xBF);
    if (!ok) return {0, k, false};
    cp = (cp << 6) | (b & 0x3F);
  }
  return {cp, k, true};
}

// One unit for width and cutting purposes: a valid character, or one stray byte.
struct Unit {
  std::size_t len;
  int width;
};

Unit UnitAt(std::string_view s, std::size_t i) {
  const Decoded d = DecodeAt(s, i);
  if (!d.valid) return {1, 1};
  return {d.len, CodePointWidth(d.cp)};
}

}  // namespace

int CodePointWidth(char32_t cp) {
  if (cp < kWide[0].first) return 1;
  const Range* it = std::upper_bound(std::begin(kWide), std::end(kWide), cp,
                                     [](char32_t v, const Range& r) { return v < r.first; });
  if (it == std::begin(kWide)) return 1;
  --it;
  return cp <= it->last ? 2 : 1;
}

int LegacyWidth(std::string_view utf8) {
  long long width = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const Unit u = UnitAt(utf8, i);
    width += u.width;
    i += u.len;
  }
  // Saturate rather than overflow on absurdly long input.
  return width > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(width);
}

std::string CutToWidth(std::string_view utf8, int max_width) {
  long long width = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const Unit u = UnitAt(utf8, i);
    if (width + u.width > max_width) break;
    width += u.width;
    i += u.len;
  }
  return std::string(utf8.substr(0, i));
}

std::string ShortenText(std::string_view text, int budget) {
  if (budget <= 0) return {};
  if (LegacyWidth(text) <= budget) return std::string(text);
  // Prefix widths only grow with the character count, so the longest prefix of
  // at most budget characters with width < budget is the one wanted.
  long long width = 0;
  int count = 0;
  std::size_t i = 0;
  while (i < text.size() && count < budget) {
    const Unit u = UnitAt(text, i);
    if (width + u.width >= budget) break;
    width += u.width;
    i += u.len;
    ++count;
  }
  std::string out(text.substr(0, i));
  out += " ...";
  return out;
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const Decoded d = DecodeAt(text, i);
    if (!d.valid) return false;
    i += d.len;
  }
  return true;
}

std::string ToValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const Decoded d = DecodeAt(text, i);
    if (d.valid) {
      out.append(text.substr(i, d.len));
    } else {
      out += "\xEF\xBF\xBD";
    }
    i += d.len;
  }
  return out;
}

std::string FirstChars(std::string_view text, std::size_t n) {
  std::size_t i = 0;
  for (std::size_t count = 0; i < text.size() && count < n; ++count) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  return std::string(text.substr(0, i));
}

}  // namespace zor
