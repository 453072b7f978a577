// The browser's side of the link basket: the tool, the start-up setting, the commands
// the basket writes into the status box, and the library loaded from a Requires/ folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "browser/commands/basket_toggle.h"
#include "browser/commands/connection_loader.h"
#include "browser/shell/main_form.h"
#include "carrowel/basket.h"
#include "common/files.h"
#include "fakes/fake_hosts.h"

namespace fs = std::filesystem;
using zor::DispatchObject;
using zor::commands::BasketToggle;
using zor::fakes::FakePageHost;
using zor::fakes::FakeWindow;
using zor::shell::MainForm;

namespace {

constexpr const char* kSkin = R"(tb2 1
band tb_Tabs type=tabs caption="Tabs"
band sub_Usetools type=popup caption=Tools
  tool b_opengetbar id=30
band sub_Proxylist type=popup caption=Proxies
)";

class BasketBridge : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("zor-basket-bridge-" + std::to_string(::getpid()) + "-" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder / "Requires");
    std::ofstream(folder / "default.tb2") << kSkin;
    std::ofstream(folder / "lng.ini") << "[ZOR_Main]\nmsg_BasketMissing=No basket here.\n";
    zor::carrowel::Environment().library_folder = (folder / "Requires").string();
  }
  void TearDown() override {
    toggle.reset();
    form.reset();
    fs::remove_all(folder);
  }
  // The form with its basket tool wired to `create`, started up.
  void Start(BasketToggle::Creator create) {
    form = std::make_unique<MainForm>(toolbar, pages, window, folder.string());
    toggle = std::make_unique<BasketToggle>(form->chrome, std::move(create));
    toggle->Install();
    ASSERT_TRUE(form->StartUp(""));
    form->WireEvents();
  }
  // Baskets made in this process, from this test's own copy of the library's code.
  static BasketToggle::Creator InProcess() {
    return [](const std::string& name) -> std::unique_ptr<DispatchObject> {
      if (name != zor::kBasketClass) return nullptr;
      return std::make_unique<zor::carrowel::BasketObject>();
    };
  }
  bool Checked() { return toolbar.tool("sub_Usetools", "b_opengetbar")->checked; }
  std::string BrowserIni() { return zor::ReadWholeFile((folder / "Browser.ini").string()).value_or(""); }

  fs::path folder;
  zor::toolbar::ToolbarControl toolbar;
  FakePageHost pages;
  FakeWindow window;
  std::unique_ptr<MainForm> form;
  std::unique_ptr<BasketToggle> toggle;
};

TEST_F(BasketBridge, TheSettingOpensTheBasketAtStartUpAndSurvivesTheExit) {
  std::ofstream(folder / "Browser.ini") << "[ZOR-BROWSER]\r\nOPENGETBAR=1\r\n";
  Start(InProcess());
  EXPECT_TRUE(Checked());
  ASSERT_NE(zor::carrowel::OpenBasket(), nullptr);
  EXPECT_EQ(zor::carrowel::OpenBasket()->texthwnd, &form->chrome.txt_status);
  ASSERT_TRUE(form->settings.SaveSettings());
  EXPECT_NE(BrowserIni().find("OPENGETBAR=1"), std::string::npos) << BrowserIni();

  form->dispatcher.OnToolClick(*toolbar.tool("sub_Usetools", "b_opengetbar"));
  EXPECT_FALSE(Checked());
  EXPECT_EQ(zor::carrowel::OpenBasket(), nullptr) << "gameover closed it";
  ASSERT_TRUE(form->settings.SaveSettings());
  EXPECT_NE(BrowserIni().find("OPENGETBAR=0"), std::string::npos) << BrowserIni();
}

TEST_F(BasketBridge, ThreeSelectedEntriesOpenThreePagesInListOrder) {
  Start(InProcess());
  form->dispatcher.OnToolClick(*toolbar.tool("sub_Usetools", "b_opengetbar"));
  zor::carrowel::Basket* basket = zor::carrowel::OpenBasket();
  ASSERT_NE(basket, nullptr);
  for (const char* url : {"http://127.0.0.1:1/a", "http://127.0.0.1:1/b", "http://127.0.0.1:1/c"})
    basket->DropText(url);
  basket->Select({0, 1, 2}, 0);
  const int before = form->tabs.LastPageIndex;
  basket->Open();
  ASSERT_EQ(form->tabs.LastPageIndex, before + 3);
  EXPECT_EQ(pages.Fake(before + 1)->location, "http://127.0.0.1:1/a");
  EXPECT_EQ(pages.Fake(before + 2)->location, "http://127.0.0.1:1/b");
  EXPECT_EQ(pages.Fake(before + 3)->location, "http://127.0.0.1:1/c");
  EXPECT_EQ(form->tabs.ActivePage, before + 3) << "the last one is current";
  EXPECT_EQ(form->chrome.txt_status.Text(), "");

  basket->Exit();
  EXPECT_FALSE(Checked()) << "the basket's Exit unchecks the tool";
  form->dispatcher.OnToolClick(*toolbar.tool("sub_Usetools", "b_opengetbar"));
  EXPECT_TRUE(Checked()) << "the next click opens a new basket";
  EXPECT_NE(zor::carrowel::OpenBasket(), nullptr);
}

TEST_F(BasketBridge, AMissingLibraryLeavesTheToolUncheckedSaysSoOnceAndKeepsTheSetting) {
  std::ofstream(folder / "Browser.ini") << "[ZOR-BROWSER]\r\nOPENGETBAR=1\r\n";
  std::string error;
  Start(zor::commands::ObjectLibrary((folder / "Requires" / "libcarrowel.so").string(),
                                     [&](const std::string& e) { error = e; }));
  EXPECT_FALSE(Checked());
  EXPECT_NE(error.find("libcarrowel.so"), std::string::npos) << error;
  form->dispatcher.OnToolClick(*toolbar.tool("sub_Usetools", "b_opengetbar"));
  EXPECT_FALSE(Checked());
  EXPECT_EQ(window.messages, std::vector<std::string>{"No basket here."});
  ASSERT_TRUE(form->settings.SaveSettings());
  EXPECT_NE(BrowserIni().find("OPENGETBAR=1"), std::string::npos) << "the next run with a basket opens it";
}

TEST_F(BasketBridge, TheBuiltLibraryMakesTheBasketByItsClassName) {
  const std::string library = std::string(ZOR_PROGRAM_DIR) + "/Requires/libcarrowel.so";
  ASSERT_TRUE(fs::exists(library)) << library;
  auto create = zor::commands::ObjectLibrary(library);
  EXPECT_EQ(create("Carrowel.Other"), nullptr);
  std::unique_ptr<DispatchObject> basket = create(zor::kBasketClass);
  ASSERT_NE(basket, nullptr);
  zor::messaging::StatusChannel box;
  EXPECT_TRUE(basket->Invoke("TransHWND", {static_cast<zor::StatusBox*>(&box)}));
  EXPECT_TRUE(basket->Invoke("TransHWND", {std::string()})) << "an empty value is ignored";
  EXPECT_FALSE(basket->Invoke("Navigate", {}));
  EXPECT_TRUE(basket->Invoke("gameover", {}));
}

}  // namespace
