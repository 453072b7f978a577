#include "carrowel/gtk/basket_window.h"

#include <gtkmm.h>
#include <gtkmm/init.h>

#include <algorithm>

#include "hosts/gtk/dialog_run.h"

namespace zor::carrowel {

namespace {

constexpr int kTopenMs = 1500;  // collapses the window once the pointer has left it
constexpr int kTtopMs = 3000;   // raises it above the others again
constexpr double kAlpha = 180.0 / 255.0;

int Pixels(int twips) { return twips / Basket::kTwipsPerPixel; }

class BasketWindow : public BasketView {
 public:
  explicit BasketWindow(Basket& basket) : ui_(new Ui(basket)) {}

  // The window may be closing from one of its own signals: it is hidden now and freed
  // once that signal has returned.
  ~BasketWindow() override {
    Close();
    Ui* ui = ui_;
    Glib::signal_idle().connect_once([ui] { delete ui; });
  }

  void Show() override {
    Gtk::Window& window = ui_->window;
    window.present();
    gtk::KeepAbove(window.gobj(), true);
    ui_->ttop = Glib::signal_timeout().connect(
        [this] {
          gtk::KeepAbove(ui_->window.gobj(), true);
          return true;
        },
        kTtopMs);
  }

  void Close() override {
    ui_->basket = nullptr;
    ui_->ttop.disconnect();
    ui_->topen.disconnect();
    if (ui_->menu) ui_->menu->popdown();
    ui_->window.unset_focus();
    ui_->window.set_visible(false);
  }

  void Update() override { ui_->Sync(); }

  std::optional<std::string> ChooseFile(bool save) override {
    Gtk::FileChooserDialog dialog(ui_->window, save ? "Save" : "Load",
                                  save ? Gtk::FileChooser::Action::SAVE : Gtk::FileChooser::Action::OPEN, true);
    dialog.set_hide_on_close(true);
    dialog.add_button("_Cancel", Gtk::ResponseType::CANCEL);
    dialog.add_button(save ? "_Save" : "_Open", Gtk::ResponseType::ACCEPT);
    for (const char* pattern : {"*.LSV", "*.*"}) {
      auto filter = Gtk::FileFilter::create();
      filter->set_name(pattern);
      filter->add_pattern(std::string(pattern) == "*.*" ? "*" : pattern);
      dialog.add_filter(filter);
    }
    ui_->StopTopen();
    const int response = gtk::RunDialog(dialog);
    ui_->StartTopen();
    if (response != Gtk::ResponseType::ACCEPT) return std::nullopt;
    auto file = dialog.get_file();
    if (!file || file->get_path().empty()) return std::nullopt;
    return file->get_path();
  }

  void Message(const std::string& text) override {
    Gtk::MessageDialog dialog(ui_->window, text, false, Gtk::MessageType::OTHER, Gtk::ButtonsType::OK, true);
    dialog.set_hide_on_close(true);
    ui_->StopTopen();
    gtk::RunDialog(dialog);
    ui_->StartTopen();
  }

  void SetClipboard(const std::string& text) override { ui_->window.get_clipboard()->set_text(text); }

 private:
  struct Ui {
    explicit Ui(Basket& b) : basket(&b) {
      window.set_title(kBasketTitle);
      window.set_decorated(false);
      window.set_resizable(false);
      if (Gdk::Display::get_default() && Gdk::Display::get_default()->is_composited()) window.set_opacity(kAlpha);
      root.set_name("basket");
      icon.set_from_icon_name("folder-download-symbolic");
      icon.set_pixel_size(Pixels(Basket::kCollapsedTwips) - 4);
      top.append(icon);
      caption.set_xalign(0);
      caption.set_ellipsize(Pango::EllipsizeMode::END);
      top.append(caption);
      root.append(top);
      BuildList();
      root.append(scroller);
      window.set_child(root);
      Connect();
      Sync();
    }

    ~Ui() {
      if (menu) menu->unparent();
    }

    void BuildList() {
      auto factory = Gtk::SignalListItemFactory::create();
      factory->signal_setup().connect([](const Glib::RefPtr<Gtk::ListItem>& item) {
        auto* label = Gtk::make_managed<Gtk::Label>();
        label->set_xalign(0);
        item->set_child(*label);
      });
      factory->signal_bind().connect([](const Glib::RefPtr<Gtk::ListItem>& item) {
        auto* label = dynamic_cast<Gtk::Label*>(item->get_child());
        auto text = std::dynamic_pointer_cast<Gtk::StringObject>(item->get_item());
        if (!label || !text) return;
        label->set_text(text->get_string());
        label->set_tooltip_text(text->get_string());
      });
      list = Gtk::make_managed<Gtk::ListView>(selection, factory);
      list->set_name("List1");
      scroller.set_policy(Gtk::PolicyType::AUTOMATIC, Gtk::PolicyType::AUTOMATIC);
      scroller.set_vexpand(true);
      scroller.set_has_frame(true);
      scroller.set_child(*list);
    }

