#include "hosts/gtk/dialog_run.h"

#ifdef ZOR_HAVE_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/x11/gdkx.h>
#endif

namespace zor::gtk {

int RunDialog(Gtk::Dialog& dialog) {
  int response = Gtk::ResponseType::NONE;
  bool done = false;
  auto answered = dialog.signal_response().connect([&](int r) {
    response = r;
    done = true;
  });
  RunNested(dialog, done);
  answered.disconnect();
  return response;
}

void RunNested(Gtk::Window& window, const bool& done) {
  window.present();
  auto context = Glib::MainContext::get_default();
  while (!done) context->iteration(true);
  window.set_visible(false);
}

bool KeepAbove(GtkWindow* window, bool on) {
#ifdef ZOR_HAVE_X11
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
  if (!surface || !GDK_IS_X11_SURFACE(surface)) return false;
  Display* display = gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface));
  const ::Window xid = gdk_x11_surface_get_xid(surface);
  if (!xid) return false;
  const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
  const Atom above = XInternAtom(display, "_NET_WM_STATE_ABOVE", False);
  // Before the window manager has taken the window it reads the property when it does;
  // afterwards only a request to the window manager changes it.
  if (on && !gtk_widget_get_mapped(GTK_WIDGET(window)))
    XChangeProperty(display, xid, state, XA_ATOM, 32, PropModeAppend, reinterpret_cast<const unsigned char*>(&above),
                    1);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = xid;
  event.xclient.message_type = state;
  event.xclient.format = 32;
  event.xclient.data.l[0] = on ? 1 : 0;  // _NET_WM_STATE_ADD / _REMOVE
  event.xclient.data.l[1] = static_cast<long>(above);
  event.xclient.data.l[3] = 1;  // from a normal application
  XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XFlush(display);
  return true;
#else
  (void)window;
  (void)on;
  return false;
#endif
}

}  // namespace zor::gtk
