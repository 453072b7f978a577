// Snavel's window: the result of the save and an exit button.
#pragma once

#include <gtkmm.h>

#include <atomic>
#include <functional>
#include <thread>

#include "snavel/quick_save.h"

namespace zor::snavel {

class JobWindow : public Gtk::Window {
 public:
  // `quit` ends the program once the window has shrunk away.
  JobWindow(QuickSaveRequest request, std::string folder, std::function<void()> quit);
  ~JobWindow() override;

 private:
  void StartSave();
  void ShowOutcome();
  void ShrinkAndExit();

  QuickSaveRequest request_;
  std::string folder_;
  std::function<void()> quit_;

  Gtk::Box box_{Gtk::Orientation::VERTICAL, 8};
  Gtk::ScrolledWindow scroll_;
  Gtk::TextView text1_;
  Gtk::Button command1_;

  // The save runs on its own thread so the window keeps answering; the dispatcher brings
  // its outcome back to the main loop.
  std::thread worker_;
  std::atomic<bool> cancel_{false};
  SaveOutcome outcome_;
  Glib::Dispatcher saved_;
  bool exiting_ = false;
};

}  // namespace zor::snavel
