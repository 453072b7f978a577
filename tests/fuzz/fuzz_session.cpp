// LastPages.ini and the crash-recovery list from arbitrary bytes, read into a main window
// over fake hosts: every page opened is a non-empty part of one line of the file, and no
// more pages open than the file has lines. (A lone CR is no line end in these files.)
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "browser/shell/main_form.h"
#include "fakes/fake_hosts.h"
#include "fuzz/scratch_folder.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

constexpr const char* kSkin = R"(tb2 1
band mnu_Main type=menubar caption="Menu"
band tb_Main caption="Standard Buttons"
  tool b_back id=1 caption=Back
band tb_Addressbar caption="Address"
  tool ctl_addr type=custom
band tb_Tabs type=tabs caption="Tabs"
band sb_Status type=status caption="Status"
band sub_Usetools type=popup caption=Tools
  tool b_opengetbar id=30
band sub_Proxylist type=popup caption=Proxies
)";

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    const auto dir = zor::fuzz::ScratchFolder("session");
    std::filesystem::create_directories(dir);
    return dir;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const bool recovery = in.ConsumeBool();
  const std::string text = in.ConsumeRemainingBytesAsString();

  zor::toolbar::ToolbarControl toolbar;
  Check(toolbar.loadLayoutText(kSkin, "fuzz.tb2"));
  zor::fakes::FakePageHost pages;
  zor::fakes::FakeWindow window;
  zor::shell::MainForm form(toolbar, pages, window, Folder().string());
  form.tabs.AddNewPage("", true);

  const std::filesystem::path file = Folder() / (recovery ? "open-pages.txt" : "LastPages.ini");
  std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
  if (recovery) {
    form.recovery.RecoveryFile = file.string();
    Check(form.recovery.RecoverPages());
  } else {
    form.settings.RestoreLastPages();
  }

  size_t lines = 0;
  for (size_t start = 0; start < text.size(); ++lines) {
    const size_t end = text.find('\n', start);
    start = end == std::string::npos ? text.size() : end + 1;
  }
  size_t opened = 0;
  for (const auto& [index, page] : pages.pages) {
    for (const std::string& address : page->navigations) {
      Check(!address.empty() && address.find('\n') == std::string::npos);
      Check(text.find(address) != std::string::npos);
      ++opened;
    }
  }
  Check(opened <= lines);
  form.recovery.EndRecovery();
  std::filesystem::remove(file);
  return 0;
}
