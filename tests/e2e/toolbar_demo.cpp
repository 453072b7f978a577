// Shows the chrome built from a skin file, for a look at it by eye (not a test):
//   toolbar_demo [skin] [--menu BAND] [--tabs N] [--side]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtkmm.h>

#include "hosts/gtk/toolbar_view.h"

namespace {

struct Demo {
  zor::toolbar::ToolbarControl control;
  std::unique_ptr<zor::gtk::ToolbarView> view;
  std::vector<std::unique_ptr<Gtk::Widget>> docked;
  Gtk::Label page;
};

Gtk::Widget* makeDocked(Demo& d, const std::string& name) {
  if (name == "ctl_addr") {
    auto e = std::make_unique<Gtk::Entry>();
    e->set_text("https://www.example.org/");
    e->set_hexpand(true);
    d.docked.push_back(std::move(e));
  } else if (name == "ctl_ieicon") {
    d.docked.push_back(std::make_unique<Gtk::Image>());
    static_cast<Gtk::Image*>(d.docked.back().get())->set_from_icon_name("text-html-symbolic");
  } else if (name == "ctl_progress") {
    auto p = std::make_unique<Gtk::ProgressBar>();
    p->set_fraction(0.4);
    p->set_valign(Gtk::Align::CENTER);
    d.docked.push_back(std::move(p));
  } else if (name.rfind("frm_", 0) == 0) {
    auto l = std::make_unique<Gtk::Label>(name + " tree");
    l->set_vexpand(true);
    d.docked.push_back(std::move(l));
  } else {
    auto l = std::make_unique<Gtk::Label>("Done");
    l->set_xalign(0);
    l->set_hexpand(true);
    d.docked.push_back(std::move(l));
  }
  return d.docked.back().get();
}

}  // namespace

int main(int argc, char** argv) {
  std::string skin = ZOR_SOURCE_DIR "/data/default.tb2";
  std::string menu;
  int tabs = 6;
  bool side = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--menu") && i + 1 < argc) menu = argv[++i];
    else if (!std::strcmp(argv[i], "--tabs") && i + 1 < argc) tabs = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--side")) side = true;
    else skin = argv[i];
  }
  auto app = Gtk::Application::create("org.zor.ToolbarDemo", Gio::Application::Flags::NON_UNIQUE);
  Demo d;
  std::string error;
  if (!d.control.loadLayout("", skin, 1, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  app->signal_activate().connect([&] {
    auto* win = new Gtk::Window();
    win->set_title("ZOR-Browser");
    win->set_default_size(1200, 740);
    std::string dir = skin.substr(0, skin.find_last_of('/'));
    d.view = std::make_unique<zor::gtk::ToolbarView>(d.control, dir);
    if (auto* b = d.control.band("tb_Leftbar"); b && side) b->visible = true;
    for (zor::toolbar::Tool* t : d.control.allTools())
      if (t->control_type == zor::toolbar::kCustom) t->custom = std::make_shared<zor::gtk::WidgetControl>(makeDocked(d, t->name));
    if (auto* tb = d.control.band("tb_Tabs")) {
      const char* titles[] = {"ZOR-Browser start", "Example Domain", "GNOME Web", "Wikipedia, the free encyclopedia", "News", "Mail"};
      for (int i = 1; i <= tabs; ++i) {
        auto* t = d.control.tools().add(50000 + i, "tabs-" + std::to_string(i));
        t->caption = titles[(i - 1) % 6];
        t->style = 3;
        t->image = "icon:text-html-symbolic";
        t->checked = i == 2;
        tb->tools().insert(-1, *t);
      }
    }
    d.control.events.toolClick = [&](zor::toolbar::Tool& t) {
      std::printf("click %s\n", t.name.c_str());
      if (t.name.rfind("tabs-", 0) == 0)
        for (auto& x : d.control.band("tb_Tabs")->tools()) x->checked = x.get() == &t;
      d.control.redraw();
    };
    d.page.set_text("page area");
    d.page.set_hexpand(true);
    d.page.set_vexpand(true);
    d.view->setClient(d.page);
    d.control.recalcLayout();
    d.view->attachShortcuts(*win);
    win->set_child(*d.view);
    app->add_window(*win);
    win->present();
    if (!menu.empty())
      Glib::signal_timeout().connect_once([&d, menu] {
        if (auto* b = d.control.band(menu)) d.view->popupMenu(*b);
      }, 800);
  });
  return app->run(1, argv);
}
