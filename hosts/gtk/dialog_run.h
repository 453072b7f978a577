// Small window services shared by the browser's views and the libraries' windows.
#pragma once

#include <gtkmm.h>

namespace zor::gtk {

// Shows `dialog` and runs the main loop until it answers: the caller's question is
// answered before this returns. The dialog is hidden again; its response comes back.
int RunDialog(Gtk::Dialog& dialog);

// Runs the main loop with `window` shown until `done` turns true, then hides it.
void RunNested(Gtk::Window& window, const bool& done);

// Asks the window manager to keep `window` above other windows (or no longer). False
// where the window system offers no such request (no X11 surface).
bool KeepAbove(GtkWindow* window, bool on);

}  // namespace zor::gtk
