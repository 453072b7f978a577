// frm_Main on GTK: the window, the controls the bars dock (address box, page icon,
// status text, progress area), the page area, and the wiring of the engine's and the
// bars' events into the main-window logic.
#pragma once

#include <gtkmm.h>

#include <memory>
#include <string>

#include "browser/shell/main_form.h"
#include "hosts/gtk/address_completion.h"
#include "hosts/gtk/input_hook_gtk.h"
#include "hosts/gtk/internet_options.h"
#include "hosts/gtk/page_commands_gtk.h"
#include "hosts/gtk/toolbar_view.h"
#include "hosts/gtk/window_system_gtk.h"
#include "hosts/main_window_host.h"
#include "hosts/toolbar/toolbar.h"
#include "hosts/webkit/webkit_page_host.h"

namespace zor::gtk {

class MainWindow : public Gtk::ApplicationWindow, public hosts::MainWindowHost {
 public:
  explicit MainWindow(const std::string& program_folder);
  ~MainWindow() override;

  // Runs the start-up sequence; false when the program must end.
  bool StartUp(const std::string& command_line);

  // hosts::MainWindowHost
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override;
  void Show() override;
  void Maximize() override;
  hosts::MessageResult MessageBox(const std::string& text, hosts::MessageButtons buttons,
                                  const std::string& title) override;
  void AddAddressItem(const std::string& item) override;
  void SetAddressText(const std::string& text) override;
  std::string AddressText() const override;
  bool AddressAllSelected() const override;
  void SelectAllAddress() override;
  std::string TypedUrlsFile() const override { return typed_urls_file_; }
  void DrawProgress(int percent, bool loading, const std::string& label) override;
  int BandLeft(const std::string& band) const override;
  bool LoadProgressImage(const std::string& path) override;
  bool IsMaximized() const override;
  bool IsMinimized() const override;
  int InnerWidth() const override;
  void GetNormalSize(int& width, int& height) const override;
  void SetNormalSize(int width, int height) override;
  void Unmaximize() override;
  bool IsVisible() const override;
  void SetFullScreen(bool on) override;
  void SetDecorated(bool on) override;
  void Close() override;
  void ProcessPendingEvents() override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& default_text) override;
  std::string OpenFileDialog(const std::string& filter) override;
  void SendControlKey(char key) override;
  void SetEnabled(bool on) override;
  void WaitForEvents() override;
  int StartInternetOptions(int page) override;
  bool TaskRunning(int task) const override;

  // The Internet-options window while it is (or was last) open; null before.
  InternetOptionsDialog* internetOptions() { return options_.get(); }

  // For engine tests and benchmarks that drive the real window.
  shell::MainForm& form() { return *form_; }
  ToolbarView& bars() { return *bars_; }
  Gtk::Stack& pageArea() { return page_area_; }

 private:
  void DockControls();
  void WireEvents();
  void ConnectAddressBox();
  void PaintProgress(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height);
  bool OnCloseRequest();
  // Asks the engine whether page `page` would carry out a document command now.
  void QueryCommand(int page, const std::string& command, std::function<void(bool)> answer);
  // Runs `dialog` modally in a nested loop until `done` is set by one of its handlers.

  toolbar::ToolbarControl toolbar_;
  Gtk::Stack page_area_;
  std::unique_ptr<ToolbarView> bars_;
  std::unique_ptr<webkit::WebKitPageHost> pages_;
  std::unique_ptr<shell::MainForm> form_;
  // The outside objects; declared after the form so they go first (the hook writes into its status box).
  std::unique_ptr<PageCommandsGtk> page_commands_;
  std::unique_ptr<InputHookGtk> input_hook_;
  std::unique_ptr<AddressCompletion> completion_;
  std::unique_ptr<WindowSystemGtk> windows_;
  std::unique_ptr<InternetOptionsDialog> options_;
  int options_task_ = 0;
  std::string options_file_;  // the home page chosen in the options window
  // Engine answers that arrive after the window has gone are dropped.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

  // The form's own controls, docked into tools.
  Gtk::ComboBoxText address_box_{true};  // cbo_Input
  Gtk::Image page_icon_;                 // pic_ieicon
  Gtk::Label status_text_;               // pic_ST / txt_status
  Gtk::DrawingArea progress_;            // pic_progress
  Glib::RefPtr<Gdk::Texture> progress_image_;
  Cairo::RefPtr<Cairo::ImageSurface> progress_surface_;  // the picture, ready to paint
  int progress_percent_ = 0;
  bool progress_loading_ = false;
  std::string progress_label_;  // lbl_Inf
  std::string typed_urls_file_;
  sigc::connection recovery_timer_;
  bool resize_pending_ = false;
  sigc::connection resize_idle_;
};

}  // namespace zor::gtk
