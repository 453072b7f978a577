// The script every document (every frame) runs at its start, in its own world: it tells
// the browser about trusted clicks, key presses and focus changes, so the browser can
// answer questions about the document without waiting on the web process.
#pragma once

namespace zor::webkit {

inline constexpr const char kPageWorld[] = "zor-page";
inline constexpr const char kPageChannel[] = "zor";

// The linked elements of a document as [tagName, href] pairs, in document order.
inline constexpr const char kLinkListFunction[] = R"JS(function zorLinkList(doc) {
  const out = [];
  for (const el of doc.getElementsByTagName("*")) {
    const href = el.getAttribute("href");
    if (href !== null) out.push([el.tagName, href]);
  }
  return out;
}
)JS";

// Installed after kLinkListFunction, which it uses.
inline constexpr const char kPageScript[] = R"JS((() => {
  const channel = window.webkit && window.webkit.messageHandlers && window.webkit.messageHandlers.zor;
  if (!channel) return;
  const top = window === window.top;
  const HEAD = 300;
  const describe = el => {
    if (!el || !el.tagName) return null;
    let text = "";
    try { text = String(el); } catch (e) {}
    let html = "";
    try { html = (el.outerHTML || "").slice(0, HEAD); } catch (e) {}
    return { tag: el.tagName, text: text, head: html };
  };
  const frames = () => {
    const out = [];
    for (let i = 0; i < window.frames.length; ++i) {
      try { out.push(describe(window.frames[i].document.activeElement)); } catch (e) { out.push(null); }
    }
    return out;
  };
  // A frame's own element in its parent; unreadable across sites.
  const frameElement = () => { try { return describe(window.frameElement); } catch (e) { return null; } };
  let pointer = null, pointerEl = null, px = -1, py = -1;
  // A click on a button's label or icon is a click on the button.
  const inside = () => {
    const active = document.activeElement;
    try { return !!(pointerEl && active && active !== pointerEl && active.contains(pointerEl)); } catch (e) { return false; }
  };
  const report = (type, e) => {
    if (!e.isTrusted) return;
    if (type === "mousedown" || type === "click") {
      px = e.clientX; py = e.clientY;
      pointerEl = document.elementFromPoint(px, py) || e.target;
      pointer = describe(pointerEl);
    }
    channel.postMessage({
      type: type, top: top, url: String(location.href), time: Date.now() / 1000,
      pointer: pointer, inside: inside(), x: px, y: py,
      active: describe(document.activeElement), frames: top ? frames() : [],
      frame: top ? null : frameElement()
    });
  };
  for (const type of ["mousedown", "click", "keydown"])
    window.addEventListener(type, e => report(type, e), true);
  window.addEventListener("focus", e => report("focus", e), true);
  if (top)
    document.addEventListener("DOMContentLoaded", () => channel.postMessage({ type: "ready", top: true }));
  // The links page asks every frame for its linked elements: the top reads the frames of its
  // own site itself and asks the others, whose answer only this world can send.
  if (!top)
    window.addEventListener("message", e => {
      const d = e.data;
      if (!d || typeof d.zorLinks !== "string" || typeof d.index !== "number") return;
      channel.postMessage({ type: "links", token: d.zorLinks, index: d.index, links: zorLinkList(document) });
    }, true);
})();)JS";

// Run in the top document with `token` bound: its own list, the frames it can read, and a
// request to each frame it cannot (that frame's answer comes as a "links" message).
inline constexpr const char kGatherLinksBody[] = R"JS(
const frames = [];
for (let i = 0; i < window.frames.length; ++i) {
  let links = null;
  try { links = zorLinkList(window.frames[i].document); } catch (e) {}
  if (links === null) { try { window.frames[i].postMessage({ zorLinks: token, index: i }, "*"); } catch (e) {} }
  frames.push(links);
}
return { own: zorLinkList(document), frames: frames };
)JS";

}  // namespace zor::webkit
