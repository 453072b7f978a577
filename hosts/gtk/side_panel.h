// One instance of the side panel: a Refresh button in the top right corner and a tree
// (a list view over a tree list model) filling the rest. The favorites and the history
// each get one; what the nodes mean is the caller's business.
#pragma once

#include <gtkmm.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zor::gtk {

struct PanelNode {
  std::string key;
  std::string text;
  int image = 1;  // 1 link, 2 folder, 3 day, 4 domain
  std::vector<PanelNode> children;
};

class SidePanel : public Gtk::Box {
 public:
  // `icon_folder` holds res1.ico .. res5.ico; missing pictures fall back to theme icons.
  SidePanel(const std::string& refresh_caption, const std::string& icon_folder);
  ~SidePanel() override;

  // Replaces the whole tree.
  void SetNodes(std::vector<PanelNode> roots);
  bool Empty() const;
  // Top-level texts, children indented by two blanks, as far as the tree is expanded.
  std::vector<std::string> ShownRows() const;
  // Activates the row showing `key` (as a double click does); false when none is shown.
  bool ActivateKey(const std::string& key);
  void ExpandAll();

  Gtk::Button& refreshButton() { return refresh_; }
  // The button's caption, and the tree's accessible name that follows it.
  void SetRefreshCaption(const std::string& caption);
  Gtk::ListView& view() { return view_; }

  std::function<void(const std::string& key)> activated;     // double click or Enter
  std::function<void(const std::string& key)> rightClicked;  // right button pressed
  std::function<std::string(const std::string& key)> tooltip;
  // A label edit (F2) ended with new text: true keeps it, false puts the old text back.
  std::function<bool(const std::string& key, const std::string& old_text, const std::string& new_text)> renamed;
  std::function<void()> refresh;

 private:
  class Item;
  Glib::RefPtr<Gio::ListModel> ChildrenOf(const Glib::RefPtr<Glib::ObjectBase>& item);
  Glib::RefPtr<Gio::ListStore<Item>> StoreOf(std::vector<PanelNode>& nodes,
                                             const std::shared_ptr<std::vector<PanelNode>>& tree);
  void SetupRow(const Glib::RefPtr<Gtk::ListItem>& list_item);
  void BindRow(const Glib::RefPtr<Gtk::ListItem>& list_item);
  void StartRename();
  void SetIcon(Gtk::Image& image, int number) const;

  std::string icon_folder_;
  std::shared_ptr<std::vector<PanelNode>> roots_;
  Gtk::Box header_;
  Gtk::Button refresh_;
  Gtk::ScrolledWindow scroll_;
  Gtk::ListView view_;
  Glib::RefPtr<Gtk::TreeListModel> model_;
  Glib::RefPtr<Gtk::SingleSelection> selection_;
  Gtk::Popover rename_popover_;
  Gtk::Entry rename_entry_;
  std::string rename_key_, rename_old_;
};

}  // namespace zor::gtk
