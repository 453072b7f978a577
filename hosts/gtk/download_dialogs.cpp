#include "hosts/gtk/download_dialogs.h"

#include <glib.h>

#include <utility>

namespace zor::gtk {

DownloadDialogs::~DownloadDialogs() {
  // Unanswered dialogs go with the window; their downloads are cancelled by the engine host.
  for (Open& open : open_) open.dialog->set_visible(false);
}

int DownloadDialogs::Count(Kind kind) const {
  int n = 0;
  for (const Open& open : open_) n += open.kind == kind ? 1 : 0;
  return n;
}

DownloadDialogs::Open* DownloadDialogs::Oldest(Kind kind) {
  for (Open& open : open_)
    if (open.kind == kind) return &open;
  return nullptr;
}

void DownloadDialogs::Show(Kind kind, std::unique_ptr<Gtk::Dialog> dialog, std::function<void(int)> answer) {
  Gtk::Dialog* raw = dialog.get();
  // Closed from its title bar it must stay alive until its answer has been read.
  raw->set_hide_on_close(true);
  if (parent_.get_visible()) raw->set_transient_for(parent_);
  raw->signal_response().connect([this, raw](int response) { Respond(raw, response); });
  open_.push_back({kind, std::move(dialog), std::move(answer)});
  raw->present();
}

void DownloadDialogs::Respond(Gtk::Dialog* dialog, int response) {
  for (auto it = open_.begin(); it != open_.end(); ++it) {
    if (it->dialog.get() != dialog) continue;
    Open done = std::move(*it);
    open_.erase(it);
    done.dialog->set_visible(false);
    if (done.answer) done.answer(response);
    // Freed once its own signal emission is over.
    std::shared_ptr<Gtk::Dialog> gone(std::move(done.dialog));
    Glib::signal_idle().connect_once([gone] {});
    return;
  }
}

void DownloadDialogs::AskSaveAs(const std::string& title, const std::string& folder, const std::string& name,
                                std::function<void(std::optional<hosts::SaveChoice>)> done) {
  auto dialog = std::make_unique<Gtk::FileChooserDialog>(title, Gtk::FileChooser::Action::SAVE);
  dialog->set_modal(true);
  dialog->add_button("_Cancel", Gtk::ResponseType::CANCEL);
  dialog->add_button("_Save", Gtk::ResponseType::ACCEPT);
  dialog->set_default_response(Gtk::ResponseType::ACCEPT);
  try {
    dialog->set_current_folder(Gio::File::create_for_path(folder));
  } catch (const Glib::Error&) {
    // A folder that has gone: the dialog's own start folder will do.
  }
  dialog->set_current_name(name);
  Gtk::FileChooserDialog* chooser = dialog.get();
  Show(Kind::kSave, std::move(dialog), [this, chooser, done = std::move(done)](int response) {
    std::optional<hosts::SaveChoice> choice;
    auto file = chooser->get_file();
    const std::string path = answered_path_ ? *answered_path_ : file ? file->get_path() : std::string();
    answered_path_.reset();
    if (response == Gtk::ResponseType::ACCEPT && !path.empty()) {
      choice = hosts::SaveChoice{path, false};
      // The chooser asks before accepting an existing file; a file that is there now was
      // confirmed (one that appears later is not, and the engine will not replace it).
      choice->replace = replace_confirmed_ && g_file_test(choice->path.c_str(), G_FILE_TEST_EXISTS);
    }
    replace_confirmed_ = true;
    done(choice);
  });
}

void DownloadDialogs::AskYesNo(const std::string& question, std::function<void(bool)> done) {
  ++questions_asked_;
  auto dialog = std::make_unique<Gtk::MessageDialog>(question, false, Gtk::MessageType::QUESTION,
                                                     Gtk::ButtonsType::YES_NO, false);
  dialog->set_title(Glib::get_application_name());
  // The safe answer is the default: Enter does not let the download through.
  dialog->set_default_response(Gtk::ResponseType::NO);
  Show(Kind::kQuestion, std::move(dialog),
       [done = std::move(done)](int response) { done(response == Gtk::ResponseType::YES); });
}

std::string DownloadDialogs::SaveTitle() const {
  for (const Open& open : open_)
    if (open.kind == Kind::kSave) return open.dialog->get_title();
  return {};
}

std::string DownloadDialogs::SaveFolder() const {
  for (const Open& open : open_)
    if (open.kind == Kind::kSave) {
      auto folder = static_cast<Gtk::FileChooserDialog*>(open.dialog.get())->get_current_folder();
      return folder ? folder->get_path() : std::string();
    }
  return {};
}

std::string DownloadDialogs::SaveName() const {
  for (const Open& open : open_)
    if (open.kind == Kind::kSave) return static_cast<Gtk::FileChooserDialog*>(open.dialog.get())->get_current_name();
  return {};
}

bool DownloadDialogs::AnswerQuestion(bool yes) {
  Open* open = Oldest(Kind::kQuestion);
  if (!open) return false;
  open->dialog->response(yes ? Gtk::ResponseType::YES : Gtk::ResponseType::NO);
  return true;
}

bool DownloadDialogs::AnswerSave(const std::optional<std::string>& path, bool replace_confirmed) {
  Open* open = Oldest(Kind::kSave);
  if (!open) return false;
  auto* chooser = static_cast<Gtk::FileChooserDialog*>(open->dialog.get());
  if (!path) {
    Respond(chooser, Gtk::ResponseType::CANCEL);
    return true;
  }
  answered_path_ = *path;
  replace_confirmed_ = replace_confirmed;
  // Straight to our handler: the chooser lets only its own Save button accept.
  Respond(chooser, Gtk::ResponseType::ACCEPT);
  return true;
}

}  // namespace zor::gtk
