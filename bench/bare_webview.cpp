// The baseline for start-up time: a bare GTK window holding one WebKitWebView that
// loads the address it is given, with nothing else around it.
#include <gtk/gtk.h>
#include <webkit/webkit.h>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  gtk_init();
  GtkWidget* window = gtk_window_new();
  gtk_window_set_default_size(GTK_WINDOW(window), 1200, 800);
  GtkWidget* view = webkit_web_view_new();
  gtk_window_set_child(GTK_WINDOW(window), view);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
  gtk_window_present(GTK_WINDOW(window));
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  g_signal_connect_swapped(window, "destroy", G_CALLBACK(g_main_loop_quit), loop);
  g_main_loop_run(loop);
  return 0;
}
