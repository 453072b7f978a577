// What keeps the text-size, edit and offline tools truthful when their menus open, and
// the Internet-options window, opened as a modal tool window of the main window.
#include <algorithm>
#include <array>
#include <cctype>
#include <memory>
#include <string>

#include "browser/messaging/window_wrapper.h"
#include "browser/shell/main_form.h"

namespace zor::shell {

namespace {

// The text-size tools by the zoom level they stand for.
constexpr std::array<const char*, 5> kTextSizeTools = {"b_smallest", "b_small", "b_normal", "b_big", "b_biggest"};

constexpr const char* kOptionsTitleWord = "Internet";
constexpr const char* kOptionsTitleSuffix = " - Lunched By VIZIRUVUZI";

bool ContainsNoCase(const std::string& text, const std::string& word) {
  auto lower = [](std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
  };
  return lower(text).find(lower(word)) != std::string::npos;
}

// Sets the edit tools from what page `page` last answered; unanswered commands keep
// their tools as they are.
void ApplyEditStates(MainForm& form, int page) {
  const MainForm::EditCommandStates states = form.EditStates.get(page);
  for (size_t i = 0; i < MainForm::kEditTools.size(); ++i) {
    if (!states.known[i]) continue;
    if (toolbar::Tool* tool = form.ab_Main.tool("sub_Edit", MainForm::kEditTools[i])) tool->enabled = states.enabled[i];
  }
}

}  // namespace

void MainForm::RefreshTextSizeTools() {
  // A level that cannot be read leaves the check marks as they were.
  const int level = commandHooks.zoomLevel ? commandHooks.zoomLevel(ActivePage) : -1;
  if (level < 0) return;
  for (size_t i = 0; i < kTextSizeTools.size(); ++i)
    if (toolbar::Tool* tool = ab_Main.tool("sub_Text", kTextSizeTools[i]))
      tool->checked = static_cast<int>(i) == level;
}

void MainForm::QueryEditStates(int page) {
  if (!commandHooks.queryCommandEnabled || !WB.Page(page)) return;
  for (size_t i = 0; i < kEditCommands.size(); ++i) {
    commandHooks.queryCommandEnabled(page, kEditCommands[i], [this, page, i](bool enabled) {
      EditCommandStates states = EditStates.get(page);
      states.known[i] = true;
      states.enabled[i] = enabled;
      EditStates.set(page, states);
      // An open Edit menu follows the answer at once.
      if (page == ActivePage) {
        ApplyEditStates(*this, page);
        ab_Main.redraw();
      }
    });
  }
}

void MainForm::RefreshEditTools() {
  if (!WB.Page(ActivePage)) return;
  ApplyEditStates(*this, ActivePage);
  ab_Main.redraw();
  QueryEditStates(ActivePage);
}

void MainForm::SyncOfflineTools() {
  if (!page_commands) return;
  const bool offline = page_commands->Offline();
  for (const char* band : {"sub_File", "sb_Status"})
    if (toolbar::Tool* tool = ab_Main.tool(band, "b_offline")) tool->checked = offline;
}

void MainForm::OpenInternetOptions(int page) {
  const int task = window.StartInternetOptions(page);
  if (task == 0) return;
  window.SetEnabled(false);
  if (windows) {
    messaging::Window options(*windows);
    options.Handle = options.GetChildWindow(options.DesktopWindow());
    while (options.Handle != 0) {
      if (ContainsNoCase(options.GetText(), kOptionsTitleWord) && windows->ProcessOf(options.Handle) == task) {
        windows->SetTopmost(options.Handle, true);
        options.SetText(options.GetText() + kOptionsTitleSuffix);
        options.Flash();
        break;
      }
      options.Handle = options.NextWindow(options.Handle);
    }
  }
  // The main window keeps repainting while it waits, disabled.
  while (window.TaskRunning(task)) window.WaitForEvents();
  window.SetEnabled(true);
  if (windows) windows->BringToTop(windows->MainWindow());
}

}  // namespace zor::shell