    void Connect() {
      // Drops of files or text anywhere on the window, as copies.
      auto drop = Gtk::DropTarget::create(G_TYPE_INVALID, Gdk::DragAction::COPY);
      drop->set_gtypes({GDK_TYPE_FILE_LIST, G_TYPE_STRING});
      drop->signal_drop().connect(
          [this](const Glib::ValueBase& value, double, double) {
            OnDrop(value);
            return true;
          },
          false);
      root.add_controller(drop);

      // Moved by dragging the background, the icon or the caption.
      auto move = Gtk::GestureClick::create();
      move->set_button(GDK_BUTTON_PRIMARY);
      move->signal_pressed().connect([this, move = move.get()](int, double x, double y) {
        Gtk::Widget* picked = root.pick(x, y);
        if (picked && (picked == list || picked->is_ancestor(*list))) return;
        StartTimers();
        auto toplevel = std::dynamic_pointer_cast<Gdk::Toplevel>(window.get_surface());
        auto device = move->get_current_event_device();
        if (!toplevel || !device) return;
        double sx = x, sy = y;
        if (auto* native = root.get_native()) {
          double nx = 0, ny = 0;
          native->get_surface_transform(nx, ny);
          sx += nx;
          sy += ny;
        }
        toplevel->begin_move(device, GDK_BUTTON_PRIMARY, sx, sy, move->get_current_event_time());
      });
      root.add_controller(move);

      // Hovering the icon opens the basket.
      auto hover = Gtk::EventControllerMotion::create();
      hover->signal_enter().connect([this](double, double) {
        if (!basket) return;
        basket->Expand();
        StartTimers();
      });
      icon.add_controller(hover);
      auto moving = Gtk::EventControllerMotion::create();
      moving->signal_motion().connect([this](double, double) { StartTimers(); });
      root.add_controller(moving);

      // The right button brings the menu, over the list and the icon.
      auto right = Gtk::GestureClick::create();
      right->set_button(GDK_BUTTON_SECONDARY);
      right->signal_pressed().connect([this](int, double x, double y) { ShowMenu(x, y); });
      root.add_controller(right);

      selection->signal_selection_changed().connect([this](guint position, guint) {
        if (!basket || syncing) return;
        std::set<int> chosen;
        auto bits = selection->get_selection();
        for (guint i = 0; i < bits->get_size(); ++i) chosen.insert(static_cast<int>(bits->get_nth(i)));
        int current = chosen.count(static_cast<int>(position)) ? static_cast<int>(position)
                                                               : (chosen.empty() ? -1 : *chosen.begin());
        basket->Select(chosen, current);
      });
      list->signal_activate().connect([this](guint) {
        if (basket) basket->Open();
      });
      auto keys = Gtk::EventControllerKey::create();
      keys->signal_key_released().connect([this](guint key, guint, Gdk::ModifierType) {
        if ((key == GDK_KEY_Delete || key == GDK_KEY_KP_Delete) && basket) basket->DeleteKey();
      });
      list->add_controller(keys);

      // An entry dragged out of the list is its text.
      auto drag = Gtk::DragSource::create();
      drag->set_actions(Gdk::DragAction::COPY);
      drag->signal_prepare().connect(
          [this](double, double) -> Glib::RefPtr<Gdk::ContentProvider> {
            if (!basket || basket->current < 0 || basket->List1[basket->current].empty()) return nullptr;
            Glib::Value<Glib::ustring> text;
            text.init(Glib::Value<Glib::ustring>::value_type());
            text.set(basket->List1[basket->current]);
            return Gdk::ContentProvider::create(text);
          },
          false);
      list->add_controller(drag);

      window.signal_close_request().connect(
          [this] {
            if (basket) basket->Exit();
            return true;
          },
          false);
    }

    void OnDrop(const Glib::ValueBase& value) {
      if (!basket) return;
      const GValue* raw = value.gobj();
      if (G_VALUE_HOLDS(raw, GDK_TYPE_FILE_LIST)) {
        std::vector<std::string> files;
        for (GSList* l = gdk_file_list_get_files(static_cast<GdkFileList*>(g_value_get_boxed(raw))); l; l = l->next) {
          GFile* file = G_FILE(l->data);
          if (char* path = g_file_get_path(file)) {
            files.emplace_back(path);
            g_free(path);
          } else if (char* uri = g_file_get_uri(file)) {
            // An address offered as a file list is a link, not a file to keep.
            basket->DropText(uri);
            g_free(uri);
          }
        }
        basket->DropFiles(files);
        if (!files.empty()) StartTimers();
      } else if (G_VALUE_HOLDS_STRING(raw) && g_value_get_string(raw)) {
        basket->DropText(g_value_get_string(raw));
      }
    }

