#include "hosts/gtk/toolbar_view.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <tuple>
#include <utility>

#include "hosts/gtk/toolbar_menu.h"
#include "hosts/gtk/toolbar_widgets.h"

namespace zor::gtk {

using toolbar::Band;
using toolbar::Tool;

namespace {

constexpr int kIconSize = 16;
constexpr int kDefaultSideBarWidth = 240;
constexpr unsigned kResizeDelayMs = 150;
constexpr const char* kCustomizeBand = "SysCustomize";

constexpr const char* kCss = R"css(
.zor-top-dock { border-bottom: 1px solid @borders; }
.zor-bottom-dock { border-top: 1px solid @borders; }
.zor-menubar { padding: 1px 4px 0 4px; }
.zor-menubar > button { padding: 3px 8px; min-height: 22px; border-radius: 5px; }
.zor-menubar > button.zor-open, .zor-toolbar > button.zor-open, .zor-statusbar > button.zor-open {
  background-color: alpha(currentColor, 0.12);
}
.zor-toolbar { padding: 3px 4px; border-spacing: 3px; }
.zor-toolbar > button { padding: 4px 6px; min-height: 24px; }
.zor-toolbar > separator { margin: 5px 4px; }
.zor-tabstrip { padding: 4px 6px 0 6px; }
.zor-tabs > button.zor-tab {
  padding: 4px 10px; min-height: 22px; border-radius: 0; margin-bottom: -1px;
  border-bottom-color: transparent; background-image: none; box-shadow: none;
}
.zor-tabs > button.zor-tab:first-child { border-top-left-radius: 6px; }
.zor-tabs > button.zor-tab:last-child { border-top-right-radius: 6px; }
.zor-tabs > button.zor-tab:not(:checked) { background-color: shade(@theme_bg_color, 0.94); color: alpha(@theme_fg_color, 0.8); }
.zor-tabs > button.zor-tab:not(:checked):hover { background-color: shade(@theme_bg_color, 0.98); color: @theme_fg_color; }
.zor-tabs > button.zor-tab:checked {
  background-color: @theme_base_color; color: @theme_fg_color;
  box-shadow: inset 0 2px @theme_selected_bg_color;
}
.zor-statusbar { padding: 0 6px; border-spacing: 6px; font-size: 0.85em; }
.zor-statusbar > button { padding: 0 4px; min-height: 18px; min-width: 18px; }
.zor-statusbar > label { padding: 2px 0; }
.zor-sidebar { border-right: 1px solid @borders; }
.zor-sidebar-header { padding: 4px; border-spacing: 4px; border-bottom: 1px solid @borders; }
.zor-sidebar-title { font-weight: bold; padding-left: 4px; }
)css";

void installCss() {
  static bool installed = false;
  auto display = Gdk::Display::get_default();
  if (installed || !display) return;
  auto css = Gtk::CssProvider::create();
  css->load_from_data(kCss);
  Gtk::StyleContext::add_provider_for_display(display, css, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  installed = true;
}

enum class Kind { kButton, kTab, kMenuTitle, kSeparator, kLabel, kCustom };

Kind kindOf(const Band& band, const Tool& tool) {
  if (tool.control_type == toolbar::kSeparator) return Kind::kSeparator;
  if (tool.custom || tool.control_type == toolbar::kCustom) return Kind::kCustom;
  if (tool.control_type == toolbar::kLabel) return Kind::kLabel;
  if (band.type == toolbar::kMenuBar) return Kind::kMenuTitle;
  if (band.type == toolbar::kTabStrip) return Kind::kTab;
  return Kind::kButton;
}

Gtk::Widget* customWidget(const Tool& tool) {
  auto* control = dynamic_cast<WidgetControl*>(tool.custom.get());
  return control ? control->widget : nullptr;
}

// "Sa_ve" -> "Save", "a__b" -> "a_b": tool bars and tabs show captions without mnemonics.
std::string plainText(const std::string& caption) {
  std::string out;
  out.reserve(caption.size());
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '_' && i + 1 < caption.size()) {
      if (caption[i + 1] == '_') out += '_';
      ++i;
      if (caption[i] == '_') continue;
    }
    out += caption[i];
  }
  return out;
}

bool dockedBand(int type) { return type != toolbar::kPopup && type != toolbar::kChildBand; }

}  // namespace

struct ToolRec {
  BandRec* band = nullptr;
  Tool* tool = nullptr;
  Kind kind = Kind::kButton;
  std::unique_ptr<Gtk::Widget> widget;
  Gtk::ToggleButton* toggle = nullptr;  // buttons and tabs
  Gtk::Image* image = nullptr;
  Gtk::Label* label = nullptr;
  Gtk::Image* arrow = nullptr;
  SlotWidget* slot = nullptr;  // docked controls
  Gtk::Widget* custom_widget = nullptr;
  bool alive = true;
  bool fresh = true;
  // What the widget shows now, so a resync touches only what changed.
  std::string caption, tooltip;
  const void* image_key = nullptr;
  bool enabled = true, visible = true, has_submenu = false;
  int width = -1;
};

struct BandRec {
  ~BandRec() { resize_timer.disconnect(); }
  Band* band = nullptr;
  int type = 0;
  std::unique_ptr<SlotWidget> frame;
  Gtk::Box* tools_box = nullptr;
  Gtk::ScrolledWindow* scroller = nullptr;
  std::vector<std::unique_ptr<ToolRec>> tools;
  bool alive = true;
  bool visible = true;
  bool fresh = true;
  // Side bar.
  Gtk::Box* switcher = nullptr;
  Gtk::Label* title = nullptr;
  Gtk::Stack* stack = nullptr;
  std::vector<Band*> children;
  std::vector<std::string> child_captions;
  std::vector<Gtk::ToggleButton*> child_buttons;
  // Child bands: the side bar stack the page sits in.
  Gtk::Stack* in_stack = nullptr;
  // Width reports, debounced.
  int reported_width = -1;
  int pending_width = -1;
  sigc::connection resize_timer;
};

struct OpenMenu {
  OpenMenu(toolbar::ToolbarControl& control, MenuBuilder::Activate activate) : builder(control, std::move(activate)) {}
  ~OpenMenu() { teardown.disconnect(); }
  MenuBuilder builder;
  std::unique_ptr<Gtk::PopoverMenu> popover;
  ToolRec* anchor = nullptr;  // the bar button it drops from, shown pressed meanwhile
  bool closed = false;
  sigc::connection teardown;
};

