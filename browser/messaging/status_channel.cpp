#include "browser/messaging/status_channel.h"

namespace zor::messaging {

void StatusChannel::Replace(const std::string& text) {
  text_ = text;
  if (onShow) onShow(text_);
}

void StatusChannel::SetText(const std::string& text) {
  // An unchanged text raises no change, as with the platform's text box.
  if (text == text_) return;
  Replace(text);
  if (onChange) onChange(text_);
}

void StatusChannel::ShowPageStatus(const std::string& text) {
  if (text != text_) Replace(text);
}

}  // namespace zor::messaging
