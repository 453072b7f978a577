// Taking something out of a page and handing it elsewhere: the generated links page, the
// quick save through Snavel, the page's text in the text editor, and e-mail.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browser/shell/chrome.h"
#include "browser/shell/tabs.h"
#include "common/engine_proxy.h"

namespace zor::commands {

// The links page: `documents` holds the page's own linked elements, then each frame's. An
// element is listed when its href holds `filter` (any case; "://" when empty); the page's
// own are numbered from 1, the frames' from 1 again and on across the frames.
std::string BuildLinksPage(const std::string& title, const std::vector<std::vector<hosts::PageLink>>& documents,
                           std::string filter);

// A mailto: address whose recipient, subject and body reach the mail program unchanged.
std::string MailtoUri(const std::string& to, const std::string& subject, const std::string& body);

// Snavel's arguments for saving `address`: "url:" + address, and when the engine sends that
// address's scheme through a proxy, "proxy:" + its URI and "noproxy:" + the direct hosts.
std::vector<std::string> SnavelArguments(const std::string& address, const std::optional<EngineProxy>& proxy);

// The text view's file contents: the page's text, a single space for a blank page.
std::string PageTextFile(const std::string& address, const std::string& text);

// What the export commands need from the desktop.
struct ExportDesktop {
  // Starts `program` with `arguments` (no shell) without waiting; false with *error when it
  // could not be started.
  std::function<bool(const std::string& program, const std::vector<std::string>& arguments, std::string* error)>
      startProgram;
  // Opens the file in the desktop's text editor.
  std::function<void(const std::string& path)> openTextFile;
  // The proxy the engine uses now.
  std::function<std::optional<EngineProxy>()> proxyInForce;
};

class PageExport {
 public:
  // `link_filter` is the dispatcher's: used once by ViewLinks and cleared.
  PageExport(shell::Chrome& chrome, shell::Tabs& tabs, std::string& link_filter, ExportDesktop desktop);

  // A new foreground page listing the links of `page` and its frames.
  void ViewLinks(int page);
  // Save mode: QuickSave.dat from the current page, then Snavel. Text mode: temp.dat with
  // the text of `page`, opened in the text editor.
  void QuickSave(bool save_mode, int page);
  // The editor may still read temp.dat while the program runs: the next start removes it.
  void RemoveTextFile() const;

 private:
  std::string SavedFile(const std::string& name) const;

  shell::Chrome& c_;
  shell::Tabs& tabs_;
  std::string& link_filter_;
  ExportDesktop desktop_;
  // Answers that come after this object is gone are dropped.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace zor::commands
