// The link basket's list, drops and menu commands, and link list files, against a
// recording window.
#include "carrowel/basket.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "carrowel/link_list.h"
#include "common/files.h"

namespace fs = std::filesystem;
using zor::carrowel::Basket;
using zor::carrowel::BasketEnvironment;
using zor::carrowel::BasketView;
using Strings = std::vector<std::string>;

namespace {

struct Record {
  Strings messages;
  std::string clipboard;
  std::optional<std::string> chosen;  // the file dialogs' answer
  int updates = 0;
  bool closed = false;
};

class RecordingView : public BasketView {
 public:
  explicit RecordingView(Record& r) : r_(r) {}
  void Show() override {}
  void Close() override { r_.closed = true; }
  void Update() override { ++r_.updates; }
  std::optional<std::string> ChooseFile(bool) override { return r_.chosen; }
  void Message(const std::string& text) override { r_.messages.push_back(text); }
  void SetClipboard(const std::string& text) override { r_.clipboard = text; }

 private:
  Record& r_;
};

class Box : public zor::StatusBox {
 public:
  void SetText(const std::string& text) override { written.push_back(text); }
  std::string Text() const override { return written.empty() ? "" : written.back(); }
  Strings written;
};

class BasketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("zor-basket-" + std::to_string(::getpid()) + "-" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder / "Requires");
    fs::create_directories(folder / "SavedFiles");
    std::ofstream(folder / "lng.ini")
        << "[ZORBasket]\nlbl_Caption=Basket\nOpen=Open it\nmsgWriteFailed=Not written: {P} ({E})\n"
           "msgReadFailed=Not read: {P} ({E})\n";
    env.library_folder = (folder / "Requires").string();
    env.makeView = [this](Basket&) { return std::make_unique<RecordingView>(record); };
    basket = std::make_unique<Basket>(env);
    basket->texthwnd = &box;
  }
  void TearDown() override { fs::remove_all(folder); }
  std::string File(const std::string& name) { return (folder / name).string(); }
  void Fill(const Strings& entries, std::set<int> selected = {}) {
    for (const std::string& e : entries) basket->DropText(e);
    basket->Select(selected, selected.empty() ? -1 : *selected.begin());
  }

  fs::path folder;
  BasketEnvironment env;
  Record record;
  Box box;
  std::unique_ptr<Basket> basket;
};

TEST_F(BasketTest, TextsComeFromTheLanguageFile) {
  EXPECT_EQ(basket->CaptionText, "Basket   ");
  EXPECT_EQ(basket->MenuCaptions()[0], "Open it");
  EXPECT_EQ(basket->MenuCaptions()[1], "复制到剪切板(&Copyt to clipboard)")
      << "a missing key keeps the built-in caption";
}

TEST_F(BasketTest, OpenSendsOneCommandPerSelectedEntryInListOrder) {
  Fill({"http://127.0.0.1/a", "http://127.0.0.1/b", "http://127.0.0.1/c", "http://127.0.0.1/d"}, {3, 0, 2});
  ASSERT_TRUE(basket->Command("b_open"));
  EXPECT_EQ(box.written,
            (Strings{"ZOR_openhttp://127.0.0.1/a", "ZOR_openhttp://127.0.0.1/c", "ZOR_openhttp://127.0.0.1/d"}));
  basket->texthwnd = nullptr;
  basket->Open();  // goes nowhere
  EXPECT_EQ(box.written.size(), 3u);
}

TEST_F(BasketTest, PerItemCommandsNeedASelection) {
  Fill({"a", "b"});
  EXPECT_FALSE(basket->ItemCommandsEnabled());
  for (const char* item : {"b_open", "b_CopyOne", "b_saveone", "b_delone"}) EXPECT_FALSE(basket->Command(item)) << item;
  EXPECT_EQ(basket->List1.size(), 2u);
  EXPECT_TRUE(box.written.empty());
  basket->Select({1}, 1);
  EXPECT_TRUE(basket->ItemCommandsEnabled());
}

TEST_F(BasketTest, CopyAndDelete) {
  Fill({"a", "b", "c"}, {0, 2});
  basket->Command("b_CopyOne");
  EXPECT_EQ(record.clipboard, "a\r\nc\r\n");
  basket->Command("b_Copyall");
  EXPECT_EQ(record.clipboard, "a\r\nb\r\nc\r\n");
  EXPECT_EQ(basket->current, 2) << "the last entry stays current";
  basket->Select({0, 2}, 0);
  basket->Command("b_delone");
  EXPECT_EQ(basket->List1, Strings{"b"});
  EXPECT_TRUE(basket->selected.empty());
  basket->Command("b_delall");
  EXPECT_TRUE(basket->List1.empty());
}

TEST_F(BasketTest, DeleteKeySelectsTheEntryBefore) {
  struct Case {
    Strings entries;
    int current;
    Strings left;
    int selected;  // -1: nothing
  };
  const Case cases[] = {
      {{"a", "b", "c"}, 2, {"a", "b"}, 1}, {{"a", "b", "c"}, 1, {"a", "c"}, 0},
      {{"a", "b", "c"}, 0, {"b", "c"}, 0}, {{"a"}, 0, {}, -1},
      {{"a", "b"}, -1, {"a", "b"}, -1},  // no current entry: nothing goes
  };
  for (const Case& c : cases) {
    basket->DelAll();
    Fill(c.entries, c.current >= 0 ? std::set<int>{c.current} : std::set<int>{});
    basket->DeleteKey();
    EXPECT_EQ(basket->List1, c.left) << c.current;
    EXPECT_EQ(basket->selected, c.selected >= 0 ? std::set<int>{c.selected} : std::set<int>{}) << c.current;
    EXPECT_EQ(basket->current, c.selected);
  }
}

