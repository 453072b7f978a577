#include "corvane/gtk/panel_window.h"

#include <gtkmm.h>
#include <gtkmm/init.h>

#include <algorithm>
#include <exception>

#include "hosts/gtk/dialog_run.h"
#include "hosts/gtk/toolbar_view.h"


namespace zor::corvane {

namespace {

Gtk::Label* MakeLabel(Gtk::Box& box, bool wrap = false) {
  auto* label = Gtk::make_managed<Gtk::Label>();
  label->set_xalign(0);
  label->set_wrap(wrap);
  box.append(*label);
  return label;
}

// One of the two lists: entries shown as they are, several may be selected, scrolled both
// ways.
struct ListControl {
  Glib::RefPtr<Gtk::StringList> model = Gtk::StringList::create({});
  Glib::RefPtr<Gtk::MultiSelection> selection = Gtk::MultiSelection::create(model);
  Gtk::ListView* view = nullptr;
  Gtk::ScrolledWindow* scroller = nullptr;
  std::vector<std::string> shown;

  void Build(Gtk::Box& box) {
    auto factory = Gtk::SignalListItemFactory::create();
    factory->signal_setup().connect([](const Glib::RefPtr<Gtk::ListItem>& item) {
      auto* label = Gtk::make_managed<Gtk::Label>();
      label->set_xalign(0);
      item->set_child(*label);
    });
    factory->signal_bind().connect([](const Glib::RefPtr<Gtk::ListItem>& item) {
      auto* label = dynamic_cast<Gtk::Label*>(item->get_child());
      auto text = std::dynamic_pointer_cast<Gtk::StringObject>(item->get_item());
      if (label && text) label->set_text(text->get_string());
    });
    view = Gtk::make_managed<Gtk::ListView>(selection, factory);
    scroller = Gtk::make_managed<Gtk::ScrolledWindow>();
    scroller->set_policy(Gtk::PolicyType::AUTOMATIC, Gtk::PolicyType::AUTOMATIC);
    scroller->set_has_frame(true);
    scroller->set_vexpand(true);
    scroller->set_hexpand(true);
    scroller->set_child(*view);
    box.append(*scroller);
  }

  void Show(const std::vector<std::string>& entries, const std::set<int>& selected) {
    if (entries != shown) {
      std::vector<Glib::ustring> items(entries.begin(), entries.end());
      model->splice(0, model->get_n_items(), items);
      shown = entries;
    }
    if (Selected() == selected) return;
    selection->unselect_all();
    for (int i : selected)
      if (i >= 0 && i < static_cast<int>(shown.size())) selection->select_item(static_cast<guint>(i), false);
  }

  std::set<int> Selected() const {
    std::set<int> out;
    auto bits = selection->get_selection();
    for (guint i = 0; i < bits->get_size(); ++i) out.insert(static_cast<int>(bits->get_nth(i)));
    return out;
  }

  // The list scrolls sideways as far as its widest entry reaches.
  void FitListWidth() {
    int widest = 0;
    for (const std::string& entry : shown) {
      int width = 0, height = 0;
      view->create_pango_layout(entry)->get_pixel_size(width, height);
      widest = std::max(widest, width);
    }
    // The rows' own padding comes on top of the text.
    view->set_size_request(widest + 5 + 16, -1);
  }
};

class PanelWindow : public PanelView {
 public:
  explicit PanelWindow(Panel& panel) : ui_(std::make_unique<Ui>(panel)) {}

  // The window may be closing from one of its own signals: it is hidden now and freed
  // once that signal has returned, and its handlers no longer reach the panel.
  ~PanelWindow() override {
    ui_->panel = nullptr;
    // Without a focus inside, the bars come apart without the toolkit's complaint.
    ui_->window.unset_focus();
    ui_->window.set_visible(false);
    Ui* ui = ui_.release();
    Glib::signal_idle().connect_once([ui] { delete ui; });
  }

