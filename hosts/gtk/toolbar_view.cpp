#include "hosts/gtk/toolbar_view.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include "hosts/gtk/menu_list_window.h"
#include "hosts/gtk/toolbar_menu.h"
#include "hosts/gtk/toolbar_style.h"
#include "hosts/gtk/toolbar_view_records.h"
#include "hosts/gtk/toolbar_widgets.h"

namespace zor::gtk {

using toolbar::Band;
using toolbar::Tool;

namespace {

constexpr int kIconSize = 16;
constexpr int kDefaultSideBarWidth = 240;
constexpr unsigned kResizeDelayMs = 150;

ToolKind kindOf(const Band& band, const Tool& tool) {
  if (tool.control_type == toolbar::kSeparator) return ToolKind::kSeparator;
  if (tool.custom || tool.control_type == toolbar::kCustom) return ToolKind::kCustom;
  if (tool.control_type == toolbar::kLabel) return ToolKind::kLabel;
  if (band.type == toolbar::kMenuBar) return ToolKind::kMenuTitle;
  if (band.type == toolbar::kTabStrip) return ToolKind::kTab;
  return ToolKind::kButton;
}

}  // namespace

ToolbarView::ToolbarView(toolbar::ToolbarControl& control, std::string program_dir)
    : Gtk::Box(Gtk::Orientation::VERTICAL), control_(control), program_dir_(std::move(program_dir)) {
  InstallToolbarCss();
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
  for (auto& menu : menus_) {
    menu->teardown.disconnect();
    if (menu->popover) menu->popover->unparent();
  }
  menus_.clear();
  list_window_.reset();
  list_cleanup_.disconnect();
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
    for (auto& menu : menus_)
      if (!menu->closed) menu->builder.refresh();
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
      setAccessibleName(*close, "Close");
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
  std::vector<std::string> captions, images;
  for (Band* c : children) {
    captions.push_back(c->visible ? (c->caption.empty() ? c->name : c->caption) : std::string());
    images.push_back(c->image);
  }

  if (children != rec.children || captions != rec.child_captions || images != rec.child_images) {
    for (auto* b : rec.child_buttons) rec.switcher->remove(*b);
    rec.child_buttons.clear();
    for (size_t i = 0; i < children.size(); ++i) {
      Band* child = children[i];
      auto* button = Gtk::make_managed<Gtk::ToggleButton>();
      // The header: the child band's picture, when it has one, before its caption.
      auto* content = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 4);
      if (!images[i].empty()) {
        auto* image = Gtk::make_managed<Gtk::Image>();
        image->set_pixel_size(kIconSize);
        image->property_accessible_role() = Gtk::Accessible::Role::PRESENTATION;
        const void* applied = nullptr;
        applyImage(*image, images[i], applied);
        content->append(*image);
      }
      content->append(*Gtk::make_managed<Gtk::Label>(toolbar::PlainLabel(captions[i])));
      button->set_child(*content);
      setAccessibleName(*button, toolbar::PlainLabel(captions[i]));
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
    rec.child_images = images;
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
  if (rec.title->get_text().raw() != toolbar::PlainLabel(title)) rec.title->set_text(toolbar::PlainLabel(title));
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
    case ToolKind::kSeparator:
      rec->widget = std::make_unique<Gtk::Separator>(vertical ? Gtk::Orientation::HORIZONTAL : Gtk::Orientation::VERTICAL);
      break;
    case ToolKind::kLabel: {
      auto label = std::make_unique<Gtk::Label>();
      rec->label = label.get();
      label->set_ellipsize(Pango::EllipsizeMode::END);
      rec->widget = std::move(label);
      connectToolInput(*rec, *rec->widget, false);
      break;
    }
    case ToolKind::kCustom: {
      auto slot = std::make_unique<SlotWidget>();
      rec->slot = slot.get();
      if (vertical) slot->set_vexpand(true);
      rec->widget = std::move(slot);
      connectToolInput(*rec, *rec->widget, false);
      break;
    }
    case ToolKind::kMenuTitle: {
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
    case ToolKind::kButton:
    case ToolKind::kTab: {
      auto button = std::make_unique<Gtk::ToggleButton>();
      // A tab is a tab to a screen reader, not a toggle; the role can change only before it is shown.
      if (rec->kind == ToolKind::kTab) button->property_accessible_role() = Gtk::Accessible::Role::TAB;
      rec->toggle = button.get();
      button->set_focus_on_click(false);
      auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, rec->kind == ToolKind::kTab ? 6 : 4);
      rec->image = Gtk::make_managed<Gtk::Image>();
      rec->image->set_pixel_size(kIconSize);
      // The button's name says what the picture shows.
      rec->image->property_accessible_role() = Gtk::Accessible::Role::PRESENTATION;
      rec->label = Gtk::make_managed<Gtk::Label>();
      box->append(*rec->image);
      box->append(*rec->label);
      if (rec->kind == ToolKind::kTab) {
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
        rec->arrow->set_pixel_size(kIconSize);
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
  motion->signal_leave().connect([this, r] {
    if (live(*r)) control_.fireMouseLeave(*r->tool);
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
  // The middle button acts on release over the tool, as a click does.
  auto middle = Gtk::GestureClick::create();
  middle->set_button(GDK_BUTTON_MIDDLE);
  middle->signal_released().connect([this, r, &widget, g = middle.get()](int, double x, double y) {
    g->set_state(Gtk::EventSequenceState::CLAIMED);
    if (widget.contains(x, y) && live(*r)) control_.fireToolMiddleClick(*r->tool);
  });
  widget.add_controller(middle);
}

void ToolbarView::syncTool(ToolRec& rec) {
  const Tool& tool = *rec.tool;
  const bool fresh = rec.fresh;
  rec.fresh = false;

  bool docked_changed = false;
  if (rec.kind == ToolKind::kCustom) {
    Gtk::Widget* w = customWidget(tool);
    if (w != rec.custom_widget || fresh) {
      rec.slot->setChild(w);
      rec.custom_widget = w;
      docked_changed = true;
    }
  }
  const bool visible = tool.visible && (rec.kind != ToolKind::kCustom || rec.custom_widget);
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
    } else if (rec.kind != ToolKind::kSeparator) {
      rec.widget->set_size_request(tool.width > 0 ? tool.width : -1, -1);
    }
    rec.width = tool.width;
  }

  bool icon_only = false;
  switch (rec.kind) {
    case ToolKind::kButton:
    case ToolKind::kTab: {
      const bool has_image = !tool.image.empty();
      bool show_icon = has_image, show_label = true;
      switch (tool.style) {
        case 1: show_label = !has_image; break;
        case 2: show_icon = false; break;
        case 3: break;
        default:
          show_label = rec.kind == ToolKind::kTab || !has_image;
          break;
      }
      icon_only = show_icon && !show_label;
      if (fresh || tool.caption != rec.caption) {
        rec.label->set_text(
            toolbar::PlainLabel(tool.caption.empty() && rec.kind != ToolKind::kTab ? tool.name : tool.caption));
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
      if (rec.toggle->get_active() != tool.checked || fresh) {
        rec.toggle->set_active(tool.checked);
        if (rec.kind == ToolKind::kTab) {
          // A tab is selected, not pressed: the strip tells which page is in front.
          gtk_accessible_update_state(GTK_ACCESSIBLE(rec.toggle->gobj()), GTK_ACCESSIBLE_STATE_SELECTED,
                                      tool.checked ? TRUE : FALSE, -1);
          if (tool.checked) scrollToTab(&rec);
        }
      }
      break;
    }
    case ToolKind::kMenuTitle:
      if (fresh || tool.caption != rec.caption) {
        rec.label->set_text_with_mnemonic(toolbar::ToolLabel(tool));
        rec.caption = tool.caption;
      }
      break;
    case ToolKind::kLabel:
      if (fresh || tool.caption != rec.caption) {
        rec.label->set_text(toolbar::PlainLabel(tool.caption));
        rec.caption = tool.caption;
      }
      break;
    case ToolKind::kCustom:
    case ToolKind::kSeparator:
      break;
  }

  std::string tip = tool.tooltip;
  if (tip.empty() && icon_only) tip = toolbar::PlainLabel(toolbar::ToolLabel(tool));
  if (rec.kind == ToolKind::kSeparator) tip.clear();
  if (fresh || tip != rec.tooltip) {
    if (tip.empty()) {
      rec.widget->set_has_tooltip(false);
    } else {
      rec.widget->set_tooltip_text(tip);
    }
    rec.tooltip = tip;
  }

  // What a screen reader says: the caption as shown, the tooltip for a picture alone.
  std::string name;
  if (rec.kind != ToolKind::kSeparator) {
    name = icon_only ? tip : toolbar::PlainLabel(tool.caption);
    if (name.empty()) name = tool.tooltip.empty() ? toolbar::PlainLabel(toolbar::ToolLabel(tool)) : tool.tooltip;
  }
  // A menu title is already named by its mnemonic label.
  Gtk::Widget* named = rec.kind == ToolKind::kCustom      ? rec.custom_widget
                       : rec.kind == ToolKind::kMenuTitle ? nullptr
                                                          : rec.widget.get();
  if (named && (fresh || docked_changed || name != rec.accessible_name)) {
    setAccessibleName(*named, name);
    rec.accessible_name = name;
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
