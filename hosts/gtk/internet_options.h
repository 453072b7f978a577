// The Internet-options window: the home page (general) and the certificate of the shown
// page (security). A tool window of the main window; it closes with OK or Cancel.
#pragma once

#include <gtkmm.h>
#include <webkit/webkit.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zor::gtk {

class InternetOptionsDialog : public Gtk::Window {
 public:
  // `page` 0 opens on the general page, 1 on the security page. `view` is the shown page
  // (its certificate is read once, now); null for none.
  InternetOptionsDialog(Gtk::Window& owner, int page, const std::string& home_page, const std::string& current_address,
                        WebKitWebView* view);

  // Runs with the home page when the user confirms a change.
  std::function<void(const std::string& home_page)> onHomePage;
  // The search services offered (name, address template) and the one in use; a template
  // that is none of them is offered as it stands.
  void SetSearch(const std::vector<std::pair<std::string, std::string>>& services, const std::string& current);
  // Runs with the chosen template when the user confirms a change.
  std::function<void(const std::string& search_template)> onSearch;
  Gtk::ComboBoxText& search_choice() { return search_; }

  Gtk::Notebook& pages() { return pages_; }
  Gtk::Entry& home_entry() { return home_; }
  // The security page's text: the address, the connection and the certificate fields.
  std::string SecurityText() const;
  void Accept();

  // What the security page shows, from a page's TLS state (no certificate: not encrypted).
  static std::string DescribeCertificate(const std::string& address, GTlsCertificate* certificate,
                                         GTlsCertificateFlags errors);

 private:
  Gtk::Widget& GeneralPage(const std::string& current_address);
  Gtk::Widget& SecurityPage(const std::string& text);

  Gtk::Box layout_{Gtk::Orientation::VERTICAL, 8};
  Gtk::Notebook pages_;
  Gtk::Entry home_;
  Gtk::ComboBoxText search_;
  std::string initial_search_;
  Gtk::Label security_;
  std::string initial_home_;
};

}  // namespace zor::gtk
