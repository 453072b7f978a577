#include "browser/commands/edit_view.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>
#include <string>

#include "browser/messaging/window_wrapper.h"

namespace zor::commands {

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

}  // namespace

// Sets the edit tools from what page `page` last answered. A command the page has not
// answered yet is off until it does: another page's answer says nothing about this one.
void EditView::ApplyEditStates(int page) {
  const EditCommandStates states = EditStates.get(page);
  for (size_t i = 0; i < kEditTools.size(); ++i)
    if (toolbar::Tool* tool = c_.ab_Main.tool("sub_Edit", kEditTools[i]))
      tool->enabled = states.known[i] && states.enabled[i];
}

void EditView::RefreshTextSizeTools() {
  // A level that cannot be read leaves the check marks as they were.
  const int level = c_.commandHooks.zoomLevel ? c_.commandHooks.zoomLevel(tabs_.ActivePage) : -1;
  if (level < 0) return;
  for (size_t i = 0; i < kTextSizeTools.size(); ++i)
    if (toolbar::Tool* tool = c_.ab_Main.tool("sub_Text", kTextSizeTools[i]))
      tool->checked = static_cast<int>(i) == level;
}

void EditView::QueryEditStates(int page) {
  if (!c_.commandHooks.queryCommandEnabled || !c_.WB.Page(page)) return;
  for (size_t i = 0; i < kEditCommands.size(); ++i) {
    c_.commandHooks.queryCommandEnabled(page, kEditCommands[i], [this, page, i](bool enabled) {
      EditCommandStates states = EditStates.get(page);
      states.known[i] = true;
      states.enabled[i] = enabled;
      EditStates.set(page, states);
      // An open Edit menu follows the answer at once.
      if (page == tabs_.ActivePage) {
        ApplyEditStates(page);
        c_.ab_Main.redraw();
      }
    });
  }
}

void EditView::RefreshEditTools() {
  if (!c_.WB.Page(tabs_.ActivePage)) return;
  ApplyEditStates(tabs_.ActivePage);
  c_.ab_Main.redraw();
  QueryEditStates(tabs_.ActivePage);
}

void EditView::SyncOfflineTools() {
  if (!c_.page_commands) return;
  const bool offline = c_.page_commands->Offline();
  for (const char* band : {"sub_File", "sb_Status"})
    if (toolbar::Tool* tool = c_.ab_Main.tool(band, "b_offline")) tool->checked = offline;
}

void EditView::OpenInternetOptions(int page) {
  const int task = c_.window.StartInternetOptions(page);
  if (task == 0) return;
  c_.window.SetEnabled(false);
  if (c_.windows) {
    messaging::Window options(*c_.windows);
    options.Handle = options.GetChildWindow(options.DesktopWindow());
    while (options.Handle != 0) {
      if (ContainsNoCase(options.GetText(), kOptionsTitleWord) && c_.windows->ProcessOf(options.Handle) == task) {
        c_.windows->SetTopmost(options.Handle, true);
        options.SetText(options.GetText() + kOptionsTitleSuffix);
        options.Flash();
        break;
      }
      options.Handle = options.NextWindow(options.Handle);
    }
  }
  // The main c_.window keeps repainting while it waits, disabled.
  while (c_.window.TaskRunning(task)) c_.window.WaitForEvents();
  c_.window.SetEnabled(true);
  if (c_.windows) c_.windows->BringToTop(c_.windows->MainWindow());
}

}  // namespace zor::commands
