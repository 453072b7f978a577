// Calls the commands make into parts of the program that arrive later (export,
// translation, favorites, the side panel's history, the blocked-pages list) and the
// page queries the page interface does not carry. Each does nothing while unset; a
// command whose hook is unset skips that step.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zor::commands {

// How a program run by the commands ended: not started (`error` says why), or its exit status
// and what it printed.
struct ProgramRun {
  bool started = false;
  int status = -1;
  std::string output;
  std::string error;
};

struct CommandHooks {
  // Page extraction and export. ViewLinks uses the dispatcher's LinkFilter once and clears it.
  std::function<void(int page)> viewLinks;
  std::function<void(bool save_mode, int page)> quickSave;
  std::function<void(const std::string& to, const std::string& subject, const std::string& body)> sendMail;
  std::function<void()> startMailProgram;

  // Translation services.
  std::function<std::string(int service, const std::string& address)> getTranslationUrl;
  std::function<void()> editTranslationList;

  // Favorites.
  std::function<void(const std::string& address, const std::string& title)> addFavorite;
  std::function<void()> rebuildFavorites;
  std::function<std::string(int favorite)> favoriteUrl;
  std::function<void(bool import)> importExportFav;
  // The band's own update when the Favorites menu is about to open.
  std::function<void()> updateFavoritesBand;
  // The history instance of the side panel.
  std::function<void(bool force)> refreshHistory;

  // The addresses behind the blocked and closed pages menu, 1..10.
  std::function<std::string(int entry)> blockedUrl;
  // Takes the newest of them out of the menu: its address, or empty when none is left.
  std::function<std::string()> takeNewestBlocked;

  // Page queries answered by the engine. The text-size level of a page (0..4), or -1
  // when it cannot be read.
  std::function<int(int page)> zoomLevel;
  // Whether the page's document would carry out `command` ("undo", "copy", ...) now;
  // `answer` runs later, and never after the page is gone.
  std::function<void(int page, const std::string& command, std::function<void(bool)> answer)> queryCommandEnabled;

  // Runs a program (argv[0] looked up on PATH) without waiting for it; `done` runs when it ends.
  std::function<void(const std::vector<std::string>& argv, std::function<void(const ProgramRun&)> done)> runProgram;
};

}  // namespace zor::commands
