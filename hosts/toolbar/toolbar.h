// Our toolbar control: the band/tool model behind every menu, tool bar, the tab
// strip, the status bar and the side bar. Toolkit-free: hosts/gtk renders it and
// turns toolkit signals into the events below; the logic and the tests use it as is.
//
// Pointer lifetime. Bands and tools live on the heap and never move, so a Band* or
// Tool* stays valid while other bands or tools are added or removed. It becomes
// invalid when its own tool is removed (remove, removeAll), when its band is removed
// (removeBand, which takes the band's tools with it), when the control is destroyed,
// and when a layout is loaded successfully (the whole model is replaced). A failed
// load invalidates nothing. The control itself keeps no pointers between bands: a
// side bar names its current child, and a tool names its submenu band.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zor::toolbar {

class Band;
class ToolbarControl;
class SkinReader;

// Control types of a tool. 0 and 5 are the ones the program sets itself.
enum ToolType : int {
  kButton = 0,
  kCombo = 1,
  kEdit = 2,
  kLabel = 3,
  kCustom = 4,  // hosts a control of the form (ctl_ tools)
  kSeparator = 5,
};

// Band types. 2 is a popup menu, as the program tests.
enum BandType : int {
  kToolbarBand = 0,
  kMenuBar = 1,
  kPopup = 2,
  kStatusBar = 3,
  kSideBar = 4,    // a frame holding child bands (tb_Leftbar)
  kChildBand = 5,  // a page of a side bar (cbnd_)
  kTabStrip = 6,   // tb_Tabs
};

// Where a band docks. The numeric values are the docking value the layout code reads.
enum Dock : int { kDockTop = 0, kDockBottom = 1, kDockLeft = 2, kDockRight = 3, kDockFloat = 4 };

// Opaque handle of a docked control; the GUI host owns what it points to.
struct CustomControl {
  virtual ~CustomControl() = default;
};

class Tool {
 public:
  Tool(int id, std::string name);

  std::string name;      // the command id ("b_back", "tabs-3"); writable
  int id = 0;            // numeric id (1500 + N for favorites, 50000 + N for tabs, ...)
  std::string caption;
  std::string tooltip;
  std::string tag;
  bool checked = false;
  bool enabled = true;
  bool visible = true;
  int control_type = kButton;
  int style = 0;         // 0 default, 1 icon only, 2 text only, 3 icon and text
  std::string submenu;   // name of the band this tool opens as a submenu, or empty
  std::string image;     // picture path relative to the program folder, "icon:<theme name>", or empty
  std::string shortcut;  // accelerators in GTK syntax, comma-separated ("<Control>t"), or empty
  int width = 0;         // pixels; 0 means natural width
  std::shared_ptr<CustomControl> custom;  // set by docking a form control into the tool

  // The band the tool stands in, or nullptr for tools only in the control's list.
  // Copying a tool copies its properties, never its place: a copy stands nowhere until
  // a collection takes it, and assigning to a tool leaves it in its band.
  Band* band() const { return place_.band; }

 private:
  friend class ToolCollection;
  friend class SkinReader;
  struct Place {
    Band* band = nullptr;
    Place() = default;
    Place(const Place&) {}
    Place& operator=(const Place&) { return *this; }
  };
  Place place_;
};

// An ordered collection of tools. A band's collection owns its tools; the control's
// collection of all tools owns the tools created through it.
// The accelerators of a tool's shortcut text, in their order (the first is the one menus show).
std::vector<std::string> ShortcutKeys(const std::string& shortcut);

class ToolCollection {
 public:
  explicit ToolCollection(Band* owner = nullptr, ToolbarControl* control = nullptr)
      : owner_(owner), control_(control) {}
  ToolCollection(const ToolCollection&) = delete;
  ToolCollection& operator=(const ToolCollection&) = delete;

