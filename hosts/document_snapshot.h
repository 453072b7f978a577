// What the page's own script reported about its document, kept per page so the logic
// can read the document state synchronously (the engine's DOM lives in another process).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zor::hosts {

// An element as the logic examines it.
struct ElementInfo {
  std::string tag;         // tagName, upper case as the DOM gives it; empty: no element
  std::string text;        // String(el): for a link, the address it points to
  std::string outer_head;  // the start of outerHTML (at most a few hundred characters)
  bool empty() const { return tag.empty(); }
};

struct DocumentSnapshot {
  std::string url;                // the document the report came from
  ElementInfo pointer_element;    // under the pointer at the last trusted mouse event
  int pointer_x = -1;             // that event's page-area (client) coordinates
  int pointer_y = -1;
  ElementInfo active_element;     // document.activeElement of the top document
  bool pointer_in_active = false;  // the pointer's element lies inside the active one
  // The active element of each frame's document, by frame index; an unreadable
  // (cross-origin) frame gives an empty entry.
  std::vector<ElementInfo> frame_active_elements;
  double last_key_time = 0;       // seconds since the epoch of the last trusted key press; 0: none
  double last_click_time = 0;     // same for the last trusted mousedown or click
  std::string last_event;         // "mousedown", "click", "keydown" or "focus"
  std::uint64_t reports = 0;      // how many reports have been merged in
};

// Result of a DOM operation run in the page script's world.
struct ScriptResult {
  bool ok = false;
  std::string value;  // the result as JSON text ("null" when the script returned nothing)
  std::string error;  // the exception text when !ok
};
using ScriptDone = std::function<void(const ScriptResult&)>;

// The DOM operations the later parts use, as scripts run in the page script's world
// (the function body's return value comes back as JSON). They only build script text.
namespace dom {

// A JavaScript string literal holding `text` exactly (quotes, backslashes, line ends and
// "</script>" cannot end it early).
inline std::string JsString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '<': out += "\\x3c"; break;
      default:
        if (c < 0x20) {
          static const char* hex = "0123456789abcdef";
          out += "\\x";
          out += hex[c >> 4];
          out += hex[c & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

// [[href, text], ...] of the document's links, then of every readable frame's links.
inline std::string LinksScript() {
  return "const out = [];"
         "const scan = d => { for (const a of d.links) out.push([a.href, a.textContent]); };"
         "scan(document);"
         "for (let i = 0; i < window.frames.length; ++i) {"
         "  try { scan(window.frames[i].document); } catch (e) {}"
         "}"
         "return out;";
}

// Removes every element with one of the given tag names; returns how many went.
inline std::string RemoveElementsScript(const std::vector<std::string>& tags) {
  std::string list;
  for (const std::string& tag : tags) list += (list.empty() ? "" : ",") + JsString(tag);
  return "let n = 0;"
         "for (const tag of [" + list + "]) {"
         "  for (const el of Array.from(document.getElementsByTagName(tag))) { el.remove(); ++n; }"
         "}"
         "return n;";
}

inline std::string DesignModeScript(bool on) {
  return std::string("document.designMode = ") + (on ? "\"on\"" : "\"off\"") + "; return document.designMode;";
}

inline std::string SetBodyHtmlScript(const std::string& html) {
  return "if (!document.body) return false; document.body.innerHTML = " + JsString(html) + "; return true;";
}

inline std::string ScrollScript(int x, int y) {
  return "window.scrollTo(" + std::to_string(x) + ", " + std::to_string(y) + "); return [window.scrollX, window.scrollY];";
}

inline std::string DocumentHtmlScript() { return "return document.documentElement ? document.documentElement.outerHTML : \"\";"; }

}  // namespace dom

}  // namespace zor::hosts
