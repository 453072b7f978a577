#include "hosts/gtk/renderer_choice.h"

#include <epoxy/gl.h>
#include <gtk/gtk.h>

#include <cstring>
#include <initializer_list>

namespace zor::gtk {

namespace {

bool IsSoftwareRasterizer(const char* renderer) {
  if (!renderer) return false;
  for (const char* name : {"llvmpipe", "softpipe", "Software Rasterizer", "SWR"})
    if (std::strstr(renderer, name)) return true;
  return false;
}

}  // namespace

void PreferCairoOnSoftwareGl() {
  if (g_getenv("GSK_RENDERER")) return;
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return;
  // No GL at all: GTK picks cairo by itself.
  GdkGLContext* context = gdk_display_create_gl_context(display, nullptr);
  if (!context) return;
  if (gdk_gl_context_realize(context, nullptr)) {
    gdk_gl_context_make_current(context);
    if (IsSoftwareRasterizer(reinterpret_cast<const char*>(glGetString(GL_RENDERER))))
      g_setenv("GSK_RENDERER", "cairo", TRUE);
    gdk_gl_context_clear_current();
  }
  g_object_unref(context);
}

}  // namespace zor::gtk
