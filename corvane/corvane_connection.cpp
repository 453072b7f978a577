#include "corvane/corvane_connection.h"

#include <exception>

#include "corvane/panel.h"

namespace zor::corvane {

namespace {

// A hidden call's write that fails is said, not swallowed: the caller goes on either way.
template <typename Write>
void WriteOrWarn(Write&& write) {
  try {
    write();
  } catch (const std::exception& e) {
    if (Environment().services.warn) Environment().services.warn(e.what(), "");
  }
}

// An open panel's lists are what the user is editing: reading the file over them would
// lose the edits and leave the window showing rows the model no longer holds.
void ReadIfHidden(Panel& panel, void (Panel::*read)()) {
  if (!panel.Visible()) (panel.*read)();
}

}  // namespace

void CorvaneConnection::ShowWindow(StatusBox* myhwnd, const std::string& version) {
  const std::shared_ptr<Panel> held = LoadPanel();
  Panel& panel = *held;
  const bool open = panel.Visible();
  panel.Show();
  // A failed initialisation leaves the panel shown but without its main window. Shown
  // again while open, the panel keeps the lists the user is editing: reading the files
  // would lose every change not yet written.
  panel.IniPage(!open);
  panel.MainWindowHwnd = myhwnd;
  panel.ZORVersion = version;
}

void CorvaneConnection::GetProxyList(std::vector<std::string>& c) {
  const std::shared_ptr<Panel> held = LoadPanel();
  Panel& panel = *held;
  ReadIfHidden(panel, &Panel::ReadProxyList);
  c.insert(c.end(), panel.lstProxy.begin(), panel.lstProxy.end());
  CloseIfHidden();
}

bool CorvaneConnection::setProxy(const std::string& ip) {
  const std::shared_ptr<Panel> held = LoadPanel();
  Panel& panel = *held;
  ReadIfHidden(panel, &Panel::ReadProxyList);
  panel.txtProxyIp = ip;
  panel.cmdPrxoyAdd_Click();
  panel.ApplySettings(ip);
  if (!panel.Visible()) {
    WriteOrWarn([&] { panel.WriteProxyList(); });
    ClosePanel();
  }
  return false;
}

bool CorvaneConnection::inBlackList(const std::string& s) {
  const std::shared_ptr<Panel> held = LoadPanel();
  Panel& panel = *held;
  // An open panel's list holds the user's edits; otherwise the file decides as it is now,
  // read again only when it changed.
  if (panel.Visible()) return panel.checkInHei(s);
  return Environment().black_list.Current(panel.BlackListPath()).Blocks(s);
}

void CorvaneConnection::delTemp(bool cookies, bool temp_files, bool history, StatusBox* myhwnd,
                                const std::string& version) {
  ShowWindow(myhwnd, version);
  const std::shared_ptr<Panel> held = LoadPanel();
  Panel& panel = *held;
  panel.setPage(3);
  if (cookies) panel.CleanFlags[0] = true;
  if (temp_files) panel.CleanFlags[1] = true;
  if (history) panel.CleanFlags[2] = true;
  if (panel.view()) panel.view()->Update();
}

void CorvaneConnection::addtoHei(const std::string& s) {
  const std::shared_ptr<Panel> held = LoadPanel();
  Panel& panel = *held;
  ReadIfHidden(panel, &Panel::ReadBlackList);
  if (!panel.checkInHei(s)) panel.lstHei.push_back(s);
  if (panel.Visible() && panel.view()) panel.view()->Update();
  if (!panel.Visible()) {
    WriteOrWarn([&] { panel.WriteBlackList(); });
    ClosePanel();
  }
}

void CorvaneConnection::addToNonProxy(const std::string& ip, const std::string& nonip) {
  const std::shared_ptr<Panel> held = LoadPanel();
  Panel& panel = *held;
  ReadIfHidden(panel, &Panel::ReadProxyList);
  panel.RefreshSettings();
  panel.txtAddresses += ";" + nonip;
  panel.ApplySettings(ip);
  CloseIfHidden();
}

}  // namespace zor::corvane
