// The dialogs of downloads: the save dialog and the question about a page's own download.
// Neither blocks: each answers through its callback, so the
// pages keep running (and keep being guarded) while it is open.
#pragma once

#include <gtkmm.h>

#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>

#include "hosts/downloads.h"

namespace zor::gtk {

class DownloadDialogs {
 public:
  explicit DownloadDialogs(Gtk::Window& parent) : parent_(parent) {}
  ~DownloadDialogs();
  DownloadDialogs(const DownloadDialogs&) = delete;
  DownloadDialogs& operator=(const DownloadDialogs&) = delete;

  void AskSaveAs(const std::string& title, const std::string& folder, const std::string& name,
                 std::function<void(std::optional<hosts::SaveChoice>)> done);
  void AskYesNo(const std::string& question, std::function<void(bool)> done);

  // For tests, which answer the open dialogs as the user would (the oldest first).
  int OpenQuestions() const { return Count(Kind::kQuestion); }
  int OpenSaveDialogs() const { return Count(Kind::kSave); }
  int QuestionsAsked() const { return questions_asked_; }
  // The title, folder and name the oldest open save dialog shows.
  std::string SaveTitle() const;
  std::string SaveFolder() const;
  std::string SaveName() const;
  bool AnswerQuestion(bool yes);
  // Saves as `path` (nullopt: Cancel). `replace_confirmed` stands for the user's answer
  // to the dialog's own "Replace?" question, which only a real click can give.
  bool AnswerSave(const std::optional<std::string>& path, bool replace_confirmed);

 private:
  enum class Kind { kQuestion, kSave };
  struct Open {
    Kind kind;
    std::unique_ptr<Gtk::Dialog> dialog;
    std::function<void(int response)> answer;
  };
  int Count(Kind kind) const;
  Open* Oldest(Kind kind);
  void Show(Kind kind, std::unique_ptr<Gtk::Dialog> dialog, std::function<void(int)> answer);
  void Respond(Gtk::Dialog* dialog, int response);

  Gtk::Window& parent_;
  std::list<Open> open_;
  int questions_asked_ = 0;
  // What a test answers in place of the user's typing and clicking.
  std::optional<std::string> answered_path_;
  bool replace_confirmed_ = true;  // a real dialog asked before accepting
};

}  // namespace zor::gtk
