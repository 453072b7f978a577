// txt_status: the status box that shows the current page's status text and is the
// command channel of Corvane, Carrowel and the input hook. A writer's SetText runs the
// change handler before it returns; text a web page causes to appear is only shown.
#pragma once

#include <functional>
#include <string>

#include "common/status_box.h"

namespace zor::messaging {

class StatusChannel : public StatusBox {
 public:
  // Called on every change of the text, commands included (they are cleared at once).
  std::function<void(const std::string& text)> onShow;
  // Called with each text written through SetText; the handler decides what it means.
  std::function<void(const std::string& text)> onChange;

  // The writers' way in: the change handler runs synchronously.
  void SetText(const std::string& text) override;
  std::string Text() const override { return text_; }

  // A page's status text: shown, never taken as a command.
  void ShowPageStatus(const std::string& text);

 private:
  void Replace(const std::string& text);
  std::string text_;
};

}  // namespace zor::messaging
