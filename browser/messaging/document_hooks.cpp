#include "browser/messaging/document_hooks.h"

#include <chrono>
#include <exception>

#include "common/text_width.h"

namespace zor::messaging {

double WallClockSeconds() {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count();
}

bool DocumentHooks::Doc_oncontextmenu() { return !shell_.TakeSkipContextMenu(); }

void DocumentHooks::Doc_onkeydown() {
  LastKeyTime = Clock();
  ++KeyPresses;
}

void DocumentHooks::OnContextMenu(int page, bool& cancel) {
  if (page != 0 && page == Doc && !Doc_oncontextmenu()) cancel = true;
  // The current page is never "the previous one", even when closing a tab left both
  // bindings on it.
  if (page != 0 && page == PrevDoc && page != Doc && !PrevDoc_oncontextmenu()) cancel = true;
}

void DocumentHooks::OnDocumentEvent(int page, const std::string& type) {
  if (type == "keydown" && page != 0 && page == Doc) Doc_onkeydown();
}

void DocumentHooks::OpenDragLink(int page, const hosts::DragReport& drag) {
  (void)page;
  if (drag.type != "dragstart" && drag.type != "dragend") return;
  bool first = false, open = false;
  try {
    // Asking answers once per drag: at the start this drops whatever an earlier drag (one
    // over the bars from another program, say) left behind.
    if (hosts::InputHook* hook = shell_.Input()) hook->DropState(first, open);
  } catch (const std::exception&) {
  }
  if (drag.type != "dragend" || !open || drag.previous != "dragleave") return;
  const std::string link = drag.tag == "IMG" ? drag.src : drag.data;
  if (FirstChars(link, 8).find("://") == std::string::npos) return;
  try {
    shell_.OpenPage(link, false);
  } catch (const std::exception&) {
  }
}

std::string DocumentHooks::HookDragLinksFunction() {
  // The hook lives in the page script's world, so the page's own drag handlers stay.
  // Drag data is readable only while the drag starts; it is kept for the end. An
  // image's src is taken resolved, as the address it loads. Only the user's own drags
  // count: events a page dispatches itself are not trusted and are ignored.
  return R"JS(d => {
  const body = d.body;
  if (!body) return;
  const channel = window.webkit.messageHandlers.zor;
  const hooks = window.__zorDragHooks || (window.__zorDragHooks = new WeakMap());
  const types = ["dragstart", "dragleave", "dragend"];
  const old = hooks.get(body);
  if (old) for (const t of types) body.removeEventListener(t, old);
  let previous = "", data = "";
  const hook = e => {
    if (!e.isTrusted) return;
    try {
      if (e.type === "dragstart") {
        channel.postMessage({ type: "drag", event: e.type, previous: "", tag: "", src: "", data: "" });
        data = "";
        try { data = e.dataTransfer.getData("text") || ""; } catch (x) {}
        if (!data) {
          const a = e.target && e.target.closest ? e.target.closest("a[href]") : null;
          data = a ? a.href : String(d.getSelection ? d.getSelection() : "");
        }
      }
      if (e.type === "dragend") {
        const el = e.target && e.target.nodeType === 1 ? e.target : (e.target && e.target.parentElement);
        channel.postMessage({ type: "drag", event: e.type, previous: previous,
                              tag: el ? el.tagName : "", src: el && el.tagName === "IMG" ? String(el.src || "") : "",
                              data: data });
      }
    } catch (x) {}
    previous = e.type;
  };
  hooks.set(body, hook);
  for (const t of types) body.addEventListener(t, hook);
})JS";
}

}  // namespace zor::messaging
