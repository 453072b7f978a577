// The page host: one PageControl per element of the page array. Element 0 exists
// from the start, is never shown and receives refused new windows; pages are 1 and up.
// The logic is written against these interfaces; hosts/webkit implements them on
// WebKitWebView and tests use fakes.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "hosts/document_snapshot.h"

namespace zor::hosts {

// Where a page element lies: the shown page area, or the hidden holder.
enum class Container { kPageArea, kHidden };

// Commands of ExecWB that the dispatcher uses (the numbers are the command ids).
enum ExecCommand : int {
  kExecSaveAs = 4,
  kExecPrint = 6,
  kExecPrintPreview = 7,
  kExecPageSetup = 8,
  kExecProperties = 10,
  kExecUndo = 15,
  kExecRedo = 16,
  kExecSelectAll = 17,
  kExecZoom = 19,
  kExecDelete = 33,
};

// Why a page could not be loaded, as the error page tells the user.
enum class LoadError { kNoSuchHost, kRefused, kSecurity, kTimeout, kBlockedPort, kOffline, kOther };

// An element that carries an "href" attribute: its tagName as the document reports it and
// the attribute's text as written.
struct PageLink {
  std::string tag;
  std::string href;
  bool operator==(const PageLink&) const = default;
};
// The linked elements of a page in document order: [0] the top document's, then one list
// per direct frame whose document answered, in frame order.
using LinksDone = std::function<void(std::vector<std::vector<PageLink>> documents)>;
// A text read from the document; nullopt when the page has none.
using TextDone = std::function<void(std::optional<std::string> text)>;

// ExecWB options.
enum ExecOption : int { kExecPromptUser = 1, kExecDontPromptUser = 2 };

class PageControl {
 public:
  virtual ~PageControl() = default;

  // Hosting operations.
  virtual void SetContainer(Container container) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void MoveToFill() = 0;  // fill the page area: left 0, top 0, its width and height
  virtual void BringToFront() = 0;
  virtual void Focus() = 0;
  virtual std::string Tag() const = 0;
  virtual void SetTag(const std::string& tag) = 0;

  // Browser members.
  virtual void Navigate(const std::string& url) = 0;
  virtual void Stop() = 0;
  virtual std::string LocationURL() const = 0;   // empty until the first navigation
  virtual std::string LocationName() const = 0;
  virtual bool HasDocument() const = 0;
  virtual std::string DocumentTitle() const = 0;
  virtual void ClearDocument() = 0;  // open, clear, close: blanks the page
  virtual bool Busy() const = 0;
  virtual int ReadyState() const = 0;  // 0 uninitialised .. 4 complete
  virtual bool Silent() const = 0;
  virtual void SetSilent(bool silent) = 0;
  virtual void SetRegisterAsBrowser(bool on) = 0;
  virtual void SetRegisterAsDropTarget(bool on) = 0;
  virtual void GoBack() = 0;
  virtual void GoForward() = 0;
  virtual void GoHome() = 0;
  virtual void Refresh(int level) = 0;  // 0 normal, 1 if expired, 3 completely
  virtual void ExecWB(int command, int option, int input = 0) = 0;

  // Scales the whole page (layout, text and pictures) to `percent`; 100 is the page as
  // written. Kept across the page's navigations until set again.
  virtual void SetPageZoom(int percent) { (void)percent; }

  // Shows `html`, the program's own page, in place of `url` that could not be loaded: the
  // page's address stays `url`, and reloading it tries `url` again.
  virtual void ShowErrorPage(const std::string& html, const std::string& url) { (void)html, (void)url; }
  // Whether the document shown is such an error page (no visit of its address).
  virtual bool ErrorPageShown() const { return false; }

