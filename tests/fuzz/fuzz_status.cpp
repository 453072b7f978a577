// The status-box command channel from arbitrary text, as Corvane, Carrowel and the input
// hook write it: a command is carried out and leaves the box empty, "ZOR_open" opens
// exactly one page with the rest of the text, and any other text is only shown.
#include <cstdint>
#include <memory>
#include <string>

#include "browser/shell/main_form.h"
#include "fakes/fake_hosts.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

constexpr const char* kSkin = R"(tb2 1
band tb_Main caption="Standard Buttons"
  tool b_back id=1 caption=Back
band tb_Addressbar caption="Address"
  tool ctl_addr type=custom
band tb_Tabs type=tabs caption="Tabs"
band sb_Status type=status caption="Status"
band sub_Usetools type=popup caption=Tools
  tool b_opengetbar id=30 checked=1
band sub_Proxylist type=popup caption=Proxies
)";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  zor::toolbar::ToolbarControl toolbar;
  Check(toolbar.loadLayoutText(kSkin, "fuzz.tb2"));
  zor::fakes::FakePageHost pages;
  zor::fakes::FakeWindow window;
  zor::shell::MainForm form(toolbar, pages, window, "/nonexistent");
  form.tabs.AddNewPage("", true);
  form.tabs.AddNewPage("", false);
  int rebuilds = 0;
  form.chrome.hooks.rebuildProxyMenu = [&rebuilds] { ++rebuilds; };
  form.chrome.txt_status.onChange = [&form](const std::string& t) { form.statusCommands.OnStatusBoxChange(t); };

  const size_t before = pages.pages.size();
  form.chrome.txt_status.SetText(text);
  const size_t opened = pages.pages.size() - before;

  const bool command = text.rfind("ZOR_", 0) == 0;
  const bool open = command && text.find("ZOR_open") != std::string::npos;
  const std::string name = command ? text.substr(4) : std::string();
  const bool known = name == "close" || name == "proxychange" || name == "iconleft" || name == "iconright";
  Check(opened == (open && name != "close" && name != "proxychange" && name != "iconleft" && name != "iconright"));
  Check(rebuilds == (name == "proxychange"));
  Check(toolbar.tool("sub_Usetools", "b_opengetbar")->checked == (name != "close"));
  if (known || open) Check(form.chrome.txt_status.Text().empty());
  if (!command) Check(opened == 0);
  return 0;
}
