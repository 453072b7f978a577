#include "corvane/panel.h"

#include <stdexcept>

#include "common/files.h"
#include "common/ini_text.h"
#include "corvane/lists.h"
#include "corvane/proxy_settings.h"

namespace zor::corvane {

namespace {

constexpr const char* kSection = "Corvane";
constexpr const char* kProxyUpdateTitle = "ZOR_BROWSER PROXY SETTINGS";

// Shared so that a method keeps the panel alive for its whole length: a nested main
// loop (a warning box) can run another method that closes the panel meanwhile.
std::shared_ptr<Panel>& ThePanel() {
  static std::shared_ptr<Panel> panel;
  return panel;
}

}  // namespace

PanelEnvironment& Environment() {
  static PanelEnvironment env;
  return env;
}

ProxyRecord& LibraryRecord() {
  static ProxyRecord record;
  return record;
}

Panel* LoadedPanel() { return ThePanel().get(); }

std::shared_ptr<Panel> LoadPanel() {
  if (!ThePanel()) ThePanel() = std::make_shared<Panel>(Environment());
  return ThePanel();
}

void ClosePanel() {
  std::shared_ptr<Panel> slot = ThePanel();
  if (!slot) return;
  if (!slot->Visible()) {
    ThePanel().reset();
    return;
  }
  // A write failure keeps the panel open with its lists, so nothing is lost.
  slot->WriteBlackList();
  slot->WriteProxyList();
  StatusBox* main_window = slot->MainWindowHwnd;
  // Gone before the browser reacts: its rebuild loads a fresh panel from the files.
  ThePanel().reset();
  if (main_window) main_window->SetText("ZOR_proxychange");
}

void CloseIfHidden() {
  if (Panel* panel = LoadedPanel(); panel && !panel->Visible()) ClosePanel();
}

Panel::Panel(const PanelEnvironment& env) : env_(env) {}

std::string Panel::BlackListPath() const { return ListFilePath(env_.library_folder, kBlackListFile); }
std::string Panel::ProxyListPath() const { return ListFilePath(env_.library_folder, kProxyListFile); }

std::string Panel::LngPath() const {
  std::string folder = env_.library_folder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const std::string kRequires = "/Requires";
  if (folder.size() >= kRequires.size() && folder.compare(folder.size() - kRequires.size(), kRequires.size(), kRequires) == 0)
    folder.erase(folder.size() - kRequires.size());
  return folder + "/lng.ini";
}

void Panel::ReadBlackList() {
  ReadListFile(BlackListPath(), lstHei);
  heiCurrent = -1;
}

void Panel::ReadProxyList() {
  ReadListFile(ProxyListPath(), lstProxy);
  proxyCurrent = -1;
}

void Panel::WriteBlackList() const { WriteListFile(BlackListPath(), lstHei); }
void Panel::WriteProxyList() const { WriteListFile(ProxyListPath(), lstProxy); }

void Panel::Updated() {
  if (view_) view_->Update();
}

void Panel::Show() {
  if (!view_ && env_.makeView) view_ = env_.makeView(*this);
  visible_ = true;
  if (view_) view_->Show();
}

void Panel::LoadTexts(std::initializer_list<const char*> keys) {
  const IniTextSource lng(LngPath());
  for (const char* key : keys) texts[key] = lng.Read(kSection, key);
}

void Panel::IniPage() {
  CurrentPage = 1;
  Updated();
  iniPage1();
  iniPage2();
  iniPage3();
  iniPage4();
  RefreshSettings();
}

void Panel::iniPage1() {
  if (visible_)
    LoadTexts({"page1", "page2", "page3", "page4", "page5", "lblHei", "cmdHei", "pop1", "pop2", "pop3"});
  ReadBlackList();
  Updated();
}

void Panel::iniPage2() {
  ReadProxyList();
  if (visible_) {
    LoadTexts({"lblProxyIp", "lblProxyNot", "lblProxyNotComment", "cmdPrxoyAdd", "ErrorProxy", "ErrorProxyUpdate",
               "Proxypop1", "Proxypop2", "Proxypop3", "Proxypop4", "Proxypop5"});
    ErrorProxyText = texts["ErrorProxy"];
    ErrorProxyUpdateText = texts["ErrorProxyUpdate"];
  }
  Updated();
}

void Panel::iniPage3() {
  LoadTexts({"msgYesNo", "msgProcessing", "lblTemp", "chkCookie", "chkTemp", "chkHistory", "cmdTemp"});
  Updated();
}

void Panel::iniPage4() {
  LoadTexts({"cmdSysInfo", "lblDescription", "lblDisclaimer", "lblVersion"});
  const std::string picture = ListFilePath(env_.library_folder, "browser.gif");
  const bool loaded = view_ ? view_->LoadPicture(picture) : ReadWholeFile(picture).has_value();
  if (!loaded) throw std::runtime_error("cannot read " + picture);
  Updated();
}

void Panel::setPage(int n) {
  if (n < 1 || n > 4) return;
  CurrentPage = n;
  Updated();
}

void Panel::cmdHei_Click() {
  if (txtHei.empty()) return;
  const int found = FindExact(lstHei, txtHei);
  if (found < 0) {
    lstHei.push_back(txtHei);
  } else {
    heiCurrent = found;
  }
  txtHei.clear();
  Updated();
}

void Panel::cmdPrxoyAdd_Click() {
  if (txtProxyIp.empty()) return;
  if (CheckProxy(txtProxyIp)) {
    const int found = FindExact(lstProxy, txtProxyIp);
    if (found < 0) {
      lstProxy.push_back(txtProxyIp);
    } else {
      proxyCurrent = found;
    }
    txtProxyIp.clear();
    Updated();
    return;
  }
  // The warning must not end up behind the topmost panel.
  if (view_) view_->SetTopmost(false);
  if (env_.services.warn) env_.services.warn(ErrorProxyText, "");
  if (view_) view_->SetTopmost(true);
}

bool Panel::checkInHei(const std::string& s) const { return CheckInHei(lstHei, s); }

void Panel::ApplySettings(const std::string& ip) {
  const ProxyRecord record = BuildProxyRecord(txtAddresses, ip);
  const bool applied = env_.services.applyProxy ? env_.services.applyProxy(record) : true;
  if (applied) {
    LibraryRecord() = record;
    Sucess = true;
    RefreshSettings();
    return;
  }
  if (!hiderun && env_.services.warn) env_.services.warn(ErrorProxyUpdateText, kProxyUpdateTitle);
  Sucess = false;
}

void Panel::RefreshSettings() {
  const std::optional<ProxyRecord> record =
      env_.services.queryProxy ? env_.services.queryProxy() : std::optional<ProxyRecord>(LibraryRecord());
  if (!record) return;
  if (std::optional<std::string> addresses = AddressesFromBypass(record->bypass)) {
    txtAddresses = *addresses;
    Updated();
  }
}

}  // namespace zor::corvane
