#include "hosts/gtk/page_commands_gtk.h"

#include <string>

namespace zor::gtk {

namespace {

// Starts the desktop's program for `content_type` without a file; false when there is none
// or it would not start.
bool StartDefaultFor(const char* content_type) {
  auto app = Gio::AppInfo::get_default_for_type(content_type, false);
  if (!app) return false;
  try {
    return app->launch(std::vector<Glib::RefPtr<Gio::File>>{});
  } catch (const Glib::Error&) {
    return false;
  }
}

}  // namespace

PageCommandsGtk::PageCommandsGtk(webkit::WebKitPageHost& pages, Gtk::Window& owner) : pages_(pages), owner_(owner) {
  find_window_.set_title("Find");
  find_window_.set_transient_for(owner_);
  find_window_.set_hide_on_close(true);
  find_window_.set_resizable(false);
  auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
  box->set_margin(8);
  auto* previous = Gtk::make_managed<Gtk::Button>();
  previous->set_icon_name("go-up-symbolic");
  previous->set_tooltip_text("Previous");
  auto* next = Gtk::make_managed<Gtk::Button>();
  next->set_icon_name("go-down-symbolic");
  next->set_tooltip_text("Next");
  find_entry_.set_width_chars(28);
  find_result_.set_width_chars(14);
  box->append(find_entry_);
  box->append(*previous);
  box->append(*next);
  box->append(match_case_);
  box->append(find_result_);
  find_window_.set_child(*box);
  find_entry_.signal_changed().connect([this] { Search(); });
  find_entry_.signal_activate().connect([this] { FindNext(false); });
  match_case_.signal_toggled().connect([this] { Search(); });
  previous->signal_clicked().connect([this] { FindNext(true); });
  next->signal_clicked().connect([this] { FindNext(false); });
  // Closing the bar leaves no highlighted matches behind.
  find_window_.signal_hide().connect([this] {
    if (WebKitFindController* finder = Finder()) webkit_find_controller_search_finish(finder);
  });
}

PageCommandsGtk::~PageCommandsGtk() {
  if (connected_) {
    g_signal_handler_disconnect(connected_, found_id_);
    g_signal_handler_disconnect(connected_, failed_id_);
    g_object_unref(connected_);
  }
}

void PageCommandsGtk::Attach(int page) {
  if (page == page_) return;
  if (WebKitFindController* finder = Finder()) webkit_find_controller_search_finish(finder);
  page_ = page;
  if (find_window_.get_visible()) Search();
}

WebKitFindController* PageCommandsGtk::Finder() const {
  webkit::WebKitPage* page = page_ > 0 ? pages_.WebPage(page_) : nullptr;
  return page ? webkit_web_view_get_find_controller(page->view()) : nullptr;
}

void PageCommandsGtk::ShowFind() {
  find_window_.present();
  find_entry_.grab_focus();
}

void PageCommandsGtk::Search() {
  WebKitFindController* finder = Finder();
  if (!finder) return;
  if (finder != connected_) {
    if (connected_) {
      g_signal_handler_disconnect(connected_, found_id_);
      g_signal_handler_disconnect(connected_, failed_id_);
      g_object_unref(connected_);
    }
    // The controller goes with its page; our reference keeps the handlers' target alive.
    connected_ = WEBKIT_FIND_CONTROLLER(g_object_ref(finder));
    found_id_ = g_signal_connect(finder, "counted-matches", G_CALLBACK(+[](WebKitFindController*, guint n, gpointer data) {
                                   static_cast<PageCommandsGtk*>(data)->find_result_.set_text(
                                       std::to_string(n) + (n == 1 ? " match" : " matches"));
                                 }),
                                 this);
    failed_id_ = g_signal_connect(finder, "failed-to-find-text", G_CALLBACK(+[](WebKitFindController*, gpointer data) {
                                    static_cast<PageCommandsGtk*>(data)->find_result_.set_text("Not found");
                                  }),
                                  this);
  }
  const std::string text = find_entry_.get_text();
  if (text.empty()) {
    webkit_find_controller_search_finish(finder);
    find_result_.set_text("");
    return;
  }
  const guint options = WEBKIT_FIND_OPTIONS_WRAP_AROUND |
                        (match_case_.get_active() ? 0u : static_cast<guint>(WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE));
  webkit_find_controller_count_matches(finder, text.c_str(), options, G_MAXUINT);
  webkit_find_controller_search(finder, text.c_str(), options, G_MAXUINT);
}

void PageCommandsGtk::FindNext(bool backwards) {
  WebKitFindController* finder = Finder();
  if (!finder) return;
  const char* current = webkit_find_controller_get_search_text(finder);
  if (!current || find_entry_.get_text() != current) {
    Search();
    return;
  }
  if (backwards)
    webkit_find_controller_search_previous(finder);
  else
    webkit_find_controller_search_next(finder);
}

void PageCommandsGtk::ShowSource() {
  webkit::WebKitPage* page = page_ > 0 ? pages_.WebPage(page_) : nullptr;
  if (!page) return;
  WebKitWebResource* resource = webkit_web_view_get_main_resource(page->view());
  if (!resource) return;
  auto window = std::make_unique<Gtk::Window>();
  window->set_title("Source of " + page->LocationURL());
  window->set_default_size(800, 600);
  auto* scroller = Gtk::make_managed<Gtk::ScrolledWindow>();
  auto* view = Gtk::make_managed<Gtk::TextView>();
  view->set_editable(false);
  view->set_monospace(true);
  view->get_buffer()->set_text("Loading ...");
  scroller->set_child(*view);
  window->set_child(*scroller);
  Gtk::Window* raw = window.get();
  sources_.push_back(std::move(window));
  // The source may arrive after its window has closed; it then goes nowhere.
  auto open = std::make_shared<bool>(true);
  raw->signal_close_request().connect(
      [this, raw, open] {
        *open = false;
        // Dropped once the close has been handled, not inside it.
        Glib::signal_idle().connect_once([this, raw] {
          std::erase_if(sources_, [raw](const std::unique_ptr<Gtk::Window>& w) { return w.get() == raw; });
        });
        return false;
      },
      false);
  raw->present();

  // The data is the document as received, not as scripts have changed it since.
  struct Fill {
    std::weak_ptr<bool> alive;
    std::shared_ptr<bool> open;                 // its window is still shown
    Glib::RefPtr<Gtk::TextBuffer> buffer;       // held, so it outlives a view that went
  };
  webkit_web_resource_get_data(
      resource, nullptr,
      +[](GObject* source, GAsyncResult* result, gpointer data) {
        std::unique_ptr<Fill> fill(static_cast<Fill*>(data));
        gsize length = 0;
        guchar* bytes = webkit_web_resource_get_data_finish(WEBKIT_WEB_RESOURCE(source), result, &length, nullptr);
        if (!fill->alive.expired() && *fill->open) {
          std::string text(reinterpret_cast<const char*>(bytes ? bytes : reinterpret_cast<const guchar*>("")), length);
          if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
            gchar* fixed = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
            text = fixed;
            g_free(fixed);
          }
          fill->buffer->set_text(text);
        }
        g_free(bytes);
      },
      new Fill{alive_, open, view->get_buffer()});
}

