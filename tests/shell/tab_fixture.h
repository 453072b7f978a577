// A started main window over fakes and a small skin with the bands the tab, page-event
// and address-bar procedures touch.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "browser/shell/main_form.h"
#include "fakes/fake_hosts.h"

namespace zor::testing {

inline constexpr const char* kTabSkin = R"(tb2 1
band tb_Main row=1 caption="Standard Buttons"
  tool b_back id=3 caption="Back"
  tool b_forward id=4 caption="Forward"
  tool b_stop id=5 caption="Stop"
  tool b_fullscreen id=2 caption="Full Screen"
band tb_Addressbar row=1 pos=0 caption="Address"
  tool ctl_addr type=custom
band tb_Tabs type=tabs row=3 caption="Tabs"
band sb_Status type=status caption="Status"
  tool b_security id=40
  tool b_offline id=41
band sub_File type=popup caption=File
  tool b_offline id=41
band sub_View type=popup caption=View
  tool b_stop id=5 caption="Stop"
  tool b_fullscreen id=2 caption="Full Screen"
band sub_Usetools type=popup caption=Tools
  tool b_besilent id=31
)";

// Tab names in strip order.
inline std::string TabStrip(toolbar::ToolbarControl& bars) {
  std::string names;
  for (const auto& tool : bars.band("tb_Tabs")->tools()) names += (names.empty() ? "" : " ") + tool->name;
  return names;
}

class TabFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("zor-tabs-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "default.tb2") << kTabSkin;
    window.typed_urls_file = (folder / "typed-urls.ini").string();
    BeforeStart();
    form = std::make_unique<shell::MainForm>(toolbar, pages, window, folder.string());
    form->chrome.page_commands = &commands;
    form->chrome.hooks.attachPageCommands = [this](int page) { commands.Attach(page); };
    form->WireEvents();
    ASSERT_TRUE(form->StartUp(""));
    form->chrome.TitleText = "ZOR";
  }
  void TearDown() override { std::filesystem::remove_all(folder); }
  // Runs before the form exists (files the start-up reads).
  virtual void BeforeStart() {}

  toolbar::Tool* Tab(int page) { return toolbar.tool("tb_Tabs", "tabs-" + std::to_string(page)); }
  fakes::FakePage* Page(int page) { return pages.Fake(page); }
  std::string Strip() { return TabStrip(toolbar); }
  // Opens a page in the foreground that has loaded `url` with `title`.
  int Open(const std::string& url, const std::string& title = {}, bool foreground = true) {
    form->tabs.AddNewPage(url, foreground);
    const int n = form->tabs.LastPageIndex;
    Page(n)->title = title;
    Page(n)->has_document = !url.empty();
    return n;
  }

  std::filesystem::path folder;
  toolbar::ToolbarControl toolbar;
  fakes::FakePageHost pages;
  fakes::FakeWindow window;
  fakes::FakePageCommands commands;
  std::unique_ptr<shell::MainForm> form;
};

}  // namespace zor::testing
