#include "hosts/toolbar/toolbar.h"

#include <algorithm>
#include <utility>

namespace zor::toolbar {

Tool::Tool(int tool_id, std::string tool_name) : name(std::move(tool_name)), id(tool_id) {}

// ---- ToolCollection

Tool* ToolCollection::at(int place) const {
  if (place < 0 || place >= count()) return nullptr;
  return tools_[static_cast<size_t>(place)].get();
}

Tool* ToolCollection::item(const std::string& name) const {
  for (const auto& t : tools_)
    if (t->name == name) return t.get();
  return nullptr;
}

int ToolCollection::indexOf(const Tool* tool) const {
  for (size_t i = 0; i < tools_.size(); ++i)
    if (tools_[i].get() == tool) return static_cast<int>(i);
  return -1;
}

Tool* ToolCollection::add(int id, const std::string& name) {
  auto tool = std::make_unique<Tool>(id, name);
  tool->place_.band = owner_;
  Tool* raw = tool.get();
  tools_.push_back(std::move(tool));
  changed();
  return raw;
}

Tool* ToolCollection::insert(int place, const Tool& tool) {
  // Copy before touching the vector: `tool` may be one of ours.
  auto copy = std::make_unique<Tool>(tool);
  copy->place_.band = owner_;
  Tool* raw = copy.get();
  if (place < 0 || place >= count())
    tools_.push_back(std::move(copy));
  else
    tools_.insert(tools_.begin() + place, std::move(copy));
  changed();
  return raw;
}

bool ToolCollection::remove(int place) {
  if (place < 0 || place >= count()) return false;
  tools_.erase(tools_.begin() + place);
  changed();
  return true;
}

void ToolCollection::removeAll() {
  if (tools_.empty()) return;
  tools_.clear();
  changed();
}

void ToolCollection::changed() {
  if (control_) control_->structureChanged();
}

// ---- Band

Band::Band(ToolbarControl* control, std::string band_name)
    : name(std::move(band_name)), control_(control), tools_(this, control) {}

std::vector<Band*> Band::childBands() const {
  std::vector<Band*> children;
  if (!control_) return children;
  for (const auto& b : control_->bands_)
    if (b->type == kChildBand && b->parent == name) children.push_back(b.get());
  return children;
}

Band* Band::currentChild() const {
  auto children = childBands();
  if (children.empty()) return nullptr;
  for (Band* c : children)
    if (c->name == current_child_) return c;
  return children.front();
}

bool Band::setCurrentChild(Band* child) {
  if (!child || child->type != kChildBand || child->parent != name || child->control_ != control_)
    return false;
  if (currentChild() == child) return false;
  current_child_ = child->name;
  if (control_) control_->fireChildBandChange(*child);
  return true;
}

void Band::popupMenu() {
  if (control_ && control_->view_) control_->view_->popupMenu(*this);
}

// ---- ToolbarControl

ToolbarControl::ToolbarControl() : all_tools_(nullptr, this) {}
ToolbarControl::~ToolbarControl() = default;

Band* ToolbarControl::bandAt(int place) const {
  if (place < 0 || place >= bandCount()) return nullptr;
  return bands_[static_cast<size_t>(place)].get();
}

Band* ToolbarControl::band(const std::string& name) const {
  for (const auto& b : bands_)
    if (b->name == name) return b.get();
  return nullptr;
}

Band* ToolbarControl::addBand(const std::string& name) {
  if (name.empty()) return nullptr;
  if (Band* existing = band(name)) return existing;
  bands_.push_back(std::make_unique<Band>(this, name));
  structureChanged();
  return bands_.back().get();
}

bool ToolbarControl::removeBand(const std::string& name) {
  for (auto it = bands_.begin(); it != bands_.end(); ++it) {
    if ((*it)->name != name) continue;
    // `name` may be the band's own name (removeBand(band->name)): keep it alive until done.
    std::unique_ptr<Band> gone = std::move(*it);
    bands_.erase(it);
    // A side bar that showed this band falls back to its first child; the remembered
    // name must not bring it back if a band of the same name is created later.
    for (const auto& b : bands_)
      if (b->current_child_ == gone->name) b->current_child_.clear();
    structureChanged();
    return true;
  }
  return false;
}

std::vector<Tool*> ToolbarControl::allTools() const {
  std::vector<Tool*> all;
  for (const auto& b : bands_)
    for (const auto& t : b->tools()) all.push_back(t.get());
  for (const auto& t : all_tools_) all.push_back(t.get());
  return all;
}

Tool* ToolbarControl::tool(const std::string& band_name, const std::string& tool_name) const {
  Band* b = band(band_name);
  return b ? b->tools().item(tool_name) : nullptr;
}

void ToolbarControl::recalcLayout() {
  if (view_) view_->recalcLayout();
}

void ToolbarControl::redraw() {
  if (view_) view_->redraw();
}

void ToolbarControl::structureChanged() {
  ++revision_;
  if (batch_depth_ > 0)
    batch_changed_ = true;
  else if (view_)
    view_->structureChanged();
}

ToolbarControl::Batch::~Batch() {
  if (--control_.batch_depth_ > 0 || !control_.batch_changed_) return;
  control_.batch_changed_ = false;
  if (control_.view_) control_.view_->structureChanged();
}

// Each event calls a copy of its handler: a handler may replace itself while it runs.
namespace {
template <typename Handler, typename... Args>
void raise(const Handler& handler, Args&... args) {
  if (!handler) return;
  Handler copy = handler;
  copy(args...);
}
}  // namespace

void ToolbarControl::fireToolClick(Tool& tool) { raise(events.toolClick, tool); }

bool ToolbarControl::fireBandOpen(Band& band) {
  bool cancel = false;
  raise(events.bandOpen, band, cancel);
  return cancel;
}

void ToolbarControl::fireBandClose(Band& band) { raise(events.bandClose, band); }
void ToolbarControl::fireToolDblClick(Tool& tool) { raise(events.toolDblClick, tool); }
void ToolbarControl::fireToolMiddleClick(Tool& tool) { raise(events.toolMiddleClick, tool); }
void ToolbarControl::fireBandResize(Band& band) { raise(events.bandResize, band); }
void ToolbarControl::fireMouseEnter(Tool& tool) { raise(events.mouseEnter, tool); }
void ToolbarControl::fireMouseLeave(Tool& tool) { raise(events.mouseLeave, tool); }
void ToolbarControl::fireChildBandChange(Band& band) { raise(events.childBandChange, band); }

bool ToolbarControl::fireQueryUnload() {
  int16_t cancel = 0;
  raise(events.queryUnload, cancel);
  return cancel != 0;
}

std::vector<std::string> ShortcutKeys(const std::string& shortcut) {
  std::vector<std::string> keys;
  size_t start = 0;
  while (start <= shortcut.size()) {
    const size_t end = std::min(shortcut.find(',', start), shortcut.size());
    if (end > start) keys.push_back(shortcut.substr(start, end - start));
    start = end + 1;
  }
  return keys;
}

}  // namespace zor::toolbar
