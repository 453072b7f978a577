// The input hook on the main window: recent clicks, the pointer, drag ends, and the
// right-button gestures it reports through the status box.
#pragma once

#include "common/status_box.h"

namespace zor::hosts {

class InputHook {
 public:
  virtual ~InputHook() = default;
  virtual void Install(StatusBox* channel) = 0;
  virtual void Remove() = 0;
  // True when the user clicked within the last `ticks` (1/100 s units as the callers pass 55.0).
  virtual bool RecentClick(double ticks) = 0;
  virtual int MouseX() const = 0;  // screen pixels
  virtual int MouseY() const = 0;
  // The first flag is passed false and not read back; the second tells whether the drag
  // ended where a dropped link is to be opened.
  virtual void DropState(bool& first, bool& open_dropped_link) = 0;
};

}  // namespace zor::hosts
