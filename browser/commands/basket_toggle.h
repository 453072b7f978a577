// The link basket tool "b_opengetbar": creates Carrowel's ZORBasket by its class name and
// hands it the status box, or ends it. The tool's checked state says whether a basket is
// open; the basket's own Exit unchecks it through the status box ("ZOR_close").
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "browser/shell/chrome.h"
#include "common/dispatch.h"

namespace zor::commands {

class BasketToggle {
 public:
  // `create` makes an object of a class by name; nullptr when the library cannot.
  using Creator = std::function<std::unique_ptr<DispatchObject>(const std::string& class_name)>;
  BasketToggle(shell::Chrome& chrome, Creator create) : c_(chrome), create_(std::move(create)) {}
  // An open basket goes with the browser.
  ~BasketToggle();
  BasketToggle(const BasketToggle&) = delete;
  BasketToggle& operator=(const BasketToggle&) = delete;

  // Wires the tool's click and the start-up setting (hooks.toggleBasket) to ToggleBasket.
  void Install();
  // Without the library the tool stays unchecked, the user is told once
  // (msg_BasketMissing) and the hook is taken away again: the run is one without a
  // basket, so Browser.ini keeps the user's OPENGETBAR.
  void ToggleBasket();

 private:
  toolbar::Tool* Tool() const;

  shell::Chrome& c_;
  Creator create_;
  std::unique_ptr<DispatchObject> basket_;
  bool told_missing_ = false;
};

}  // namespace zor::commands
