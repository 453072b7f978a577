// A small window whose label can be dragged as text: the other side of drag-and-drop
// tests driven through the X test extension. Usage: drag_source <text>
#include <gtkmm.h>

#include <string>

int main(int argc, char** argv) {
  const std::string text = argc > 1 ? argv[1] : "";
  auto app = Gtk::Application::create("org.zor.DragSource", Gio::Application::Flags::NON_UNIQUE);
  Gtk::Window* shown = nullptr;
  app->signal_activate().connect([&] {
    auto* window = new Gtk::Window();
    window->set_title("zor-drag-source");
    window->set_default_size(200, 80);
    auto* label = Gtk::make_managed<Gtk::Label>(text);
    auto drag = Gtk::DragSource::create();
    drag->set_actions(Gdk::DragAction::COPY);
    drag->signal_prepare().connect(
        [text](double, double) {
          Glib::Value<Glib::ustring> value;
          value.init(Glib::Value<Glib::ustring>::value_type());
          value.set(text);
          return Gdk::ContentProvider::create(value);
        },
        false);
    label->add_controller(drag);
    window->set_child(*label);
    app->add_window(*window);
    window->present();
    shown = window;
  });
  const int status = app->run(1, argv);
  delete shown;
  return status;
}
