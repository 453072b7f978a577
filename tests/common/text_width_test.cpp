#include "common/text_width.h"

#include <gtest/gtest.h>

#include <string>

namespace zor {
namespace {

std::string Repeat(std::string_view unit, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += unit;
  return out;
}

const std::string kHan = "\xE4\xB8\xAD";  // U+4E2D, wide

TEST(LegacyWidth, CountsWideAndFullwidthAsTwo) {
  EXPECT_EQ(LegacyWidth(""), 0);
  EXPECT_EQ(LegacyWidth("Back"), 4);
  EXPECT_EQ(LegacyWidth("中文"), 4);
  EXPECT_EQ(LegacyWidth("한국어"), 6);         // Hangul syllables
  EXPECT_EQ(LegacyWidth("ひらがなカタカナ"), 16);  // kana
  EXPECT_EQ(LegacyWidth("ＡＢ"), 4);          // fullwidth forms
  EXPECT_EQ(LegacyWidth("ｱｲ"), 2);            // halfwidth katakana stay narrow
  EXPECT_EQ(LegacyWidth("\xE3\x80\x80"), 2);  // ideographic space
  EXPECT_EQ(LegacyWidth("\xF0\x9F\x98\x80"), 2);  // U+1F600 emoji
  EXPECT_EQ(LegacyWidth("\xE2\x98\xBA"), 1);      // U+263A, text presentation
  EXPECT_EQ(LegacyWidth("\xF0\xA0\x80\x80"), 2);  // U+20000, CJK extension B
  EXPECT_EQ(LegacyWidth("e\xCC\x81"), 2);         // combining mark counts as a character
  EXPECT_EQ(LegacyWidth("Zoë"), 3);
  EXPECT_EQ(LegacyWidth("a中b"), 4);
}

TEST(LegacyWidth, InvalidBytesCountOneEach) {
  EXPECT_EQ(LegacyWidth("\xFF"), 1);
  EXPECT_EQ(LegacyWidth("\xE4\xB8"), 2);           // truncated wide character
  EXPECT_EQ(LegacyWidth("\xC0\xAF"), 2);           // overlong
  EXPECT_EQ(LegacyWidth("\xED\xA0\x80"), 3);       // surrogate
  EXPECT_EQ(LegacyWidth("\xE4\xB8" "a"), 3);
}

TEST(LegacyWidth, TableEdges) {
  // First and last point of a few ranges, and their neighbours.
  for (char32_t cp : {0x1100, 0x115F, 0x3400, 0xA4C6, 0xAC00, 0xD7A3, 0xFF01, 0xFF60, 0x3FFFD}) {
    EXPECT_EQ(CodePointWidth(cp), 2) << std::hex << static_cast<unsigned>(cp);
  }
  for (char32_t cp : {0x10FF, 0x1160, 0x4DC0, 0xA4C7, 0xD7A4, 0xFF61, 0x3FFFE, 0x10FFFF}) {
    EXPECT_EQ(CodePointWidth(cp), 1) << std::hex << static_cast<unsigned>(cp);
  }
}

TEST(CutToWidth, LongestPrefixWithinWidth) {
  EXPECT_EQ(CutToWidth("abcdef", 3), "abc");
  EXPECT_EQ(CutToWidth("abc", 10), "abc");
  EXPECT_EQ(CutToWidth("中文字", 4), "中文");
  EXPECT_EQ(CutToWidth("中文字", 5), "中文");  // never half a character
  EXPECT_EQ(CutToWidth("a中", 2), "a");
  EXPECT_EQ(CutToWidth("abc", 0), "");
  EXPECT_EQ(CutToWidth("abc", -5), "");
  EXPECT_EQ(CutToWidth("", 3), "");
  EXPECT_EQ(CutToWidth("\xF0\x9F\x98\x80x", 1), "");
  EXPECT_EQ(CutToWidth("a\xFF" "b", 2), "a\xFF");
}

TEST(ShortenText, UnchangedUpToTheBudget) {
  for (int budget : {14, 40, 50}) {
    const std::string ascii(static_cast<std::size_t>(budget), 'x');
    EXPECT_EQ(ShortenText(ascii, budget), ascii) << budget;
    const std::string wide = Repeat(kHan, budget / 2);  // width == budget
    EXPECT_EQ(ShortenText(wide, budget), wide) << budget;
  }
  EXPECT_EQ(ShortenText("New", 14), "New");
  EXPECT_EQ(ShortenText("", 14), "");
}

TEST(ShortenText, CutsBelowTheBudgetAndAddsEllipsis) {
  for (int budget : {14, 40, 50}) {
    // One over: the longest prefix strictly narrower than the budget.
    const std::string ascii(static_cast<std::size_t>(budget) + 1, 'x');
    EXPECT_EQ(ShortenText(ascii, budget), std::string(static_cast<std::size_t>(budget) - 1, 'x') + " ...")
        << budget;
    // Wide text one character over: budget/2 characters would measure exactly
    // the budget, which is not strictly less, so one fewer is kept.
    const std::string wide = Repeat(kHan, budget / 2 + 1);
    EXPECT_EQ(ShortenText(wide, budget), Repeat(kHan, budget / 2 - 1) + " ...") << budget;
  }
  // An odd width fits one more character: "a" + 6 wide = 13 < 14.
  EXPECT_EQ(ShortenText("a" + Repeat(kHan, 7), 14), "a" + Repeat(kHan, 6) + " ...");
  EXPECT_EQ(ShortenText("Google 搜索 - 首页的标题", 14), "Google 搜索 - ...");
  EXPECT_EQ(LegacyWidth(ShortenText(std::string(100, 'y'), 40)), 39 + 4);
}

TEST(ShortenText, DegenerateBudgets) {
  EXPECT_EQ(ShortenText("abc", 0), "");
  EXPECT_EQ(ShortenText("abc", -3), "");
  EXPECT_EQ(ShortenText("", 0), "");
  EXPECT_EQ(ShortenText("", -1), "");
  EXPECT_EQ(ShortenText("ab", 1), " ...");  // no character is narrower than 1
  EXPECT_EQ(ShortenText("中文", 2), " ...");
  EXPECT_EQ(ShortenText("a", 1), "a");
  // Stray bytes are one-wide characters and are kept whole.
  EXPECT_EQ(ShortenText(std::string(20, '\xFF'), 14), std::string(13, '\xFF') + " ...");
}

TEST(Utf8, Validity) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain"));
  EXPECT_TRUE(IsValidUtf8("中文 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF"));
  EXPECT_TRUE(IsValidUtf8(std::string("a\0b", 3)));
  EXPECT_FALSE(IsValidUtf8("\x80"));
  EXPECT_FALSE(IsValidUtf8("\xC0\x80"));          // overlong NUL
  EXPECT_FALSE(IsValidUtf8("\xE0\x9F\xBF"));      // overlong 3-byte
  EXPECT_FALSE(IsValidUtf8("\xED\xBF\xBF"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xF5\x80\x80\x80"));
  EXPECT_FALSE(IsValidUtf8("\xE4\xB8"));          // cut off
  EXPECT_FALSE(IsValidUtf8("\xBA\xF3\xCD\xCB"));  // GBK bytes
}

TEST(Utf8, ReplacementOfIllFormedSequences) {
  const std::string r = "\xEF\xBF\xBD";
  EXPECT_EQ(ToValidUtf8("ok 中"), "ok 中");
  EXPECT_EQ(ToValidUtf8("a\xFF" "b"), "a" + r + "b");
  EXPECT_EQ(ToValidUtf8("\xE4\xB8" "a"), r + "a");  // a cut-off sequence is one replacement
  EXPECT_EQ(ToValidUtf8("\xE4\xB8"), r);
  EXPECT_EQ(ToValidUtf8("\xC0\xAF"), r + r);
  EXPECT_EQ(ToValidUtf8("\xED\xA0\x80"), r + r + r);
  EXPECT_EQ(ToValidUtf8("\xF0\x9F\x98"), r);
  EXPECT_EQ(ToValidUtf8("\xF4\x90\x80\x80"), r + r + r + r);
  for (const char* s : {"\xFE\xFF", "\xE0\x80\x80\xC2", "\xF0\x80", "x\xC3", "\xBA\xF3\xCD\xCB"}) {
    EXPECT_TRUE(IsValidUtf8(ToValidUtf8(s))) << s;
  }
}

}  // namespace
}  // namespace zor
