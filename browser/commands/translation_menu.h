// The translate menu (band sub_Trans): the services of the user's Translist.txt, each a
// name and an address template where "{url}" stands for the current page's address.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "browser/shell/chrome.h"

namespace zor::commands {

class TranslationMenu {
 public:
  // Opens a file in the desktop's text editor.
  using EditorOpener = std::function<void(const std::string& path)>;
  TranslationMenu(shell::Chrome& chrome, EditorOpener open_in_editor)
      : c_(chrome), open_in_editor_(std::move(open_in_editor)) {}

  // A menu longer than this is no use to anyone; the lines after the cap are not read,
  // which also keeps a huge file from slowing the start. The ids stay below the
  // favorites' 1500 and the blocked menu's 2800.
  static constexpr int kMaxServices = 99;
  static constexpr int kMaxSeparators = 99;

  // Sets the start-up hook and the two command hooks.
  void Install();

  // "b_orgtrans", its separator, then the list's services; called once at start-up.
  void BuildTranslationMenu();
  // Adds a tool per line of `file_name` (in the folder of the user's files, name matched
  // without regard to case) to `band`: separators for empty lines, `prefix` + N with id
  // `base_id` + N for services. A missing file or a line without "|" ends the loading
  // with a message; what was added before stays.
  void LoadTranslationList(const std::string& file_name, const std::string& band, const std::string& prefix,
                           int base_id);
  // Template `service` (from 1) with every "{url}", in any letter case, replaced by the
  // percent-encoded address, so that the address's own "&" and "#" reach the service.
  // Throws std::out_of_range for a number without a service: the command does nothing.
  std::string GetTranslationUrl(int service, const std::string& address) const;
  // "b_orgtrans": the list file in the text editor (made empty first when missing). The
  // menu is not rebuilt; edits show after the next start.
  void EditTranslationList();

  // The path of the list file as the menu reads it.
  std::string ListFile(const std::string& file_name = kListFile) const;
  const std::vector<std::string>& Templates() const { return templates_; }

  static constexpr const char* kListFile = "Translist.txt";

 private:
  void Tell(const char* key, const std::string& fallback, const std::string& path, int line = 0) const;

  shell::Chrome& c_;
  EditorOpener open_in_editor_;
  std::vector<std::string> templates_;
};

}  // namespace zor::commands
