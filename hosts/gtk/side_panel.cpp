#include "hosts/gtk/side_panel.h"

#include <glibmm/fileutils.h>

#include "hosts/gtk/toolbar_widgets.h"

namespace zor::gtk {

class SidePanel::Item : public Glib::Object {
 public:
  static Glib::RefPtr<Item> create(PanelNode* node, std::shared_ptr<std::vector<PanelNode>> tree) {
    return Glib::make_refptr_for_instance<Item>(new Item(node, std::move(tree)));
  }
  PanelNode* node;
  const std::shared_ptr<std::vector<PanelNode>>& tree() const { return tree_; }

 protected:
  Item(PanelNode* n, std::shared_ptr<std::vector<PanelNode>> tree) : node(n), tree_(std::move(tree)) {}

 private:
  // The tree the node lives in stays while any row still shows one of its nodes.
  std::shared_ptr<std::vector<PanelNode>> tree_;
};

namespace {

// A row of the tree: the key of the node it shows now (rows are reused while scrolling).
class Row : public Gtk::Box {
 public:
  Row() : Gtk::Box(Gtk::Orientation::HORIZONTAL, 4) {
    label.set_xalign(0);
    label.set_ellipsize(Pango::EllipsizeMode::END);
    append(image);
    append(label);
  }
  std::string key;
  Gtk::Image image;
  Gtk::Label label;
};

}  // namespace

SidePanel::SidePanel(const std::string& refresh_caption, const std::string& icon_folder)
    : Gtk::Box(Gtk::Orientation::VERTICAL), icon_folder_(icon_folder) {
  // The Refresh button keeps its size in the top right corner; the tree fills the rest.
  refresh_.set_halign(Gtk::Align::END);
  refresh_.set_hexpand(true);
  header_.append(refresh_);
  append(header_);
  scroll_.set_vexpand(true);
  scroll_.set_hexpand(true);
  scroll_.set_child(view_);
  append(scroll_);
  refresh_.signal_clicked().connect([this] {
    if (refresh) refresh();
  });

  auto factory = Gtk::SignalListItemFactory::create();
  factory->signal_setup().connect(sigc::mem_fun(*this, &SidePanel::SetupRow));
  factory->signal_bind().connect(sigc::mem_fun(*this, &SidePanel::BindRow));
  view_.set_factory(factory);
  selection_ = Gtk::SingleSelection::create();
  view_.set_model(selection_);
  SetRefreshCaption(refresh_caption);
  view_.signal_activate().connect([this](guint position) {
    auto row = std::dynamic_pointer_cast<Gtk::TreeListRow>(selection_->get_object(position));
    auto item = row ? std::dynamic_pointer_cast<Item>(row->get_item()) : nullptr;
    if (item && activated) activated(item->node->key);
  });

  // F2 edits the selected row's label in a small box beside it.
  auto keys = Gtk::EventControllerKey::create();
  keys->signal_key_pressed().connect(
      [this](guint keyval, guint, Gdk::ModifierType) {
        if (keyval != GDK_KEY_F2 || !renamed) return false;
        StartRename();
        return true;
      },
      false);
  view_.add_controller(keys);
  rename_popover_.set_child(rename_entry_);
  rename_popover_.set_parent(view_);
  rename_entry_.signal_activate().connect([this] {
    const std::string key = rename_key_, old_text = rename_old_, new_text = rename_entry_.get_text();
    rename_popover_.popdown();
    if (new_text != old_text && renamed) renamed(key, old_text, new_text);
  });
}

void SidePanel::SetRefreshCaption(const std::string& caption) {
  refresh_.set_label(caption);
  setAccessibleName(view_, caption);
}

SidePanel::~SidePanel() { rename_popover_.unparent(); }

void SidePanel::SetIcon(Gtk::Image& image, int number) const {
  const std::string file = Glib::build_filename(icon_folder_, "res" + std::to_string(number) + ".ico");
  if (Glib::file_test(file, Glib::FileTest::IS_REGULAR)) {
    image.set(file);
    return;
  }
  static const char* const kThemeIcons[] = {"text-html-symbolic",      "text-html-symbolic",
                                            "folder-symbolic",         "x-office-calendar-symbolic",
                                            "network-server-symbolic", "network-server-symbolic"};
  image.set_from_icon_name(kThemeIcons[number >= 1 && number <= 5 ? number : 1]);
}

void SidePanel::SetupRow(const Glib::RefPtr<Gtk::ListItem>& list_item) {
  auto* expander = Gtk::make_managed<Gtk::TreeExpander>();
  auto* row = Gtk::make_managed<Row>();
  expander->set_child(*row);
  list_item->set_child(*expander);
  row->set_has_tooltip(true);
  row->signal_query_tooltip().connect(
      [this, row](int, int, bool, const Glib::RefPtr<Gtk::Tooltip>& tip) {
        if (!tooltip || row->key.empty()) return false;
        const std::string text = tooltip(row->key);
        if (text.empty()) return false;
        tip->set_text(text);
        return true;
      },
      false);
  auto click = Gtk::GestureClick::create();
  click->set_button(GDK_BUTTON_SECONDARY);
  click->signal_pressed().connect([this, row](int, double, double) {
    if (rightClicked && !row->key.empty()) rightClicked(row->key);
  });
  row->add_controller(click);
}

void SidePanel::BindRow(const Glib::RefPtr<Gtk::ListItem>& list_item) {
  auto list_row = std::dynamic_pointer_cast<Gtk::TreeListRow>(list_item->get_item());
  auto* expander = dynamic_cast<Gtk::TreeExpander*>(list_item->get_child());
  if (!list_row || !expander) return;
  expander->set_list_row(list_row);
  auto item = std::dynamic_pointer_cast<Item>(list_row->get_item());
  auto* row = dynamic_cast<Row*>(expander->get_child());
  if (!item || !row) return;
  row->key = item->node->key;
  row->label.set_text(item->node->text);
  // The list row is what a screen reader walks; the expander inside it says what it holds.
  setAccessibleName(*expander, item->node->text);
  SetIcon(row->image, item->node->image);
}

Glib::RefPtr<Gio::ListStore<SidePanel::Item>> SidePanel::StoreOf(std::vector<PanelNode>& nodes,
                                                                 const std::shared_ptr<std::vector<PanelNode>>& tree) {
  auto store = Gio::ListStore<Item>::create();
  std::vector<Glib::RefPtr<Item>> items;
  items.reserve(nodes.size());
  for (PanelNode& node : nodes) items.push_back(Item::create(&node, tree));
  store->splice(0, 0, items);
  return store;
}

Glib::RefPtr<Gio::ListModel> SidePanel::ChildrenOf(const Glib::RefPtr<Glib::ObjectBase>& object) {
  auto item = std::dynamic_pointer_cast<Item>(object);
  if (!item || item->node->children.empty()) return {};
  return StoreOf(item->node->children, item->tree());
}

void SidePanel::SetNodes(std::vector<PanelNode> roots) {
  // Rows of the old tree may still be shown while the view changes over: they hold it.
  roots_ = std::make_shared<std::vector<PanelNode>>(std::move(roots));
  rename_popover_.popdown();
  model_ =
      Gtk::TreeListModel::create(StoreOf(*roots_, roots_), sigc::mem_fun(*this, &SidePanel::ChildrenOf), false, false);
  selection_->set_model(model_);
}

bool SidePanel::Empty() const { return !roots_ || roots_->empty(); }

std::vector<std::string> SidePanel::ShownRows() const {
  std::vector<std::string> rows;
  if (!model_) return rows;
  for (guint i = 0; i < model_->get_n_items(); ++i) {
    auto row = model_->get_row(i);
    auto item = row ? std::dynamic_pointer_cast<Item>(row->get_item()) : nullptr;
    if (item) rows.push_back(std::string(2 * row->get_depth(), ' ') + item->node->text);
  }
  return rows;
}

void SidePanel::ExpandAll() {
  if (!model_) return;
  for (guint i = 0; i < model_->get_n_items(); ++i)
    if (auto row = model_->get_row(i)) row->set_expanded(true);
}

bool SidePanel::ActivateKey(const std::string& key) {
  if (!model_) return false;
  for (guint i = 0; i < model_->get_n_items(); ++i) {
    auto row = model_->get_row(i);
    auto item = row ? std::dynamic_pointer_cast<Item>(row->get_item()) : nullptr;
    if (item && item->node->key == key) {
      selection_->set_selected(i);
      if (activated) activated(key);
      return true;
    }
  }
  return false;
}

void SidePanel::StartRename() {
  auto row = std::dynamic_pointer_cast<Gtk::TreeListRow>(selection_->get_selected_item());
  auto item = row ? std::dynamic_pointer_cast<Item>(row->get_item()) : nullptr;
  if (!item) return;
  rename_key_ = item->node->key;
  rename_old_ = item->node->text;
  rename_entry_.set_text(rename_old_);
  rename_popover_.popup();
  rename_entry_.grab_focus();
}

}  // namespace zor::gtk
