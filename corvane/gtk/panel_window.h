// The panel's GTK window. Only the factory is seen from outside; the library sets it as
// the panel's view maker when it is loaded into a program that runs GTK.
#pragma once

#include <memory>

#include "corvane/panel.h"

namespace zor::corvane {

// The window of `panel`, or nullptr when the process has no GTK display.
std::unique_ptr<PanelView> MakePanelWindow(Panel& panel);

// The title of the panel's window.
inline constexpr const char* kPanelTitle = "CorvaneWindow";

}  // namespace zor::corvane
