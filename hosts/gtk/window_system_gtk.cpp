#include "hosts/gtk/window_system_gtk.h"

#include "hosts/gtk/dialog_run.h"

#include <unistd.h>

#include <algorithm>
#include <vector>

#ifdef ZOR_HAVE_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gdk/x11/gdkx.h>
#endif

namespace zor::gtk {

namespace {

constexpr const char* kHandleKey = "zor-window-handle";
constexpr const char* kTaskKey = "zor-window-task";

// Every top-level window, in the toolkit's order; each gets its handle on first sight.
std::vector<GtkWindow*> TopLevels() {
  std::vector<GtkWindow*> out;
  GListModel* list = gtk_window_get_toplevels();
  const guint n = g_list_model_get_n_items(list);
  for (guint i = 0; i < n; ++i) {
    auto* window = static_cast<GtkWindow*>(g_list_model_get_item(list, i));
    out.push_back(window);
    g_object_unref(window);  // the list keeps it alive
  }
  for (GtkWindow* window : out) WindowSystemGtk::HandleOf(window);
  return out;
}

#ifdef ZOR_HAVE_X11
// The X display and window of a realised window on X11, or false.
bool XWindowOf(GtkWindow* window, Display*& display, ::Window& xid) {
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
  if (!surface || !GDK_IS_X11_SURFACE(surface)) return false;
  display = gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface));
  xid = gdk_x11_surface_get_xid(surface);
  return xid != 0;
}
#endif

}  // namespace

void WindowSystemGtk::SetTask(Gtk::Window& window, int task) {
  g_object_set_data(G_OBJECT(window.gobj()), kTaskKey, GINT_TO_POINTER(task));
}

hosts::WindowSystem::Handle WindowSystemGtk::HandleOf(GtkWindow* window) {
  static Handle next = kDesktop + 1;
  if (!window) return 0;
  auto handle = static_cast<Handle>(GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(window), kHandleKey)));
  if (handle == 0) {
    handle = next++;
    g_object_set_data(G_OBJECT(window), kHandleKey, GUINT_TO_POINTER(handle));
  }
  return handle;
}

GtkWindow* WindowSystemGtk::Find(Handle handle) {
  if (handle <= kDesktop) return nullptr;
  for (GtkWindow* window : TopLevels())
    if (HandleOf(window) == handle) return window;
  return nullptr;
}

hosts::WindowSystem::Handle WindowSystemGtk::FirstChild(Handle window) const {
  if (window != kDesktop) return 0;
  const auto all = TopLevels();
  return all.empty() ? 0 : HandleOf(all.front());
}

hosts::WindowSystem::Handle WindowSystemGtk::Next(Handle window) const {
  const auto all = TopLevels();
  for (size_t i = 0; i + 1 < all.size(); ++i)
    if (HandleOf(all[i]) == window) return HandleOf(all[i + 1]);
  return 0;
}

hosts::WindowSystem::Handle WindowSystemGtk::FromPoint(int x, int y) const {
  for (GtkWindow* window : TopLevels()) {
    Rect rect;
    if (!gtk_widget_get_visible(GTK_WIDGET(window)) || !GetRect(HandleOf(window), rect)) continue;
    if (x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom) return HandleOf(window);
  }
  return 0;
}

bool WindowSystemGtk::SetText(Handle handle, const std::string& text) {
  GtkWindow* window = Find(handle);
  if (window) gtk_window_set_title(window, text.c_str());
  return window;
}

std::string WindowSystemGtk::Text(Handle handle) const {
  GtkWindow* window = Find(handle);
  const char* title = window ? gtk_window_get_title(window) : nullptr;
  return title ? title : "";
}

std::string WindowSystemGtk::ClassName(Handle handle) const {
  GtkWindow* window = Find(handle);
  return window ? G_OBJECT_TYPE_NAME(window) : "";
}

