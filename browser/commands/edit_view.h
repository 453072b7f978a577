// What keeps the text-size, edit and offline tools truthful when their menus open, and
// the Internet-options window, opened as a modal tool window of the main window.
#pragma once

#include <array>

#include "browser/shell/chrome.h"
#include "browser/shell/grow_table.h"
#include "browser/shell/tabs.h"

namespace zor::commands {

class EditView {
 public:
  EditView(shell::Chrome& chrome, shell::Tabs& tabs) : c_(chrome), tabs_(tabs) {}

  void RefreshTextSizeTools();
  void RefreshEditTools();
  void SyncOfflineTools();
  // Returns once the options window has closed; the main window is disabled meanwhile.
  void OpenInternetOptions(int page);

  // The edit tools of "sub_Edit" and the document command each stands for, in order.
  static constexpr std::array<const char*, 7> kEditTools = {"b_undo",  "b_redo", "b_cut",      "b_copy",
                                                            "b_paste", "b_del",  "b_selectall"};
  static constexpr std::array<const char*, 7> kEditCommands = {"undo",  "redo",   "cut",      "copy",
                                                               "paste", "delete", "selectall"};
  // What a page last answered for its edit commands; asked again after every trusted
  // click, key press or focus change, so the Edit menu opens showing the truth.
  struct EditCommandStates {
    std::array<bool, 7> known{};
    std::array<bool, 7> enabled{};
  };
  shell::GrowTable<EditCommandStates> EditStates;
  void QueryEditStates(int page);

 private:
  void ApplyEditStates(int page);

  shell::Chrome& c_;
  shell::Tabs& tabs_;
};

}  // namespace zor::commands