  void Show() override {
    Gtk::Window& window = ui_->window;
    if (!window.get_transient_for()) {
      Gtk::Window* browser = nullptr;
      for (Gtk::Window* top : Gtk::Window::list_toplevels()) {
        if (top == &window || !top->get_visible() || top->get_title() == Glib::ustring(kPanelTitle)) continue;
        if (!browser || top->is_active()) browser = top;
      }
      if (browser) window.set_transient_for(*browser);
    }
    window.present();
    gtk::KeepAbove(window.gobj(), true);
  }

  void SetTopmost(bool on) override { gtk::KeepAbove(ui_->window.gobj(), on); }

  void Update() override { ui_->Sync(); }

  bool LoadPicture(const std::string& path) override {
    try {
      ui_->picture->set_paintable(Gdk::Texture::create_for_pixbuf(Gdk::Pixbuf::create_from_file(path)));
      return true;
    } catch (const Glib::Error&) {
      return false;
    }
  }

  bool Ask(const std::string& text) override {
    Gtk::MessageDialog dialog(ui_->window, text, false, Gtk::MessageType::QUESTION, Gtk::ButtonsType::YES_NO, true);
    dialog.set_hide_on_close(true);
    dialog.set_default_response(Gtk::ResponseType::YES);
    return gtk::RunDialog(dialog) == Gtk::ResponseType::YES;
  }

  void Message(const std::string& text) override {
    Gtk::MessageDialog dialog(ui_->window, text, false, Gtk::MessageType::OTHER, Gtk::ButtonsType::OK, true);
    dialog.set_hide_on_close(true);
    dialog.set_default_response(Gtk::ResponseType::OK);
    gtk::RunDialog(dialog);
  }

  std::optional<std::string> ChooseFile(bool save) override {
    Gtk::FileChooserDialog dialog(ui_->window, save ? "Export" : "Import",
                                  save ? Gtk::FileChooser::Action::SAVE : Gtk::FileChooser::Action::OPEN, true);
    dialog.set_hide_on_close(true);
    dialog.add_button("_Cancel", Gtk::ResponseType::CANCEL);
    dialog.add_button(save ? "_Save" : "_Open", Gtk::ResponseType::ACCEPT);
    auto every = Gtk::FileFilter::create();
    every->set_name("*.*");
    every->add_pattern("*");
    dialog.add_filter(every);
    if (gtk::RunDialog(dialog) != Gtk::ResponseType::ACCEPT) return std::nullopt;
    auto file = dialog.get_file();
    if (!file || file->get_path().empty()) return std::nullopt;
    return file->get_path();
  }

  void Focus(const std::string& control) override {
    if (control == "txtHei") ui_->txtHei->grab_focus();
    if (control == "txtProxyIp") ui_->txtProxyIp->grab_focus();
  }

 private:
  struct Ui {
    explicit Ui(Panel& p)
        : panel(&p),
          control(p.abMain),
          bars(*control, ProgramFolder(p)) {
      window.set_title(kPanelTitle);
      window.set_default_size(560, 460);
      window.set_child(bars);
      stack.set_transition_type(Gtk::StackTransitionType::NONE);
      stack.set_hexpand(true);
      stack.set_vexpand(true);
      bars.setClient(stack);
      BuildBlackList();
      BuildProxies();
      BuildCleaner();
      BuildAbout();
      window.signal_close_request().connect(
          [this] {
            With([](Panel&) { ClosePanel(); });
            return true;
          },
          false);
      Sync();
    }

    static std::string ProgramFolder(const Panel& p) {
      const std::string skin = p.SkinPath();
      return skin.substr(0, skin.rfind('/') + 1);
    }

    static Gtk::Box* Page() {
      auto* page = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
      page->set_margin(10);
      return page;
    }

    // Runs a step on the panel, holding it so that a step that closes it (or a nested
    // main loop in which it closes) does not pull it away midway. Errors are shown.
    template <typename Step>
    void With(Step step) {
      if (!panel || syncing) return;
      const std::shared_ptr<Panel> held = LoadedPanel() == panel ? LoadPanel() : nullptr;
      Panel& p = *panel;
      try {
        step(p);
      } catch (const std::exception& e) {
        if (panel) {
          Gtk::MessageDialog dialog(window, e.what(), false, Gtk::MessageType::OTHER, Gtk::ButtonsType::OK, true);
          dialog.set_hide_on_close(true);
          gtk::RunDialog(dialog);
        }
      }
    }