ToolbarView::ToolbarView(toolbar::ToolbarControl& control, std::string program_dir)
    : Gtk::Box(Gtk::Orientation::VERTICAL), control_(control), program_dir_(std::move(program_dir)) {
  installCss();
  add_css_class("zor-toolbar-view");

  top_dock_ = std::make_unique<Gtk::Box>(Gtk::Orientation::VERTICAL);
  top_dock_->add_css_class("zor-top-dock");
  left_dock_ = std::make_unique<Gtk::Box>(Gtk::Orientation::HORIZONTAL);
  left_dock_->add_css_class("zor-left-dock");
  client_holder_ = std::make_unique<Gtk::Box>(Gtk::Orientation::VERTICAL);
  client_holder_->set_hexpand(true);
  client_holder_->set_vexpand(true);
  paned_ = std::make_unique<Gtk::Paned>(Gtk::Orientation::HORIZONTAL);
  paned_->set_start_child(*left_dock_);
  paned_->set_end_child(*client_holder_);
  paned_->set_resize_start_child(false);
  paned_->set_shrink_start_child(false);
  paned_->set_resize_end_child(true);
  paned_->set_shrink_end_child(false);
  paned_->set_vexpand(true);
  paned_->property_position().signal_changed().connect([this] {
    if (setting_position_ || !left_dock_->get_visible()) return;
    for (auto& rec : bands_) {
      if (rec->type == toolbar::kSideBar && rec->band->visible && rec->frame->get_parent()) {
        rec->band->extent = paned_->get_position();
        applied_extent_ = rec->band->extent;
        break;
      }
    }
  });
  bottom_dock_ = std::make_unique<Gtk::Box>(Gtk::Orientation::VERTICAL);
  bottom_dock_->add_css_class("zor-bottom-dock");

  append(*top_dock_);
  append(*paned_);
  append(*bottom_dock_);

  control_.setView(this);
  sync();
}

ToolbarView::~ToolbarView() {
  if (control_.view() == this) control_.setView(nullptr);
  cleanup_.disconnect();
  sound_sweep_.disconnect();
  sounds_.clear();
  for (auto& menu : menus_) {
    menu->teardown.disconnect();
    if (menu->popover) menu->popover->unparent();
  }
  menus_.clear();
  if (shortcuts_) {
    if (Gtk::Widget* owner = shortcuts_->get_widget()) owner->remove_controller(shortcuts_);
  }
  while (!bands_.empty()) {
    auto rec = std::move(bands_.back());
    bands_.pop_back();
    discardBand(std::move(rec));
  }
  for (auto& row : rows_) row->unparent();
  rows_.clear();
  dead_tools_.clear();
  dead_bands_.clear();
  dead_widgets_.clear();
  cleanup_.disconnect();
  if (client_ && client_->get_parent() == client_holder_.get()) client_holder_->remove(*client_);
  gtk_paned_set_start_child(paned_->gobj(), nullptr);
  gtk_paned_set_end_child(paned_->gobj(), nullptr);
  remove(*top_dock_);
  remove(*paned_);
  remove(*bottom_dock_);
}

void ToolbarView::setClient(Gtk::Widget& client) {
  if (client_ == &client) return;
  if (client_ && client_->get_parent() == client_holder_.get()) client_holder_->remove(*client_);
  client_ = &client;
  if (client.get_parent()) client.unparent();
  client.set_hexpand(true);
  client.set_vexpand(true);
  client_holder_->append(client);
}

// ---- requests of the model ----

void ToolbarView::recalcLayout() { sync(); }
void ToolbarView::structureChanged() { sync(); }
// The diff finds nothing to build when only states changed, so redraw shares the path.
void ToolbarView::redraw() { sync(); }

void ToolbarView::popupMenu(Band& band) { openBandMenu(band, pointerRect()); }

void ToolbarView::playSound(const std::string& path) {
  const std::string file = resolvePath(path);
  std::error_code ec;
  if (file.empty() || !std::filesystem::is_regular_file(file, ec)) return;
  auto media = Gtk::MediaFile::create_for_filename(file);
  // Dropping the last reference inside the stream's own notification is not safe: sweep later.
  auto sweep = [this] {
    if (sound_sweep_.connected()) return;
    sound_sweep_ = Glib::signal_idle().connect([this] {
      std::erase_if(sounds_, [](const Glib::RefPtr<Gtk::MediaFile>& m) { return m->get_ended() || m->get_error(); });
      return false;
    });
  };
  media->property_ended().signal_changed().connect(sweep);
  media->property_error().signal_changed().connect(sweep);
  sounds_.push_back(media);
  media->play();
}

void ToolbarView::setImage(const std::string& key, const Glib::RefPtr<Gdk::Paintable>& paintable) {
  if (paintable)
    named_images_[key] = paintable;
  else
    named_images_.erase(key);
}

// ---- structure ----

void ToolbarView::sync() {
  if (syncing_) {
    resync_ = true;
    return;
  }
  syncing_ = true;
  do {
    resync_ = false;
    syncBands();
    syncPlacement();
    for (auto& rec : bands_) syncBand(*rec);
    // A row, and a dock, shows when any band in it does.
    auto anyVisibleChild = [](Gtk::Widget& parent) {
      for (Gtk::Widget* c = parent.get_first_child(); c; c = c->get_next_sibling())
        if (c->get_visible()) return true;
      return false;
    };
    for (auto& row : rows_) row->set_visible(anyVisibleChild(*row));
    top_dock_->set_visible(anyVisibleChild(*top_dock_));
    left_dock_->set_visible(anyVisibleChild(*left_dock_));
    bottom_dock_->set_visible(anyVisibleChild(*bottom_dock_));
    syncShortcuts();
  } while (resync_);
  syncing_ = false;
}

