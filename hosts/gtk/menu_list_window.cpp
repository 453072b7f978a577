#include "hosts/gtk/menu_list_window.h"

#include <utility>

namespace zor::gtk {

namespace {

// A list model that is only a row count: the rows' texts live in the window's vectors and
// are read by position when a row comes on screen, so refiltering costs no objects.
struct RowCount {
  GObject parent;
  guint rows;
};
struct RowCountClass {
  GObjectClass parent_class;
};

GType row_count_item_type(GListModel*) { return G_TYPE_OBJECT; }
guint row_count_n_items(GListModel* model) { return reinterpret_cast<RowCount*>(model)->rows; }
gpointer row_count_item(GListModel* model, guint position) {
  if (position >= reinterpret_cast<RowCount*>(model)->rows) return nullptr;
  return g_object_new(G_TYPE_OBJECT, nullptr);
}
void row_count_list_init(GListModelInterface* iface) {
  iface->get_item_type = row_count_item_type;
  iface->get_n_items = row_count_n_items;
  iface->get_item = row_count_item;
}

GType RowCountType() {
  static const GType type = [] {
    const GInterfaceInfo list = {reinterpret_cast<GInterfaceInitFunc>(+[](gpointer iface, gpointer) {
                                   row_count_list_init(static_cast<GListModelInterface*>(iface));
                                 }),
                                 nullptr, nullptr};
    GType t = g_type_register_static_simple(G_TYPE_OBJECT, "ZorMenuRowCount", sizeof(RowCountClass), nullptr,
                                            sizeof(RowCount), nullptr, GTypeFlags{});
    g_type_add_interface_static(t, G_TYPE_LIST_MODEL, &list);
    return t;
  }();
  return type;
}

void SetRows(GListModel* model, guint rows) {
  auto* count = reinterpret_cast<RowCount*>(model);
  const guint before = count->rows;
  count->rows = rows;
  if (before || rows) g_list_model_items_changed(model, 0, before, rows);
}

}  // namespace

MenuListWindow::MenuListWindow(Gtk::Window* parent, const Texts& texts, std::vector<toolbar::ListedEntry> entries,
                               Choose choose)
    : entries_(std::move(entries)), choose_(std::move(choose)) {
  set_title(texts.title);
  set_default_size(420, 520);
  set_modal(true);
  set_hide_on_close(true);
  if (parent) set_transient_for(*parent);

  rows_model_ = G_LIST_MODEL(g_object_new(RowCountType(), nullptr));
  // The selection takes its own reference.
  selection_ = Gtk::SingleSelection::create(Glib::wrap(rows_model_, true));

  auto factory = Gtk::SignalListItemFactory::create();
  factory->signal_setup().connect([](const Glib::RefPtr<Gtk::ListItem>& item) {
    auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
    auto* mark = Gtk::make_managed<Gtk::Image>();
    mark->set_from_icon_name("object-select-symbolic");
    auto* label = Gtk::make_managed<Gtk::Label>();
    label->set_xalign(0);
    label->set_ellipsize(Pango::EllipsizeMode::END);
    row->append(*mark);
    row->append(*label);
    item->set_child(*row);
  });
  factory->signal_bind().connect([this](const Glib::RefPtr<Gtk::ListItem>& item) {
    const guint row = item->get_position();
    if (row >= matches_.size()) return;
    const toolbar::ListedEntry& entry = entries_[matches_[row]];
    auto* box = dynamic_cast<Gtk::Box*>(item->get_child());
    if (!box) return;
    // The mark keeps its room when unchecked, so the labels stay in one column.
    box->get_first_child()->set_opacity(entry.checked ? 1.0 : 0.0);
    if (auto* label = dynamic_cast<Gtk::Label*>(box->get_last_child())) label->set_text(entry.label);
    box->set_sensitive(entry.enabled);
    item->set_activatable(entry.enabled);
  });
  list_.set_factory(factory);
  list_.set_model(selection_);
  list_.set_single_click_activate(true);
  gtk_accessible_update_property(GTK_ACCESSIBLE(list_.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, texts.title.c_str(), -1);
  list_.signal_activate().connect([this](guint row) { pick(row); });

  filter_.set_placeholder_text(texts.filter);
  gtk_accessible_update_property(GTK_ACCESSIBLE(filter_.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, texts.filter.c_str(),
                                 -1);
  filter_.signal_search_changed().connect([this] { refilter(); });
  filter_.signal_activate().connect([this] {
    const guint row = selection_->get_selected();
    if (row != GTK_INVALID_LIST_POSITION) pick(row);
  });
  filter_.signal_stop_search().connect([this] { set_visible(false); });
  // Typing anywhere in the window goes to the filter.
  filter_.set_key_capture_widget(*this);

  scroller_.set_child(list_);
  scroller_.set_vexpand(true);
  scroller_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  box_.append(filter_);
  box_.append(scroller_);
  set_child(box_);
  refilter();
}

MenuListWindow::~MenuListWindow() {
  list_.set_model({});
  selection_.reset();
  g_object_unref(rows_model_);
}

void MenuListWindow::refilter() {
  matches_ = toolbar::FilterEntries(entries_, filter_.get_text().raw());
  SetRows(rows_model_, static_cast<guint>(matches_.size()));
  if (!matches_.empty()) selection_->set_selected(0);
}

void MenuListWindow::pick(guint row) {
  if (row >= matches_.size() || !get_visible()) return;
  const toolbar::ListedEntry& entry = entries_[matches_[row]];
  if (!entry.enabled) return;
  set_visible(false);
  choose_(entry);
}

}  // namespace zor::gtk