    void ShowMenu(double x, double y) {
      if (!basket) return;
      StopTopen();
      auto actions = Gio::SimpleActionGroup::create();
      auto model = Gio::Menu::create();
      auto section = Gio::Menu::create();
      const std::vector<std::string>& captions = basket->MenuCaptions();
      for (size_t i = 0; i < kPopupMenu.size(); ++i) {
        const MenuItem& item = kPopupMenu[i];
        if (std::string(item.name) == "-") {
          model->append_section(section);
          section = Gio::Menu::create();
          continue;
        }
        const std::string name = item.name;
        auto action = actions->add_action(name, [this, name] {
          // Run after the menu has closed: a command may open a dialog or close the basket.
          Glib::signal_idle().connect_once([this, name] {
            if (basket) basket->Command(name);
          });
        });
        action->set_enabled(!item.per_item || basket->ItemCommandsEnabled());
        // The built-in captions mark their access key with "&".
        std::string label = captions[i];
        std::replace(label.begin(), label.end(), '&', '_');
        section->append(label, "basket." + name);
      }
      model->append_section(section);
      root.insert_action_group("basket", actions);
      if (!menu) {
        menu = Gtk::make_managed<Gtk::PopoverMenu>();
        menu->set_parent(root);
        menu->set_has_arrow(false);
        menu->signal_closed().connect([this] { StartTopen(); });
      }
      menu->set_menu_model(model);
      menu->set_pointing_to(Gdk::Rectangle(static_cast<int>(x), static_cast<int>(y), 1, 1));
      menu->popup();
    }

    void StartTimers() {
      StartTopen();
      gtk::KeepAbove(window.gobj(), true);
    }

    void StartTopen() {
      if (!basket || !basket->expanded || (menu && menu->get_visible())) return;
      topen.disconnect();
      topen = Glib::signal_timeout().connect(
          [this] {
            if (!basket || PointerInside()) return true;
            basket->Collapse();
            return false;
          },
          kTopenMs);
    }

    void StopTopen() { topen.disconnect(); }

    bool PointerInside() {
      auto surface = window.get_surface();
      auto display = Gdk::Display::get_default();
      auto seat = display ? display->get_default_seat() : nullptr;
      auto pointer = seat ? seat->get_pointer() : nullptr;
      if (!surface || !pointer) return false;
      double x = 0, y = 0;
      Gdk::ModifierType mask{};
      surface->get_device_position(pointer, x, y, mask);
      return x >= 0 && y >= 0 && x < Pixels(Basket::kExpandedWidthTwips) && y < Pixels(Basket::kExpandedHeightTwips);
    }

    void Sync() {
      if (!basket) return;
      syncing = true;
      const Basket& b = *basket;
      if (b.List1 != shown) {
        std::vector<Glib::ustring> items(b.List1.begin(), b.List1.end());
        model->splice(0, model->get_n_items(), items);
        shown = b.List1;
      }
      selection->unselect_all();
      for (int i : b.selected) selection->select_item(static_cast<guint>(i), false);
      caption.set_text(b.lbl_Caption);
      caption.set_visible(b.expanded);
      scroller.set_visible(b.expanded);
      root.set_size_request(Pixels(b.WidthTwips()), Pixels(b.HeightTwips()));
      if (!b.expanded) topen.disconnect();
      syncing = false;
    }

    Basket* basket;
    Gtk::Window window;
    Gtk::Box root{Gtk::Orientation::VERTICAL, 0};
    Gtk::Box top{Gtk::Orientation::HORIZONTAL, 2};
    Gtk::Image icon;
    Gtk::Label caption;
    Gtk::ScrolledWindow scroller;
    Glib::RefPtr<Gtk::StringList> model = Gtk::StringList::create({});
    Glib::RefPtr<Gtk::MultiSelection> selection = Gtk::MultiSelection::create(model);
    Gtk::ListView* list = nullptr;
    Gtk::PopoverMenu* menu = nullptr;
    std::vector<std::string> shown;
    sigc::connection topen;
    sigc::connection ttop;
    bool syncing = false;
  };

  Ui* ui_;
};

}  // namespace

std::unique_ptr<BasketView> MakeBasketWindow(Basket& basket) {
  if (!gtk_is_initialized()) return nullptr;
  Gtk::init_gtkmm_internals();
  return std::make_unique<BasketWindow>(basket);
}

}  // namespace zor::carrowel
