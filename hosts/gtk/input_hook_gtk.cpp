#include "hosts/gtk/input_hook_gtk.h"

#include <gdk/gdk.h>
#ifdef ZOR_HAVE_X11
#include <X11/Xlib.h>
#include <gdk/x11/gdkx.h>
#ifdef ZOR_HAVE_XTEST
#include <X11/extensions/XTest.h>
#endif
#endif

#include <cmath>
#include <utility>

namespace zor::gtk {

namespace {

bool Inside(Gtk::Widget* widget, const Gtk::Widget& area) {
  for (Gtk::Widget* w = widget; w; w = w->get_parent())
    if (w == &area) return true;
  return false;
}

}  // namespace

InputHookGtk::InputHookGtk(Gtk::Window& window, Gtk::Widget& page_area) : window_(window), page_area_(page_area) {
  overPage = [this](double x, double y) { return Inside(window_.pick(x, y, Gtk::PickFlags::DEFAULT), page_area_); };
  replayRightClick = [this] {
#if defined(ZOR_HAVE_X11) && defined(ZOR_HAVE_XTEST)
    auto surface = window_.get_surface();
    if (!surface || !GDK_IS_X11_SURFACE(surface->gobj())) return false;
    Display* display = gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface->gobj()));
    int event_base = 0, error_base = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event_base, &error_base, &major, &minor)) return false;
    XTestFakeButtonEvent(display, 3, True, CurrentTime);
    XTestFakeButtonEvent(display, 3, False, CurrentTime);
    XFlush(display);
    return true;
#else
    return false;
#endif
  };
}

InputHookGtk::~InputHookGtk() { Remove(); }

void InputHookGtk::Install(std::function<void(hosts::Gesture)> on_gesture) {
  on_gesture_ = std::move(on_gesture);
  if (installed_) return;
  installed_ = true;
  events_ = gtk_event_controller_legacy_new();
  gtk_event_controller_set_propagation_phase(events_, GTK_PHASE_CAPTURE);
  g_signal_connect(events_, "event", G_CALLBACK(+[](GtkEventControllerLegacy*, GdkEvent* event, gpointer data) -> gboolean {
                     return static_cast<InputHookGtk*>(data)->OnEvent(event);
                   }),
                   this);
  gtk_widget_add_controller(GTK_WIDGET(window_.gobj()), events_);
  drags_ = Gtk::DropControllerMotion::create();
  drags_->signal_motion().connect([this](double x, double y) { OnDragMotion(x, y); });
  drags_->signal_leave().connect([this] { OnDragLeave(); });
  window_.add_controller(drags_);
}

void InputHookGtk::Remove() {
  if (!installed_) return;
  installed_ = false;
  gtk_widget_remove_controller(GTK_WIDGET(window_.gobj()), events_);
  events_ = nullptr;
  window_.remove_controller(drags_);
  drags_.reset();
  on_gesture_ = nullptr;
}

bool InputHookGtk::OnEvent(GdkEvent* raw) {
  double x = 0, y = 0;
  const bool has_position = gdk_event_get_position(raw, &x, &y);
  // Every pointer event carries the buttons held as it happened (before a press or release
  // of its own): a release that went to a popup menu's grab shows here as a missing button.
  const GdkEventType type = gdk_event_get_event_type(raw);
  if (type == GDK_BUTTON_PRESS || type == GDK_BUTTON_RELEASE || type == GDK_MOTION_NOTIFY || type == GDK_SCROLL)
    OnButtonState((gdk_event_get_modifier_state(raw) & GDK_BUTTON3_MASK) != 0);
  switch (gdk_event_get_event_type(raw)) {
    case GDK_BUTTON_PRESS:
    case GDK_BUTTON_RELEASE:
      return OnButton(gdk_button_event_get_button(raw), gdk_event_get_event_type(raw) == GDK_BUTTON_PRESS, x, y);
    case GDK_MOTION_NOTIFY:
      if (has_position) OnMotion(x, y);
      return false;
    case GDK_SCROLL: {
      double dx = 0, dy = 0;
      const GdkScrollDirection direction = gdk_scroll_event_get_direction(raw);
      if (direction == GDK_SCROLL_SMOOTH)
        gdk_scroll_event_get_deltas(raw, &dx, &dy);
      else
        dy = direction == GDK_SCROLL_UP ? -1 : direction == GDK_SCROLL_DOWN ? 1 : 0;
      return OnScroll(dy);
    }
    default:
      return false;
  }
}

