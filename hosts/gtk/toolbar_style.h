// The look of the bars: one style sheet for every toolbar view on the display.
#pragma once

namespace zor::gtk {

// Adds the bars' style sheet to the default display once; later calls do nothing.
void InstallToolbarCss();

}  // namespace zor::gtk
