// The translate menu from Translist.txt, and its services opened through the dispatcher.
#include "browser/commands/translation_menu.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "commands/command_fixture.h"

namespace zor::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class TranslationMenuTest : public CommandFixture {
 protected:
  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(folder / name, std::ios::binary) << bytes;
  }
  // Builds the menu as start-up does, with this object behind the hooks.
  commands::TranslationMenu& Build() {
    menu = std::make_unique<commands::TranslationMenu>(form->chrome,
                                                       [this](const std::string& path) { edited.push_back(path); });
    menu->Install();
    form->chrome.hooks.buildTranslationMenu();
    return *menu;
  }
  // "name id type caption" of each tool of the menu.
  std::vector<std::string> MenuTools() {
    std::vector<std::string> tools;
    for (const auto& tool : toolbar.band("sub_Trans")->tools())
      tools.push_back(tool->name + " " + std::to_string(tool->id) + " " + std::to_string(tool->control_type) + " " +
                      tool->caption + (tool->image.empty() ? "" : " +icon"));
    return tools;
  }

  std::unique_ptr<commands::TranslationMenu> menu;
  std::vector<std::string> edited;
};

TEST_F(TranslationMenuTest, ServicesAndEmptyLinesBecomeTheMenuAndAServiceOpensInANewForegroundPage) {
  Write("Translist.txt",
        "One|http://127.0.0.1:9/one?u={url}\r\n\r\nTwo|http://127.0.0.1:9/two/{URL}?again={Url}&x=|y\r\n");
  Build();
  EXPECT_THAT(MenuTools(),
              ElementsAre("b_orgtrans 1398 0 _Edit Translation List...", "spe_sTans1 1399 5 ",
                          "transeg1 1401 0 One +icon", "spe_sTrans1 1901 5 ", "transeg2 1402 0 Two +icon"));
  EXPECT_THAT(window.messages, IsEmpty());

  // The address's own "&" and "#" stay its own, in every placeholder.
  Load(1, "http://127.0.0.1:9/p?a=1&b=2#f");
  Click("sub_Trans", "transeg2");
  ASSERT_EQ(form->tabs.LastPageIndex, 2);
  EXPECT_EQ(form->tabs.ActivePage, 2);
  const std::string encoded = "http%3A%2F%2F127.0.0.1%3A9%2Fp%3Fa%3D1%26b%3D2%23f";
  EXPECT_THAT(Page(2)->navigations, ElementsAre("http://127.0.0.1:9/two/" + encoded + "?again=" + encoded + "&x=|y"));

  // A number without a service opens nothing.
  ClickTool("transeg3", 1403);
  EXPECT_EQ(form->tabs.LastPageIndex, 2);

  Click("sub_Trans", "b_orgtrans");
  EXPECT_THAT(edited, ElementsAre((folder / "Translist.txt").string()));
}

TEST_F(TranslationMenuTest, TemplatesAreFilledWhereverThePlaceholderIsInAnyCase) {
  const struct {
    const char* line;
    const char* filled;
  } cases[] = {
      {"Plain|http://127.0.0.1:9/fixed", "http://127.0.0.1:9/fixed"},
      {"Capitals|http://127.0.0.1:9/t?u={URL}", "http://127.0.0.1:9/t?u=a%26b"},
      {"Twice|{url}{uRl}", "a%26ba%26b"},
      {"Empty|", ""},
      {"Almost|{url", "{url"},
  };
  std::string list;
  for (const auto& c : cases) list += std::string(c.line) + "\n";
  Write("Translist.txt", list);
  commands::TranslationMenu& built = Build();
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(built.GetTranslationUrl(static_cast<int>(i) + 1, "a&b"), cases[i].filled) << cases[i].line;
  EXPECT_THROW(built.GetTranslationUrl(0, "a"), std::out_of_range);
  EXPECT_THROW(built.GetTranslationUrl(static_cast<int>(std::size(cases)) + 1, "a"), std::out_of_range);
}

TEST_F(TranslationMenuTest, AMissingListOrALineWithoutABarStopsLoadingWithAMessage) {
  const struct {
    const char* name;  // the file written, or nothing
    const char* bytes;
    std::vector<std::string> services;
    const char* message;  // part of the one message, or nothing
  } cases[] = {
      {nullptr, "", {}, "Cannot find the translation list"},
      {"Translist.txt",
       "A|http://127.0.0.1:9/a\nno bar here\nB|http://127.0.0.1:9/b\n",
       {"transeg1 1401 0 A +icon"},
       "Line 2 of the translation list"},
      // The name is matched without regard to case.
      {"TRANSLIST.TXT", "A|http://127.0.0.1:9/a", {"transeg1 1401 0 A +icon"}, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    for (const char* name : {"Translist.txt", "TRANSLIST.TXT"}) std::filesystem::remove(folder / name);
    if (c.name) Write(c.name, c.bytes);
    window.messages.clear();
    toolbar.band("sub_Trans")->tools().removeAll();
    Build();
    std::vector<std::string> tools = MenuTools();
    tools.erase(tools.begin(), tools.begin() + 2);  // the two fixed entries
    EXPECT_EQ(tools, c.services);
    EXPECT_EQ(menu->Templates().size(), c.services.size());
    if (c.message) {
      ASSERT_EQ(window.messages.size(), 1u);
      EXPECT_THAT(window.messages[0], HasSubstr(c.message));
      EXPECT_THAT(window.messages[0], HasSubstr(menu->ListFile()));
    } else {
      EXPECT_THAT(window.messages, IsEmpty());
    }
  }
}

TEST_F(TranslationMenuTest, AHugeListStopsAtTheCap) {
  std::string list;
  for (int i = 1; i <= 100000; ++i) list += "S" + std::to_string(i) + "|http://127.0.0.1:9/" + std::to_string(i) + "\n";
  Write("Translist.txt", list);
  Build();
  EXPECT_EQ(menu->Templates().size(), static_cast<size_t>(commands::TranslationMenu::kMaxServices));
  EXPECT_EQ(toolbar.band("sub_Trans")->tools().count(), commands::TranslationMenu::kMaxServices + 2);
  EXPECT_THAT(window.messages, IsEmpty());
}

}  // namespace
}  // namespace zor::testing
