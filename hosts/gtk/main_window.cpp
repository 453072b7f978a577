#include "hosts/gtk/main_window.h"

#include <glib.h>

#include <algorithm>
#include <map>
#include <utility>

#include "browser/commands/connection_loader.h"
#include "common/ini.h"
#include "hosts/gtk/dialog_run.h"
#include "hosts/webkit/network_proxy.h"
#include "hosts/webkit/website_data.h"


namespace zor::gtk {

MainWindow::MainWindow(const std::string& program_folder) {
  set_default_size(1200, 800);
  set_icon_name("web-browser");
  page_area_.set_hexpand(true);
  page_area_.set_vexpand(true);
  page_area_.set_transition_type(Gtk::StackTransitionType::NONE);

  pages_ = std::make_unique<webkit::WebKitPageHost>(page_area_);
  form_ = std::make_unique<shell::MainForm>(toolbar_, *pages_, *this, program_folder);
  // Corvane from Requires/, applying its proxy to the pages' session; without the library
  // the browser runs and its Corvane steps are skipped.
  ConnectionServices services =
      webkit::SessionProxy::Create(pages_->session())->Services([this](const std::string& text, const std::string& title) {
        MessageBox(text, hosts::MessageButtons::kOk, title);
      });
  // The cleaner's "history" clears our URL history along with the engine's record; the
  // library may keep the services past this window, so the store is held weakly.
  webkit::AddWebsiteDataServices(
      services, pages_->session(),
      [store = std::weak_ptr<favorites::UrlHistoryStore>(form_->History.Store())]() -> std::string {
        const auto held = store.lock();
        return held ? favorites::ClearUrlHistory(*held) : std::string();
      });
  form_->createConnection = shell::ConnectionLibrary(form_->FolderPath() + shell::kConnectionLibrary, services);
  form_->hooks.rebuildProxyMenu = [this] { form_->BuildProxyMenu(); };
  bars_ = std::make_unique<ToolbarView>(toolbar_, program_folder);
  bars_->setClient(page_area_);
  set_child(*bars_);

  ConnectAddressBox();
  windows_ = std::make_unique<WindowSystemGtk>(*this);
  form_->windows = windows_.get();
  form_->commandHooks.zoomLevel = [this](int page) {
    const webkit::WebKitPage* shown = pages_->WebPage(page);
    return shown ? shown->zoom_level() : -1;
  };
  form_->commandHooks.queryCommandEnabled = [this](int page, const std::string& command,
                                                   std::function<void(bool)> answer) {
    QueryCommand(page, command, std::move(answer));
  };
  page_icon_.set_from_icon_name("text-html-symbolic");
  // The page icon carries the current page's address to wherever it is dropped.
  auto icon_drag = Gtk::DragSource::create();
  icon_drag->set_button(GDK_BUTTON_PRIMARY);
  icon_drag->set_actions(Gdk::DragAction::COPY);
  icon_drag->signal_prepare().connect(
      [this](double, double) -> Glib::RefPtr<Gdk::ContentProvider> {
        const hosts::PageControl* page = form_ ? form_->WB.Page(form_->ActivePage) : nullptr;
        Glib::Value<Glib::ustring> text;
        text.init(text.value_type());
        text.set(page ? page->LocationURL() : std::string());
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

  form_->hooks.dockControls = [this] { DockControls(); };
  form_->hooks.raiseWindow = [this] { present(); };
  form_->hooks.addressBoxVisible = [this] {
    const toolbar::Band* band = toolbar_.band("tb_Addressbar");
    return band && band->visible;
  };
  form_->hooks.focusAddressBox = [this] {
    if (auto* entry = address_box_.get_entry()) entry->grab_focus();
  };
  completion_ = std::make_unique<AddressCompletion>(address_box_);
  form_->hooks.createPageCommands = [this] {
    page_commands_ = std::make_unique<PageCommandsGtk>(*pages_, *this);
    form_->page_commands = page_commands_.get();
  };
  form_->hooks.attachPageCommands = [this](int page) {
    if (page_commands_) page_commands_->Attach(page);
  };
  form_->hooks.createInputHook = [this] {
    input_hook_ = std::make_unique<InputHookGtk>(*this, page_area_);
    form_->input_hook = input_hook_.get();
    pages_->suppressContextMenu = [this] { return input_hook_ && input_hook_->GestureInProgress(); };
  };
  form_->hooks.installInputHook = [this] {
    if (input_hook_) input_hook_->Install(&form_->txt_status);
  };
  form_->hooks.removeInputHook = [this] {
    if (input_hook_) input_hook_->Remove();
  };
  WireEvents();
  signal_close_request().connect(sigc::mem_fun(*this, &MainWindow::OnCloseRequest), false);
}

MainWindow::~MainWindow() {
  // Timers and idle calls hold this window; none may run once it is gone.
  recovery_timer_.disconnect();
  resize_idle_.disconnect();
  // Pages reference the form's handlers; drop them first.
  pages_->events = {};
  pages_->suppressContextMenu = nullptr;
  form_->page_commands = nullptr;
  form_->input_hook = nullptr;
}

bool MainWindow::StartUp(const std::string& command_line) {
  const std::string profile = Glib::build_filename(Glib::get_user_data_dir(), "zor-browser");
  g_mkdir_with_parents(profile.c_str(), 0700);
  form_->RecoveryFile = Glib::build_filename(profile, "open-pages.txt");
  form_->History.SetFile(Glib::build_filename(profile, "history.sqlite"));
  const std::string config = Glib::build_filename(Glib::get_user_config_dir(), "zor-browser");
  g_mkdir_with_parents(config.c_str(), 0700);
  typed_urls_file_ = Glib::build_filename(config, "typed-urls.ini");
  options_file_ = Glib::build_filename(config, "internet-options.ini");
  pages_->home_page = GetProfileString(options_file_, "General", "HomePage", pages_->home_page);
  if (!form_->StartUp(command_line)) return false;
  // The recovery list follows every open, navigation and close; a cheap compare when idle.
  recovery_timer_ = Glib::signal_timeout().connect_seconds(
      [this] {
        form_->SaveRecovery();
        return true;
      },
      1);
  auto resized = [this] {
    if (!resize_pending_) {
      resize_pending_ = true;
      resize_idle_ = Glib::signal_idle().connect([this] {
        resize_pending_ = false;
        form_->OnMainWindowResize();
        return false;
      });
    }
  };
  property_default_width().signal_changed().connect(resized);
  property_maximized().signal_changed().connect(resized);
  property_fullscreened().signal_changed().connect(resized);
  bars_->attachShortcuts(*this);
  return true;
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

void MainWindow::WireEvents() {
  form_->hooks.setStatusText = [this](const std::string& text) { status_text_.set_text(text); };
  form_->WireEvents();
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
    form_->OnAddressEnter((state & M::CONTROL_MASK) == M::CONTROL_MASK, (state & M::SHIFT_MASK) == M::SHIFT_MASK,
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

  // A list entry chosen: the entry holds its text once the change has run its course.
  address_box_.signal_changed().connect([this] {
    if (address_box_.get_active_row_number() < 0) return;
    Glib::signal_idle().connect_once([this] { form_->OnAddressListPick(); });
  });

  auto focus = Gtk::EventControllerFocus::create();
  focus->signal_enter().connect([this] { form_->OnAddressFocus(true); });
  focus->signal_leave().connect([this] { form_->OnAddressFocus(false); });
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
        form_->OnAddressDrop(text);
        return true;
      },
      false);
  address_box_.add_controller(drop);
}

bool MainWindow::OnCloseRequest() {
  // The close check asks the exit question (once per close) and, when the answer is
  // OK, saves the pages and settings; the window then closes and the program ends.
  if (!form_->CloseCheck()) return true;
  recovery_timer_.disconnect();
  return false;
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

std::string MainWindow::OpenFileDialog(const std::string& filter) {
  Gtk::FileChooserDialog dialog(*this, "Open", Gtk::FileChooser::Action::OPEN, true);
  // Closed from its title bar it must stay alive: it is read and freed below.
  dialog.set_hide_on_close(true);
  dialog.add_button("_Cancel", Gtk::ResponseType::CANCEL);
  dialog.add_button("_Open", Gtk::ResponseType::ACCEPT);
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
  const int bar = shell::ProgressBarPixels(width, progress_percent_);
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
  const webkit::WebKitPage* shown = pages_->WebPage(form_->ActivePage);
  options_ = std::make_unique<InternetOptionsDialog>(*this, page, pages_->home_page,
                                                     shown ? shown->LocationURL() : std::string(),
                                                     shown ? shown->view() : nullptr);
  options_task_ = next_task++;
  WindowSystemGtk::SetTask(*options_, options_task_);
  options_->onHomePage = [this](const std::string& home) {
    pages_->home_page = home;
    WriteProfileString(options_file_, "General", "HomePage", home);
  };
  options_->present();
  return options_task_;
}

bool MainWindow::TaskRunning(int task) const {
  return task != 0 && task == options_task_ && options_ && options_->get_visible();
}

void MainWindow::QueryCommand(int page, const std::string& command, std::function<void(bool)> answer) {
  static const std::map<std::string, const char*> kEngineNames = {
      {"undo", WEBKIT_EDITING_COMMAND_UNDO}, {"redo", WEBKIT_EDITING_COMMAND_REDO},
      {"cut", WEBKIT_EDITING_COMMAND_CUT},   {"copy", WEBKIT_EDITING_COMMAND_COPY},
      {"paste", WEBKIT_EDITING_COMMAND_PASTE}, {"delete", "Delete"},
      {"selectall", WEBKIT_EDITING_COMMAND_SELECT_ALL}};
  const auto name = kEngineNames.find(command);
  const webkit::WebKitPage* shown = pages_->WebPage(page);
  if (name == kEngineNames.end() || !shown) return;
  struct Asked {
    std::weak_ptr<bool> alive;
    MainWindow* window;
    int page;
    WebKitWebView* view;
    std::function<void(bool)> answer;
  };
  auto* asked = new Asked{alive_, this, page, WEBKIT_WEB_VIEW(g_object_ref(shown->view())), std::move(answer)};
  webkit_web_view_can_execute_editing_command(
      asked->view, name->second, nullptr,
      +[](GObject* view, GAsyncResult* result, gpointer data) {
        std::unique_ptr<Asked> asked(static_cast<Asked*>(data));
        GError* error = nullptr;
        const bool can = webkit_web_view_can_execute_editing_command_finish(WEBKIT_WEB_VIEW(view), result, &error);
        if (error) g_error_free(error);
        // The page may have closed, or its element been given another view, meanwhile.
        const webkit::WebKitPage* now = asked->alive.expired() ? nullptr : asked->window->pages_->WebPage(asked->page);
        if (!error && now && now->view() == asked->view) asked->answer(can);
        g_object_unref(asked->view);
      },
      asked);
}

}  // namespace zor::gtk
