// The progress area of the status bar: the drawn percentage and the label over it.
#pragma once

#include <string>

#include "hosts/main_window_host.h"

namespace zor::shell {

// Percentage of a page's progress report: halves go to the even integer, and a
// finished or unmeasured load (progress at or past a maximum, or no maximum) is 100.
int ProgressPercent(long progress, long progress_max);

class ProgressArea {
 public:
  explicit ProgressArea(hosts::MainWindowHost& window) : window_(window) {}

  // Draws `percent` for the shown page; `busy` tells whether that page still loads.
  void Draw(int percent, bool busy);
  // Drops the label and draws an empty bar (on the loading background while `loading`).
  void Clear(bool loading);

  std::string PercentText;  // the last drawn percentage and "%"
  std::string lbl_Inf;      // the label over the progress area

 private:
  hosts::MainWindowHost& window_;
};

}  // namespace zor::shell