void ToolbarView::syncBands() {
  std::vector<Band*> wanted;
  for (const auto& b : control_.bands())
    if (b->type != toolbar::kPopup) wanted.push_back(b.get());
  bool same = wanted.size() == bands_.size();
  for (size_t i = 0; same && i < wanted.size(); ++i)
    same = bands_[i]->band == wanted[i] && bands_[i]->type == wanted[i]->type;
  if (same) return;

  std::unordered_map<const Band*, std::unique_ptr<BandRec>> old;
  for (auto& rec : bands_) old.emplace(rec->band, std::move(rec));
  bands_.clear();
  std::vector<std::unique_ptr<BandRec>> dropped;
  for (Band* band : wanted) {
    auto it = old.find(band);
    if (it != old.end() && it->second->type == band->type) {
      bands_.push_back(std::move(it->second));
      old.erase(it);
      continue;
    }
    if (it != old.end()) {
      dropped.push_back(std::move(it->second));
      old.erase(it);
    }
    bands_.push_back(makeBand(*band));
    band_index_[band] = bands_.back().get();
  }
  for (auto& [band, rec] : old) dropped.push_back(std::move(rec));
  // Only now, with every surviving record back in the list: a side bar takes its pages out.
  for (auto& rec : dropped) discardBand(std::move(rec));
}

void ToolbarView::syncPlacement() {
  struct Want {
    Area area;
    int row, pos;
    size_t order;
    BandRec* rec;
  };
  std::vector<Want> wants;
  for (size_t i = 0; i < bands_.size(); ++i) {
    BandRec* rec = bands_[i].get();
    if (!dockedBand(rec->type)) continue;
    Area area = Area::kTop;
    switch (rec->band->docking) {
      case toolbar::kDockBottom: area = Area::kBottom; break;
      case toolbar::kDockLeft:
      case toolbar::kDockRight: area = Area::kLeft; break;
      default: area = Area::kTop; break;  // top, and floating bands too: no floating windows here
    }
    wants.push_back({area, rec->band->dock_row, rec->band->dock_position, i, rec});
  }
  std::stable_sort(wants.begin(), wants.end(), [](const Want& a, const Want& b) {
    return std::tie(a.area, a.row, a.pos, a.order) < std::tie(b.area, b.row, b.pos, b.order);
  });
  std::vector<Placed> placement;
  for (const Want& w : wants) placement.push_back({w.area, w.row, w.rec});
  if (placement == placement_) return;

  for (auto& row : rows_) {
    while (Gtk::Widget* frame = row->get_first_child()) frame->unparent();
    row->unparent();
    dead_widgets_.push_back(std::move(row));
  }
  rows_.clear();
  scheduleCleanup();

  Gtk::Box* row = nullptr;
  const Placed* prev = nullptr;
  for (const Placed& p : placement) {
    if (!prev || prev->area != p.area || prev->row != p.row) {
      const bool column = p.area == Area::kLeft;
      rows_.push_back(std::make_unique<Gtk::Box>(column ? Gtk::Orientation::VERTICAL : Gtk::Orientation::HORIZONTAL));
      row = rows_.back().get();
      row->add_css_class("zor-row");
      Gtk::Box& dock = p.area == Area::kTop ? *top_dock_ : p.area == Area::kLeft ? *left_dock_ : *bottom_dock_;
      dock.append(*row);
    }
    row->append(*p.band->frame);
    prev = &p;
  }
  placement_ = std::move(placement);
}

std::unique_ptr<BandRec> ToolbarView::makeBand(Band& band) {
  auto rec = std::make_unique<BandRec>();
  BandRec* r = rec.get();
  rec->band = &band;
  rec->type = band.type;
  rec->frame = std::make_unique<SlotWidget>();
  rec->frame->add_css_class("zor-band");
  rec->frame->signalWidthChanged().connect([this, r](int width) { onBandWidth(r, width); });

  auto makeToolsBox = [&](Gtk::Orientation orientation, const char* css) {
    rec->tools_box = Gtk::make_managed<Gtk::Box>(orientation);
    rec->tools_box->add_css_class(css);
  };
  switch (band.type) {
    case toolbar::kMenuBar:
      makeToolsBox(Gtk::Orientation::HORIZONTAL, "zor-menubar");
      rec->frame->setChild(rec->tools_box);
      break;
    case toolbar::kStatusBar:
      makeToolsBox(Gtk::Orientation::HORIZONTAL, "zor-statusbar");
      rec->tools_box->set_hexpand(true);
      rec->frame->setChild(rec->tools_box);
      break;
    case toolbar::kTabStrip: {
      makeToolsBox(Gtk::Orientation::HORIZONTAL, "zor-tabs");
      rec->tools_box->add_css_class("linked");
      rec->tools_box->set_halign(Gtk::Align::START);
      rec->scroller = Gtk::make_managed<Gtk::ScrolledWindow>();
      rec->scroller->set_policy(Gtk::PolicyType::AUTOMATIC, Gtk::PolicyType::NEVER);
      rec->scroller->set_propagate_natural_height(true);
      rec->scroller->set_has_frame(false);
      rec->scroller->set_child(*rec->tools_box);
      rec->scroller->add_css_class("zor-tabstrip");
      rec->frame->setChild(rec->scroller);
      rec->frame->set_hexpand(true);
      break;
    }
    case toolbar::kSideBar: {
      auto* outer = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL);
      outer->add_css_class("zor-sidebar");
      auto* header = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL);
      header->add_css_class("zor-sidebar-header");
      rec->switcher = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL);
      rec->switcher->add_css_class("linked");
      rec->switcher->set_hexpand(true);
      rec->switcher->set_halign(Gtk::Align::CENTER);
      rec->title = Gtk::make_managed<Gtk::Label>();
      rec->title->add_css_class("zor-sidebar-title");
      rec->title->set_hexpand(true);
      rec->title->set_xalign(0);
      rec->title->set_ellipsize(Pango::EllipsizeMode::END);
      auto* close = Gtk::make_managed<Gtk::Button>();
      close->set_icon_name("window-close-symbolic");
      close->add_css_class("flat");
      close->set_tooltip_text("Close");
      close->set_focus_on_click(false);
      close->signal_clicked().connect([this, r] {
        if (!r->alive) return;
        r->band->visible = false;
        control_.fireBandClose(*r->band);
        control_.recalcLayout();
      });
      header->append(*rec->switcher);
      header->append(*rec->title);
      header->append(*close);
      rec->stack = Gtk::make_managed<Gtk::Stack>();
      rec->stack->set_vexpand(true);
      rec->stack->set_hexpand(true);
      outer->append(*header);
      outer->append(*rec->stack);
      rec->frame->setChild(outer);
      rec->frame->set_hexpand(true);
      rec->frame->set_vexpand(true);
      break;
    }
    case toolbar::kChildBand:
      makeToolsBox(Gtk::Orientation::VERTICAL, "zor-child-band");
      rec->tools_box->set_vexpand(true);
      rec->frame->setChild(rec->tools_box);
      break;
    default:
      makeToolsBox(Gtk::Orientation::HORIZONTAL, "zor-toolbar");
      rec->frame->setChild(rec->tools_box);
      break;
  }

  if (dockedBand(band.type) && band.type != toolbar::kSideBar) {
    auto right = Gtk::GestureClick::create();
    right->set_button(GDK_BUTTON_SECONDARY);
    right->signal_pressed().connect([this, r, g = right.get()](int, double x, double y) {
      g->set_state(Gtk::EventSequenceState::CLAIMED);
      onBandRightClick(r, x, y);
    });
    rec->frame->add_controller(right);
  }
  return rec;
}

