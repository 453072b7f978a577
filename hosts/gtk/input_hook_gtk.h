// The input hook on the main window's own event controllers (capture phase, so it sees
// every press before the page does): recent clicks, the pointer in screen pixels, where
// a drag ended, and the right-button wheel and rocker gestures.
#pragma once

#include <gtkmm.h>

#include <chrono>
#include <functional>

#include "hosts/input_hook.h"

namespace zor::gtk {

class InputHookGtk : public hosts::InputHook {
 public:
  // `page_area` is where a dropped link opens nothing.
  InputHookGtk(Gtk::Window& window, Gtk::Widget& page_area);
  ~InputHookGtk() override;

  void Install(std::function<void(hosts::Gesture)> on_gesture) override;
  void Remove() override;
  bool Installed() const override { return installed_; }
  bool RecentClick(double ticks) override;
  unsigned long ClickCount() const override { return clicks_; }
  int MouseX() const override { return x_; }
  int MouseY() const override { return y_; }
  void DropState(bool& first, bool& open_dropped_link) override;

  // True from a gesture until the right button goes up: the page shows no context menu.
  bool GestureInProgress() const { return right_held_ && gesture_done_; }

  // What the event controllers feed in (window coordinates); public so the gesture and
  // timing rules can be exercised without a display server's help. OnButton answers
  // whether the press or release is kept from the page.
  bool OnButton(unsigned button, bool pressed, double x, double y);
  void OnMotion(double x, double y);
  // Whether the right button is down as the device reports it with an event: a gesture
  // needs it really held, whatever presses and releases came through.
  void OnButtonState(bool right_down);
  // Wheel while the right button is held: dy < 0 (away from the user) goes left.
  bool OnScroll(double dy);
  void OnDragMotion(double x, double y);
  void OnDragLeave();
  std::function<std::chrono::steady_clock::time_point()> clock = [] { return std::chrono::steady_clock::now(); };
  // The engine opens its context menu on the right press, and the menu then takes every
  // wheel turn and click. So a right press over the page is held back, and at its release
  // the click is sent again for the page (false: it cannot be; the press then goes to
  // the page as it came, and gestures work only outside it).
  std::function<bool()> replayRightClick;
  // Whether the window point lies on the page area (set by tests; the window decides).
  std::function<bool(double x, double y)> overPage;

 private:
  void Report(hosts::Gesture gesture);
  void ToScreen(double x, double y);
  bool OnEvent(GdkEvent* event);

  Gtk::Window& window_;
  Gtk::Widget& page_area_;
  GtkEventController* events_ = nullptr;  // owned by the window while installed
  Glib::RefPtr<Gtk::DropControllerMotion> drags_;
  std::function<void(hosts::Gesture)> on_gesture_;
  bool installed_ = false;
  std::chrono::steady_clock::time_point last_click_{};
  unsigned long clicks_ = 0;
  bool clicked_ = false;
  int x_ = 0, y_ = 0;
  bool right_held_ = false;
  bool gesture_done_ = false;
  bool drag_outside_page_ = false;
  bool right_held_back_ = false;  // the page has not seen the right press
  bool left_held_back_ = false;   // a rocker's left press, kept from the page with its release
  int replayed_pending_ = 0;      // our own replayed right press and release still to pass
  bool replay_failed_ = false;    // the display cannot replay: stop holding presses back
};

}  // namespace zor::gtk
