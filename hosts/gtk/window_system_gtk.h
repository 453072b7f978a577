// The window system on GTK: this process's top-level windows, numbered as they are
// first seen, in the toolkit's order of top-level windows. Positions, moves, the
// urgency hint and keeping above come from the X server when there is one.
#pragma once

#include <gtkmm.h>

#include "hosts/window_system.h"

namespace zor::gtk {

class WindowSystemGtk : public hosts::WindowSystem {
 public:
  explicit WindowSystemGtk(Gtk::Window& main_window) : main_(main_window) {}

  // Marks `window` as belonging to a task other than the program itself.
  static void SetTask(Gtk::Window& window, int task);
  // The handle of a window (numbering it when it has none yet).
  static Handle HandleOf(GtkWindow* window);

  Handle Desktop() const override { return kDesktop; }
  Handle FirstChild(Handle window) const override;
  Handle Next(Handle window) const override;
  Handle FromPoint(int x, int y) const override;
  Handle MainWindow() const override { return HandleOf(main_.gobj()); }

  bool SetText(Handle window, const std::string& text) override;
  std::string Text(Handle window) const override;
  std::string ClassName(Handle window) const override;
  bool GetRect(Handle window, Rect& rect) const override;
  bool Move(Handle window, int x, int y, int width, int height, bool repaint) override;
  int Close(Handle window) override;
  bool Minimize(Handle window) override;
  bool Destroy(Handle window) override;
  bool Flash(Handle window) override;
  bool BringToTop(Handle window) override;
  bool SetTopmost(Handle window, bool on) override;
  Handle SetParent(Handle window, Handle parent) override;
  Handle Menu(Handle) const override { return 0; }
  bool SetMenu(Handle, Handle) override { return false; }
  bool DrawMenuBar(Handle window) override;
  int ProcessOf(Handle window) const override;

  static constexpr Handle kDesktop = 1;

 private:
  static GtkWindow* Find(Handle window);
  Gtk::Window& main_;
};

}  // namespace zor::gtk