bool InputHookGtk::RecentClick(double ticks) {
  if (!clicked_) return false;
  const auto span = std::chrono::duration<double, std::centi>(clock() - last_click_).count();
  return span >= 0 && span <= ticks;
}

void InputHookGtk::ToScreen(double x, double y) {
  // Window coordinates are what GTK gives; the screen position needs the window's place,
  // which only the X server knows (elsewhere the window's origin counts as 0, 0).
  int origin_x = 0, origin_y = 0;
#ifdef ZOR_HAVE_X11
  if (auto surface = window_.get_surface(); surface && GDK_IS_X11_SURFACE(surface->gobj())) {
    Display* display = gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface->gobj()));
    Window child = 0;
    XTranslateCoordinates(display, gdk_x11_surface_get_xid(surface->gobj()), DefaultRootWindow(display), 0, 0,
                          &origin_x, &origin_y, &child);
  }
#endif
  x_ = origin_x + static_cast<int>(std::lround(x));
  y_ = origin_y + static_cast<int>(std::lround(y));
}

bool InputHookGtk::OnButton(unsigned button, bool pressed, double x, double y) {
  // Only the page's own clicks count for it: a press on the bars lets no popup through.
  const bool on_page = overPage && overPage(x, y);
  if (on_page) {
    last_click_ = clock();
    if (pressed) ++clicks_;
    clicked_ = true;
  }
  ToScreen(x, y);
  if (button == GDK_BUTTON_SECONDARY) {
    if (replayed_pending_ > 0) {  // our own replay: the page takes it, the gesture state stays
      --replayed_pending_;
      return false;
    }
    right_held_ = pressed;
    if (pressed) {
      gesture_done_ = false;
      right_held_back_ = !replay_failed_ && replayRightClick && on_page;
      return right_held_back_;
    }
    if (!right_held_back_) return false;
    right_held_back_ = false;
    // Replayed even after a gesture: the page's context-menu rule refuses that one menu.
    if (replayRightClick())
      replayed_pending_ = 2;
    else
      replay_failed_ = true;  // that click is lost; the next ones go to the page as they come
    return true;
  }
  if (button == GDK_BUTTON_PRIMARY) {
    // Rocker: the left button pressed while the right one is held goes back a tab.
    if (pressed && right_held_) {
      Report(hosts::Gesture::kTabLeft);
      left_held_back_ = right_held_back_;
      return left_held_back_;
    }
    if (!pressed && left_held_back_) {
      left_held_back_ = false;
      return true;
    }
  }
  return false;
}

void InputHookGtk::OnMotion(double x, double y) { ToScreen(x, y); }

void InputHookGtk::OnButtonState(bool right_down) {
  if (right_down || !right_held_) return;
  right_held_ = false;
  gesture_done_ = false;
  right_held_back_ = false;
}

bool InputHookGtk::OnScroll(double dy) {
  if (!right_held_ || dy == 0) return false;
  Report(dy < 0 ? hosts::Gesture::kTabLeft : hosts::Gesture::kTabRight);
  return true;  // the page does not scroll under a gesture
}

void InputHookGtk::Report(hosts::Gesture gesture) {
  gesture_done_ = true;
  if (on_gesture_) on_gesture_(gesture);
}

void InputHookGtk::OnDragMotion(double x, double y) {
  ToScreen(x, y);
  drag_outside_page_ = !overPage(x, y);
}

void InputHookGtk::OnDragLeave() { drag_outside_page_ = true; }

void InputHookGtk::DropState(bool& first, bool& open_dropped_link) {
  (void)first;
  open_dropped_link = drag_outside_page_;
  drag_outside_page_ = false;  // one answer per drag
}

}  // namespace zor::gtk