bool WindowSystemGtk::GetRect(Handle handle, Rect& rect) const {
  GtkWindow* window = Find(handle);
  if (!window) return false;
  int width = gtk_widget_get_width(GTK_WIDGET(window));
  int height = gtk_widget_get_height(GTK_WIDGET(window));
  if (width <= 0 || height <= 0) gtk_window_get_default_size(window, &width, &height);
  int left = 0, top = 0;
#ifdef ZOR_HAVE_X11
  Display* display = nullptr;
  ::Window xid = 0;
  if (XWindowOf(window, display, xid)) {
    ::Window child = 0;
    XTranslateCoordinates(display, xid, DefaultRootWindow(display), 0, 0, &left, &top, &child);
  }
#endif
  rect = {left, top, left + std::max(width, 0), top + std::max(height, 0)};
  return true;
}

bool WindowSystemGtk::Move(Handle handle, int x, int y, int width, int height, bool repaint) {
  GtkWindow* window = Find(handle);
  if (!window) return false;
  // The toolkit owns the size; only the position goes to the X server.
  gtk_window_set_default_size(window, width, height);
#ifdef ZOR_HAVE_X11
  Display* display = nullptr;
  ::Window xid = 0;
  if (XWindowOf(window, display, xid)) {
    XMoveWindow(display, xid, x, y);
    XFlush(display);
  }
#else
  (void)x, (void)y;
#endif
  if (repaint) gtk_widget_queue_draw(GTK_WIDGET(window));
  return true;
}

int WindowSystemGtk::Close(Handle handle) {
  if (GtkWindow* window = Find(handle)) gtk_window_close(window);
  return 0;
}

bool WindowSystemGtk::Minimize(Handle handle) {
  GtkWindow* window = Find(handle);
  if (window) gtk_window_minimize(window);
  return window;
}

bool WindowSystemGtk::Destroy(Handle handle) {
  GtkWindow* window = Find(handle);
  if (!window) return false;
  // A window a C++ object owns goes out of sight; that object frees it. Others go at once.
  if (Glib::ObjectBase::_get_current_wrapper(G_OBJECT(window)))
    gtk_widget_set_visible(GTK_WIDGET(window), false);
  else
    gtk_window_destroy(window);
  return true;
}

bool WindowSystemGtk::Flash(Handle handle) {
  GtkWindow* window = Find(handle);
  if (!window) return false;
#ifdef ZOR_HAVE_X11
  Display* display = nullptr;
  ::Window xid = 0;
  if (!XWindowOf(window, display, xid)) return false;
  XWMHints* hints = XGetWMHints(display, xid);
  XWMHints fresh{};
  XWMHints* use = hints ? hints : &fresh;
  use->flags |= XUrgencyHint;
  XSetWMHints(display, xid, use);
  if (hints) XFree(hints);
  XFlush(display);
  return true;
#else
  return false;
#endif
}

bool WindowSystemGtk::BringToTop(Handle handle) {
  GtkWindow* window = Find(handle);
  if (window) gtk_window_present(window);
  return window;
}

bool WindowSystemGtk::SetTopmost(Handle handle, bool on) {
  GtkWindow* window = Find(handle);
  return window && KeepAbove(window, on);
}

hosts::WindowSystem::Handle WindowSystemGtk::SetParent(Handle handle, Handle parent) {
  GtkWindow* window = Find(handle);
  if (!window) return 0;
  const Handle previous = HandleOf(gtk_window_get_transient_for(window));
  gtk_window_set_transient_for(window, Find(parent));
  return previous;
}

bool WindowSystemGtk::DrawMenuBar(Handle handle) {
  GtkWindow* window = Find(handle);
  if (window) gtk_widget_queue_draw(GTK_WIDGET(window));
  return window;
}

int WindowSystemGtk::ProcessOf(Handle handle) const {
  GtkWindow* window = Find(handle);
  if (!window) return 0;
  const int task = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(window), kTaskKey));
  return task != 0 ? task : static_cast<int>(getpid());
}

}  // namespace zor::gtk