Gtk::TextView* PageCommandsGtk::last_source_view() const {
  if (sources_.empty()) return nullptr;
  auto* scroller = dynamic_cast<Gtk::ScrolledWindow*>(sources_.back()->get_child());
  return scroller ? dynamic_cast<Gtk::TextView*>(scroller->get_child()) : nullptr;
}

void PageCommandsGtk::OrganizeFavorites() {
  if (organizeFavorites) organizeFavorites();
}

void PageCommandsGtk::OpenAddressBook() {
  // The desktop's contacts program when there is one, else its mail program.
  if (!StartDefaultFor("text/vcard")) StartMailProgram();
}

void PageCommandsGtk::SendMail(const std::string& mailto_uri) {
  try {
    Gio::AppInfo::launch_default_for_uri(mailto_uri);
  } catch (const Glib::Error&) {
  }
}

void PageCommandsGtk::StartMailProgram() {
  // The mail program itself when the desktop names one, else an empty message.
  if (!StartDefaultFor("x-scheme-handler/mailto")) SendMail("mailto:");
}

bool PageCommandsGtk::StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                                   std::string* error) {
  std::vector<std::string> argv = {program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  try {
    // Without a child watch GLib leaves the program to itself: the browser never waits on it.
    Glib::spawn_async(Glib::path_get_dirname(program), argv, Glib::SpawnFlags::DEFAULT);
    return true;
  } catch (const Glib::Error& failure) {
    if (error) *error = failure.what();
    return false;
  }
}

bool OpenInTextEditor(const std::string& path) {
  const Glib::RefPtr<Gio::File> file = Gio::File::create_for_path(path);
  if (auto editor = Gio::AppInfo::get_default_for_type("text/plain", false)) {
    try {
      if (editor->launch(file)) return true;
    } catch (const Glib::Error&) {
    }
  }
  try {
    return Gio::AppInfo::launch_default_for_uri(file->get_uri());
  } catch (const Glib::Error&) {
    return false;
  }
}

}  // namespace zor::gtk
