// Display width of UTF-8 text, in the units the old ANSI byte budgets used:
// an East Asian Wide or Fullwidth character counts 2, every other character 1.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zor {

// Width of one code point: 2 for East Asian Width classes W and F, else 1.
int CodePointWidth(char32_t cp);

// Sum of the character widths; every byte that is not part of a valid UTF-8
// sequence counts 1.
int LegacyWidth(std::string_view utf8);

// Longest prefix whose width is at most max_width (empty when max_width <= 0).
// Never ends inside a character.
std::string CutToWidth(std::string_view utf8, int max_width);

// Text for a limited space: unchanged when its width is at most budget,
// otherwise the longest prefix of at most budget characters whose width is
// strictly below budget, followed by " ...". When not even one character fits,
// the result is " ..." alone. A budget <= 0 leaves room for nothing: empty text.
std::string ShortenText(std::string_view text, int budget);

// The first `n` characters (not bytes) of UTF-8 text.
std::string FirstChars(std::string_view text, std::size_t n);

bool IsValidUtf8(std::string_view text);

// Each maximal ill-formed subsequence becomes U+FFFD; valid text is unchanged.
std::string ToValidUtf8(std::string_view text);

}  // namespace zor
