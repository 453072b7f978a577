// The input hook on the main window: recent clicks, the pointer, drag ends, and the
// right-button gestures it reports.
#pragma once

#include <functional>

namespace zor::hosts {

// Right button held: wheel away or the left button goes a tab left, wheel towards goes right.
enum class Gesture { kTabLeft, kTabRight };

class InputHook {
 public:
  virtual ~InputHook() = default;
  // From now on gestures are reported to `on_gesture`, until Remove.
  virtual void Install(std::function<void(Gesture)> on_gesture) = 0;
  virtual void Remove() = 0;
  virtual bool Installed() const = 0;
  // True when a mouse button went down or up within the last `ticks` hundredths of a
  // second: the callers' 55.0 is 0.55 s, long enough for a page's click handler to
  // reach window.open on a loaded machine, short enough that a timer-driven popup a
  // moment later is not taken for the user's.
  virtual bool RecentClick(double ticks) = 0;
  // The presses of a mouse button so far: a changed value is a new click.
  virtual unsigned long ClickCount() const = 0;
  virtual int MouseX() const = 0;  // screen pixels
  virtual int MouseY() const = 0;
  // The first flag is passed false and not read back; the second tells whether the drag
  // ended where a dropped link is to be opened: anywhere in the main window outside
  // the page area (tab strip, bars), or outside the window.
  virtual void DropState(bool& first, bool& open_dropped_link) = 0;
};

}  // namespace zor::hosts
