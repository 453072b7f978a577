// The new-window decision, the sink of refused windows, the black-list guard and the
// menu of blocked and closed pages.
#include <syslog.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <exception>
#include <stdexcept>

#include "browser/commands/band_tools.h"
#include "browser/protection/page_protection.h"
#include "common/text_width.h"

namespace zor::protection {

namespace {

constexpr int kBlockedEntries = 10;
constexpr int kBlockedFirstId = 2801;

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

}  // namespace

void WriteSystemLog(const std::string& line) { ::syslog(LOG_USER | LOG_ERR, "%s", line.c_str()); }

bool PageProtection::Checked(const char* band, const char* tool) const {
  const toolbar::Tool* t = shell_.Bars().tool(band, tool);
  return t && t->checked;
}

void PageProtection::OnNewWindow(int i, int& target, bool& cancel) {
  try {
    if (shell_.ClosingPages()) {
      cancel = true;
      return;
    }
    AllowPopup = false;
    const hosts::PageControl* current = shell_.Pages().Page(shell_.ActivePage());
    if (Checked("sub_Usetools", "b_stoppopup") && current && !current->LocationURL().empty() &&
        i == shell_.ActivePage() && current->HasDocument() && !current->Snapshot().active_element.empty())
      Judge(*current);
    // One click or key press lets one window open, however many the page asks for.
    if (AllowPopup) {
      const auto gesture = Gesture();
      if (spent_ == gesture)
        AllowPopup = false;
      else
        spent_ = gesture;
    }
    if (!Checked("sub_Usetools", "b_stoppopup") || AllowPopup)
      OpenInBackground(target, cancel);
    else
      Block(target);
  } catch (const std::exception& e) {
    cancel = true;
    target = -1;
    AllowPopup = false;
    try {
      if (SystemLog) SystemLog(std::string(e.what()) + "NewWindow2");
    } catch (const std::exception&) {
    }
  }
}

void PageProtection::OpenUserLink(int page, const std::string& url, bool shown) {
  if (shell_.ClosingPages() || url.empty() || !shell_.Pages().Page(page)) return;
  spent_ = Gesture();
  shell_.OpenPage(url, shown);
}

std::pair<unsigned long, std::uint64_t> PageProtection::Gesture() {
  hosts::InputHook* hook = shell_.Input();
  return {hook ? hook->ClickCount() : 0, docs.KeyPresses};
}

void PageProtection::Judge(const hosts::PageControl& page) {
  docs.Doc = shell_.ActivePage();
  // Copies: nothing below may see the page's report change under it.
  const hosts::DocumentSnapshot snapshot = page.Snapshot();
  const hosts::ElementInfo& active = snapshot.active_element;

  // The element under the pointer is the one the page measured at the click itself,
  // in its own coordinates, so no conversion of the hook's screen position is needed.
  if (shell_.Input() && shell_.Input()->RecentClick(55.0)) {
    const hosts::ElementInfo& pointer = snapshot.pointer_element;
    if (pointer.empty()) {
      AllowPopup = false;
    } else if (active.tag == "BODY" && pointer.text == active.text) {
      AllowPopup = false;
    } else if (active.tag != "BODY" && (pointer.text == active.text || snapshot.pointer_in_active)) {
      // Everything lies inside the body, so only a real focused element joins the
      // pointer's element into one click.
      AllowPopup = true;
    } else {
      if (Contains(pointer.text, "://") || (active.tag != "BODY" && Contains(active.text, "://"))) AllowPopup = true;
      if (Contains(Upper(pointer.text), "JAVASCRIPT") || Contains(Upper(active.text), "JAVASCRIPT")) AllowPopup = true;
    }
  }

  if (docs.Clock() < docs.LastKeyTime + 0.5) {
    if (active.tag == "A") {
      AllowPopup = true;
    } else if (active.tag == "INPUT") {
      const std::string html = Lower(active.outer_head);
      if (Contains(html, "submit") || Contains(html, "image")) AllowPopup = true;
    } else if (active.tag == "FRAME") {
      // An unreadable frame reports no element and is skipped.
      for (const hosts::ElementInfo& frame : snapshot.frame_active_elements)
        if (!frame.empty()) AllowPopup = true;
    }
  }
}

void PageProtection::OpenInBackground(int& target, bool& cancel) {
  cancel = false;
  const int n = shell_.OpenPage("", false);
  hosts::PageControl* page = shell_.Pages().Page(n);
  if (!page) throw std::runtime_error("the new page could not be created");
  page->SetRegisterAsBrowser(true);
  target = n;
  AllowPopup = false;
}

void PageProtection::Block(int& target) {
  AllowPopup = false;
  // Other page events may run here; nothing above is read again after it.
  shell_.Window().ProcessPendingEvents();
  target = 0;
  PlayBlockSound();
}

void PageProtection::PlayBlockSound() { shell_.Window().PlaySound(shell_.FolderPath() + "block.wav"); }

bool PageProtection::OnBeforeNavigate(int i, const std::string& url, bool& cancel) {
  // The engine-side image filter follows the toggle before anything loads.
  try {
    shell_.Pages().SetImageLoadsBlocked(Checked("sub_ContentBlock", "b_imgs"));
  } catch (const std::exception&) {
  }
  if (i == 0) {
    try {
      AddBlocked(ShortenText(url, 50), url);
    } catch (const std::exception&) {
    }
    cancel = true;
    return true;
  }
  if (!Checked("sub_Usetools", "b_killpop")) return false;
  std::string address;
  try {
    if (const hosts::PageControl* page = shell_.Pages().Page(i)) address = page->LocationURL();
  } catch (const std::exception&) {
  }
  if (address.empty()) address = url;
  // Without the library the check answers false and the guard is off.
  if (!shell_.InBlackList(address)) return false;
  cancel = true;
  try {
    AddBlocked(address, address);
  } catch (const std::exception&) {
  }
  try {
    PlayBlockSound();
  } catch (const std::exception&) {
  }
  try {
    shell_.ClosePageOf(i);
  } catch (const std::exception&) {
  }
  return true;
}

void PageProtection::AddBlocked(const std::string& caption, const std::string& address) {
  toolbar::Band* band = shell_.Bars().band("sub_Blocked");
  if (!band) return;
  toolbar::ToolCollection& tools = band->tools();
  const int n = tools.count();
  if (n < kBlockedEntries) {
    long count = 1;
    if (toolbar::Tool* counter = shell_.Bars().tool("sb_Status", "b_blocked")) {
      const size_t colon = counter->caption.find(':');
      const std::string label = colon == std::string::npos ? std::string() : counter->caption.substr(0, colon + 1);
      const std::string number = colon == std::string::npos ? counter->caption : counter->caption.substr(colon + 1);
      count = std::strtol(number.c_str(), nullptr, 10) + 1;
      counter->caption = label + std::to_string(count);
    }
    commands::AddBandTool(shell_.Bars(), "sub_Blocked", "blocked-" + std::to_string(n + 1), kBlockedFirstId + n, "0",
                          std::to_string(count) + ". " + caption);
    BlockedUrls[n + 1] = address;
  } else {
    tools.remove(0);
    for (int p = 0; p < kBlockedEntries - 1 && p < tools.count(); ++p)
      tools.at(p)->name = "blocked-" + std::to_string(p + 1);
    for (int p = 1; p < kBlockedEntries; ++p) BlockedUrls[p] = BlockedUrls[p + 1];
    AddBlocked(caption, address);
  }
  shell_.Bars().recalcLayout();
}

std::string PageProtection::BlockedUrl(int entry) const {
  return entry >= 1 && entry <= kBlockedEntries ? BlockedUrls[entry] : std::string();
}

std::string PageProtection::TakeNewestBlocked() {
  toolbar::Band* band = shell_.Bars().band("sub_Blocked");
  if (!band) return {};
  const int n = std::min(band->tools().count(), kBlockedEntries);
  if (n < 1) return {};
  std::string address = std::move(BlockedUrls[n]);
  BlockedUrls[n].clear();
  band->tools().remove(n - 1);
  shell_.Bars().recalcLayout();
  return address;
}

}  // namespace zor::protection
