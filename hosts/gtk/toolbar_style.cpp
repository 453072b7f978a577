#include "hosts/gtk/toolbar_style.h"

#include <gtkmm.h>

namespace zor::gtk {

namespace {

constexpr const char* kCss = R"css(
.zor-top-dock { border-bottom: 1px solid @borders; }
.zor-bottom-dock { border-top: 1px solid @borders; }
.zor-menubar { padding: 1px 4px 0 4px; }
.zor-menubar > button { padding: 3px 8px; min-height: 22px; border-radius: 5px; }
.zor-menubar > button.zor-open, .zor-toolbar > button.zor-open, .zor-statusbar > button.zor-open {
  background-color: alpha(currentColor, 0.12);
}
.zor-toolbar { padding: 3px 4px; border-spacing: 3px; }
.zor-toolbar > button { padding: 4px 6px; min-height: 24px; }
.zor-toolbar > separator { margin: 5px 4px; }
.zor-tabstrip { padding: 4px 6px 0 6px; }
.zor-tabs > button.zor-tab {
  padding: 4px 10px; min-height: 22px; border-radius: 0; margin-bottom: -1px;
  border-bottom-color: transparent; background-image: none; box-shadow: none;
}
.zor-tabs > button.zor-tab:first-child { border-top-left-radius: 6px; }
.zor-tabs > button.zor-tab:last-child { border-top-right-radius: 6px; }
.zor-tabs > button.zor-tab:not(:checked) { background-color: shade(@theme_bg_color, 0.94); color: alpha(@theme_fg_color, 0.8); }
.zor-tabs > button.zor-tab:not(:checked):hover { background-color: shade(@theme_bg_color, 0.98); color: @theme_fg_color; }
.zor-tabs > button.zor-tab:checked {
  background-color: @theme_base_color; color: @theme_fg_color;
  box-shadow: inset 0 2px @theme_selected_bg_color;
}
.zor-statusbar { padding: 0 6px; border-spacing: 6px; font-size: 0.85em; }
.zor-statusbar > button { padding: 0 4px; min-height: 18px; min-width: 18px; }
.zor-statusbar > label { padding: 2px 0; }
.zor-sidebar { border-right: 1px solid @borders; }
.zor-sidebar-header { padding: 4px; border-spacing: 4px; border-bottom: 1px solid @borders; }
.zor-sidebar-title { font-weight: bold; padding-left: 4px; }
)css";

}  // namespace

void InstallToolbarCss() {
  static bool installed = false;
  auto display = Gdk::Display::get_default();
  if (installed || !display) return;
  auto css = Gtk::CssProvider::create();
  css->load_from_data(kCss);
  Gtk::StyleContext::add_provider_for_display(display, css, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  installed = true;
}

}  // namespace zor::gtk