    // An entry box with its add button; Enter adds as the button does.
    Gtk::Entry* EntryRow(Gtk::Box& page, Gtk::Button*& button, std::string Panel::*text, void (Panel::*add)()) {
      auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
      auto* entry = Gtk::make_managed<Gtk::Entry>();
      entry->set_hexpand(true);
      button = Gtk::make_managed<Gtk::Button>();
      row->append(*entry);
      row->append(*button);
      page.append(*row);
      entry->signal_changed().connect([this, entry, text] { With([&](Panel& p) { p.*text = entry->get_text(); }); });
      auto run = [this, entry, text, add] {
        With([&](Panel& p) {
          p.*text = entry->get_text();
          (p.*add)();
        });
      };
      entry->signal_activate().connect(run);
      button->signal_clicked().connect(run);
      return entry;
    }

    void ConnectList(ListControl& list, PanelList which) {
      list.selection->signal_selection_changed().connect(
          [this, &list, which](guint, guint) { With([&](Panel& p) { p.SelectEntries(which, list.Selected()); }); });
      auto keys = Gtk::EventControllerKey::create();
      keys->signal_key_pressed().connect(
          [this, which](guint key, guint, Gdk::ModifierType) {
            if (key != GDK_KEY_Delete && key != GDK_KEY_KP_Delete) return false;
            With([&](Panel& p) { p.DeleteSelected(which); });
            return true;
          },
          false);
      list.view->add_controller(keys);
      auto press = Gtk::GestureClick::create();
      press->set_button(0);
      press->signal_pressed().connect([this, &list, which, press = press.get()](int, double, double) {
        const bool right = press->get_current_button() == GDK_BUTTON_SECONDARY;
        With([&](Panel& p) {
          if (right) p.ListRightClick(which);
        });
        list.FitListWidth();
      });
      list.view->add_controller(press);
    }

    void BuildBlackList() {
      Gtk::Box* page = Page();
      lblHei = MakeLabel(*page, true);
      txtHei = EntryRow(*page, cmdHei, &Panel::txtHei, &Panel::cmdHei_Click);
      hei.Build(*page);
      ConnectList(hei, PanelList::kHei);
      stack.add(*page, "1");
    }

    void BuildProxies() {
      Gtk::Box* page = Page();
      lblProxyIp = MakeLabel(*page, true);
      txtProxyIp = EntryRow(*page, cmdPrxoyAdd, &Panel::txtProxyIp, &Panel::cmdPrxoyAdd_Click);
      proxy.Build(*page);
      ConnectList(proxy, PanelList::kProxy);
      lblProxyNot = MakeLabel(*page, true);
      txtAddresses = Gtk::make_managed<Gtk::Entry>();
      page->append(*txtAddresses);
      txtAddresses->signal_changed().connect(
          [this] { With([&](Panel& p) { p.txtAddresses = txtAddresses->get_text(); }); });
      lblProxyNotComment = MakeLabel(*page, true);
      stack.add(*page, "2");
    }

    void BuildCleaner() {
      Gtk::Box* page = Page();
      lblTemp = MakeLabel(*page, true);
      for (int i = 0; i < 3; ++i) {
        checks[i] = Gtk::make_managed<Gtk::CheckButton>();
        page->append(*checks[i]);
        checks[i]->signal_toggled().connect(
            [this, i] { With([&](Panel& p) { p.chkClick(i, checks[i]->get_active()); }); });
      }
      cmdTemp = Gtk::make_managed<Gtk::Button>();
      cmdTemp->set_halign(Gtk::Align::START);
      cmdTemp->set_margin_top(6);
      page->append(*cmdTemp);
      cmdTemp->signal_clicked().connect([this] { With([](Panel& p) { p.cmdTemp_Click(); }); });
      stack.add(*page, "3");
    }