void ToolbarView::syncBand(BandRec& rec) {
  const bool visible = rec.type == toolbar::kChildBand || rec.band->visible;
  if (rec.fresh || visible != rec.visible) {
    rec.frame->set_visible(visible);
    rec.visible = visible;
  }
  rec.fresh = false;
  if (rec.type == toolbar::kSideBar)
    syncSideBar(rec);
  else
    syncBandTools(rec);
}

void ToolbarView::syncBandTools(BandRec& rec) {
  const auto& tools = rec.band->tools();
  bool same = static_cast<int>(rec.tools.size()) == tools.count();
  for (int i = 0; same && i < tools.count(); ++i) {
    const ToolRec& tr = *rec.tools[i];
    same = tr.tool == tools.at(i) && tr.kind == kindOf(*rec.band, *tr.tool);
  }
  if (!same) {
    std::unordered_map<const Tool*, std::unique_ptr<ToolRec>> old;
    for (auto& tr : rec.tools) old.emplace(tr->tool, std::move(tr));
    rec.tools.clear();
    for (const auto& t : tools) {
      auto it = old.find(t.get());
      if (it != old.end() && it->second->kind == kindOf(*rec.band, *t)) {
        rec.tools.push_back(std::move(it->second));
        old.erase(it);
        continue;
      }
      if (it != old.end()) {
        discardTool(std::move(it->second));
        old.erase(it);
      }
      auto tr = makeTool(rec, *t);
      rec.tools_box->append(*tr->widget);
      tool_index_[t.get()] = tr.get();
      rec.tools.push_back(std::move(tr));
    }
    for (auto& [tool, tr] : old) discardTool(std::move(tr));
    Gtk::Widget* prev = nullptr;
    for (auto& tr : rec.tools) {
      Gtk::Widget* w = tr->widget.get();
      if (w->get_prev_sibling() != prev) {
        if (prev)
          rec.tools_box->reorder_child_after(*w, *prev);
        else
          rec.tools_box->reorder_child_at_start(*w);
      }
      prev = w;
    }
  }
  for (auto& tr : rec.tools) syncTool(*tr);
}

void ToolbarView::syncSideBar(BandRec& rec) {
  const std::vector<Band*> children = rec.band->childBands();
  std::vector<std::string> captions;
  for (Band* c : children) captions.push_back(c->visible ? (c->caption.empty() ? c->name : c->caption) : std::string());

  if (children != rec.children || captions != rec.child_captions) {
    for (auto* b : rec.child_buttons) rec.switcher->remove(*b);
    rec.child_buttons.clear();
    for (size_t i = 0; i < children.size(); ++i) {
      Band* child = children[i];
      auto* button = Gtk::make_managed<Gtk::ToggleButton>(plainText(captions[i]));
      button->set_focus_on_click(false);
      button->set_visible(child->visible);
      BandRec* r = &rec;
      button->signal_clicked().connect([this, r, child] {
        if (!r->alive) return;
        const auto now = r->band->childBands();
        if (std::find(now.begin(), now.end(), child) == now.end()) return;
        if (r->band->currentChild() != child) r->band->setCurrentChild(child);
        if (r->alive) syncSideBar(*r);
      });
      rec.switcher->append(*button);
      rec.child_buttons.push_back(button);
    }
    rec.children = children;
    rec.child_captions = captions;
  }

  // Pages: every child band's frame sits in this stack.
  for (Band* child : children) {
    auto it = band_index_.find(child);
    if (it == band_index_.end()) continue;
    BandRec& page = *it->second;
    if (page.in_stack != rec.stack) {
      unplace(page);
      rec.stack->add(*page.frame, child->name);
      page.in_stack = rec.stack;
    }
  }
  for (auto& other : bands_) {
    if (other->in_stack == rec.stack && std::find(children.begin(), children.end(), other->band) == children.end())
      unplace(*other);
  }

  Band* current = rec.band->currentChild();
  int shown = 0;
  for (size_t i = 0; i < children.size(); ++i) {
    if (children[i]->visible) ++shown;
    if (rec.child_buttons[i]->get_active() != (children[i] == current))
      rec.child_buttons[i]->set_active(children[i] == current);
  }
  rec.switcher->set_visible(shown > 1);
  rec.title->set_visible(shown <= 1);
  const std::string title = current ? (current->caption.empty() ? current->name : current->caption)
                                    : (rec.band->caption.empty() ? rec.band->name : rec.band->caption);
  if (rec.title->get_text().raw() != plainText(title)) rec.title->set_text(plainText(title));
  if (current) {
    auto it = band_index_.find(current);
    if (it != band_index_.end() && it->second->in_stack == rec.stack && rec.stack->get_visible_child() != it->second->frame.get())
      rec.stack->set_visible_child(*it->second->frame);
  }

  if (rec.frame->get_parent() && rec.frame->get_parent()->get_parent() == left_dock_.get()) {
    const int extent = rec.band->extent > 0 ? rec.band->extent : kDefaultSideBarWidth;
    if (extent != applied_extent_) {
      setting_position_ = true;
      paned_->set_position(extent);
      setting_position_ = false;
      applied_extent_ = extent;
    }
  }
}

