// frm_Main on GTK: the window, the controls the bars dock (address box, page icon,
// status text, progress area) and the page area. It answers the logic's questions as
// hosts::MainWindowHost and reports what the user does through `events`.
#pragma once

#include <gtkmm.h>
#include <webkit/webkit.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hosts/gtk/address_completion.h"
#include "hosts/gtk/internet_options.h"
#include "hosts/gtk/toolbar_view.h"
#include "hosts/main_window_host.h"
#include "hosts/toolbar/toolbar.h"

namespace zor::gtk {

// What the Internet-options window opens on.
struct InternetOptionsPage {
  std::string home_page;
  std::string current_address;
  WebKitWebView* view = nullptr;  // the shown page, for its certificate; null for none
  std::vector<std::pair<std::string, std::string>> search_services;  // name, address template
  std::string search_template;                                       // the one in use
};

// The window's events. Unset ones are ignored.
struct MainWindowEvents {
  // Enter in the address box, with the modifiers held.
  std::function<void(bool ctrl, bool shift, bool alt)> addressEnter;
  std::function<void()> addressListPick;  // a list entry was chosen; the box holds its text
  std::function<void(bool focused)> addressFocus;
  std::function<void()> addressEscape;                       // Escape in the address box
  std::function<void(const std::string& text)> addressDrop;  // first line of what was dropped
  std::function<std::string()> pageIconText;                 // what a drag from the page icon carries
  std::function<void()> resized;                             // size or state changed; once per idle
  std::function<bool()> closeRequest;                        // false keeps the window open
  std::function<InternetOptionsPage()> internetOptionsPage;
  std::function<void(const std::string& home_page)> homePageChosen;
  std::function<void(const std::string& search_template)> searchChosen;
};

class MainWindow : public Gtk::ApplicationWindow, public hosts::MainWindowHost {
 public:
  explicit MainWindow(const std::string& program_folder);
  ~MainWindow() override;

  MainWindowEvents events;

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
  // An open or save dialog with a title and the same filters; empty when cancelled.
  std::string ChooseFile(const std::string& filter, const std::string& title, bool save);
  void SendControlKey(char key) override;
  void SetEnabled(bool on) override;
  void WaitForEvents() override;
  int StartInternetOptions(int page) override;
  bool TaskRunning(int task) const override;
  void PlaySound(const std::string& path) override;

  // Puts the address box, page icon, status text and progress area into their tools.
  void DockControls();
  void SetStatusText(const std::string& text) { status_text_.set_text(text); }
  void FocusAddressBox();
  bool AddressBoxVisible() const;
  // Whether the address box shows its suggestion list.
  bool AddressListShown() const { return completion_ && completion_->ShownList(); }

  void SetTypedUrlsFile(const std::string& file) { typed_urls_file_ = file; }
  // From now on size and state changes reach events.resized.
  void ReportResizes();

  // The Internet-options window while it is (or was last) open; null before.
  InternetOptionsDialog* internetOptions() { return options_.get(); }
  toolbar::ToolbarControl& toolbar() { return toolbar_; }
  ToolbarView& bars() { return *bars_; }
  Gtk::Stack& pageArea() { return page_area_; }
  // The sound files played so far, in order.
  const std::vector<std::string>& soundsPlayed() const { return sounds_played_; }

 private:
  void ConnectAddressBox();
  void PaintProgress(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height);

  toolbar::ToolbarControl toolbar_;
  Gtk::Stack page_area_;
  std::unique_ptr<ToolbarView> bars_;
  std::unique_ptr<AddressCompletion> completion_;
  sigc::connection completion_check_;  // a focus change waiting to settle
  std::unique_ptr<InternetOptionsDialog> options_;
  int options_task_ = 0;

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
  bool resize_pending_ = false;
  sigc::connection resize_idle_;

  std::vector<Glib::RefPtr<Gtk::MediaFile>> sounds_;
  sigc::connection sound_sweep_;
  std::vector<std::string> sounds_played_;
};

}  // namespace zor::gtk
