// ZOR-Browser as the desktop's default web browser: the Tools menu's entry shows whether it is
// (checked) and makes it so, through the desktop's own xdg-settings.
#pragma once

#include <string>
#include <vector>

#include "browser/shell/chrome.h"

namespace zor::commands {

// The desktop entry the installed program ships.
inline constexpr const char* kDesktopFileId = "zor-browser.desktop";

// xdg-settings' argument vectors: ask for the default browser, and make `desktop_id` it.
std::vector<std::string> DefaultBrowserQuery();
std::vector<std::string> DefaultBrowserChange(const std::string& desktop_id);
// Whether what the query printed names `desktop_id` (blanks and line ends around it aside).
bool NamesDesktopFile(const std::string& output, const std::string& desktop_id);

// The Tools menu is opening: the entry's check mark follows the desktop's answer when it comes.
void RefreshDefaultBrowserTool(shell::Chrome& chrome);
// The entry was clicked: ask the desktop to make this the default browser; a refusal or a
// missing xdg-settings is told in a message, success checks the entry.
void MakeDefaultBrowser(shell::Chrome& chrome);

}  // namespace zor::commands
