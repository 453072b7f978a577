#include "hosts/gtk/internet_options.h"

#include <utility>
#include <vector>

namespace zor::gtk {

namespace {

constexpr const char* kTitle = "Internet Options";

std::string DateText(GDateTime* date) {
  if (!date) return "unknown";
  gchar* text = g_date_time_format(date, "%Y-%m-%d %H:%M:%S UTC");
  std::string out = text ? text : "unknown";
  g_free(text);
  return out;
}

std::string Problems(GTlsCertificateFlags errors) {
  const std::pair<GTlsCertificateFlags, const char*> names[] = {
      {G_TLS_CERTIFICATE_UNKNOWN_CA, "issuer not trusted"},
      {G_TLS_CERTIFICATE_BAD_IDENTITY, "issued for another site"},
      {G_TLS_CERTIFICATE_NOT_ACTIVATED, "not yet valid"},
      {G_TLS_CERTIFICATE_EXPIRED, "expired"},
      {G_TLS_CERTIFICATE_REVOKED, "revoked"},
      {G_TLS_CERTIFICATE_INSECURE, "insecure algorithm"},
      {G_TLS_CERTIFICATE_GENERIC_ERROR, "could not be checked"},
  };
  std::string out;
  for (const auto& [flag, name] : names)
    if (errors & flag) out += (out.empty() ? "" : ", ") + std::string(name);
  return out.empty() ? "none" : out;
}

}  // namespace

std::string InternetOptionsDialog::DescribeCertificate(const std::string& address, GTlsCertificate* certificate,
                                                       GTlsCertificateFlags errors) {
  std::string text = "Address: " + (address.empty() ? std::string("(blank page)") : address) + "\n";
  if (!certificate) return text + "Connection: not encrypted\nCertificate: none";
  auto field = [](gchar* value) {
    std::string out = value ? value : "unknown";
    g_free(value);
    return out;
  };
  GDateTime* from = g_tls_certificate_get_not_valid_before(certificate);
  GDateTime* until = g_tls_certificate_get_not_valid_after(certificate);
  text += std::string("Connection: encrypted (TLS)\n") + "Issued to: " +
          field(g_tls_certificate_get_subject_name(certificate)) + "\n" +
          "Issued by: " + field(g_tls_certificate_get_issuer_name(certificate)) + "\n" +
          "Valid from: " + DateText(from) + "\n" + "Valid until: " + DateText(until) + "\n" +
          "Problems: " + Problems(errors);
  if (from) g_date_time_unref(from);
  if (until) g_date_time_unref(until);
  return text;
}

InternetOptionsDialog::InternetOptionsDialog(Gtk::Window& owner, int page, const std::string& home_page,
                                             const std::string& current_address, WebKitWebView* view)
    : initial_home_(home_page) {
  set_title(kTitle);
  set_transient_for(owner);
  set_default_size(460, 300);
  set_hide_on_close(true);

  GTlsCertificate* certificate = nullptr;
  GTlsCertificateFlags errors{};
  if (!view || !webkit_web_view_get_tls_info(view, &certificate, &errors)) certificate = nullptr;
  pages_.append_page(GeneralPage(current_address), "General");
  pages_.append_page(SecurityPage(DescribeCertificate(current_address, certificate, errors)), "Security");
  pages_.set_vexpand(true);

  auto* buttons = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
  buttons->set_halign(Gtk::Align::END);
  auto* ok = Gtk::make_managed<Gtk::Button>("_OK", true);
  auto* cancel = Gtk::make_managed<Gtk::Button>("_Cancel", true);
  ok->signal_clicked().connect([this] {
    Accept();
    close();
  });
  cancel->signal_clicked().connect([this] { close(); });
  buttons->append(*cancel);
  buttons->append(*ok);
  set_default_widget(*ok);

  layout_.set_margin(12);
  layout_.append(pages_);
  layout_.append(*buttons);
  set_child(layout_);
  // Only once it stands in the window: switching pages asks the window for its focus.
  pages_.set_current_page(page == 1 ? 1 : 0);
}

Gtk::Widget& InternetOptionsDialog::GeneralPage(const std::string& current_address) {
  auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
  box->set_margin(12);
  auto* label = Gtk::make_managed<Gtk::Label>("_Home page:", true);
  label->set_xalign(0);
  label->set_mnemonic_widget(home_);
  home_.set_text(initial_home_);
  home_.set_activates_default(true);
  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
  auto* use_current = Gtk::make_managed<Gtk::Button>("Use _Current", true);
  auto* use_blank = Gtk::make_managed<Gtk::Button>("Use _Blank", true);
  use_current->set_sensitive(!current_address.empty());
  use_current->signal_clicked().connect([this, current_address] { home_.set_text(current_address); });
  use_blank->signal_clicked().connect([this] { home_.set_text("about:blank"); });
  row->append(*use_current);
  row->append(*use_blank);
  box->append(*label);
  box->append(home_);
  box->append(*row);
  auto* search_label = Gtk::make_managed<Gtk::Label>("_Search from the address box with:", true);
  search_label->set_xalign(0);
  search_label->set_margin_top(12);
  search_label->set_mnemonic_widget(search_);
  box->append(*search_label);
  box->append(search_);
  return *box;
}

Gtk::Widget& InternetOptionsDialog::SecurityPage(const std::string& text) {
  security_.set_text(text);
  security_.set_xalign(0);
  security_.set_yalign(0);
  security_.set_wrap(true);
  security_.set_selectable(true);
  security_.set_margin(12);
  return security_;
}

std::string InternetOptionsDialog::SecurityText() const { return security_.get_text(); }

void InternetOptionsDialog::SetSearch(const std::vector<std::pair<std::string, std::string>>& services,
                                      const std::string& current) {
  search_.remove_all();
  bool listed = false;
  for (const auto& [name, address] : services) {
    search_.append(address, name);
    listed = listed || address == current;
  }
  if (!listed && !current.empty()) search_.append(current, current);
  search_.set_active_id(current);
  initial_search_ = current;
}

void InternetOptionsDialog::Accept() {
  std::string home = home_.get_text();
  if (home.empty()) home = "about:blank";
  if (home != initial_home_ && onHomePage) onHomePage(home);
  initial_home_ = home;
  const std::string search = search_.get_active_id();
  if (!search.empty() && search != initial_search_ && onSearch) onSearch(search);
  initial_search_ = search;
}

}  // namespace zor::gtk
