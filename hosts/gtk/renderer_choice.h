// Which renderer draws the program's windows.
#pragma once

namespace zor::gtk {

// On a display whose OpenGL is a software rasterizer (llvmpipe and the like: virtual
// machines, remote desktops, no GPU driver), windows draw with cairo. There the GL renderer
// costs tens of megabytes of compiled shaders and a slower first frame for the same picture.
// A GSK_RENDERER the user set stands. Call before the first window is shown.
void PreferCairoOnSoftwareGl();

}  // namespace zor::gtk
