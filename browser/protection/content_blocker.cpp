// Removal of images and Flash objects from a page's documents, and the per-document
// hooks attached in the same pass. The work is a script run in the page script's world.
#include <exception>

#include "browser/protection/page_protection.h"

namespace zor::protection {

std::string PageProtection::BlockContentFunction(bool images, bool flash) {
  // Every collection is copied first: an element removed must not make the pass skip
  // the one after it.
  std::string body = "d => {";
  // Images a script adds later go as they are added; a pass with images allowed again
  // stops the watch.
  body +=
      "const watches = window.__zorImageWatch || (window.__zorImageWatch = new WeakMap());"
      "const old = watches.get(d); if (old) { old.disconnect(); watches.delete(d); }";
  if (images)
    body +=
        "for (const el of Array.from(d.images)) el.remove();"
        "const watch = new MutationObserver(records => {"
        "  for (const r of records) for (const n of r.addedNodes) {"
        "    if (n.nodeType !== 1) continue;"
        "    if (n.tagName === \"IMG\") n.remove();"
        "    else for (const el of Array.from(n.getElementsByTagName(\"IMG\"))) el.remove();"
        "  }"
        "});"
        "watch.observe(d, {childList: true, subtree: true});"
        "watches.set(d, watch);";
  if (flash)
    body +=
        "for (const el of Array.from(d.getElementsByTagName(\"EMBED\")))"
        "  if (String(el.getAttribute(\"src\") || \"\").toLowerCase().includes(\"swf\")) el.remove();"
        "for (const el of Array.from(d.getElementsByTagName(\"OBJECT\")))"
        "  if (String(el.innerHTML || \"\").toLowerCase().includes(\"swf\")) el.remove();";
  return body + "}";
}

std::string PageProtection::PageHooksScript(bool images, bool flash, bool top_document) {
  // A plain image, text or another viewer's file is no HTML document and is left alone.
  std::string script =
      "const html = d => !!d && (d.contentType === \"text/html\" || d.contentType === \"application/xhtml+xml\");"
      "if (!html(document)) return false;"
      "const hook = " +
      messaging::DocumentHooks::HookDragLinksFunction() +
      ";"
      "const block = " +
      BlockContentFunction(images, flash) + ";";
  if (top_document)
    script +=
        "try { hook(document); } catch (e) {}"
        "try { block(document); } catch (e) {}";
  // Only the first level of frames; one that cannot be reached is skipped.
  script +=
      "for (let i = 0; i < window.frames.length; ++i) {"
      "  try { const d = window.frames[i].document; if (html(d)) { hook(d); block(d); } } catch (e) {}"
      "}"
      "return true;";
  return script;
}

void PageProtection::ApplyPageHooks(int i) {
  hosts::PageControl* page = shell_.Pages().Page(i);
  if (!page || page->LocationURL().empty() || !page->HasDocument() || page->ReadyState() == 0) return;
  const bool images = Checked("sub_ContentBlock", "b_imgs");
  try {
    shell_.Pages().SetImageLoadsBlocked(images);
  } catch (const std::exception&) {
  }
  docs.Doc = i;
  page->RunDom(PageHooksScript(images, Checked("sub_ContentBlock", "b_swfs"), true), nullptr);
}

void PageProtection::ApplyToFrames(int i) {
  hosts::PageControl* page = shell_.Pages().Page(i);
  if (!page) return;
  page->RunDom(PageHooksScript(Checked("sub_ContentBlock", "b_imgs"), Checked("sub_ContentBlock", "b_swfs"), false),
               nullptr);
}

}  // namespace zor::protection