std::unique_ptr<ToolRec> ToolbarView::makeTool(BandRec& band, Tool& tool) {
  auto rec = std::make_unique<ToolRec>();
  rec->band = &band;
  rec->tool = &tool;
  rec->kind = kindOf(*band.band, tool);
  const bool vertical = band.tools_box->get_orientation() == Gtk::Orientation::VERTICAL;

  switch (rec->kind) {
    case Kind::kSeparator:
      rec->widget = std::make_unique<Gtk::Separator>(vertical ? Gtk::Orientation::HORIZONTAL : Gtk::Orientation::VERTICAL);
      break;
    case Kind::kLabel: {
      auto label = std::make_unique<Gtk::Label>();
      rec->label = label.get();
      label->set_ellipsize(Pango::EllipsizeMode::END);
      rec->widget = std::move(label);
      connectToolInput(*rec, *rec->widget, false);
      break;
    }
    case Kind::kCustom: {
      auto slot = std::make_unique<SlotWidget>();
      rec->slot = slot.get();
      if (vertical) slot->set_vexpand(true);
      rec->widget = std::move(slot);
      connectToolInput(*rec, *rec->widget, false);
      break;
    }
    case Kind::kMenuTitle: {
      auto button = std::make_unique<Gtk::Button>();
      button->add_css_class("flat");
      button->set_focus_on_click(false);
      rec->label = Gtk::make_managed<Gtk::Label>();
      rec->label->set_mnemonic_widget(*button);
      button->set_child(*rec->label);
      ToolRec* r = rec.get();
      button->signal_clicked().connect([this, r] { onToolClicked(r); });
      rec->widget = std::move(button);
      connectToolInput(*rec, *rec->widget, true);
      break;
    }
    case Kind::kButton:
    case Kind::kTab: {
      auto button = std::make_unique<Gtk::ToggleButton>();
      rec->toggle = button.get();
      button->set_focus_on_click(false);
      auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, rec->kind == Kind::kTab ? 6 : 4);
      rec->image = Gtk::make_managed<Gtk::Image>();
      rec->image->set_pixel_size(kIconSize);
      rec->label = Gtk::make_managed<Gtk::Label>();
      box->append(*rec->image);
      box->append(*rec->label);
      if (rec->kind == Kind::kTab) {
        button->add_css_class("zor-tab");
        rec->label->set_ellipsize(Pango::EllipsizeMode::END);
        rec->label->set_max_width_chars(24);
        rec->label->set_width_chars(10);
        rec->label->set_xalign(0);
        rec->label->set_hexpand(true);
      } else {
        button->add_css_class("flat");
        rec->arrow = Gtk::make_managed<Gtk::Image>();
        rec->arrow->set_from_icon_name("pan-down-symbolic");
        rec->arrow->set_pixel_size(12);
        box->append(*rec->arrow);
      }
      button->set_child(*box);
      ToolRec* r = rec.get();
      button->signal_clicked().connect([this, r] { onToolClicked(r); });
      rec->widget = std::move(button);
      connectToolInput(*rec, *rec->widget, true);
      break;
    }
  }
  rec->widget->add_css_class("zor-tool");
  return rec;
}

void ToolbarView::connectToolInput(ToolRec& rec, Gtk::Widget& widget, bool clickable) {
  ToolRec* r = &rec;
  auto motion = Gtk::EventControllerMotion::create();
  motion->signal_enter().connect([this, r](double, double) {
    if (!live(*r)) return;
    control_.fireMouseEnter(*r->tool);
    // The handler may have set the tooltip (a tab shows its page address).
    if (r->alive) syncTool(*r);
  });
  widget.add_controller(motion);
  if (!clickable) return;
  auto clicks = Gtk::GestureClick::create();
  clicks->set_button(GDK_BUTTON_PRIMARY);
  // Capture phase and never claimed: the button still gets its own click.
  clicks->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
  clicks->signal_pressed().connect([this, r](int presses, double, double) {
    if (presses == 2 && live(*r)) control_.fireToolDblClick(*r->tool);
  });
  widget.add_controller(clicks);
}

void ToolbarView::syncTool(ToolRec& rec) {
  const Tool& tool = *rec.tool;
  const bool fresh = rec.fresh;
  rec.fresh = false;

  bool docked_changed = false;
  if (rec.kind == Kind::kCustom) {
    Gtk::Widget* w = customWidget(tool);
    if (w != rec.custom_widget || fresh) {
      rec.slot->setChild(w);
      rec.custom_widget = w;
      docked_changed = true;
    }
  }
  const bool visible = tool.visible && (rec.kind != Kind::kCustom || rec.custom_widget);
  if (fresh || docked_changed || visible != rec.visible) {
    rec.widget->set_visible(visible);
    rec.visible = visible;
  }
  if (fresh || tool.enabled != rec.enabled) {
    rec.widget->set_sensitive(tool.enabled);
    rec.enabled = tool.enabled;
  }
  if (fresh || tool.width != rec.width) {
    if (rec.slot) {
      rec.slot->setNaturalWidth(tool.width);
      // A set width is the control's width; without one the control's own hexpand decides.
      if (tool.width > 0)
        rec.slot->set_hexpand(false);
      else
        rec.slot->set_hexpand_set(false);
    } else if (rec.kind != Kind::kSeparator) {
      rec.widget->set_size_request(tool.width > 0 ? tool.width : -1, -1);
    }
    rec.width = tool.width;
  }

  bool icon_only = false;
  switch (rec.kind) {
    case Kind::kButton:
    case Kind::kTab: {
      const bool has_image = !tool.image.empty();
      bool show_icon = has_image, show_label = true;
      switch (tool.style) {
        case 1: show_label = !has_image; break;
        case 2: show_icon = false; break;
        case 3: break;
        default: show_label = rec.kind == Kind::kTab || !has_image; break;
      }
      icon_only = show_icon && !show_label;
      if (fresh || tool.caption != rec.caption) {
        rec.label->set_text(plainText(tool.caption.empty() && rec.kind != Kind::kTab ? tool.name : tool.caption));
        rec.caption = tool.caption;
      }
      if (rec.label->get_visible() != show_label) rec.label->set_visible(show_label);
      if (rec.image->get_visible() != show_icon) rec.image->set_visible(show_icon);
      applyImage(*rec.image, tool.image, rec.image_key);
      if (rec.arrow && (fresh || rec.has_submenu != !tool.submenu.empty())) {
        rec.has_submenu = !tool.submenu.empty();
        rec.arrow->set_visible(rec.has_submenu);
      }
      // The button flips itself when clicked; the model decides what it shows.
      if (rec.toggle->get_active() != tool.checked) {
        rec.toggle->set_active(tool.checked);
        if (tool.checked && rec.kind == Kind::kTab) scrollToTab(&rec);
      }
      break;
    }
    case Kind::kMenuTitle:
      if (fresh || tool.caption != rec.caption) {
        rec.label->set_text_with_mnemonic(toolLabel(tool));
        rec.caption = tool.caption;
      }
      break;
    case Kind::kLabel:
      if (fresh || tool.caption != rec.caption) {
        rec.label->set_text(plainText(tool.caption));
        rec.caption = tool.caption;
      }
      break;
    case Kind::kCustom:
    case Kind::kSeparator:
      break;
  }

  std::string tip = tool.tooltip;
  if (tip.empty() && icon_only) tip = plainText(toolLabel(tool));
  if (rec.kind == Kind::kSeparator) tip.clear();
  if (fresh || tip != rec.tooltip) {
    if (tip.empty()) {
      rec.widget->set_has_tooltip(false);
    } else {
      rec.widget->set_tooltip_text(tip);
    }
    rec.tooltip = tip;
  }
}

