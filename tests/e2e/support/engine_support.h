// What the GUI and engine tests share: GTK set up once per test program, a main-loop
// wait, and the loopback HTTP server.
#pragma once

#include <gtest/gtest.h>
#include <gtkmm.h>
#include <gtkmm/init.h>

#include <chrono>
#include <filesystem>
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

// Removes a profile folder left by an earlier window. That window's web processes may
// still be writing into it (storage, caches), so a removal that races them is retried.
inline void RemoveProfileFolder(const std::filesystem::path& folder) {
  std::error_code error;
  for (int tries = 0; tries < 40; ++tries) {
    if (std::filesystem::remove_all(folder, error) != static_cast<std::uintmax_t>(-1)) return;
    Pump(0.05);
  }
  ADD_FAILURE() << "cannot remove " << folder << ": " << error.message();
}

}  // namespace zor::e2e
