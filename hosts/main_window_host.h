// The main window as the logic sees it: caption, window state, questions answered
// synchronously, and the few desktop services start-up needs.
#pragma once

#include <cmath>
#include <optional>
#include <string>

namespace zor::hosts {

// Width in pixels of the progress picture shown for `percent` of an area `area_width` wide.
inline int ProgressBarPixels(int area_width, int percent) {
  if (area_width <= 0 || percent <= 0) return 0;
  if (percent >= 100) return area_width;
  // Halves to even, as the percentage itself.
  return static_cast<int>(std::nearbyint(static_cast<double>(area_width) * percent / 100.0));
}

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

  // True when the box's selection covers its whole text (an empty text included).
  virtual bool AddressAllSelected() const { return true; }
  virtual void SelectAllAddress() {}
  // Left edge of a band as laid out now, in pixels from the window's left (0 when unknown).
  virtual int BandLeft(const std::string& band) const {
    (void)band;
    return 0;
  }
  // The per-user store of typed addresses (an INI file); empty when there is none.
  virtual std::string TypedUrlsFile() const { return {}; }

  // The progress area: the picture clipped to `percent` of the width, on the lighter
  // background while `loading`, with `label` centred over it.
  virtual void DrawProgress(int percent, bool loading, const std::string& label) {
    (void)percent, (void)loading, (void)label;
  }

  // The picture of the progress bar (pic_PBimg); false when it cannot be loaded.
  virtual bool LoadProgressImage(const std::string& path) = 0;

  // Window state. Sizes are pixels; the logic converts to its own units.
  virtual bool IsMaximized() const = 0;
  virtual bool IsMinimized() const = 0;
  virtual int InnerWidth() const = 0;
  // Size of the window when it is neither maximised nor full screen.
  virtual void GetNormalSize(int& width, int& height) const = 0;
  virtual void SetNormalSize(int width, int height) = 0;
  virtual void Unmaximize() = 0;
  virtual bool IsVisible() const = 0;
  virtual void SetFullScreen(bool on) = 0;
  virtual void SetDecorated(bool on) = 0;  // the caption bar
  virtual void Close() = 0;                 // as the user's close: the close check applies

  // Lets pending window events run once, without blocking.
  virtual void ProcessPendingEvents() = 0;
  // An input box; nullopt when cancelled.
  virtual std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                              const std::string& default_text) = 0;
  // An open-file dialog with a filter of "description|pattern|..." pairs; empty when cancelled.
  virtual std::string OpenFileDialog(const std::string& filter) = 0;

  // Cut, copy or paste: `key` ('X', 'C' or 'V') with Ctrl, as it reaches the widget
  // holding the keyboard focus; delivered before the call returns.
  virtual void SendControlKey(char key) { (void)key; }
  // A disabled window takes no input (while a modal tool window is up).
  virtual void SetEnabled(bool on) { (void)on; }
  // Waits for the next window event and runs it with whatever else is pending.
  virtual void WaitForEvents() { ProcessPendingEvents(); }
  // Opens the Internet-options window on its page `page` (0 general, 1 security) and
  // returns its task identifier (see WindowSystem::ProcessOf); 0 when it cannot open.
  virtual int StartInternetOptions(int page) {
    (void)page;
    return 0;
  }
  virtual bool TaskRunning(int task) const {
    (void)task;
    return false;
  }
  // Plays a sound file once, without waiting; a file that cannot be played is skipped.
  virtual void PlaySound(const std::string& path) { (void)path; }
};

}  // namespace zor::hosts
