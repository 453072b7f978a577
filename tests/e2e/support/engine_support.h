// What the GUI and engine tests share: GTK set up once per test program, a main-loop
// wait, and the loopback HTTP server.
#pragma once

#include <gtest/gtest.h>
#include <gtkmm.h>
#include <gtkmm/init.h>

#include <chrono>
#include <functional>
#include <thread>

#include "e2e/support/loopback_server.h"

namespace zor::e2e {

class GtkEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    gtk_init();
    Gtk::init_gtkmm_internals();
  }
};
// One registration for the whole program, however many files include this.
inline const auto* const kGtkEnvironment = ::testing::AddGlobalTestEnvironment(new GtkEnvironment);

// Runs the main loop until `done` holds or the (sanitizer-sized) time runs out.
inline bool PumpUntil(const std::function<bool()>& done, double seconds = 40) {
  auto context = Glib::MainContext::get_default();
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    context->iteration(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// Lets the main loop run for a while (for "nothing happens" checks).
inline void Pump(double seconds) { PumpUntil([] { return false; }, seconds); }

}  // namespace zor::e2e
