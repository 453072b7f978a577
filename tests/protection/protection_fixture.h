// A started main window over fakes with the shipped skin, a clock the test sets, an
// input hook that answers as told and a black list held by the fake Corvane.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "browser/protection/page_protection.h"
#include "browser/shell/main_form.h"
#include "fakes/fake_hosts.h"

namespace zor::testing {

class ProtectionFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("zor-protection-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::filesystem::path data = std::filesystem::path(ZOR_SOURCE_DIR) / "data";
    for (const char* file : {"default.tb2", "lng.ini"}) std::filesystem::copy_file(data / file, folder / file);
    form = std::make_unique<shell::MainForm>(toolbar, pages, window, folder.string());
    form->createConnection = [this] {
      auto connection = std::make_unique<fakes::FakeConnection>(&corvane);
      connection->black_list = black_list;
      return connection;
    };
    form->WireEvents();
    ASSERT_TRUE(form->StartUp(""));
    form->input_hook = &hook;
    guard().docs.Clock = [this] { return now; };
    guard().SystemLog = [this](const std::string& line) { system_log.push_back(line); };
  }
  void TearDown() override {
    std::filesystem::remove_all(folder);
  }

  protection::PageProtection& guard() { return *form->protection; }
  toolbar::Tool* Tool(const std::string& band, const std::string& name) { return toolbar.tool(band, name); }
  void Check(const std::string& band, const std::string& name, bool on) { Tool(band, name)->checked = on; }
  fakes::FakePage* Page(int n) { return pages.Fake(n); }

  // Opens a foreground page that shows `url`; returns its index.
  int OpenShown(const std::string& url) {
    form->AddNewPage(url, true);
    const int n = form->LastPageIndex;
    Page(n)->has_document = !url.empty();
    Page(n)->ready_state = 4;
    return n;
  }
  struct Request {
    int target = -1;
    bool cancel = false;
  };
  Request NewWindow(int page) {
    Request r;
    pages.events.newWindow2(page, r.target, r.cancel);
    return r;
  }
  bool Navigate(int page, const std::string& url) {
    bool cancel = false;
    pages.events.beforeNavigate2(page, url, cancel);
    return cancel;
  }
  // The blocked menu: "name=caption" per entry.
  std::vector<std::string> Menu() {
    std::vector<std::string> out;
    for (const auto& tool : toolbar.band("sub_Blocked")->tools()) out.push_back(tool->name + "=" + tool->caption);
    return out;
  }

  std::filesystem::path folder;
  toolbar::ToolbarControl toolbar;
  fakes::FakePageHost pages;
  fakes::FakeWindow window;
  fakes::FakeInputHook hook;
  std::vector<std::string> corvane;
  std::vector<std::string> black_list;
  std::vector<std::string> system_log;
  double now = 1'800'000'000.0;
  std::unique_ptr<shell::MainForm> form;
};

}  // namespace zor::testing
