// The main window's hooks on the documents of its pages: the context menu and key
// presses of the current document (`Doc`), the context menu of the previously current
// one (`PrevDoc`), and links dragged out of a page (`cOpenDragLink`). The engine's DOM
// lives in another process, so `Doc` and `PrevDoc` name the page whose document they
// watch, and the drag hook itself is a script the page runs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "browser/messaging/page_shell.h"
#include "hosts/page_control.h"

namespace zor::messaging {

// Seconds since the epoch, with fractions.
double WallClockSeconds();

class DocumentHooks {
 public:
  explicit DocumentHooks(PageShell& shell) : shell_(shell) {}

  // The pages whose documents `Doc` and `PrevDoc` are bound to; 0: none.
  int Doc = 0;
  int PrevDoc = 0;
  // The last key press in `Doc`, in seconds on the epoch scale of Clock. Kept exact: a
  // time rounded to whole seconds gave a key pressed at x.45 a twentieth of a second.
  double LastKeyTime = 0;
  // Key presses in `Doc` so far: a changed value is a new press.
  std::uint64_t KeyPresses = 0;
  std::function<double()> Clock = WallClockSeconds;

  // False refuses the menu.
  bool Doc_oncontextmenu();
  void Doc_onkeydown();
  bool PrevDoc_oncontextmenu() { return false; }

  // The page events these hooks listen to.
  void OnContextMenu(int page, bool& cancel);
  void OnDocumentEvent(int page, const std::string& type);
  // cOpenDragLink.OpenDragLink for the end of a drag reported by a hooked document.
  void OpenDragLink(int page, const hosts::DragReport& drag);

  // A script function `d => ...` that gives the document `d`'s body a fresh drag hook
  // (replacing the one an earlier call gave it). The hook reports "dragend" with the
  // drag's previous event type through the page script's channel.
  static std::string HookDragLinksFunction();

 private:
  PageShell& shell_;
};

}  // namespace zor::messaging
