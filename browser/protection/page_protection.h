// Page protection: which new windows may open (the popup blocker), which pages are
// closed for their site (the navigation guard), the menu of blocked and closed pages,
// and the removal of images and Flash objects from documents (the content blocker).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "browser/messaging/document_hooks.h"
#include "browser/messaging/page_shell.h"
#include "hosts/document_snapshot.h"

namespace zor::protection {

// Writes one line to the system log.
void WriteSystemLog(const std::string& line);

class PageProtection {
 public:
  explicit PageProtection(messaging::PageShell& shell) : docs(shell), shell_(shell) {}

  // The new-window event of page `page`: `target` receives the page element that takes
  // the window (a new background page, or element 0 when blocked).
  void OnNewWindow(int page, int& target, bool& cancel);
  // A link the user sends to a new tab (a Ctrl, Shift or middle click, the context
  // menu): the user's own act, so it opens whatever the blocker says, and it spends the
  // click as any window let through does.
  void OpenUserLink(int page, const std::string& url, bool shown);
  // The guard of the before-navigate event: element 0 records and cancels; a page of a
  // black-listed site is closed. True when the event is dealt with, so that nothing
  // else of the before-navigate handling runs.
  bool OnBeforeNavigate(int page, const std::string& url, bool& cancel);
  // Appends an entry to the blocked and closed pages menu; the counter counts it.
  void AddBlocked(const std::string& caption, const std::string& address);
  // The address behind entry 1..10 of that menu; empty for another number.
  std::string BlockedUrl(int entry) const;
  // Takes the newest entry out of that menu and gives its address (empty: none left),
  // so that reopening again goes one closed page further back.
  std::string TakeNewestBlocked();

  // The content blocker.
  void ApplyPageHooks(int page);
  void ApplyToFrames(int page);
  // Script texts: a function `d => ...` that strips `d` as the toggles say, and the
  // bodies ApplyPageHooks and ApplyToFrames run in the page.
  static std::string BlockContentFunction(bool images, bool flash);
  static std::string PageHooksScript(bool images, bool flash, bool top_document);

  bool AllowPopup = false;
  std::array<std::string, 11> BlockedUrls;  // 1..10
  messaging::DocumentHooks docs;
  std::function<void(const std::string&)> SystemLog = WriteSystemLog;

 private:
  bool Checked(const char* band, const char* tool) const;
  // The user's click and key press as they stand now: one allowed window spends them.
  std::pair<unsigned long, std::uint64_t> Gesture();
  void Judge(const hosts::PageControl& page);
  void OpenInBackground(int& target, bool& cancel);
  void Block(int& target);
  void PlayBlockSound();

  messaging::PageShell& shell_;
  std::optional<std::pair<unsigned long, std::uint64_t>> spent_;
};

}  // namespace zor::protection
