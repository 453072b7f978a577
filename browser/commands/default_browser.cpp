#include "browser/commands/default_browser.h"

#include <string>

#include "common/ini_text.h"

namespace zor::commands {

namespace {

constexpr const char* kBand = "sub_Usetools";
constexpr const char* kTool = "b_defaultbrowser";

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

void Check(shell::Chrome& chrome, bool checked) {
  if (toolbar::Tool* tool = chrome.ab_Main.tool(kBand, kTool)) tool->checked = checked;
  chrome.ab_Main.redraw();
}

void Tell(shell::Chrome& chrome, const char* key, const char* fallback, const std::string& reason) {
  std::string text = ReadIniText(chrome.files.LngFile(), "ZOR_Main", key);
  if (text.empty()) text = fallback;
  ReplaceAll(text, "{E}", reason);
  chrome.window.MessageBox(text, hosts::MessageButtons::kOk, "");
}

}  // namespace

std::vector<std::string> DefaultBrowserQuery() { return {"xdg-settings", "get", "default-web-browser"}; }

std::vector<std::string> DefaultBrowserChange(const std::string& desktop_id) {
  return {"xdg-settings", "set", "default-web-browser", desktop_id};
}

bool NamesDesktopFile(const std::string& output, const std::string& desktop_id) {
  return !desktop_id.empty() && Trimmed(output) == desktop_id;
}

void RefreshDefaultBrowserTool(shell::Chrome& chrome) {
  const auto& run = chrome.commandHooks.runProgram;
  if (!run) return;
  // A desktop that cannot answer leaves the mark off: nothing says this is the default.
  run(DefaultBrowserQuery(), [&chrome](const ProgramRun& result) {
    Check(chrome, result.started && result.status == 0 && NamesDesktopFile(result.output, kDesktopFileId));
  });
}

void MakeDefaultBrowser(shell::Chrome& chrome) {
  const auto& run = chrome.commandHooks.runProgram;
  if (!run) return;
  run(DefaultBrowserChange(kDesktopFileId), [&chrome](const ProgramRun& result) {
    if (!result.started) {
      Tell(chrome, "msg_NoXdgSettings",
           "The desktop's settings cannot be changed: the program xdg-settings (package xdg-utils) is missing.",
           result.error);
    } else if (result.status != 0) {
      Tell(chrome, "msg_DefaultBrowserFailed", "ZOR-Browser could not be made the default web browser: {E}",
           Trimmed(result.error).empty() ? "xdg-settings ended with status " + std::to_string(result.status)
                                         : Trimmed(result.error));
    } else {
      // Some desktops accept and ignore the change: the mark shows what the desktop now says.
      RefreshDefaultBrowserTool(chrome);
    }
  });
}

}  // namespace zor::commands
