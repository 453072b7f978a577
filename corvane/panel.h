// The library's control panel as state: the two lists, the proxy texts and the members
// the Connection methods drive, whether or not its window is shown. There is one panel
// per process, created on first use and discarded when closed; the window is a view
// over this state.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/connection.h"
#include "common/status_box.h"

namespace zor::corvane {

class Panel;

// The panel's window. Without one the panel still works; it is then only marked visible.
class PanelView {
 public:
  virtual ~PanelView() = default;
  virtual void Show() = 0;  // modeless and topmost
  virtual void SetTopmost(bool on) = 0;
  virtual void Update() = 0;  // lists, texts or the current page changed
  // The about page's picture; false when the file cannot be read.
  virtual bool LoadPicture(const std::string& path) = 0;
};

struct PanelEnvironment {
  std::string library_folder;  // the list files and browser.gif; lng.ini in its parent
  ConnectionServices services;
  std::function<std::unique_ptr<PanelView>(Panel&)> makeView;
};

class Panel {
 public:
  explicit Panel(const PanelEnvironment& env);

  std::vector<std::string> lstHei;
  std::vector<std::string> lstProxy;
  int heiCurrent = -1;
  int proxyCurrent = -1;
  std::string txtHei;
  std::string txtProxyIp;
  std::string txtAddresses;
  int CurrentPage = 0;
  StatusBox* MainWindowHwnd = nullptr;
  std::string ZORVersion;
  bool hiderun = false;
  bool Sucess = false;
  std::string ErrorProxyText;
  std::string ErrorProxyUpdateText;
  std::array<bool, 3> CleanFlags{};  // cookies, temporary files, history
  // Captions and texts from the "Corvane" section of lng.ini, by key.
  std::map<std::string, std::string> texts;

  bool Visible() const { return visible_; }
  PanelView* view() const { return view_.get(); }

  // Shows the window (creating it) and marks the panel visible.
  void Show();
  // Page 1, every page's texts and lists, then the no-proxy addresses in force. Throws
  // when the about page's picture is missing; the panel stays shown.
  void IniPage();
  void iniPage1();
  void iniPage2();
  void iniPage3();
  void iniPage4();
  void setPage(int n);

  void cmdHei_Click();
  void cmdPrxoyAdd_Click();
  bool checkInHei(const std::string& s) const;
  void ApplySettings(const std::string& ip);
  void RefreshSettings();

  void ReadBlackList();
  void ReadProxyList();
  void WriteBlackList() const;
  void WriteProxyList() const;

  std::string BlackListPath() const;
  std::string ProxyListPath() const;
  std::string LngPath() const;

 private:
  void LoadTexts(std::initializer_list<const char*> keys);
  void Updated();

  const PanelEnvironment& env_;
  bool visible_ = false;
  std::unique_ptr<PanelView> view_;
};

// The process-wide environment; the library fills it from the browser's services.
PanelEnvironment& Environment();

// The loaded panel, or nullptr.
Panel* LoadedPanel();
// The panel, loading it (hidden, lists empty) on first use. Hold the pointer while using it.
std::shared_ptr<Panel> LoadPanel();
// Unloads the panel. A visible panel first writes blacklist.ini, then proxylist.ini, and
// then sends "ZOR_proxychange" to its main window; a hidden one writes and sends nothing.
void ClosePanel();
// ClosePanel unless the panel is visible.
void CloseIfHidden();

// The record in force when the browser lends no engine (also the last one applied).
ProxyRecord& LibraryRecord();

}  // namespace zor::corvane
