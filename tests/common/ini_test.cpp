#include "common/ini.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "temp_dir.h"

namespace zor {
namespace {

using testing::RunningAsRoot;
using testing::TempDir;

std::optional<std::string> Get(std::string_view text, std::string_view section, std::string_view key) {
  return IniDocument::Parse(text).Get(section, key);
}

// ---- reading ----

TEST(IniRead, NamesAreCaseInsensitive) {
  const char* text = "[ZOR_Main]\nb_Back=Back\n";
  EXPECT_EQ(Get(text, "zor_main", "B_BACK"), "Back");
  EXPECT_EQ(Get(text, "ZOR_MAIN", "b_back"), "Back");
  EXPECT_EQ(Get(text, "ZOR_Main2", "b_Back"), std::nullopt);
  EXPECT_EQ(Get("[Ä]\nk=1\n", "ä", "k"), std::nullopt);  // only ASCII folds
}

TEST(IniRead, FirstMatchWins) {
  const char* text =
      "[a]\nx=1\nX=2\n"
      "[b]\nx=b\n"
      "[A]\nx=3\ny=4\n";
  EXPECT_EQ(Get(text, "a", "x"), "1");
  EXPECT_EQ(Get(text, "b", "x"), "b");
  // Only the first section of a name is searched.
  EXPECT_EQ(Get(text, "a", "y"), std::nullopt);
  EXPECT_EQ(IniDocument::Parse(text).Sections(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(IniDocument::Parse(text).Keys("A"), (std::vector<std::string>{"x"}));
}

TEST(IniRead, MalformedLinesAreIgnored) {
  const char* text =
      "orphan=before any section\n"
      "[s]\n"
      "just words\n"
      "[unterminated\n"
      "=no key\n"
      "; comment\n"
      "k=v\n"
      "[s2] trailing text\n"
      "k=v2\n";
  EXPECT_EQ(Get(text, "s", "k"), "v");
  EXPECT_EQ(Get(text, "s", ""), std::nullopt);
  EXPECT_EQ(Get(text, "s2", "k"), "v2");
  EXPECT_EQ(Get(text, "", "orphan"), std::nullopt);
  // "[unterminated" is not a header, so the keys after it stay in [s].
  EXPECT_EQ(IniDocument::Parse(text).Keys("s"), (std::vector<std::string>{"k"}));
  EXPECT_EQ(IniDocument::Parse(text).Sections(), (std::vector<std::string>{"s", "s2"}));
}

TEST(IniRead, TrimsButOtherwiseTakesTextLiterally) {
  const char* text =
      "  [ sec ]  \n"
      " \tkey \t=\t value with  inner blanks \t\n"
      "quoted=\"in quotes\"\n"
      "escaped=a\\nb\n"
      "url=http://x.example/?a=b&c=d\n"
      ";semi=colon\n"
      "empty=\n"
      "blank=   \n";
  EXPECT_EQ(Get(text, "sec", "key"), "value with  inner blanks");
  EXPECT_EQ(Get(text, " sec ", " key "), "value with  inner blanks");
  EXPECT_EQ(Get(text, "sec", "quoted"), "\"in quotes\"");
  EXPECT_EQ(Get(text, "sec", "escaped"), "a\\nb");
  EXPECT_EQ(Get(text, "sec", "url"), "http://x.example/?a=b&c=d");
  EXPECT_EQ(Get(text, "sec", ";semi"), "colon");  // no comment syntax
  EXPECT_EQ(Get(text, "sec", "empty"), "");
  EXPECT_EQ(Get(text, "sec", "blank"), "");
}

TEST(IniRead, LineEndings) {
  EXPECT_EQ(Get("[s]\r\nk=v\r\nk2=w\r\n", "s", "k"), "v");
  EXPECT_EQ(Get("[s]\r\nk=v\r\nk2=w\r\n", "s", "k2"), "w");
  EXPECT_EQ(Get("[s]\nk=v", "s", "k"), "v");
  EXPECT_EQ(Get("[s]\r\nk=v\r", "s", "k"), "v");
  EXPECT_EQ(Get("[s]\nk=v\r\r\n", "s", "k"), "v");
  EXPECT_EQ(Get("[s]\rk=v", "s", "k"), std::nullopt);  // a lone CR breaks no line
}

TEST(IniRead, NulEndsTheLineText) {
  const std::string text("[s]\nk=ab\0cd\nk2=v\n[t\0]\nk3=x\n", 27);
  EXPECT_EQ(Get(text, "s", "k"), "ab");
  EXPECT_EQ(Get(text, "s", "k2"), "v");
  // "[t" is not a header, so k3 still belongs to [s].
  EXPECT_EQ(Get(text, "s", "k3"), "x");
  EXPECT_EQ(Get(std::string("\0[s]\nk=v", 8), "s", "k"), std::nullopt);
  EXPECT_EQ(IniDocument::Parse(text).Serialize(), text);
}

TEST(IniRead, ByteOrderMarkAndInvalidUtf8) {
  const std::string text = "\xEF\xBB\xBF[s]\nk=v\xFF\xFE\n";
  EXPECT_EQ(Get(text, "s", "k"), "v\xFF\xFE");  // bytes pass through; ReadIniText repairs
  EXPECT_EQ(IniDocument::Parse(text).Serialize(), text);
  EXPECT_EQ(Get("\xEF\xBB[s]\nk=v", "s", "k"), std::nullopt);  // half a mark is text
}

// Parse speed is measured in bench/; here only the results count.
TEST(IniRead, TenMegabyteInputs) {
  const std::string big(10 * 1024 * 1024, 'x');
  const std::string long_lines = "[s]\nbig=" + big + "\n" + big + "\n[" + big + "\nk=v\n" +
                                 std::string(10 * 1024 * 1024, '=') + "\n";
  // Ten million empty lines, then one key: blank lines must stay cheap.
  const std::string many_lines = "[s]" + std::string(10 * 1024 * 1024, '\n') + "k=v";

  const IniDocument doc = IniDocument::Parse(long_lines);
  const IniDocument blanks = IniDocument::Parse(many_lines);

  EXPECT_EQ(doc.Get("s", "big"), big);
  EXPECT_EQ(doc.Get("s", "k"), "v");
  EXPECT_EQ(doc.Get("s", big), std::nullopt);
  EXPECT_EQ(blanks.Get("s", "k"), "v");
}

TEST(IniRead, MissingFile) {
  TempDir dir;
  EXPECT_EQ(IniDocument::Load(dir / "missing.ini"), std::nullopt);
  EXPECT_EQ(IniDocument::Load(dir.path()), std::nullopt);
  EXPECT_EQ(GetProfileString(dir / "missing.ini", "s", "k", "dflt"), "dflt");
  const std::string file = dir.Write("a.ini", "[s]\nk=v\n");
  EXPECT_EQ(GetProfileString(file, "S", "K", "dflt"), "v");
  EXPECT_EQ(GetProfileString(file, "s", "other", "dflt"), "dflt");
  EXPECT_EQ(GetProfileString(file, "other", "k", ""), "");
}

// ---- writing ----

TEST(IniWrite, SerializeKeepsEveryByte) {
  for (const std::string& text : {
           std::string(""), std::string("\n"), std::string("[a]\r\nk=v\r\n"), std::string("[a]\nk=v"),
           std::string("mixed\r\nendings\nhere\r\n"), std::string("\xEF\xBB\xBF\n[x]\n"),
           std::string("nul\0inside\n", 11), std::string("\r\r\n\n  \t\n"), std::string("a\rb\r"),
       }) {
    EXPECT_EQ(IniDocument::Parse(text).Serialize(), text);
  }
}

TEST(IniWrite, ReplacesOnlyTheFirstMatchingValue) {
  IniDocument doc = IniDocument::Parse(
      "; settings\n"
      "[ZOR-BROWSER]\n"
      "ADDRESSBAR = 1\n"
      "garbage line\n"
      "addressbar=7\n"
      "\n"
      "[Other]\n"
      "ADDRESSBAR=1\n");
  ASSERT_TRUE(doc.Set("zor-browser", "AddressBar", "0"));
  EXPECT_EQ(doc.Serialize(),
            "; settings\n"
            "[ZOR-BROWSER]\n"
            "ADDRESSBAR = 0\n"  // spelling and spacing of the file stay
            "garbage line\n"
            "addressbar=7\n"
            "\n"
            "[Other]\n"
            "ADDRESSBAR=1\n");
  ASSERT_TRUE(doc.Set("Other", "ADDRESSBAR", ""));
  EXPECT_EQ(doc.Get("other", "addressbar"), "");
  EXPECT_EQ(doc.Get("ZOR-BROWSER", "ADDRESSBAR"), "0");
}

TEST(IniWrite, AddsKeyAtTheEndOfTheFirstMatchingSection) {
  IniDocument doc = IniDocument::Parse("[a]\nx=1\n; note\n\n\n[b]\ny=2\n[A]\nz=0\n");
  ASSERT_TRUE(doc.Set("A", "z", "3"));
  EXPECT_EQ(doc.Serialize(), "[a]\nx=1\n; note\nz=3\n\n\n[b]\ny=2\n[A]\nz=0\n");
  EXPECT_EQ(doc.Get("a", "z"), "3");

  IniDocument last = IniDocument::Parse("[a]\nx=1");
  ASSERT_TRUE(last.Set("a", "y", "2"));
  EXPECT_EQ(last.Serialize(), "[a]\nx=1\ny=2\n");

  IniDocument header_only = IniDocument::Parse("[a]\n\n[b]\n");
  ASSERT_TRUE(header_only.Set("a", "k", "v"));
  EXPECT_EQ(header_only.Serialize(), "[a]\nk=v\n\n[b]\n");
}

TEST(IniWrite, AddsSectionAtTheEnd) {
  IniDocument empty;
  ASSERT_TRUE(empty.Set("ZOR-BROWSER", "PROXY_IP", ""));
  EXPECT_EQ(empty.Serialize(), "[ZOR-BROWSER]\nPROXY_IP=\n");

  IniDocument doc = IniDocument::Parse("[a]\nx=1");
  ASSERT_TRUE(doc.Set("b", "k", "v"));
  EXPECT_EQ(doc.Serialize(), "[a]\nx=1\n\n[b]\nk=v\n");

  IniDocument blank_end = IniDocument::Parse("[a]\nx=1\n\n");
  ASSERT_TRUE(blank_end.Set("b", "k", "v"));
  EXPECT_EQ(blank_end.Serialize(), "[a]\nx=1\n\n[b]\nk=v\n");
}

TEST(IniWrite, KeepsCrLf) {
  IniDocument doc = IniDocument::Parse("[a]\r\nx=1\r\n");
  ASSERT_TRUE(doc.Set("a", "x", "2"));
  ASSERT_TRUE(doc.Set("a", "y", "3"));
  ASSERT_TRUE(doc.Set("b", "z", "4"));
  EXPECT_EQ(doc.Serialize(), "[a]\r\nx=2\r\ny=3\r\n\r\n[b]\r\nz=4\r\n");
}

TEST(IniWrite, ValuesReadBackTrimmedAndNamesMustBeReadable) {
  IniDocument doc = IniDocument::Parse("[s]\nk=old\n");
  ASSERT_TRUE(doc.Set(" s ", " k ", "  padded  "));
  EXPECT_EQ(doc.Get("s", "k"), "padded");
  ASSERT_TRUE(doc.Set("s", "multi", "line one\r\nline two"));
  EXPECT_EQ(doc.Get("s", "multi"), "line one");
  ASSERT_TRUE(doc.Set("s", "nul", std::string("ab\0cd", 5)));
  EXPECT_EQ(doc.Get("s", "nul"), "ab");
  ASSERT_TRUE(doc.Set("s", "eq", "a=b"));
  EXPECT_EQ(doc.Get("s", "eq"), "a=b");

  const std::string before = doc.Serialize();
  EXPECT_FALSE(doc.Set("", "k", "v"));
  EXPECT_FALSE(doc.Set("  ", "k", "v"));
  EXPECT_FALSE(doc.Set("a]b", "k", "v"));
  EXPECT_FALSE(doc.Set("a\nb", "k", "v"));
  EXPECT_FALSE(doc.Set("s", "", "v"));
  EXPECT_FALSE(doc.Set("s", "a=b", "v"));
  EXPECT_FALSE(doc.Set("s", "[x", "v"));
  EXPECT_FALSE(doc.Set("s", "k\rx", "v"));
  EXPECT_FALSE(doc.Set("s", std::string("k\0", 2), "v"));
  EXPECT_EQ(doc.Serialize(), before);
}

TEST(IniWrite, SaveAndProfileFunctions) {
  TempDir dir;
  const std::string file = dir / "Browser.ini";
  ASSERT_TRUE(WriteProfileString(file, "ZOR-BROWSER", "ADDRESSBAR", "1"));
  ASSERT_TRUE(WriteProfileString(file, "ZOR-BROWSER", "PROXY_IP", "10.0.0.1:8080"));
  EXPECT_EQ(dir.Read("Browser.ini"), "[ZOR-BROWSER]\nADDRESSBAR=1\nPROXY_IP=10.0.0.1:8080\n");
  EXPECT_EQ(GetProfileString(file, "zor-browser", "proxy_ip", ""), "10.0.0.1:8080");

  dir.Write("lng.ini", "\xEF\xBB\xBF; language\r\n[ZOR_Main]\r\nb_back=Back\r\n");
  ASSERT_TRUE(WriteProfileString(dir / "lng.ini", "ZOR_Main", "b_forward", "Forward"));
  EXPECT_EQ(dir.Read("lng.ini"), "\xEF\xBB\xBF; language\r\n[ZOR_Main]\r\nb_back=Back\r\nb_forward=Forward\r\n");

  const std::optional<IniDocument> loaded = IniDocument::Load(dir / "lng.ini");
  ASSERT_TRUE(loaded);
  std::string error;
  ASSERT_TRUE(loaded->Save(dir / "copy.ini", &error)) << error;
  EXPECT_EQ(dir.Read("copy.ini"), dir.Read("lng.ini"));

  EXPECT_FALSE(WriteProfileString(dir / "missing/x.ini", "s", "k", "v"));
  EXPECT_FALSE(WriteProfileString(file, "s", "", "v"));
}

TEST(IniWrite, FailedSaveLeavesTargetAlone) {
  TempDir dir;
  IniDocument doc = IniDocument::Parse("[s]\nk=new\n");
  std::string error;

  ASSERT_EQ(::mkdir((dir / "isdir").c_str(), 0755), 0);
  EXPECT_FALSE(doc.Save(dir / "isdir", &error));
  EXPECT_NE(error.find("isdir"), std::string::npos);
  EXPECT_FALSE(WriteProfileString(dir / "isdir", "s", "k", "v"));
  struct stat st;
  ASSERT_EQ(::stat((dir / "isdir").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));

  error.clear();
  EXPECT_FALSE(doc.Save(dir / "no/such/folder/Browser.ini", &error));
  EXPECT_FALSE(error.empty());

  if (RunningAsRoot()) return;  // permissions do not bite for root
  const std::string file = dir.Write("Browser.ini", "[s]\nk=old\n");
  ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
  EXPECT_FALSE(doc.Save(file, &error));
  EXPECT_FALSE(WriteProfileString(file, "s", "k", "v"));
  ::chmod(dir.path().c_str(), 0755);
  EXPECT_EQ(dir.Read("Browser.ini"), "[s]\nk=old\n");
}

}  // namespace
}  // namespace zor
