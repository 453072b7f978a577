// The page command object on GTK: a find bar window over WebKitFindController, the
// source view in its own window, the offline switch of the page host, and the entry
// points for the favorites organiser and the address book.
#pragma once

#include <gtkmm.h>

#include <memory>
#include <string>
#include <vector>

#include "hosts/page_commands.h"
#include "hosts/webkit/webkit_page_host.h"

namespace zor::gtk {

// Opens the file in the desktop's default editor of plain text, else in whatever the
// desktop opens the file with; false when nothing could be started.
bool OpenInTextEditor(const std::string& path);

class PageCommandsGtk : public hosts::PageCommands {
 public:
  PageCommandsGtk(webkit::WebKitPageHost& pages, Gtk::Window& owner);
  ~PageCommandsGtk() override;

  void Attach(int page) override;
  int AttachedPage() const override { return page_; }
  bool Offline() const override { return pages_.offline(); }
  void SetOffline(bool offline) override { pages_.SetOffline(offline); }
  void ShowFind() override;
  void ShowSource() override;
  void OrganizeFavorites() override;
  void OpenAddressBook() override;

  // The desktop's own programs. A mail message through the mailto: handler; the mail program
  // itself. Failures are not reported.
  void SendMail(const std::string& mailto_uri);
  void StartMailProgram();
  // Starts `program` with `arguments` directly (no shell), detached; false with *error when
  // it could not be started.
  static bool StartProgram(const std::string& program, const std::vector<std::string>& arguments, std::string* error);

  // The find window's parts, for tests and for the window's own use.
  Gtk::Window& find_window() { return find_window_; }
  Gtk::Entry& find_entry() { return find_entry_; }
  Gtk::Label& find_result() { return find_result_; }
  void FindNext(bool backwards);
  // The source windows opened so far (each stays until the user closes it).
  int source_windows() const { return static_cast<int>(sources_.size()); }
  Gtk::TextView* last_source_view() const;

 private:
  WebKitFindController* Finder() const;
  void Search();

  webkit::WebKitPageHost& pages_;
  Gtk::Window& owner_;
  int page_ = 0;
  Gtk::Window find_window_;
  Gtk::Entry find_entry_;
  Gtk::Label find_result_;
  Gtk::CheckButton match_case_{"Match _case", true};
  std::vector<std::unique_ptr<Gtk::Window>> sources_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  gulong found_id_ = 0, failed_id_ = 0;
  WebKitFindController* connected_ = nullptr;
};

}  // namespace zor::gtk
