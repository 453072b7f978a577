// The download host: records what the logic asks and keeps its dialogs open until the
// test answers them.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "hosts/downloads.h"

namespace zor::fakes {

class FakeDownloadHost : public hosts::DownloadHost {
 public:
  struct Question {
    int page;
    std::string text;
    std::function<void(bool)> done;
  };
  struct Save {
    int page;
    std::string title, folder, name;
    std::function<void(std::optional<hosts::SaveChoice>)> done;
  };

  std::string DownloadsFolder() const override { return downloads_folder; }
  void AskSaveAs(int page, const std::string& title, const std::string& folder, const std::string& name,
                 std::function<void(std::optional<hosts::SaveChoice>)> done) override {
    saves.push_back({page, title, folder, name, std::move(done)});
    ++saves_shown;
  }
  void AskYesNo(int page, const std::string& question, std::function<void(bool)> done) override {
    questions.push_back({page, question, std::move(done)});
    asked.push_back(question);
  }
  void SetDestination(int id, const std::string& path, bool allow_overwrite) override {
    calls.push_back("save " + std::to_string(id) + " " + path + (allow_overwrite ? " replacing" : ""));
  }
  void Cancel(int id) override { calls.push_back("cancel " + std::to_string(id)); }

  void Start(int id, int page, const std::string& name, bool gesture = false) {
    events.started({id, page, name, "http://127.0.0.1/" + name, gesture});
  }
  // Answers the oldest open question or save dialog.
  void Answer(bool yes) {
    Question q = std::move(questions.front());
    questions.pop_front();
    q.done(yes);
  }
  void Choose(std::optional<hosts::SaveChoice> choice) {
    Save s = std::move(saves.front());
    saves.pop_front();
    s.done(std::move(choice));
  }

  std::string downloads_folder = "/home/user/Downloads";
  std::deque<Question> questions;  // open
  std::deque<Save> saves;          // open
  std::vector<std::string> asked;  // every question, in order
  int saves_shown = 0;
  std::vector<std::string> calls;
};

}  // namespace zor::fakes
