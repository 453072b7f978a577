// A started main window over fakes with the shipped skin, for the commands and the
// bars' events: clicks go through the toolbar control as the view raises them.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "browser/shell/main_form.h"
#include "fakes/fake_hosts.h"
#include "fakes/fake_toolbar_view.h"

namespace zor::testing {

class CommandFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("zor-commands-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::filesystem::path data = std::filesystem::path(ZOR_SOURCE_DIR) / "data";
    for (const char* file : {"default.tb2", "lng.ini"}) std::filesystem::copy_file(data / file, folder / file);
    toolbar.setView(&view);
    form = std::make_unique<shell::MainForm>(toolbar, pages, window, folder.string());
    form->chrome.page_commands = &page_commands;
    form->chrome.windows = &windows;
    form->proxies.createConnection = [this] { return std::make_unique<fakes::FakeConnection>(&corvane); };
    form->WireEvents();
    ASSERT_TRUE(form->StartUp(""));
  }
  void TearDown() override {
    toolbar.setView(nullptr);
    std::filesystem::remove_all(folder);
  }

  toolbar::Tool& Tool(const std::string& band, const std::string& name) {
    toolbar::Tool* tool = toolbar.tool(band, name);
    if (!tool) throw std::runtime_error("no tool " + band + "/" + name);
    return *tool;
  }
  // A click on the tool of that band, as the view raises it.
  void Click(const std::string& band, const std::string& name) { toolbar.fireToolClick(Tool(band, name)); }
  // A click on a tool made for the test (run-time families: tabs, favorites, ...).
  void ClickTool(const std::string& name, int id = 0, const std::string& caption = {},
                 const std::string& tooltip = {}) {
    toolbar::Tool tool(id, name);
    tool.caption = caption;
    tool.tooltip = tooltip;
    toolbar.fireToolClick(tool);
  }
  bool Open(const std::string& band) { return toolbar.fireBandOpen(*toolbar.band(band)); }

  fakes::FakePage* Page(int n) { return pages.Fake(n); }
  fakes::FakePage* Current() { return pages.Fake(form->tabs.ActivePage); }
  // Opens a page in the foreground showing `url` ("" leaves it blank); returns its index.
  int OpenPage(const std::string& url) {
    form->tabs.AddNewPage(url, true);
    return form->tabs.LastPageIndex;
  }
  void Load(int n, const std::string& url, const std::string& title = {}) {
    Page(n)->location = url;
    Page(n)->title = title;
    Page(n)->has_document = !url.empty();
  }
  // Page calls since the last look.
  std::vector<std::string> Calls(int n) {
    std::vector<std::string> calls = Page(n)->calls;
    Page(n)->calls.clear();
    return calls;
  }

  std::filesystem::path folder;
  fakes::FakeToolbarView view;
  toolbar::ToolbarControl toolbar;
  fakes::FakePageHost pages;
  fakes::FakeWindow window;
  fakes::FakePageCommands page_commands;
  fakes::FakeWindowSystem windows;
  std::vector<std::string> corvane;
  std::unique_ptr<shell::MainForm> form;
};

}  // namespace zor::testing
