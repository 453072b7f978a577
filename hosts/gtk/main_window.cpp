#include "hosts/gtk/main_window.h"

#include <glib.h>

#include "browser/shell/address.h"

namespace zor::gtk {

MainWindow::MainWindow(const std::string& program_folder) {
  set_default_size(1200, 800);
  set_icon_name("web-browser");
  page_area_.set_hexpand(true);
  page_area_.set_vexpand(true);
  page_area_.set_transition_type(Gtk::StackTransitionType::NONE);

  pages_ = std::make_unique<webkit::WebKitPageHost>(page_area_);
  form_ = std::make_unique<shell::MainForm>(toolbar_, *pages_, *this, program_folder);
  bars_ = std::make_unique<ToolbarView>(toolbar_, program_folder);
  bars_->setClient(page_area_);
  set_child(*bars_);

  address_box_.set_hexpand(true);
  if (auto* entry = address_box_.get_entry()) {
    entry->set_placeholder_text("Address");
    entry->signal_activate().connect(sigc::mem_fun(*this, &MainWindow::NavigateFromAddressBox));
  }
  page_icon_.set_from_icon_name("text-html-symbolic");
  status_text_.set_xalign(0);
  status_text_.set_ellipsize(Pango::EllipsizeMode::END);
  status_text_.set_hexpand(true);
  progress_.set_content_width(120);
  progress_.set_content_height(14);
  progress_.set_visible(true);

  form_->hooks.dockControls = [this] { DockControls(); };
  form_->hooks.clearStatus = [this] { status_text_.set_text(""); };
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
      Glib::signal_idle().connect_once([this] {
        resize_pending_ = false;
        form_->OnMainWindowResize();
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

void MainWindow::NavigateFromAddressBox() {
  hosts::PageControl* page = pages_->Page(form_->ActivePage);
  const std::string text = AddressText();
  if (page && !text.empty()) page->Navigate(shell::LoadableAddress(text));
}

bool MainWindow::OnCloseRequest() {
  // The close check asks the exit question (once per close) and, when the answer is
  // OK, saves the pages and settings; the window then closes and the program ends.
  // WIP-LEAD: if (!form_->CloseCheck()) return true;
  form_->SaveSettings();
  form_->EndRecovery();
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
  int response = Gtk::ResponseType::NONE;
  bool done = false;
  dialog.signal_response().connect([&](int r) {
    response = r;
    done = true;
  });
  RunNested(dialog, done);
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

void MainWindow::RunNested(Gtk::Window& dialog, const bool& done) {
  // Answered synchronously: the caller waits here while the main loop keeps running.
  dialog.present();
  auto context = Glib::MainContext::get_default();
  while (!done) context->iteration(true);
  dialog.set_visible(false);
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
  int response = Gtk::ResponseType::NONE;
  bool done = false;
  dialog.signal_response().connect([&](int r) {
    response = r;
    done = true;
  });
  RunNested(dialog, done);
  if (response != Gtk::ResponseType::OK) return std::nullopt;
  return std::string(entry.get_text());
}

std::string MainWindow::OpenFileDialog(const std::string& filter) {
  Gtk::FileChooserDialog dialog(*this, "Open", Gtk::FileChooser::Action::OPEN, true);
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
  int response = Gtk::ResponseType::NONE;
  bool done = false;
  dialog.signal_response().connect([&](int r) {
    response = r;
    done = true;
  });
  RunNested(dialog, done);
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

bool MainWindow::LoadProgressImage(const std::string& path) {
  try {
    progress_image_ = Gdk::Texture::create_from_filename(path);
  } catch (const Glib::Error&) {
    progress_image_.reset();
  }
  return static_cast<bool>(progress_image_);
}

}  // namespace zor::gtk