  int count() const { return static_cast<int>(tools_.size()); }
  // Place 0 .. count-1 in band order; nullptr when out of range.
  Tool* at(int place) const;
  // First tool with exactly this name; nullptr when none.
  Tool* item(const std::string& name) const;
  // Place of `tool` in this collection, or -1.
  int indexOf(const Tool* tool) const;

  // Creates a new tool at the end of this collection and returns it.
  Tool* add(int id, const std::string& name);
  // Inserts a copy of `tool` at `place` (-1 or past the end: at the end); returns the copy.
  // The copy is a separate tool: the same id may stand in several bands.
  Tool* insert(int place, const Tool& tool);
  // Removes the tool at `place`; false when out of range.
  bool remove(int place);
  void removeAll();

  // Iterates over std::unique_ptr<Tool> in band order.
  auto begin() const { return tools_.begin(); }
  auto end() const { return tools_.end(); }

 private:
  friend class ToolbarControl;
  friend class SkinReader;
  void changed();
  Band* owner_;
  ToolbarControl* control_;
  std::vector<std::unique_ptr<Tool>> tools_;
};

class Band {
 public:
  Band(ToolbarControl* control, std::string name);
  Band(const Band&) = delete;
  Band& operator=(const Band&) = delete;

  std::string name;
  std::string caption;
  int type = kToolbarBand;
  bool visible = true;
  int dock_row = 0;       // docking row within its dock area
  int dock_position = 0;  // order within the row
  int docking = kDockTop;
  int extent = 0;         // pixels across the dock (width of a side bar); 0 = natural
  std::string parent;     // for child bands: the side bar they belong to
  std::string image;      // for child bands: the header's picture, as a tool's image

  ToolCollection& tools() { return tools_; }
  const ToolCollection& tools() const { return tools_; }

  // Child bands of a side bar: the control's bands of type kChildBand whose parent is
  // this band's name, in control order.
  std::vector<Band*> childBands() const;
  // The child band shown: the one last chosen while it still exists, else the first
  // child; nullptr when the band has no children.
  Band* currentChild() const;
  // Switches the shown child band and raises childBandChange with `child`. Only a real
  // change raises the event, so a view that mirrors the choice back causes no loop.
  // False (and no event) when `child` is not a child band of this band or already shown.
  bool setCurrentChild(Band* child);

  // Asks the view to show this band as a popup menu at the mouse pointer.
  void popupMenu();

  ToolbarControl* control() const { return control_; }

 private:
  friend class ToolbarControl;
  friend class SkinReader;
  ToolbarControl* control_;
  ToolCollection tools_;
  std::string current_child_;
};

// The events of the control. Cancel arguments are written by the handler.
// A handler may remove the band or tool it was given (closing a tab on a double click):
// the control does not touch the argument after the handler returns.
struct ToolbarEvents {
  std::function<void(Tool&)> toolClick;
  std::function<void(Band&, bool& cancel)> bandOpen;  // popup band about to open
  std::function<void(Band&)> bandClose;
  std::function<void(Tool&)> toolDblClick;
  std::function<void(Tool&)> toolMiddleClick;  // the middle button clicked on a tool
  std::function<void(Band&)> bandResize;
  std::function<void(Tool&)> mouseEnter;  // pointer entered a tool
  std::function<void(Tool&)> mouseLeave;  // pointer left a tool
  std::function<void(Band&)> childBandChange;  // the side bar's shown child; gets the child
  std::function<void(int16_t& cancel)> queryUnload;  // close request; non-zero cancels
};

// What the control asks of whoever shows it (the GTK view, or a test recorder).
class ToolbarView {
 public:
  virtual ~ToolbarView() = default;
  virtual void recalcLayout() = 0;
  virtual void redraw() = 0;
  // Shows `band` at the pointer. The view raises bandOpen first, as for any popup.
  virtual void popupMenu(Band& band) = 0;
  // A band was created or removed at run time, a tool was added to or removed from a
  // collection, or a new layout was loaded. Comes once per change, so a view with much
  // to rebuild should compare ToolbarControl::revision() later rather than rebuild here.
  virtual void structureChanged() {}
};

