// Our toolbar control: the band/tool model behind every menu, tool bar, the tab
// strip, the status bar and the side bar. Toolkit-free: hosts/gtk renders it and
// turns toolkit signals into the events below; the logic and the tests use it as is.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zor::toolbar {

class Band;
class ToolbarControl;

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
  std::string shortcut;  // accelerator in GTK syntax ("<Control>t"), or empty
  int width = 0;         // pixels; 0 means natural width
  std::shared_ptr<CustomControl> custom;  // set by docking a form control into the tool

  // The band the tool stands in, or nullptr for tools only in the control's list.
  Band* band() const { return band_; }

 private:
  friend class ToolCollection;
  Band* band_ = nullptr;
};

// An ordered collection of tools. A band's collection owns its tools; the control's
// collection of all tools owns the tools created through it.
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
  int indexOf(const Tool* tool) const;

  // Creates a new tool at the end of this collection and returns it.
  Tool* add(int id, const std::string& name);
  // Inserts a copy of `tool` at `place` (-1 or past the end: at the end); returns the copy.
  // The copy is a separate tool: the same id may stand in several bands.
  Tool* insert(int place, const Tool& tool);
  // Removes the tool at `place`; false when out of range.
  bool remove(int place);
  void removeAll();

  auto begin() const { return tools_.begin(); }
  auto end() const { return tools_.end(); }

 private:
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

  ToolCollection& tools() { return tools_; }
  const ToolCollection& tools() const { return tools_; }

  // Child bands of a side bar, in order, and the one currently shown.
  std::vector<Band*> childBands() const;
  Band* currentChild() const;
  // Switches the shown child band and raises the child-band-changed event.
  void setCurrentChild(Band* child);

  // Asks the view to show this band as a popup menu at the mouse pointer.
  void popupMenu();

  ToolbarControl* control() const { return control_; }

 private:
  ToolbarControl* control_;
  ToolCollection tools_;
  std::string current_child_;
};

// The eight events of the control. Cancel arguments are written by the handler.
struct ToolbarEvents {
  std::function<void(Tool&)> toolClick;
  std::function<void(Band&, bool& cancel)> bandOpen;  // popup band about to open
  std::function<void(Band&)> bandClose;
  std::function<void(Tool&)> toolDblClick;
  std::function<void(Band&)> bandResize;
  std::function<void(Tool&)> mouseEnter;  // pointer entered a tool
  std::function<void(Band&)> childBandChange;
  std::function<void(int16_t& cancel)> queryUnload;  // close request; non-zero cancels
};

// What the control asks of whoever shows it (the GTK view, or a test recorder).
class ToolbarView {
 public:
  virtual ~ToolbarView() = default;
  virtual void recalcLayout() = 0;
  virtual void redraw() = 0;
  virtual void popupMenu(Band& band) = 0;
  virtual void playSound(const std::string& path) = 0;
  // A band was created or removed at run time, or a tool was added to or removed from a band.
  virtual void structureChanged() {}
};

class ToolbarControl {
 public:
  ToolbarControl();
  ~ToolbarControl();
  ToolbarControl(const ToolbarControl&) = delete;
  ToolbarControl& operator=(const ToolbarControl&) = delete;

  // Loads the whole layout from a skin file (name, path, 1), replacing any layout held.
  // False with `error` set ("<file>:<line>: <reason>") when the file cannot be read or is malformed;
  // on failure the previous layout stays.
  bool loadLayout(const std::string& name, const std::string& path, int flags, std::string* error = nullptr);
  // Same, from text (the file name is used in messages only).
  bool loadLayoutText(const std::string& text, const std::string& file_name, std::string* error = nullptr);

  // Bands in control order.
  int bandCount() const { return static_cast<int>(bands_.size()); }
  Band* bandAt(int place) const;
  Band* band(const std::string& name) const;
  const std::vector<std::unique_ptr<Band>>& bands() const { return bands_; }
  // Creates a band at the end (or returns the existing one of that name).
  Band* addBand(const std::string& name);
  bool removeBand(const std::string& name);

  // The control's collection of all tools (tools that belong to no band live here).
  ToolCollection& tools() { return all_tools_; }
  const ToolCollection& tools() const { return all_tools_; }
  // Every tool of every band, in band order, then the control's own list.
  std::vector<Tool*> allTools() const;
  // The first tool of this name in band `band_name`; nullptr when band or tool is missing.
  Tool* tool(const std::string& band_name, const std::string& tool_name) const;

  void recalcLayout();
  void redraw();
  void playSound(const std::string& path);

  ToolbarEvents events;
  void setView(ToolbarView* view) { view_ = view; }
  ToolbarView* view() const { return view_; }

  // Raising the events (the view calls these; tests too).
  void fireToolClick(Tool& tool);
  bool fireBandOpen(Band& band);  // true when the opening was cancelled
  void fireBandClose(Band& band);
  void fireToolDblClick(Tool& tool);
  void fireBandResize(Band& band);
  void fireMouseEnter(Tool& tool);
  void fireChildBandChange(Band& band);
  bool fireQueryUnload();  // true when the close was cancelled

 private:
  friend class ToolCollection;
  friend class Band;
  void structureChanged();
  std::vector<std::unique_ptr<Band>> bands_;
  ToolCollection all_tools_;
  ToolbarView* view_ = nullptr;
};

}  // namespace zor::toolbar
