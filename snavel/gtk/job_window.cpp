#include "snavel/gtk/job_window.h"

#include <memory>

namespace zor::snavel {

namespace {

constexpr int kStartDelayMs = 500;
constexpr int kShrinkSteps = 12;
constexpr int kShrinkStepMs = 25;

void SetAccessibleName(Gtk::Widget& widget, const char* name) {
  gtk_accessible_update_property(GTK_ACCESSIBLE(widget.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, name, -1);
}

}  // namespace

JobWindow::JobWindow(QuickSaveRequest request, std::string folder, std::function<void()> quit)
    : request_(std::move(request)), folder_(std::move(folder)), quit_(std::move(quit)), command1_("E_xit", true) {
  set_title("Job Finished!");
  set_default_size(520, 190);

  text1_.set_name("Text1");
  text1_.set_editable(false);
  text1_.set_cursor_visible(false);
  text1_.set_wrap_mode(Gtk::WrapMode::WORD_CHAR);
  text1_.set_left_margin(6);
  text1_.set_right_margin(6);
  text1_.set_top_margin(6);
  text1_.get_buffer()->set_text("Saving " + request_.target_url + " ...");
  SetAccessibleName(text1_, "Result");
  scroll_.set_child(text1_);
  scroll_.set_vexpand(true);
  scroll_.set_policy(Gtk::PolicyType::AUTOMATIC, Gtk::PolicyType::AUTOMATIC);

  command1_.set_name("Command1");
  command1_.set_halign(Gtk::Align::END);
  SetAccessibleName(command1_, "Exit");
  command1_.signal_clicked().connect([this] { ShrinkAndExit(); });

  box_.set_margin(10);
  box_.append(scroll_);
  box_.append(command1_);
  set_child(box_);

  signal_close_request().connect(
      [this] {
        ShrinkAndExit();
        return true;
      },
      false);
  saved_.connect([this] { ShowOutcome(); });
  Glib::signal_timeout().connect_once([this] { StartSave(); }, kStartDelayMs);
}

JobWindow::~JobWindow() {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
}

void JobWindow::StartSave() {
  if (exiting_ || worker_.joinable()) return;
  worker_ = std::thread([this] {
    outcome_ = QuickSaveUrl(request_, folder_, &cancel_);
    saved_.emit();
  });
}

void JobWindow::ShowOutcome() {
  if (worker_.joinable()) worker_.join();
  if (exiting_) return;
  text1_.get_buffer()->set_text(outcome_.text);
  // The desktop decides about raising and stacking: a window cannot put itself above
  // others here, so it asks to be shown and focused.
  present();
  command1_.grab_focus();
}

void JobWindow::ShrinkAndExit() {
  if (exiting_) return;
  exiting_ = true;
  cancel_ = true;
  const int width = get_width();
  const int height = get_height();
  auto step = std::make_shared<int>(0);
  Glib::signal_timeout().connect(
      [this, step, width, height] {
        ++*step;
        // The toolkit keeps the window at its smallest size once reached.
        set_default_size(width - width * *step / kShrinkSteps, height - height * *step / kShrinkSteps);
        if (*step < kShrinkSteps) return true;
        if (worker_.joinable()) worker_.join();  // the cancelled transfer ends at once
        quit_();
        return false;
      },
      kShrinkStepMs);
}

}  // namespace zor::snavel
