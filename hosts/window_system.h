// This process's top-level windows as numbered handles, for the window wrapper. Handle
// 0 is no window; a call on a handle that names no window fails and returns 0, false
// or an empty text, never raises.
#pragma once

#include <cstdint>
#include <string>

namespace zor::hosts {

class WindowSystem {
 public:
  using Handle = std::uint32_t;
  struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;  // screen pixels; right/bottom exclusive
  };

  virtual ~WindowSystem() = default;

  // The desktop: the parent of every top-level window.
  virtual Handle Desktop() const = 0;
  // The first child of `window` and the window after it in the order of windows.
  virtual Handle FirstChild(Handle window) const = 0;
  virtual Handle Next(Handle window) const = 0;
  virtual Handle FromPoint(int x, int y) const = 0;
  // The browser's main window.
  virtual Handle MainWindow() const = 0;

  virtual bool SetText(Handle window, const std::string& text) = 0;
  virtual std::string Text(Handle window) const = 0;
  virtual std::string ClassName(Handle window) const = 0;
  virtual bool GetRect(Handle window, Rect& rect) const = 0;
  virtual bool Move(Handle window, int x, int y, int width, int height, bool repaint) = 0;

  // A close request as from the window's close button; the window may refuse it.
  virtual int Close(Handle window) = 0;
  virtual bool Minimize(Handle window) = 0;
  virtual bool Destroy(Handle window) = 0;
  // Asks for the user's attention (the urgency hint).
  virtual bool Flash(Handle window) = 0;
  virtual bool BringToTop(Handle window) = 0;
  // Keeps the window above the others (or no longer), without moving or sizing it.
  virtual bool SetTopmost(Handle window, bool on) = 0;
  // Makes `parent` the window's owner (0: none); returns the previous owner.
  virtual Handle SetParent(Handle window, Handle parent) = 0;

  // Menu bars belong to the bars of each window here: no window has a native menu.
  virtual Handle Menu(Handle window) const = 0;
  virtual bool SetMenu(Handle window, Handle menu) = 0;
  virtual bool DrawMenuBar(Handle window) = 0;

  // The task a window belongs to: the identifier StartInternetOptions returned for the
  // options window, this process's identifier for every other window.
  virtual int ProcessOf(Handle window) const = 0;
};

}  // namespace zor::hosts
