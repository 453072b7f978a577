// The main window as the logic sees it: caption, window state, questions answered
// synchronously, and the few desktop services start-up needs.
#pragma once

#include <string>

namespace zor::hosts {

enum class MessageButtons { kOk, kOkCancel, kYesNo };
enum class MessageResult { kOk, kCancel, kYes, kNo };

class MainWindowHost {
 public:
  virtual ~MainWindowHost() = default;

  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
  virtual void Show() = 0;
  virtual void Maximize() = 0;

  // A plain message box; returns once the user answered.
  virtual MessageResult MessageBox(const std::string& text, MessageButtons buttons = MessageButtons::kOk,
                                   const std::string& title = {}) = 0;

  // The address box (cbo_Input): its list and text.
  virtual void AddAddressItem(const std::string& item) = 0;
  virtual void SetAddressText(const std::string& text) = 0;
  virtual std::string AddressText() const = 0;

  // The picture of the progress bar (pic_PBimg); false when it cannot be loaded.
  virtual bool LoadProgressImage(const std::string& path) = 0;
};

}  // namespace zor::hosts