TEST_F(BasketTest, ATextDropNeitherExpandsNorChangesTheCaption) {
  basket->DropText("http://127.0.0.1/x");
  EXPECT_EQ(basket->List1, Strings{"http://127.0.0.1/x"});
  EXPECT_FALSE(basket->expanded);
  EXPECT_EQ(basket->lbl_Caption, "Basket   ");
  EXPECT_EQ(basket->WidthTwips(), 510);
}

TEST_F(BasketTest, DroppedFilesAreCopiedOverwritingAndListedEachTime) {
  fs::create_directories(folder / "one");
  fs::create_directories(folder / "two");
  std::ofstream(folder / "one" / "same.txt") << "first";
  std::ofstream(folder / "two" / "same.txt") << "second";
  basket->DropFiles({File("one/same.txt")});
  basket->DropFiles({File("two/same.txt")});
  const std::string copy = (folder / "SavedFiles" / "same.txt").string();
  EXPECT_EQ(basket->List1, (Strings{copy, copy}));
  EXPECT_EQ(zor::ReadWholeFile(copy).value_or(""), "second");
  EXPECT_TRUE(basket->expanded);
  EXPECT_EQ(basket->WidthTwips(), 2805);
  EXPECT_EQ(basket->HeightTwips(), 2040);
  EXPECT_EQ(basket->lbl_Caption, " File Saved!");
  basket->Collapse();
  EXPECT_EQ(basket->lbl_Caption, "Basket   ");
  basket->DropFiles({File("missing.txt")});
  EXPECT_EQ(basket->List1.back(), (folder / "SavedFiles" / "missing.txt").string()) << "a failed copy is listed";
}

TEST_F(BasketTest, SavedFilesAreCrLfLinesTheSelectionWithATrailingEmptyLine) {
  Fill({"http://127.0.0.1/a", "中文", "c"}, {0, 1});
  ASSERT_TRUE(basket->SaveSelectedTo(File("sel.LSV")));
  EXPECT_EQ(zor::ReadWholeFile(File("sel.LSV")).value_or(""), "http://127.0.0.1/a\r\n中文\r\n\r\n");
  ASSERT_TRUE(basket->SaveAllTo(File("all.LSV")));
  EXPECT_EQ(zor::ReadWholeFile(File("all.LSV")).value_or(""), "http://127.0.0.1/a\r\n中文\r\nc\r\n");
  basket->DelAll();
  ASSERT_TRUE(basket->SaveAllTo(File("empty.LSV")));
  EXPECT_EQ(zor::ReadWholeFile(File("empty.LSV")).value_or(""), "\r\n");
}

TEST_F(BasketTest, SavingAnEmptySelectionWritesNoFile) {
  Fill({"a"});
  record.chosen = File("none.LSV");
  EXPECT_TRUE(basket->SaveSelectedTo(File("none.LSV")));
  EXPECT_FALSE(fs::exists(folder / "none.LSV"));
}

TEST_F(BasketTest, LoadingTrimsSkipsBlanksAndKeepsTheList) {
  std::ofstream(folder / "in.LSV", std::ios::binary) << "  http://127.0.0.1/a \r\n\r\n \t \r\n\tb\nc";
  Fill({"kept"});
  record.chosen = File("in.LSV");
  ASSERT_TRUE(basket->Command("b_load"));
  EXPECT_EQ(basket->List1, (Strings{"kept", "http://127.0.0.1/a", "b", "c"}));
  record.chosen.reset();
  ASSERT_TRUE(basket->Command("b_load")) << "a cancelled dialog does nothing";
  EXPECT_EQ(basket->List1.size(), 4u);
}

TEST_F(BasketTest, LegacyChineseFilesAreConverted) {
  // "中文" in the old Chinese code page.
  EXPECT_EQ(zor::carrowel::ParseLinkList("\xD6\xD0\xCE\xC4\r\nx\r\n"), (Strings{"中文", "x"}));
  EXPECT_EQ(zor::carrowel::ParseLinkList("中文\r\n"), (Strings{"中文"}));
}

TEST_F(BasketTest, FileErrorsAreNamedAndTheListStays) {
  Fill({"a", "b"}, {0});
  fs::create_directories(folder / "dir.LSV" / "x");  // a folder cannot be replaced by a file
  const std::string target = File("dir.LSV");
  for (bool all : {false, true}) {
    record.messages.clear();
    EXPECT_FALSE(all ? basket->SaveAllTo(target) : basket->SaveSelectedTo(target));
    ASSERT_EQ(record.messages.size(), 1u);
    EXPECT_EQ(record.messages[0].rfind("Not written: " + target, 0), 0u) << record.messages[0];
  }
  record.messages.clear();
  EXPECT_FALSE(basket->LoadFrom(File("absent.LSV")));
  ASSERT_EQ(record.messages.size(), 1u);
  EXPECT_NE(record.messages[0].find("Not read: " + File("absent.LSV")), std::string::npos) << record.messages[0];
  EXPECT_EQ(basket->List1, (Strings{"a", "b"}));
  EXPECT_TRUE(fs::is_directory(folder / "dir.LSV" / "x"));
}

TEST_F(BasketTest, ExitTellsTheBrowserAndCloses) {
  Fill({"a"});
  basket->Command("b_Exit");
  EXPECT_EQ(box.written, Strings{"ZOR_close"});
  EXPECT_TRUE(record.closed);
  EXPECT_TRUE(basket->Closed());
  EXPECT_TRUE(basket->List1.empty());
}

}  // namespace
