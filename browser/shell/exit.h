// The exit sequence: the question once per close, the open pages into LastPages.ini
// within the time budget, the settings, and the clean-up.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "browser/shell/chrome.h"
#include "browser/shell/layout.h"
#include "browser/shell/recovery.h"
#include "browser/shell/settings.h"
#include "browser/shell/tabs.h"

namespace zor::shell {

class ExitSequence {
 public:
  ExitSequence(Chrome& chrome, Tabs& tabs, WindowLayout& layout, Settings& settings, Recovery& recovery)
      : c_(chrome), tabs_(tabs), layout_(layout), settings_(settings), recovery_(recovery) {}

  void QuitBrowser();
  void AskExit(int16_t& cancel);
  // The window's close check: false keeps the window open. When it returns true the
  // pages are saved and closed, the settings written, and the program may end.
  bool CloseCheck();

  bool ExitAsked = false;
  bool ExitCancelled = false;
  // The clock of the exit budget (replaceable in tests).
  std::function<std::chrono::steady_clock::time_point()> Clock = [] { return std::chrono::steady_clock::now(); };
  static constexpr std::chrono::seconds kExitBudget{30};

 private:
  Chrome& c_;
  Tabs& tabs_;
  WindowLayout& layout_;
  Settings& settings_;
  Recovery& recovery_;
};

}  // namespace zor::shell