void ToolbarView::applyImage(Gtk::Image& image, const std::string& spec, const void*& applied_key) {
  Glib::RefPtr<Gdk::Paintable> paintable;
  std::string icon;
  if (auto it = named_images_.find(spec); it != named_images_.end()) {
    paintable = it->second;
  } else if (spec.rfind("icon:", 0) == 0) {
    icon = spec.substr(5);
  } else if (!spec.empty()) {
    paintable = fileImage(spec);
  }
  // Icons are told apart by name, pictures by the object shown.
  static const char kIconMark = 0;
  const void* key = paintable ? static_cast<const void*>(paintable.get()) : icon.empty() ? nullptr : &kIconMark;
  const bool same_icon = !icon.empty() && image.get_storage_type() == Gtk::Image::Type::ICON_NAME && image.get_icon_name().raw() == icon;
  if (key == applied_key && (icon.empty() || same_icon)) return;
  if (paintable)
    image.set(paintable);
  else if (!icon.empty())
    image.set_from_icon_name(icon);
  else
    image.clear();
  applied_key = key;
}

Glib::RefPtr<Gdk::Paintable> ToolbarView::fileImage(const std::string& path) {
  const std::string file = resolvePath(path);
  auto it = file_images_.find(file);
  if (it != file_images_.end()) return it->second;
  Glib::RefPtr<Gdk::Paintable> texture;
  try {
    texture = Gdk::Texture::create_from_filename(file);
  } catch (const Glib::Error&) {
    // A missing or unreadable picture shows nothing, as an empty image would.
  }
  file_images_[file] = texture;
  return texture;
}

std::string ToolbarView::resolvePath(const std::string& path) const {
  std::string p = path;
  std::replace(p.begin(), p.end(), '\\', '/');
  if (p.empty() || p.front() == '/' || program_dir_.empty()) return p;
  std::string dir = program_dir_;
  if (dir.back() != '/') dir += '/';
  return dir + p;
}

// ---- teardown (deferred: a widget may be going away inside its own signal) ----

void ToolbarView::discardTool(std::unique_ptr<ToolRec> rec) {
  rec->alive = false;
  for (auto& menu : menus_)
    if (menu->anchor == rec.get()) menu->anchor = nullptr;
  if (auto it = tool_index_.find(rec->tool); it != tool_index_.end() && it->second == rec.get()) tool_index_.erase(it);
  if (rec->slot) rec->slot->setChild(nullptr);
  if (rec->widget->get_parent()) rec->widget->unparent();
  dead_tools_.push_back(std::move(rec));
  scheduleCleanup();
}

void ToolbarView::discardBand(std::unique_ptr<BandRec> rec) {
  rec->alive = false;
  rec->resize_timer.disconnect();
  if (auto it = band_index_.find(rec->band); it != band_index_.end() && it->second == rec.get()) band_index_.erase(it);
  for (auto& tr : rec->tools) discardTool(std::move(tr));
  rec->tools.clear();
  if (rec->stack) {
    for (auto& other : bands_)
      if (other && other->in_stack == rec->stack) unplace(*other);
  }
  unplace(*rec);
  for (const Placed& p : placement_)
    if (p.band == rec.get()) {
      placement_.clear();  // re-pack the docks at the next pass
      break;
    }
  dead_bands_.push_back(std::move(rec));
  scheduleCleanup();
}

void ToolbarView::unplace(BandRec& rec) {
  if (rec.in_stack) {
    rec.in_stack->remove(*rec.frame);
    rec.in_stack = nullptr;
  } else if (rec.frame->get_parent()) {
    rec.frame->unparent();
  }
}

void ToolbarView::scheduleCleanup() {
  if (cleanup_.connected()) return;
  cleanup_ = Glib::signal_idle().connect([this] {
    dead_tools_.clear();
    dead_bands_.clear();
    dead_widgets_.clear();
    return false;
  });
}

bool ToolbarView::live(const ToolRec& rec) const {
  return rec.alive && rec.band->alive && rec.band->band->tools().indexOf(rec.tool) >= 0;
}

bool ToolbarView::liveTool(const Tool* tool) const {
  const auto all = control_.allTools();
  return std::find(all.begin(), all.end(), tool) != all.end();
}

// ---- input ----

void ToolbarView::onToolClicked(ToolRec* rec) {
  if (!live(*rec)) return;
  Tool& tool = *rec->tool;
  if (!tool.submenu.empty()) {
    if (Band* sub = control_.band(tool.submenu)) openBandMenu(*sub, anchorOf(*rec->widget), rec);
  } else {
    control_.fireToolClick(tool);
  }
  if (rec->alive && live(*rec)) syncTool(*rec);
}

void ToolbarView::onBandRightClick(BandRec* rec, double x, double y) {
  if (!rec->alive) return;
  double vx = 0, vy = 0;
  if (rec->frame->translate_coordinates(*this, x, y, vx, vy)) {
    pointer_x_ = vx;
    pointer_y_ = vy;
  }
  // A docked control (the address box) keeps its own context menu.
  if (isCustomSlot(rec->frame->pick(x, y), rec->frame.get())) return;
  openCustomizeMenu();
}

