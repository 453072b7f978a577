#include "hosts/gtk/downloads_window.h"

#include <gio/gio.h>

namespace zor::gtk {

namespace {

void LaunchDefault(const std::string& uri) {
  g_app_info_launch_default_for_uri_async(
      uri.c_str(), nullptr, nullptr,
      +[](GObject*, GAsyncResult* result, gpointer) {
        GError* error = nullptr;
        if (!g_app_info_launch_default_for_uri_finish(result, &error)) {
          g_warning("cannot open: %s", error->message);
          g_error_free(error);
        }
      },
      nullptr);
}

std::string UriOf(const std::string& path) {
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  std::string text = uri ? uri : "";
  g_free(uri);
  return text;
}

}  // namespace

DownloadsWindow::DownloadsWindow() {
  window_.set_default_size(560, 380);
  // Closed, it only hides: the next download or the Tools entry shows it again.
  window_.set_hide_on_close(true);
  list_.set_selection_mode(Gtk::SelectionMode::NONE);
  none_.set_margin(24);
  none_.add_css_class("dim-label");
  list_.set_placeholder(none_);
  scroller_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  scroller_.set_child(list_);
  window_.set_child(scroller_);
}

DownloadsWindow::~DownloadsWindow() { window_.set_visible(false); }

void DownloadsWindow::Present() { window_.present(); }

DownloadsWindow::Row& DownloadsWindow::Make(int id, int position) {
  Row& row = rows_[id];
  auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 4);
  box->set_margin(8);
  row.name = Gtk::make_managed<Gtk::Label>();
  row.name->set_xalign(0);
  row.name->set_ellipsize(Pango::EllipsizeMode::MIDDLE);
  row.name->add_css_class("heading");
  row.progress = Gtk::make_managed<Gtk::ProgressBar>();
  row.detail = Gtk::make_managed<Gtk::Label>();
  row.detail->set_xalign(0);
  row.detail->set_wrap(true);
  row.detail->add_css_class("dim-label");
  auto* buttons = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
  buttons->set_halign(Gtk::Align::END);
  row.cancel = Gtk::make_managed<Gtk::Button>();
  row.open = Gtk::make_managed<Gtk::Button>();
  row.show = Gtk::make_managed<Gtk::Button>();
  // The events are read at the click: the logic may attach after the row was made.
  row.cancel->signal_clicked().connect([this, id] {
    if (events.cancel) events.cancel(id);
  });
  row.open->signal_clicked().connect([this, id] {
    if (events.open) events.open(id);
  });
  row.show->signal_clicked().connect([this, id] {
    if (events.showInFolder) events.showInFolder(id);
  });
  buttons->append(*row.cancel);
  buttons->append(*row.open);
  buttons->append(*row.show);
  box->append(*row.name);
  box->append(*row.progress);
  box->append(*row.detail);
  box->append(*buttons);
  row.row = Gtk::make_managed<Gtk::ListBoxRow>();
  row.row->set_child(*box);
  row.row->set_activatable(false);
  list_.insert(*row.row, position);
  return row;
}

void DownloadsWindow::Update(const hosts::DownloadsTexts& texts, const std::vector<hosts::DownloadRow>& rows) {
  window_.set_title(texts.title);
  none_.set_text(texts.none);
  // Rows are only ever added, so each keeps its widgets (and a pressed button) between updates.
  for (size_t place = 0; place < rows.size(); ++place) {
    const hosts::DownloadRow& shown = rows[place];
    auto it = rows_.find(shown.id);
    Row& row = it != rows_.end() ? it->second : Make(shown.id, static_cast<int>(place));
    row.name->set_text(shown.name);
    row.detail->set_text(shown.detail);
    if (shown.fraction < 0)
      row.progress->pulse();
    else
      row.progress->set_fraction(shown.fraction);
    row.cancel->set_label(texts.cancel);
    row.open->set_label(texts.open);
    row.show->set_label(texts.show_in_folder);
    row.cancel->set_visible(shown.can_cancel);
    row.open->set_visible(shown.can_open);
    row.show->set_visible(shown.can_open);
  }
  shown_ = rows;
}

Gtk::Button* DownloadsWindow::CancelButton(int id) {
  auto it = rows_.find(id);
  return it == rows_.end() ? nullptr : it->second.cancel;
}

void DownloadsWindow::OpenFile(const std::string& path) { LaunchDefault(UriOf(path)); }

void DownloadsWindow::ShowInFolder(const std::string& path) {
  // The desktop's file manager shows the file selected in its folder; without one, the
  // folder opens in whatever the desktop opens folders with.
  gchar* folder = g_path_get_dirname(path.c_str());
  auto* fallback = new std::string(UriOf(folder));
  g_free(folder);
  const char* uris[] = {nullptr, nullptr};
  const std::string uri = UriOf(path);
  uris[0] = uri.c_str();
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (!bus) {
    LaunchDefault(*fallback);
    delete fallback;
    return;
  }
  g_dbus_connection_call(
      bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1", "ShowItems",
      g_variant_new("(^ass)", uris, ""), nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
      +[](GObject* source, GAsyncResult* result, gpointer data) {
        auto* fallback_uri = static_cast<std::string*>(data);
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
        if (reply)
          g_variant_unref(reply);
        else {
          g_error_free(error);
          LaunchDefault(*fallback_uri);
        }
        delete fallback_uri;
      },
      fallback);
  g_object_unref(bus);
}

}  // namespace zor::gtk
