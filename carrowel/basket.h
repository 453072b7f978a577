// The link basket: the floating window's list of collected entries (dropped texts and the
// paths of saved copies of dropped files), its caption and size, and the commands of its
// menu. There is one basket per process; its window is a view over this state.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/dispatch.h"
#include "common/status_box.h"

namespace zor::carrowel {

class Basket;

// The basket's window. Without one the basket still works; nothing is shown then.
class BasketView {
 public:
  virtual ~BasketView() = default;
  virtual void Show() = 0;    // modeless, above other windows, translucent where possible
  virtual void Close() = 0;   // the window goes; no call reaches the basket afterwards
  virtual void Update() = 0;  // entries, selection, caption or size changed
  // The open or save dialog over "*.LSV" files (all files as the second filter): the
  // file chosen, or nullopt when cancelled.
  virtual std::optional<std::string> ChooseFile(bool save) = 0;
  // A message with an OK button and no title.
  virtual void Message(const std::string& text) = 0;
  virtual void SetClipboard(const std::string& text) = 0;
};

struct BasketEnvironment {
  std::string library_folder;  // Requires/; lng.ini and SavedFiles/ are in its parent
  std::function<std::unique_ptr<BasketView>(Basket&)> makeView;
};

// One item of the basket's menu: its name, lng.ini key and built-in caption.
struct MenuItem {
  const char* name;  // "-" for a separator
  const char* key;
  const char* caption;
  bool per_item;  // enabled only while an entry is selected
};
extern const std::vector<MenuItem> kPopupMenu;

class Basket {
 public:
  // Window sizes in twips (15 per pixel).
  static constexpr int kCollapsedTwips = 510;
  static constexpr int kExpandedWidthTwips = 2805;
  static constexpr int kExpandedHeightTwips = 2040;
  static constexpr int kTwipsPerPixel = 15;

  // Reads the texts from lng.ini and shows the window, collapsed.
  explicit Basket(const BasketEnvironment& env);
  ~Basket();
  Basket(const Basket&) = delete;
  Basket& operator=(const Basket&) = delete;

  // The browser's status box the commands are written into; null: they go nowhere.
  StatusBox* texthwnd = nullptr;
  std::vector<std::string> List1;
  std::set<int> selected;
  int current = -1;         // the entry with the focus, or -1
  std::string CaptionText;  // lbl_Caption from lng.ini and three blanks
  std::string lbl_Caption;  // the label now
  bool expanded = false;

  // The menu's captions, in kPopupMenu order (separators empty).
  const std::vector<std::string>& MenuCaptions() const { return menu_captions_; }
  int WidthTwips() const { return expanded ? kExpandedWidthTwips : kCollapsedTwips; }
  int HeightTwips() const { return expanded ? kExpandedHeightTwips : kCollapsedTwips; }
  bool Closed() const { return closed_; }
  BasketView* view() const { return view_.get(); }

  void Expand();
  // Back to the icon's size, the caption shown again.
  void Collapse();
  // A text dropped on the icon: one entry; the window keeps its size and caption.
  void DropText(const std::string& text);
  // Files dropped on the icon: each copied into SavedFiles (replacing a copy of the same
  // name) and the copy's path listed, whether or not the copy worked; then the window
  // expands and says " File Saved!".
  void DropFiles(const std::vector<std::string>& paths);
  // The selection as the user set it.
  void Select(const std::set<int>& entries, int current_entry);
  // Open, copy one, save one and delete one need a selected entry.
  bool ItemCommandsEnabled() const;
  // The Delete key: the current entry goes; the one before it (or the first) is selected.
  void DeleteKey();

  // A menu item by name ("b_open", "b_CopyOne", ...); false for an unknown or disabled one.
  bool Command(const std::string& item);
  void Open();
  void CopyOne();
  void CopyAll();
  void DelOne();
  void DelAll();
  // "ZOR_close" to the browser, then the window goes.
  void Exit();
  // The file commands with the file already chosen. A file that cannot be read or
  // written is named in a message and the list stays as it was; false then.
  bool SaveSelectedTo(const std::string& path);
  bool SaveAllTo(const std::string& path);
  bool LoadFrom(const std::string& path);
  // The window goes and the list with it.
  void Close();

  std::string LngPath() const;
  std::string SavedFilesFolder() const;

 private:
  std::string Text(const char* key) const;
  bool Write(const std::string& path, const std::string& text);
  void Send(const std::string& command);
  void Updated();
  std::vector<std::string> SelectedEntries() const;

  const BasketEnvironment& env_;
  std::vector<std::string> menu_captions_;
  bool closed_ = false;
  std::unique_ptr<BasketView> view_;
};

// The process-wide environment; the library fills it when it is loaded.
BasketEnvironment& Environment();
// The basket now open, or nullptr.
Basket* OpenBasket();

// ZORBasket: creating one shows the basket (a new one unless one is open); its methods are
// called by name: "TransHWND" (the status box; an empty value is ignored) and "gameover"
// (the basket closes).
class BasketObject : public DispatchObject {
 public:
  BasketObject();
  bool Invoke(const std::string& name, const std::vector<DispatchValue>& args, DispatchValue* result) override;
};

}  // namespace zor::carrowel