bool ToolbarView::isCustomSlot(Gtk::Widget* w, Gtk::Widget* stop) const {
  for (; w && w != stop; w = w->get_parent()) {
    if (dynamic_cast<SlotWidget*>(w)) return true;
  }
  return false;
}

void ToolbarView::onBandWidth(BandRec* rec, int width) {
  rec->pending_width = width;
  rec->resize_timer.disconnect();
  rec->resize_timer = Glib::signal_timeout().connect(
      [this, rec] {
        if (rec->alive && rec->pending_width != rec->reported_width) {
          rec->reported_width = rec->pending_width;
          control_.fireBandResize(*rec->band);
        }
        return false;
      },
      kResizeDelayMs);
}

void ToolbarView::scrollToTab(ToolRec* tab) {
  BandRec* band = tab->band;
  if (!band->scroller) return;
  // Two frames: the first lays the tab out, the second reads where it landed. The callback
  // dies with the strip; the tab may go sooner, so it is looked up again by its tool.
  auto frames = std::make_shared<int>(0);
  const Tool* tool = tab->tool;
  band->scroller->add_tick_callback([this, band, tool, frames](const Glib::RefPtr<Gdk::FrameClock>&) {
    auto it = tool_index_.find(tool);
    if (!band->alive || it == tool_index_.end() || it->second->band != band) return false;
    ToolRec* rec = it->second;
    if ((*frames)++ == 0) return true;
    Gtk::ScrolledWindow& scroller = *band->scroller;
    double x = 0, y = 0;
    if (!rec->widget->translate_coordinates(*rec->band->tools_box, 0, 0, x, y)) return false;
    auto adj = scroller.get_hadjustment();
    const double w = rec->widget->get_width();
    if (x < adj->get_value())
      adj->set_value(x);
    else if (x + w > adj->get_value() + adj->get_page_size())
      adj->set_value(x + w - adj->get_page_size());
    return false;
  });
}

// ---- shortcuts ----

void ToolbarView::attachShortcuts(Gtk::Window& window) {
  if (shortcuts_) {
    if (Gtk::Widget* owner = shortcuts_->get_widget()) owner->remove_controller(shortcuts_);
  }
  shortcuts_ = Gtk::ShortcutController::create();
  shortcuts_->set_scope(Gtk::ShortcutScope::GLOBAL);
  window.add_controller(shortcuts_);
  shortcut_list_.clear();
  syncShortcuts();
}

void ToolbarView::syncShortcuts() {
  if (!shortcuts_) return;
  struct Accel {
    guint key;
    Gdk::ModifierType mods;
  };
  std::vector<std::pair<std::string, Tool*>> list;
  std::vector<Accel> accels;
  std::set<std::string> seen;
  for (Tool* tool : control_.allTools()) {
    if (tool->shortcut.empty()) continue;
    guint key = 0;
    Gdk::ModifierType mods{};
    if (!Gtk::Accelerator::parse(tool->shortcut, key, mods) || key == 0) continue;
    // The same command may stand in a menu and a tool bar; the first one answers.
    std::string name = Gtk::Accelerator::name(gdk_keyval_to_lower(key), mods);
    if (!seen.insert(name).second) continue;
    list.emplace_back(std::move(name), tool);
    accels.push_back({gdk_keyval_to_lower(key), mods});
  }
  if (list == shortcut_list_) return;
  while (shortcuts_->get_n_items() > 0) {
    auto item = std::dynamic_pointer_cast<Gtk::Shortcut>(shortcuts_->get_object(0));
    if (!item) break;
    shortcuts_->remove_shortcut(item);
  }
  for (size_t i = 0; i < list.size(); ++i) {
    Tool* tool = list[i].second;
    auto action = Gtk::CallbackAction::create(
        [this, tool](Gtk::Widget&, const Glib::VariantBase&) { return onShortcut(tool); });
    shortcuts_->add_shortcut(Gtk::Shortcut::create(Gtk::KeyvalTrigger::create(accels[i].key, accels[i].mods), action));
  }
  // F10 opens the menu bar, as in any desktop program, unless a tool wants the key.
  if (!seen.count(Gtk::Accelerator::name(GDK_KEY_F10, Gdk::ModifierType{}))) {
    auto action = Gtk::CallbackAction::create([this](Gtk::Widget&, const Glib::VariantBase&) { return openFirstMenu(); });
    shortcuts_->add_shortcut(Gtk::Shortcut::create(Gtk::KeyvalTrigger::create(GDK_KEY_F10), action));
  }
  shortcut_list_ = std::move(list);
}

bool ToolbarView::onShortcut(Tool* tool) {
  if (!liveTool(tool)) return false;
  if (Gtk::Widget* w = customWidget(*tool)) {
    if (!w->get_mapped()) return false;
    w->grab_focus();
    return true;
  }
  if (!tool->enabled) return false;
  control_.fireToolClick(*tool);
  return true;
}

// ---- menus ----

bool ToolbarView::openBandMenu(Band& band, const Gdk::Rectangle& where, ToolRec* anchor) {
  closeMenus();
  auto menu = std::make_unique<OpenMenu>(control_, [this](Band&, Tool& tool) {
    if (liveTool(&tool)) control_.fireToolClick(tool);
  });
  auto model = menu->builder.build(band);
  if (!model) return false;
  menu->popover = std::make_unique<Gtk::PopoverMenu>(model, Gtk::PopoverMenu::Flags::NESTED);
  if (anchor && anchor->alive) {
    menu->anchor = anchor;
    anchor->widget->add_css_class("zor-open");
  }
  showMenu(std::move(menu), where);
  return true;
}

bool ToolbarView::openFirstMenu() {
  for (auto& rec : bands_) {
    if (rec->type != toolbar::kMenuBar || !rec->band->visible) continue;
    for (auto& tr : rec->tools) {
      if (tr->tool->visible && tr->tool->enabled && !tr->tool->submenu.empty()) {
        onToolClicked(tr.get());
        return openMenu() != nullptr;
      }
    }
  }
  return false;
}