class ToolbarControl {
 public:
  ToolbarControl();
  ~ToolbarControl();
  ToolbarControl(const ToolbarControl&) = delete;
  ToolbarControl& operator=(const ToolbarControl&) = delete;

  // Loads the whole layout from a skin file (name, path, 1), replacing any layout held
  // (docked custom controls included). `name` and `flags` are taken for the program's
  // call form and ignored. False with `error` set when the file cannot be read
  // ("<path>: cannot read: <reason>") or is malformed ("<path>:<line>: <reason>");
  // on failure the previous layout stays.
  bool loadLayout(const std::string& name, const std::string& path, int flags, std::string* error = nullptr);
  // Same, from text (the file name is used in messages only).
  bool loadLayoutText(const std::string& text, const std::string& file_name, std::string* error = nullptr);

  // Bands in control order.
  int bandCount() const { return static_cast<int>(bands_.size()); }
  Band* bandAt(int place) const;
  Band* band(const std::string& name) const;
  const std::vector<std::unique_ptr<Band>>& bands() const { return bands_; }
  // Creates a band at the end (or returns the existing one of that name); nullptr for
  // an empty name.
  Band* addBand(const std::string& name);
  // Removes the band and its tools; false when there is none of that name. Child bands
  // of a removed side bar stay, without a frame to show them.
  bool removeBand(const std::string& name);

  // The control's collection of all tools (tools that belong to no band live here).
  ToolCollection& tools() { return all_tools_; }
  const ToolCollection& tools() const { return all_tools_; }
  // Every tool of every band, in band order, then the control's own list. A tool inserted
  // into a band is a copy, so a tool made in the control's list and inserted into a band
  // appears twice: once as the band's tool, once as the list's.
  std::vector<Tool*> allTools() const;
  // The first tool of this name in band `band_name`; nullptr when band or tool is missing.
  Tool* tool(const std::string& band_name, const std::string& tool_name) const;

  // Counts structural changes (bands or tools added or removed, layouts loaded). Property
  // changes (captions, checked states) do not count: they reach the screen on redraw().
  std::uint64_t revision() const { return revision_; }

  // Structural changes made while a Batch lives reach the view once, as the outermost
  // batch ends: a view that rebuilds on every change would otherwise take quadratic time
  // over a list file's tens of thousands of tools.
  class Batch {
   public:
    explicit Batch(ToolbarControl& control) : control_(control) { ++control_.batch_depth_; }
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    ToolbarControl& control_;
  };

  // Forwarded to the view; nothing happens without one.
  void recalcLayout();
  void redraw();

  ToolbarEvents events;
  void setView(ToolbarView* view) { view_ = view; }
  ToolbarView* view() const { return view_; }

  // Raising the events (the view calls these; tests too). A missing handler cancels nothing.
  void fireToolClick(Tool& tool);
  bool fireBandOpen(Band& band);  // true when the opening was cancelled
  void fireBandClose(Band& band);
  void fireToolDblClick(Tool& tool);
  void fireToolMiddleClick(Tool& tool);
  void fireBandResize(Band& band);
  void fireMouseEnter(Tool& tool);
  void fireMouseLeave(Tool& tool);
  void fireChildBandChange(Band& band);
  bool fireQueryUnload();  // true when the close was cancelled

 private:
  friend class ToolCollection;
  friend class Band;
  friend class SkinReader;
  void structureChanged();
  std::vector<std::unique_ptr<Band>> bands_;
  ToolCollection all_tools_;
  ToolbarView* view_ = nullptr;
  std::uint64_t revision_ = 0;
  int batch_depth_ = 0;
  bool batch_changed_ = false;
};

}  // namespace zor::toolbar
