// Translist.txt from arbitrary bytes, read into the translate menu of a main window over
// fake hosts: one tool per line at most, within the menu's caps, a service per template;
// every template fills in an address, and one without a placeholder is its own address.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "browser/commands/translation_menu.h"
#include "browser/shell/main_form.h"
#include "fakes/fake_hosts.h"
#include "fuzz/scratch_folder.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

constexpr const char* kSkin = R"(tb2 1
band mnu_Main type=menubar caption="Menu"
band tb_Tabs type=tabs caption="Tabs"
band sub_Trans type=popup caption=Translate
)";

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    const auto dir = zor::fuzz::ScratchFolder("translist");
    std::filesystem::create_directories(dir);
    return dir;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using zor::commands::TranslationMenu;
  FuzzedDataProvider in(data, size);
  const std::string address = in.ConsumeRandomLengthString(100);
  const std::string text = in.ConsumeRemainingBytesAsString();

  // One window for every input: building it costs far more than reading a list.
  static zor::toolbar::ToolbarControl toolbar;
  static zor::fakes::FakePageHost pages;
  static zor::fakes::FakeWindow window;
  static zor::shell::MainForm& form = *[] {
    Check(toolbar.loadLayoutText(kSkin, "fuzz.tb2"));
    return new zor::shell::MainForm(toolbar, pages, window, Folder().string());
  }();
  toolbar.band("sub_Trans")->tools().removeAll();
  TranslationMenu menu(form.chrome, {});
  const std::string file = menu.ListFile();
  std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
  menu.BuildTranslationMenu();

  const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  const size_t tools = static_cast<size_t>(toolbar.band("sub_Trans")->tools().count());
  const auto& templates = menu.Templates();
  Check(tools >= 2 && tools - 2 <= lines);
  Check(templates.size() <= TranslationMenu::kMaxServices && tools - 2 >= templates.size() &&
        tools - 2 - templates.size() <= TranslationMenu::kMaxSeparators);
  for (size_t i = 0; i < templates.size(); ++i) {
    const std::string filled = menu.GetTranslationUrl(static_cast<int>(i + 1), address);
    if (templates[i].find('{') == std::string::npos) Check(filled == templates[i]);
  }
  std::filesystem::remove(file);
  // What this input told the user goes with it, so the leak check sees a balanced run.
  window.messages = {};
  return 0;
}
