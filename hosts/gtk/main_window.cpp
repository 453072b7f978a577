#include "hosts/gtk/main_window.h"

#include <glib.h>

#include <algorithm>
#include <filesystem>
#include <utility>

#include "hosts/gtk/dialog_run.h"
#include "hosts/gtk/window_system_gtk.h"

namespace zor::gtk {

MainWindow::MainWindow(const std::string& program_folder) {
  set_default_size(1200, 800);
  set_icon_name("web-browser");
  page_area_.set_hexpand(true);
  page_area_.set_vexpand(true);
  page_area_.set_transition_type(Gtk::StackTransitionType::NONE);

  bars_ = std::make_unique<ToolbarView>(toolbar_, program_folder);
  bars_->setClient(page_area_);
  set_child(*bars_);

  ConnectAddressBox();
  page_icon_.set_from_icon_name("text-html-symbolic");
  // The page icon carries the current page's address to wherever it is dropped.
  auto icon_drag = Gtk::DragSource::create();
  icon_drag->set_button(GDK_BUTTON_PRIMARY);
  icon_drag->set_actions(Gdk::DragAction::COPY);
  icon_drag->signal_prepare().connect(
      [this](double, double) -> Glib::RefPtr<Gdk::ContentProvider> {
        Glib::Value<Glib::ustring> text;
        text.init(text.value_type());
        text.set(events.pageIconText ? events.pageIconText() : std::string());
        return Gdk::ContentProvider::create(text);
      },
      false);
  page_icon_.add_controller(icon_drag);
  // The status text fills its area's width and sits in the middle of its height.
  status_text_.set_xalign(0);
  status_text_.set_valign(Gtk::Align::CENTER);
  status_text_.set_ellipsize(Pango::EllipsizeMode::END);
  status_text_.set_hexpand(true);
  progress_.set_content_width(120);
  progress_.set_content_height(14);
  progress_.set_valign(Gtk::Align::CENTER);
  progress_.set_visible(true);
  progress_.set_draw_func(sigc::mem_fun(*this, &MainWindow::PaintProgress));
  // A click on the progress area gives it the size of its picture.
  auto progress_click = Gtk::GestureClick::create();
  progress_click->signal_released().connect([this](int, double, double) {
    if (!progress_image_) return;
    progress_.set_content_width(progress_image_->get_width());
    progress_.set_content_height(progress_image_->get_height());
    if (toolbar::Tool* t = toolbar_.tool("sb_Status", "ctl_progress")) t->width = progress_image_->get_width();
    toolbar_.recalcLayout();
  });
  progress_.add_controller(progress_click);
  completion_ = std::make_unique<AddressCompletion>(address_box_);

  // The close check may keep the window open.
  signal_close_request().connect([this] { return events.closeRequest && !events.closeRequest(); }, false);
}

MainWindow::~MainWindow() {
  // Timers and idle calls hold this window; none may run once it is gone.
  resize_idle_.disconnect();
  completion_.reset();
  completion_check_.disconnect();
  sound_sweep_.disconnect();
  sounds_.clear();
}

void MainWindow::ReportResizes() {
  auto resized = [this] {
    if (!resize_pending_) {
      resize_pending_ = true;
      resize_idle_ = Glib::signal_idle().connect([this] {
        resize_pending_ = false;
        if (events.resized) events.resized();
        return false;
      });
    }
  };
  property_default_width().signal_changed().connect(resized);
  property_maximized().signal_changed().connect(resized);
  property_fullscreened().signal_changed().connect(resized);
}

void MainWindow::DockControls() {
  auto dock = [this](const char* band, const char* tool, Gtk::Widget& widget) {
    if (toolbar::Tool* t = toolbar_.tool(band, tool)) {
      auto control = std::make_shared<WidgetControl>();
      control->widget = &widget;
      t->custom = control;
    }
  };
  dock("sb_Status", "ctl_statustext", status_text_);
  dock("tb_Addressbar", "ctl_addr", address_box_);
  dock("tb_Addressbar", "ctl_ieicon", page_icon_);
  if (toolbar::Tool* t = toolbar_.tool("sb_Status", "ctl_progress")) t->width = progress_.get_content_width();
  dock("sb_Status", "ctl_progress", progress_);
  toolbar_.recalcLayout();
}

void MainWindow::FocusAddressBox() {
  if (auto* entry = address_box_.get_entry()) entry->grab_focus();
}

bool MainWindow::AddressBoxVisible() const {
  const toolbar::Band* band = toolbar_.band("tb_Addressbar");
  return band && band->visible;
}

void MainWindow::ConnectAddressBox() {
  address_box_.set_hexpand(true);
  Gtk::Entry* entry = address_box_.get_entry();
  if (!entry) return;
  entry->set_placeholder_text("Address");
  auto modifiers = [this] {
    auto seat = get_display()->get_default_seat();
    auto keyboard = seat ? seat->get_keyboard() : Glib::RefPtr<Gdk::Device>();
    return keyboard ? keyboard->get_modifier_state() : Gdk::ModifierType();
  };
  auto enter = [this](Gdk::ModifierType state) {
    using M = Gdk::ModifierType;
    if (completion_) completion_->Close();
    if (events.addressEnter)
      events.addressEnter((state & M::CONTROL_MASK) == M::CONTROL_MASK, (state & M::SHIFT_MASK) == M::SHIFT_MASK,
                          (state & M::ALT_MASK) == M::ALT_MASK);
  };
  // A plain Enter the completion list did not take activates the entry; Enter with
  // modifiers (Ctrl alone opens a new tab) is not bound there and reaches the box.
  entry->signal_activate().connect([enter, modifiers] { enter(modifiers()); });
  auto keys = Gtk::EventControllerKey::create();
  keys->signal_key_pressed().connect(
      [enter](guint keyval, guint, Gdk::ModifierType state) {
        if (keyval != GDK_KEY_Return && keyval != GDK_KEY_KP_Enter && keyval != GDK_KEY_ISO_Enter) return false;
        enter(state);
        return true;
      },
      false);
  address_box_.add_controller(keys);
  // Escape before the box or its list sees it: the list closes and the shell decides
  // between the shown page's address and the page's focus.
  auto escape = Gtk::EventControllerKey::create();
  escape->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
  escape->signal_key_pressed().connect(
      [this](guint keyval, guint, Gdk::ModifierType state) {
        using M = Gdk::ModifierType;
        if (keyval != GDK_KEY_Escape || (state & (M::CONTROL_MASK | M::ALT_MASK | M::SHIFT_MASK)) != M{}) return false;
        if (completion_) completion_->Close();
        if (events.addressEscape) events.addressEscape();
        return true;
      },
      false);
  address_box_.add_controller(escape);
  // A press anywhere but on the suggestion list closes the list.
  auto presses = Gtk::GestureClick::create();
  presses->set_button(0);
  presses->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
  presses->signal_pressed().connect([this, gesture = presses.get()](int, double, double) {
    Gtk::Popover* list = completion_ ? completion_->ShownList() : nullptr;
    if (!list) return;
    auto event = gesture->get_current_event();
    if (event && list->get_surface() && event->get_surface() == list->get_surface()) return;
    list->popdown();
  });
  add_controller(presses);

  // A list entry chosen: the entry holds its text once the change has run its course.
  address_box_.signal_changed().connect([this] {
    if (address_box_.get_active_row_number() < 0) return;
    Glib::signal_idle().connect_once([this] {
      if (events.addressListPick) events.addressListPick();
    });
  });

  auto focus = Gtk::EventControllerFocus::create();
  focus->signal_enter().connect([this] {
    if (events.addressFocus) events.addressFocus(true);
  });
  focus->signal_leave().connect([this] {
    if (events.addressFocus) events.addressFocus(false);
    // Checked once the focus has settled: a move into the list itself keeps it open.
    completion_check_.disconnect();
    if (!completion_) return;  // the window is going
    completion_check_ = Glib::signal_idle().connect([this] {
      Gtk::Popover* list = completion_ ? completion_->ShownList() : nullptr;
      if (!list) return false;
      if (Gtk::Widget* focus = get_focus(); focus && (focus->is_ancestor(address_box_) || focus->is_ancestor(*list)))
        return false;
      list->popdown();
      return false;
    });
  });
  address_box_.add_controller(focus);

  // Text or a link dropped on the box opens in a new tab; anything else opens the box's text.
  auto drop = Gtk::DropTarget::create(G_TYPE_STRING, Gdk::DragAction::COPY);
  drop->set_gtypes({G_TYPE_STRING, GDK_TYPE_FILE_LIST});
  drop->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
  drop->signal_drop().connect(
      [this](const Glib::ValueBase& value, double, double) {
        std::string text;
        if (G_VALUE_HOLDS_STRING(value.gobj()))
          if (const char* s = g_value_get_string(value.gobj())) text = s;
        // A link arrives as a URI list: its first line is the address.
        if (const size_t end = text.find_first_of("\r\n"); end != std::string::npos) text.resize(end);
        if (events.addressDrop) events.addressDrop(text);
        return true;
      },
      false);
  address_box_.add_controller(drop);
}

void MainWindow::SetCaption(const std::string& caption) { set_title(caption); }
std::string MainWindow::Caption() const { return get_title(); }
void MainWindow::Show() { set_visible(true); }
void MainWindow::Maximize() { maximize(); }

hosts::MessageResult MainWindow::MessageBox(const std::string& text, hosts::MessageButtons buttons,
                                            const std::string& title) {
  const Gtk::ButtonsType type = buttons == hosts::MessageButtons::kOk         ? Gtk::ButtonsType::OK
                                : buttons == hosts::MessageButtons::kOkCancel ? Gtk::ButtonsType::OK_CANCEL
                                                                              : Gtk::ButtonsType::YES_NO;
  Gtk::MessageDialog dialog(text, false, Gtk::MessageType::OTHER, type, true);
  if (get_visible()) dialog.set_transient_for(*this);
  dialog.set_title(title.empty() ? std::string(Glib::get_application_name()) : title);
  dialog.set_hide_on_close(true);
  // As on the desktop the program came from, the first button (OK, Yes) answers Enter.
  dialog.set_default_response(buttons == hosts::MessageButtons::kYesNo ? Gtk::ResponseType::YES
                                                                       : Gtk::ResponseType::OK);
  const int response = RunDialog(dialog);
  switch (response) {
    case Gtk::ResponseType::OK:
      return hosts::MessageResult::kOk;
    case Gtk::ResponseType::YES:
      return hosts::MessageResult::kYes;
    case Gtk::ResponseType::NO:
      return hosts::MessageResult::kNo;
    default:
      return buttons == hosts::MessageButtons::kYesNo ? hosts::MessageResult::kNo : hosts::MessageResult::kCancel;
  }
}

bool MainWindow::IsMaximized() const { return const_cast<MainWindow*>(this)->is_maximized(); }
bool MainWindow::IsMinimized() const {
  auto surface = const_cast<MainWindow*>(this)->get_surface();
  auto toplevel = std::dynamic_pointer_cast<Gdk::Toplevel>(surface);
  return toplevel && (toplevel->get_state() & Gdk::Toplevel::State::MINIMIZED) == Gdk::Toplevel::State::MINIMIZED;
}

int MainWindow::InnerWidth() const { return get_width(); }

void MainWindow::GetNormalSize(int& width, int& height) const { get_default_size(width, height); }
void MainWindow::SetNormalSize(int width, int height) { set_default_size(width, height); }
void MainWindow::Unmaximize() { unmaximize(); }

bool MainWindow::IsVisible() const { return get_visible(); }

void MainWindow::SetFullScreen(bool on) {
  if (on)
    fullscreen();
  else
    unfullscreen();
}

void MainWindow::SetDecorated(bool on) { set_decorated(on); }
void MainWindow::Close() { close(); }

void MainWindow::ProcessPendingEvents() {
  auto context = Glib::MainContext::get_default();
  while (context->pending()) context->iteration(false);
}

std::optional<std::string> MainWindow::InputBox(const std::string& prompt, const std::string& title,
                                                const std::string& default_text) {
  Gtk::Dialog dialog(title, *this, true);
  dialog.set_hide_on_close(true);
  auto* box = dialog.get_content_area();
  box->set_spacing(8);
  box->set_margin(12);
  Gtk::Label label(prompt);
  label.set_xalign(0);
  label.set_wrap(true);
  Gtk::Entry entry;
  entry.set_text(default_text);
  entry.set_activates_default(true);
  box->append(label);
  box->append(entry);
  dialog.add_button("_Cancel", Gtk::ResponseType::CANCEL);
  dialog.add_button("_OK", Gtk::ResponseType::OK);
  dialog.set_default_response(Gtk::ResponseType::OK);
  const int response = RunDialog(dialog);
  if (response != Gtk::ResponseType::OK) return std::nullopt;
  return std::string(entry.get_text());
}

std::string MainWindow::OpenFileDialog(const std::string& filter) { return ChooseFile(filter, "Open", false); }

std::string MainWindow::ChooseFile(const std::string& filter, const std::string& title, bool save) {
  Gtk::FileChooserDialog dialog(*this, title, save ? Gtk::FileChooser::Action::SAVE : Gtk::FileChooser::Action::OPEN,
                                true);
  // Closed from its title bar it must stay alive: it is read and freed below.
  dialog.set_hide_on_close(true);
  dialog.add_button("_Cancel", Gtk::ResponseType::CANCEL);
  dialog.add_button(save ? "_Save" : "_Open", Gtk::ResponseType::ACCEPT);
  // "description|pattern|description|pattern..."; a pattern may list several, split by ";".
  std::vector<std::string> parts;
  for (size_t start = 0;;) {
    const size_t bar = filter.find('|', start);
    parts.push_back(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    auto file_filter = Gtk::FileFilter::create();
    file_filter->set_name(parts[i]);
    for (size_t start = 0;;) {
      const size_t semi = parts[i + 1].find(';', start);
      std::string pattern = parts[i + 1].substr(start, semi == std::string::npos ? std::string::npos : semi - start);
      // "*.HTM" must find "page.htm" too: suffixes match without regard to case.
      if (pattern == "*.*" || pattern == "*")
        file_filter->add_pattern("*");
      else if (pattern.rfind("*.", 0) == 0 && pattern.find_first_of("*?[", 2) == std::string::npos)
        file_filter->add_suffix(pattern.substr(2));
      else if (!pattern.empty())
        file_filter->add_pattern(pattern);
      if (semi == std::string::npos) break;
      start = semi + 1;
    }
    dialog.add_filter(file_filter);
  }
  const int response = RunDialog(dialog);
  if (response != Gtk::ResponseType::ACCEPT) return {};
  auto file = dialog.get_file();
  return file ? file->get_path() : std::string();
}

void MainWindow::AddAddressItem(const std::string& item) { address_box_.append(item); }

void MainWindow::SetAddressText(const std::string& text) {
  if (auto* entry = address_box_.get_entry()) entry->set_text(text);
}

std::string MainWindow::AddressText() const {
  auto* entry = const_cast<Gtk::ComboBoxText&>(address_box_).get_entry();
  return entry ? std::string(entry->get_text()) : std::string();
}

bool MainWindow::AddressAllSelected() const {
  auto* entry = const_cast<Gtk::ComboBoxText&>(address_box_).get_entry();
  if (!entry) return true;
  const int length = entry->get_text_length();
  int start = 0, end = 0;
  if (!entry->get_selection_bounds(start, end)) return length == 0;
  return std::min(start, end) == 0 && std::max(start, end) == length;
}

void MainWindow::SelectAllAddress() {
  if (auto* entry = address_box_.get_entry()) entry->select_region(0, -1);
}

int MainWindow::BandLeft(const std::string& name) const {
  const toolbar::Band* band = toolbar_.band(name);
  int x = 0, y = 0, width = 0, height = 0;
  if (!band || !bars_->bandGeometry(*band, x, y, width, height)) return 0;
  return x;
}

bool MainWindow::LoadProgressImage(const std::string& path) {
  progress_surface_.reset();
  try {
    progress_image_ = Gdk::Texture::create_from_filename(path);
  } catch (const Glib::Error&) {
    progress_image_.reset();
  }
  if (progress_image_) {
    // The texture's default memory layout is cairo's ARGB32 (premultiplied, native order).
    progress_surface_ = Cairo::ImageSurface::create(Cairo::Surface::Format::ARGB32, progress_image_->get_width(),
                                                    progress_image_->get_height());
    progress_surface_->flush();
    progress_image_->download(progress_surface_->get_data(), progress_surface_->get_stride());
    progress_surface_->mark_dirty();
  }
  progress_.queue_draw();
  return static_cast<bool>(progress_image_);
}

void MainWindow::DrawProgress(int percent, bool loading, const std::string& label) {
  progress_percent_ = percent;
  progress_loading_ = loading;
  progress_label_ = label;
  progress_.queue_draw();
}

void MainWindow::PaintProgress(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height) {
  if (progress_loading_) {
    // The light 3D face colour while a page loads; the bar's own background otherwise.
    cr->set_source_rgb(0xE3 / 255.0, 0xE3 / 255.0, 0xE3 / 255.0);
    cr->paint();
  }
  const int bar = hosts::ProgressBarPixels(width, progress_percent_);
  if (progress_surface_ && bar > 0) {
    // The picture's left part, as wide as the percentage of the area, from its top-left corner.
    cr->save();
    cr->rectangle(0, 0, bar, height);
    cr->clip();
    cr->set_source(progress_surface_, 0, 0);
    cr->paint();
    cr->restore();
  }
  if (!progress_label_.empty()) {
    auto layout = progress_.create_pango_layout(progress_label_);
    int label_width = 0, label_height = 0;
    layout->get_pixel_size(label_width, label_height);
    const Gdk::RGBA color = progress_.get_style_context()->get_color();
    cr->set_source_rgba(color.get_red(), color.get_green(), color.get_blue(), color.get_alpha());
    cr->move_to((width - label_width) / 2, (height - label_height) / 2);
    layout->show_in_cairo_context(cr);
  }
}

void MainWindow::SendControlKey(char key) {
  // The page (or box) that holds the focus carries out what the keystroke stands for.
  const char* command = key == 'X' ? WEBKIT_EDITING_COMMAND_CUT
                        : key == 'C' ? WEBKIT_EDITING_COMMAND_COPY
                        : key == 'V' ? WEBKIT_EDITING_COMMAND_PASTE
                                     : nullptr;
  Gtk::Widget* focus = get_focus();
  if (!command || !focus) return;
  for (GtkWidget* w = focus->gobj(); w; w = gtk_widget_get_parent(w)) {
    if (WEBKIT_IS_WEB_VIEW(w)) {
      webkit_web_view_execute_editing_command(WEBKIT_WEB_VIEW(w), command);
      return;
    }
  }
  const char* action = key == 'X' ? "clipboard.cut" : key == 'C' ? "clipboard.copy" : "clipboard.paste";
  gtk_widget_activate_action(focus->gobj(), action, nullptr);
}

void MainWindow::SetEnabled(bool on) { set_sensitive(on); }

void MainWindow::WaitForEvents() { Glib::MainContext::get_default()->iteration(true); }

int MainWindow::StartInternetOptions(int page) {
  // Task numbers lie above every process identifier, so no window of the program matches.
  static int next_task = 1 << 24;
  const InternetOptionsPage on = events.internetOptionsPage ? events.internetOptionsPage() : InternetOptionsPage{};
  options_ = std::make_unique<InternetOptionsDialog>(*this, page, on.home_page, on.current_address, on.view);
  options_task_ = next_task++;
  WindowSystemGtk::SetTask(*options_, options_task_);
  options_->onHomePage = [this](const std::string& home) {
    if (events.homePageChosen) events.homePageChosen(home);
  };
  options_->SetSearch(on.search_services, on.search_template);
  options_->onSearch = [this](const std::string& search) {
    if (events.searchChosen) events.searchChosen(search);
  };
  options_->present();
  return options_task_;
}

bool MainWindow::TaskRunning(int task) const {
  return task != 0 && task == options_task_ && options_ && options_->get_visible();
}

void MainWindow::PlaySound(const std::string& path) {
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return;
  sounds_played_.push_back(path);
  auto media = Gtk::MediaFile::create_for_filename(path);
  // Dropping the last reference inside the stream's own notification is not safe: sweep later.
  auto sweep = [this] {
    if (sound_sweep_.connected()) return;
    sound_sweep_ = Glib::signal_idle().connect([this] {
      std::erase_if(sounds_, [](const Glib::RefPtr<Gtk::MediaFile>& m) { return m->get_ended() || m->get_error(); });
      return false;
    });
  };
  media->property_ended().signal_changed().connect(sweep);
  media->property_error().signal_changed().connect(sweep);
  sounds_.push_back(media);
  media->play();
}

}  // namespace zor::gtk
