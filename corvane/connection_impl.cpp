#include "corvane/connection_impl.h"

namespace zor::corvane {

void CorvaneConnection::ShowWindow(StatusBox* myhwnd, const std::string& version) {
  const std::shared_ptr<Panel> panel = library_.panel();
  panel->Show();
  panel->IniPage();
  panel->MainWindowHwnd = myhwnd;
  panel->ZORVersion = version;
}

void CorvaneConnection::GetProxyList(std::vector<std::string>& c) {
  const std::shared_ptr<Panel> panel = library_.panel();
  panel->readFromFile(kProxyListFile, panel->lstProxy);
  panel->Update();
  c.insert(c.end(), panel->lstProxy.begin(), panel->lstProxy.end());
  if (!panel->visible()) panel->Unload();
}

bool CorvaneConnection::setProxy(const std::string& ip) {
  const std::shared_ptr<Panel> panel = library_.panel();
  panel->readFromFile(kProxyListFile, panel->lstProxy);
  panel->txtProxyIp = ip;
  panel->Update();
  panel->cmdPrxoyAdd_Click();
  panel->ApplySettings(ip);
  if (!panel->visible()) {
    panel->writeToFile(kProxyListFile, panel->lstProxy);
    panel->Unload();
  }
  return false;
}

bool CorvaneConnection::inBlackList(const std::string& s) {
  const std::shared_ptr<Panel> panel = library_.panel();
  panel->readFromFile(kBlackListFile, panel->lstHei);
  panel->Update();
  return panel->checkInHei(s);
}

void CorvaneConnection::delTemp(bool cookies, bool temp_files, bool history, StatusBox* myhwnd,
                                const std::string& version) {
  ShowWindow(myhwnd, version);
  const std::shared_ptr<Panel> panel = library_.panel();
  panel->setPage(3);
  // Only ticks: a box already ticked on the open panel stays ticked.
  if (cookies) panel->CleanFlags.cookies = true;
  if (temp_files) panel->CleanFlags.temp_files = true;
  if (history) panel->CleanFlags.history = true;
}

void CorvaneConnection::addtoHei(const std::string& s) {
  const std::shared_ptr<Panel> panel = library_.panel();
  panel->readFromFile(kBlackListFile, panel->lstHei);
  if (!panel->checkInHei(s)) panel->lstHei.push_back(s);
  panel->Update();
  if (!panel->visible()) {
    panel->writeToFile(kBlackListFile, panel->lstHei);
    panel->Unload();
  }
}

void CorvaneConnection::addToNonProxy(const std::string& ip, const std::string& nonip) {
  const std::shared_ptr<Panel> panel = library_.panel();
  panel->iniPage2();
  panel->RefreshSettings();
  panel->txtAddresses += ";" + nonip;
  panel->ApplySettings(ip);
  if (!panel->visible()) panel->Unload();
}

}  // namespace zor::corvane
