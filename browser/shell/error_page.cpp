#include "browser/shell/error_page.h"

#include "common/html_text.h"
#include "common/ini_text.h"

namespace zor::shell {

namespace {

constexpr const char* kSection = "ZOR_Main";

// The words of a language file that lacks the key.
struct ErrorText {
  const char* key;
  const char* fallback;
};

constexpr ErrorText kTitle{"err_Title", "The page cannot be displayed"};
constexpr ErrorText kAddress{"err_Address", "Address:"};
constexpr ErrorText kDetails{"err_Details", "Details:"};
constexpr ErrorText kTryAgain{"err_TryAgain", "Try Again"};

ErrorText ReasonText(hosts::LoadError error) {
  using hosts::LoadError;
  switch (error) {
    case LoadError::kNoSuchHost:
      return {"err_NoSuchHost", "The server could not be found. Check the address for typing errors."};
    case LoadError::kRefused:
      return {"err_Refused",
              "The server refused the connection. It may be down, or it may not take connections "
              "on this port."};
    case LoadError::kSecurity:
      return {"err_Security",
              "A secure connection to the server could not be made: its certificate or its "
              "encryption cannot be trusted."};
    case LoadError::kTimeout:
      return {"err_Timeout", "The server took too long to answer."};
    case LoadError::kBlockedPort:
      return {"err_BlockedPort",
              "This address uses a port the browser does not connect to, to keep other "
              "services safe."};
    case LoadError::kOffline:
      return {"err_Offline",
              "You are working offline, and this page is not available offline. Turn off Work "
              "Offline in the File menu, then try again."};
    case LoadError::kOther:
      break;
  }
  return {"err_Other", "The page could not be loaded."};
}

}  // namespace


const char* ErrorTextKey(hosts::LoadError error) { return ReasonText(error).key; }

std::string ErrorPageHtml(const std::string& lng_file, hosts::LoadError error, const std::string& url,
                          const std::string& detail) {
  const IniTextSource lng(lng_file);
  auto text = [&](const ErrorText& entry) {
    const std::string value = lng.Read(kSection, entry.key);
    return EscapeHtml(value.empty() ? entry.fallback : value);
  };
  const std::string title = text(kTitle);
  std::string html = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + title +
                     "</title><style>"
                     "body{font:15px/1.5 sans-serif;color:#222;max-width:42em;margin:4em auto;padding:0 1.5em}"
                     "h1{font-size:1.5em;font-weight:600}"
                     ".address{font-family:monospace;word-break:break-all}"
                     ".detail{color:#666;font-size:.9em}"
                     "button{font:inherit;padding:.4em 1.4em}"
                     "</style></head><body><h1>" +
                     title + "</h1><p>" + text(ReasonText(error)) + "</p><p>" + text(kAddress) +
                     " <span class=\"address\">" + EscapeHtml(url) + "</span></p>";
  if (!detail.empty()) html += "<p class=\"detail\">" + text(kDetails) + " " + EscapeHtml(detail) + "</p>";
  // The address goes as an attribute, never as script text; the page it stands in for
  // replaces this one in the history.
  html += "<p><button id=\"try-again\" data-address=\"" + EscapeHtml(url) +
          "\" onclick=\"location.replace(this.dataset.address)\">" + text(kTryAgain) + "</button></p></body></html>";
  return html;
}

}  // namespace zor::shell