  // What the page's script last reported about its document (empty before any report).
  virtual const DocumentSnapshot& Snapshot() const {
    static const DocumentSnapshot kNone;
    return kNone;
  }
  // Runs `body` (a function body; its return value is the result) in the page
  // script's world of the top document and reports the result to `done`, later.
  // `done` is never called after the page is destroyed.
  virtual void RunDom(const std::string& body, ScriptDone done) {
    (void)body;
    if (done) done({false, "", "no document"});
  }

  // Gathers the linked elements of the page and of its frames, other sites' frames
  // included; `done` runs later, never after the page is destroyed.
  virtual void GatherLinks(LinksDone done) {
    if (done) done({});
  }
  // The document element's inner HTML (`html`) or its outer text; later, as GatherLinks.
  virtual void ReadDocument(bool html, TextDone done) {
    (void)html;
    if (done) done(std::nullopt);
  }
  // Shows `html` as the page's document, written by the program: its address is about:blank.
  virtual void WriteDocument(const std::string& html) { (void)html; }
};

// The end of a drag that began in one of the page's documents, as the drag hook that
// document carries saw it (see HookDragLinks).
struct DragReport {
  std::string type;      // the DOM event's type: "dragend"
  std::string previous;  // the type of the hook's previous drag event ("" for none)
  std::string tag;       // tagName of the dragged element
  std::string src;       // its src attribute
  std::string data;      // the drag data as text, kept from the drag's start
};

// The events of every page, each with the page index first.
struct PageEvents {
  std::function<void(int page, const std::string& text)> statusTextChange;
  std::function<void(int page, long progress, long progress_max)> progressChange;
  std::function<void(int page, int command, bool enable)> commandStateChange;  // 1 forward, 2 back, -1 all
  std::function<void(int page, const std::string& title)> titleChange;
  std::function<void(int page, const std::string& url, bool& cancel)> beforeNavigate2;
  // A navigation of the page's top document committed: `url` is its new address.
  std::function<void(int page, const std::string& url)> navigateComplete2;
  // The top document's load of `url` failed (not when stopped or turned into a download);
  // `detail` is the engine's own description.
  std::function<void(int page, const std::string& url, LoadError error, const std::string& detail)> navigateError;
  // The handler may set `target` to the page element that takes the new window.
  std::function<void(int page, int& target, bool& cancel)> newWindow2;
  std::function<void(int page, bool full_screen)> onFullScreen;
  std::function<void(int page, bool& cancel)> windowClosing;
  std::function<void(int page, int lock_state)> setSecureLockIcon;
  std::function<void(int page)> gotFocus;
  std::function<void(int page)> lostFocus;
  // After a trusted mousedown, click, keydown or focus change in the page (the
  // snapshot already holds it): `type` is the DOM event's type.
  std::function<void(int page, const std::string& type)> documentEvent;
  // The document asks for its context menu; setting `cancel` refuses it.
  std::function<void(int page, bool& cancel)> contextMenu;
  // The user sent a link to a new tab: a Ctrl or middle click (background), a Shift click
  // (shown), or the context menu's entry.
  std::function<void(int page, const std::string& url, bool shown)> linkToNewTab;
  std::function<void(int page, const DragReport& drag)> dragEvent;
  // Ctrl and the mouse wheel over the page: +1 to zoom in, -1 to zoom out.
  std::function<void(int page, int direction)> zoomWheel;
  // Save As could not write `path`; `reason` is what the engine says.
  std::function<void(int page, const std::string& path, const std::string& reason)> saveFailed;
};

// The page array.
class PageHost {
 public:
  virtual ~PageHost() = default;
  // Creates (loads) element `index` and returns it; element 0 exists from the start.
  virtual PageControl* Create(int index) = 0;
  virtual void Destroy(int index) = 0;
  // The element, or nullptr when it does not exist.
  virtual PageControl* Page(int index) const = 0;
  // While on, no page downloads images at all (elements stay until the content blocker
  // removes them). Cheap to call with an unchanged state.
  virtual void SetImageLoadsBlocked(bool on) { (void)on; }

  PageEvents events;
};

}  // namespace zor::hosts
