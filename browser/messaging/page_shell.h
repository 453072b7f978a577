// What page protection and the document hooks ask of the main window: its bars, pages
// and window, the input hook, and the few tab operations they start.
#pragma once

#include <string>

#include "hosts/input_hook.h"
#include "hosts/main_window_host.h"
#include "hosts/page_control.h"
#include "hosts/toolbar/toolbar.h"

namespace zor::messaging {

class PageShell {
 public:
  virtual ~PageShell() = default;

  virtual toolbar::ToolbarControl& Bars() = 0;
  virtual hosts::PageHost& Pages() = 0;
  virtual hosts::MainWindowHost& Window() = 0;
  // Null until the window has made its input hook.
  virtual hosts::InputHook* Input() = 0;
  virtual std::string FolderPath() const = 0;
  virtual std::string LngFile() const = 0;  // the texts in use
  virtual int ActivePage() const = 0;
  virtual bool ClosingPages() const = 0;
  // Opens a page, shown or in the background, and returns its index; the page element
  // may be missing when the engine could not make it.
  virtual int OpenPage(const std::string& url, bool shown) = 0;
  // Closes page `page` as its own script closing its window does.
  virtual void ClosePageOf(int page) = 0;
  // Corvane's black list; false without the library.
  virtual bool InBlackList(const std::string& address) = 0;
  // True once after a right-button gesture: the menu its release brings is refused.
  virtual bool TakeSkipContextMenu() = 0;
};

}  // namespace zor::messaging