void ToolbarView::openCustomizeMenu() {
  Band* sys = control_.band(kCustomizeBand);
  if (!sys) {
    sys = control_.addBand(kCustomizeBand);
    sys->type = toolbar::kPopup;
    sys->caption = "Customize";
    sync();  // it was a tool bar for a moment
  }
  closeMenus();
  auto menu = std::make_unique<OpenMenu>(control_, [this](Band&, Tool& tool) {
    if (liveTool(&tool)) control_.fireToolClick(tool);
  });
  auto model = menu->builder.build(*sys);
  if (!model) return;
  auto section = Gio::Menu::create();
  for (const auto& b : control_.bands()) {
    if (!dockedBand(b->type)) continue;
    Band* band = b.get();
    menu->builder.appendCheck(section, b->caption.empty() ? b->name : b->caption, b->visible, [this, band] {
      const auto& all = control_.bands();
      if (std::none_of(all.begin(), all.end(), [band](const auto& x) { return x.get() == band; })) return;
      band->visible = !band->visible;
      if (!band->visible) control_.fireBandClose(*band);
      control_.recalcLayout();
    });
  }
  if (section->get_n_items() > 0) model->append_section(section);
  menu->popover = std::make_unique<Gtk::PopoverMenu>(model, Gtk::PopoverMenu::Flags::NESTED);
  showMenu(std::move(menu), pointerRect());
}

void ToolbarView::showMenu(std::unique_ptr<OpenMenu> menu, const Gdk::Rectangle& where) {
  Gtk::PopoverMenu& pop = *menu->popover;
  pop.insert_action_group(MenuBuilder::kActionPrefix, menu->builder.actions());
  // Parented to the view, which outlives any button the menu was opened from.
  pop.set_parent(*this);
  pop.set_has_arrow(false);
  pop.set_position(Gtk::PositionType::BOTTOM);
  pop.set_halign(Gtk::Align::START);
  pop.set_pointing_to(where);
  OpenMenu* raw = menu.get();
  pop.signal_closed().connect([this, raw] { onMenuClosed(raw); });
  menus_.push_back(std::move(menu));
  pop.popup();
}

void ToolbarView::onMenuClosed(OpenMenu* menu) {
  if (menu->closed) return;
  menu->closed = true;
  if (menu->anchor) {
    menu->anchor->widget->remove_css_class("zor-open");
    menu->anchor = nullptr;
  }
  // After the chosen item's click: the item's action runs as the menu closes.
  menu->teardown = Glib::signal_idle().connect([this, menu] {
    auto it = std::find_if(menus_.begin(), menus_.end(), [menu](const auto& m) { return m.get() == menu; });
    if (it == menus_.end()) return false;
    std::unique_ptr<OpenMenu> owned = std::move(*it);
    menus_.erase(it);
    owned->popover->unparent();
    const auto opened = owned->builder.openedBands();
    for (auto b = opened.rbegin(); b != opened.rend(); ++b) {
      const auto& all = control_.bands();
      if (std::any_of(all.begin(), all.end(), [band = *b](const auto& x) { return x.get() == band; }))
        control_.fireBandClose(**b);
    }
    return false;
  });
}

Gtk::PopoverMenu* ToolbarView::openMenu() const {
  for (auto it = menus_.rbegin(); it != menus_.rend(); ++it)
    if (!(*it)->closed && (*it)->popover->get_visible()) return (*it)->popover.get();
  return nullptr;
}

Glib::RefPtr<Gio::ActionGroup> ToolbarView::openMenuActions() const {
  for (auto it = menus_.rbegin(); it != menus_.rend(); ++it)
    if (!(*it)->closed && (*it)->popover->get_visible()) return (*it)->builder.actions();
  return {};
}

void ToolbarView::closeMenus() {
  for (auto& menu : menus_)
    if (!menu->closed) menu->popover->popdown();
}

Gdk::Rectangle ToolbarView::anchorOf(Gtk::Widget& widget) {
  double x = 0, y = 0;
  widget.translate_coordinates(*this, 0, 0, x, y);
  return Gdk::Rectangle(static_cast<int>(x), static_cast<int>(y), widget.get_width(), widget.get_height());
}

Gdk::Rectangle ToolbarView::pointerRect() {
  double x = pointer_x_, y = pointer_y_;
  Gtk::Native* native = get_native();
  auto display = get_display();
  auto seat = display ? display->get_default_seat() : Glib::RefPtr<Gdk::Seat>();
  if (native && seat && seat->get_pointer()) {
    auto surface = native->get_surface();
    double sx = 0, sy = 0, tx = 0, ty = 0;
    Gdk::ModifierType mask{};
    auto* native_widget = dynamic_cast<Gtk::Widget*>(native);
    if (surface && native_widget && surface->get_device_position(seat->get_pointer(), sx, sy, mask)) {
      native->get_surface_transform(tx, ty);
      double vx = 0, vy = 0;
      if (native_widget->translate_coordinates(*this, sx - tx, sy - ty, vx, vy)) {
        x = vx;
        y = vy;
      }
    }
  }
  const int w = std::max(1, get_width()), h = std::max(1, get_height());
  if (x < 0 || y < 0 || x >= w || y >= h) {
    // Pointer outside the window (a keyboard-opened menu): under the bars, at the left.
    x = std::clamp(x, 0.0, w - 1.0);
    y = std::clamp(y, 0.0, h - 1.0);
  }
  return Gdk::Rectangle(static_cast<int>(x), static_cast<int>(y), 1, 1);
}

// ---- lookups ----

Gtk::Widget* ToolbarView::toolWidget(const Tool& tool) const {
  auto it = tool_index_.find(&tool);
  return it == tool_index_.end() ? nullptr : it->second->widget.get();
}

Gtk::Widget* ToolbarView::bandWidget(const Band& band) const {
  auto it = band_index_.find(&band);
  return it == band_index_.end() ? nullptr : it->second->frame.get();
}

bool ToolbarView::bandGeometry(const Band& band, int& x, int& y, int& width, int& height) {
  Gtk::Widget* w = bandWidget(band);
  if (!w || !w->get_mapped()) return false;
  double dx = 0, dy = 0;
  if (!w->translate_coordinates(*this, 0, 0, dx, dy)) return false;
  x = static_cast<int>(dx);
  y = static_cast<int>(dy);
  width = w->get_width();
  height = w->get_height();
  return true;
}

}  // namespace zor::gtk
