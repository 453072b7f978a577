#include "browser/commands/basket_toggle.h"

#include <exception>

#include "common/ini_text.h"

namespace zor::commands {

namespace {

// A failing basket call is skipped, as a failing step of any command.
void Call(DispatchObject& object, const std::string& name, const std::vector<DispatchValue>& args = {}) {
  try {
    object.Invoke(name, args);
  } catch (const std::exception&) {
  }
}

}  // namespace

BasketToggle::~BasketToggle() {
  const toolbar::Tool* tool = Tool();
  if (basket_ && tool && tool->checked) Call(*basket_, "gameover");
}

toolbar::Tool* BasketToggle::Tool() const { return c_.ab_Main.tool("sub_Usetools", "b_opengetbar"); }

void BasketToggle::Install() {
  c_.hooks.toggleBasket = [this] { ToggleBasket(); };
}

void BasketToggle::ToggleBasket() {
  toolbar::Tool* tool = Tool();
  if (tool && tool->checked) {
    if (basket_) Call(*basket_, "gameover");
    basket_.reset();
    tool->checked = false;
    return;
  }
  std::unique_ptr<DispatchObject> created;
  if (create_) {
    try {
      created = create_(kBasketClass);
    } catch (const std::exception&) {
    }
  }
  if (!created) {
    if (!told_missing_) {
      told_missing_ = true;
      std::string text = ReadIniText(c_.files.LngFile(), "ZOR_Main", "msg_BasketMissing");
      if (text.empty()) text = "The link basket (Requires/libcarrowel.so) could not be loaded.";
      c_.window.MessageBox(text);
    }
    if (tool) tool->checked = false;
    c_.hooks.toggleBasket = nullptr;
    return;
  }
  basket_ = std::move(created);
  Call(*basket_, "TransHWND", {static_cast<StatusBox*>(&c_.txt_status)});
  if (tool) tool->checked = true;
}

}  // namespace zor::commands
