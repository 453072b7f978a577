#include "common/ini_text.h"

#include <gtest/gtest.h>

#include <climits>

#include "common/text_width.h"
#include "temp_dir.h"

namespace zor {
namespace {

using testing::TempDir;

std::string Repeat(std::string_view unit, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += unit;
  return out;
}

const std::string kHan = "\xE4\xB8\xAD";  // U+4E2D, width 2

class IniTextTest : public ::testing::Test {
 protected:
  std::string Lng(std::string_view body) { return dir_.Write("lng.ini", body); }
  std::string ReadMain(std::string_view body, const std::string& key) {
    return ReadIniText(Lng(body), "ZOR_Main", key);
  }
  TempDir dir_;
};

TEST_F(IniTextTest, CapsAt254WidthUnits) {
  const std::string ascii(300, 'a');
  EXPECT_EQ(ReadMain("[ZOR_Main]\r\nk=" + ascii + "\r\n", "k"), std::string(254, 'a'));
  EXPECT_EQ(ReadMain("[ZOR_Main]\r\nk=" + std::string(254, 'b') + "\r\n", "k"), std::string(254, 'b'));

  const std::string cjk100 = Repeat(kHan, 100);  // width 200
  EXPECT_EQ(ReadMain("[ZOR_Main]\nk=" + cjk100 + "\n", "k"), cjk100);
  const std::string cjk127 = Repeat(kHan, 127);  // width exactly 254
  EXPECT_EQ(ReadMain("[ZOR_Main]\nk=" + cjk127 + "\n", "k"), cjk127);

  // "a" + 126 wide characters is 253; the next one would straddle the cap.
  const std::string got = ReadMain("[ZOR_Main]\nk=a" + Repeat(kHan, 200) + "\n", "k");
  EXPECT_EQ(got, "a" + Repeat(kHan, 126));
  EXPECT_EQ(LegacyWidth(got), 253);
  EXPECT_TRUE(IsValidUtf8(got));
}

TEST_F(IniTextTest, MissingPiecesGiveEmptyText) {
  EXPECT_EQ(ReadIniText(dir_ / "missing.ini", "ZOR_Main", "b_back"), "");
  const std::string file = Lng("[ZOR_Main]\nb_back=Back\nempty=\n");
  EXPECT_EQ(ReadIniText(file, "ZOR_Main", "b_back"), "Back");
  EXPECT_EQ(ReadIniText(file, "zor_main", "B_BACK"), "Back");
  EXPECT_EQ(ReadIniText(file, "Corvane", "b_back"), "");
  EXPECT_EQ(ReadIniText(file, "ZOR_Main", "b_forward"), "");
  EXPECT_EQ(ReadIniText(file, "ZOR_Main", "empty"), "");
  EXPECT_EQ(ReadIniText(dir_.path(), "ZOR_Main", "b_back"), "");
}

TEST_F(IniTextTest, LegacyChineseFileIsConverted) {
  // GBK bytes of 后退 (back) and 中文 as a section name, CRLF as old files had.
  const std::string file =
      Lng("[ZOR_Main]\r\nb_back=\xBA\xF3\xCD\xCB\r\n[\xD6\xD0\xCE\xC4]\r\nk=v\r\n");
  EXPECT_EQ(ReadIniText(file, "ZOR_Main", "b_back"), "后退");
  EXPECT_EQ(ReadIniText(file, "中文", "k"), "v");
  // A four-byte GB18030 sequence (U+20000) converts too.
  EXPECT_EQ(ReadMain("[ZOR_Main]\nk=\x95\x32\x82\x36\n", "k"), "\xF0\xA0\x80\x80");
}

TEST_F(IniTextTest, OtherInvalidBytesBecomeReplacementCharacters) {
  // 0xFF is not GB18030 either, so the bytes are repaired one by one.
  EXPECT_EQ(ReadMain("[ZOR_Main]\nk=\xFF" "abc\xE4\xB8\n", "k"), "\xEF\xBF\xBD" "abc\xEF\xBF\xBD");
  const std::string capped = ReadMain("[ZOR_Main]\nk=" + std::string(300, '\xFF') + "\n", "k");
  EXPECT_TRUE(IsValidUtf8(capped));
  EXPECT_EQ(LegacyWidth(capped), 254);
}

TEST_F(IniTextTest, NoNulAndNoByteOrderMark) {
  const std::string got = ReadMain(std::string("\xEF\xBB\xBF[ZOR_Main]\nk=ab\0cd\n", 21), "k");
  EXPECT_EQ(got, "ab");
  EXPECT_EQ(ReadMain("\xEF\xBB\xBF[ZOR_Main]\nk=v\n", "k"), "v");
}

TEST_F(IniTextTest, SourceReadsOnceAndAgreesWithReadIniText) {
  const std::string file = Lng("[ZOR_Main]\nb_back=Back\nlong=" + std::string(300, 'x') + "\nflag=1x\n");
  const IniTextSource lng(file);
  ASSERT_TRUE(lng.Loaded());
  dir_.Write("lng.ini", "[ZOR_Main]\nb_back=Changed\n");  // later edits are not seen
  EXPECT_EQ(lng.Read("ZOR_Main", "b_back"), "Back");
  EXPECT_EQ(lng.Read("ZOR_Main", "long"), std::string(254, 'x'));
  EXPECT_EQ(lng.Read("ZOR_Main", "none"), "");
  EXPECT_EQ(lng.ReadFlag("ZOR_Main", "flag", 0), 1);
  EXPECT_EQ(lng.ReadFlag("ZOR_Main", "none", 5), 5);
  EXPECT_EQ(ReadIniText(file, "ZOR_Main", "b_back"), "Changed");  // each call reads anew
  EXPECT_FALSE(IniTextSource(dir_ / "missing").Loaded());
}

TEST(IniFlag, ParsesLeadingDigits) {
  EXPECT_EQ(ParseIniFlag("1"), 1);
  EXPECT_EQ(ParseIniFlag("0"), 0);
  EXPECT_EQ(ParseIniFlag("2"), 2);
  EXPECT_EQ(ParseIniFlag("1x"), 1);
  EXPECT_EQ(ParseIniFlag("01"), 1);
  EXPECT_EQ(ParseIniFlag(" \t1 "), 1);
  EXPECT_EQ(ParseIniFlag("+1"), 1);
  EXPECT_EQ(ParseIniFlag("-1"), -1);
  EXPECT_EQ(ParseIniFlag("12abc3"), 12);
  EXPECT_EQ(ParseIniFlag(""), 0);
  EXPECT_EQ(ParseIniFlag("x1"), 0);
  EXPECT_EQ(ParseIniFlag("-"), 0);
  EXPECT_EQ(ParseIniFlag("1 1"), 1);
  EXPECT_EQ(ParseIniFlag("99999999999999999999"), INT_MAX);
  EXPECT_EQ(ParseIniFlag("-99999999999999999999"), INT_MIN);
  EXPECT_EQ(ParseIniFlag("2147483647"), INT_MAX);
  EXPECT_EQ(ParseIniFlag("-2147483648"), INT_MIN);
  EXPECT_EQ(ParseIniFlag("4294967297"), INT_MAX);  // no wrap-around to 1
}

TEST_F(IniTextTest, FlagsFromTheFile) {
  const std::string file = dir_.Write("Browser.ini",
                                      "[ZOR-BROWSER]\r\nADDRESSBAR=2\r\nSTATUSBAR=1x\r\nTOOLSBAR=\r\n"
                                      "ICONON=on\r\nKILLPOP=99999999999999999999\r\n");
  EXPECT_FALSE(FlagOn(ReadIniFlag(file, "ZOR-BROWSER", "ADDRESSBAR", 1)));
  EXPECT_TRUE(FlagOn(ReadIniFlag(file, "ZOR-BROWSER", "STATUSBAR", 0)));
  EXPECT_EQ(ReadIniFlag(file, "ZOR-BROWSER", "TOOLSBAR", 1), 0);  // present but no digits
  EXPECT_EQ(ReadIniFlag(file, "ZOR-BROWSER", "ICONON", 1), 0);
  EXPECT_FALSE(FlagOn(ReadIniFlag(file, "ZOR-BROWSER", "KILLPOP", 0)));
  EXPECT_EQ(ReadIniFlag(file, "ZOR-BROWSER", "BESILENT", 1), 1);   // absent: default
  EXPECT_EQ(ReadIniFlag(file, "zor-browser", "besilent", 0), 0);
  EXPECT_EQ(ReadIniFlag(file, "Other", "ADDRESSBAR", 7), 7);
  EXPECT_EQ(ReadIniFlag(dir_ / "missing.ini", "ZOR-BROWSER", "ADDRESSBAR", 1), 1);
}

}  // namespace
}  // namespace zor