    void BuildAbout() {
      Gtk::Box* page = Page();
      auto* head = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 10);
      picture = Gtk::make_managed<Gtk::Picture>();
      picture->set_can_shrink(false);
      head->append(*picture);
      auto* names = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 4);
      lblTitle = MakeLabel(*names);
      lblTitle->add_css_class("title-2");
      lblVersion = MakeLabel(*names);
      head->append(*names);
      page->append(*head);
      lblDescription = MakeLabel(*page, true);
      lblDisclaimer = MakeLabel(*page, true);
      cmdSysInfo = Gtk::make_managed<Gtk::Button>();
      cmdSysInfo->set_halign(Gtk::Align::START);
      cmdSysInfo->set_valign(Gtk::Align::END);
      cmdSysInfo->set_vexpand(true);
      page->append(*cmdSysInfo);
      cmdSysInfo->signal_clicked().connect([this] { With([](Panel& p) { p.StartSysInfo(); }); });
      stack.add(*page, "4");
    }

    static void SetEntry(Gtk::Entry& entry, const std::string& text) {
      if (std::string(entry.get_text()) != text) entry.set_text(text);
    }

    // The widgets follow the panel's state; the changes this makes are not sent back.
    void Sync() {
      if (!panel) return;
      Panel& p = *panel;
      syncing = true;
      auto text = [&p](const char* key) {
        const auto found = p.texts.find(key);
        return found == p.texts.end() ? std::string() : found->second;
      };
      lblHei->set_text(text("lblHei"));
      cmdHei->set_label(text("cmdHei"));
      lblProxyIp->set_text(text("lblProxyIp"));
      cmdPrxoyAdd->set_label(text("cmdPrxoyAdd"));
      lblProxyNot->set_text(text("lblProxyNot"));
      lblProxyNotComment->set_text(text("lblProxyNotComment"));
      lblTemp->set_text(text("lblTemp"));
      const char* boxes[] = {"chkCookie", "chkTemp", "chkHistory"};
      for (int i = 0; i < 3; ++i) {
        checks[i]->set_label(text(boxes[i]));
        checks[i]->set_active(p.CleanFlags[i]);
      }
      cmdTemp->set_label(p.cmdTempCaption);
      cmdSysInfo->set_label(text("cmdSysInfo"));
      lblDescription->set_text(text("lblDescription"));
      lblDisclaimer->set_text(text("lblDisclaimer"));
      lblTitle->set_text(p.lblTitle);
      lblVersion->set_text(p.lblVersion);
      hei.Show(p.lstHei, p.heiSelected);
      proxy.Show(p.lstProxy, p.proxySelected);
      SetEntry(*txtHei, p.txtHei);
      SetEntry(*txtProxyIp, p.txtProxyIp);
      SetEntry(*txtAddresses, p.txtAddresses);
      if (p.CurrentPage >= 1 && p.CurrentPage <= 4) stack.set_visible_child(std::to_string(p.CurrentPage));
      syncing = false;
    }

    Panel* panel;
    std::shared_ptr<toolbar::ToolbarControl> control;  // outlives the bars that show it
    Gtk::Window window;
    Gtk::Stack stack;
    gtk::ToolbarView bars;
    ListControl hei, proxy;
    Gtk::Label *lblHei = nullptr, *lblProxyIp = nullptr, *lblProxyNot = nullptr, *lblProxyNotComment = nullptr;
    Gtk::Label *lblTemp = nullptr, *lblTitle = nullptr, *lblVersion = nullptr, *lblDescription = nullptr,
               *lblDisclaimer = nullptr;
    Gtk::Entry *txtHei = nullptr, *txtProxyIp = nullptr, *txtAddresses = nullptr;
    Gtk::Button *cmdHei = nullptr, *cmdPrxoyAdd = nullptr, *cmdTemp = nullptr, *cmdSysInfo = nullptr;
    Gtk::CheckButton* checks[3] = {};
    Gtk::Picture* picture = nullptr;
    bool syncing = false;
  };

  std::unique_ptr<Ui> ui_;
};

}  // namespace

std::unique_ptr<PanelView> MakePanelWindow(Panel& panel) {
  if (!gtk_is_initialized()) return nullptr;
  Gtk::init_gtkmm_internals();
  return std::make_unique<PanelWindow>(panel);
}

}  // namespace zor::corvane
