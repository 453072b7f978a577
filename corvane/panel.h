// The library's control panel as state: the two lists, the proxy texts and the members
// the Connection methods drive, whether or not its window is shown. There is one panel
// per process, created on first use and discarded when closed; the window is a view
// over this state.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/connection.h"
#include "common/status_box.h"
#include "corvane/black_list.h"
#include "hosts/toolbar/toolbar.h"

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
  // A question with the question icon, Yes and No, and no title; true for Yes. Answered
  // before it returns.
  virtual bool Ask(const std::string& text) = 0;
  // A message with an OK button and no title.
  virtual void Message(const std::string& text) = 0;
  // The proxy page's open or save dialog (every file shown): the file chosen, or
  // nullopt when cancelled.
  virtual std::optional<std::string> ChooseFile(bool save) = 0;
  // Puts the keyboard focus into the entry box "txtHei" or "txtProxyIp".
  virtual void Focus(const std::string& control) = 0;
};

struct PanelEnvironment {
  std::string library_folder;  // the list files and browser.gif; lng.ini in its parent
  ConnectionServices services;
  std::function<std::unique_ptr<PanelView>(Panel&)> makeView;
  // The per-user store that may record the system-information program.
  std::string user_store;
  // The folders searched for a system-information program (":"-separated).
  std::string search_path;
  // Starts a program without waiting; false when it cannot. Unset: StartDetached.
  std::function<bool(const std::string& path)> startProgram;
  // blacklist.ini as the hidden panel's navigation checks see it.
  BlackListFile black_list;
};

// The panel's two lists.
enum class PanelList { kHei, kProxy };

class Panel {
 public:
  explicit Panel(const PanelEnvironment& env);
  ~Panel();
  Panel(const Panel&) = delete;
  Panel& operator=(const Panel&) = delete;

  // The panel's toolbar control: the page band tb_Control and the popups pop_Hei and
  // pop_Proxy, from corvane.tb2 in the program folder (a built-in layout when that file
  // is missing or broken). Shared so that a window closing from its own event can keep
  // the control until the event has ended.
  std::shared_ptr<toolbar::ToolbarControl> abMain;

  std::vector<std::string> lstHei;
  std::vector<std::string> lstProxy;
  // Current entry (-1 for none) and the selected entries of each list.
  int heiCurrent = -1;
  int proxyCurrent = -1;
  std::set<int> heiSelected;
  std::set<int> proxySelected;
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
  std::string cmdTempCaption;  // the start button's caption now
  std::string lblTitle;        // the about page's title and version labels
  std::string lblVersion;

  bool Visible() const { return visible_; }
  PanelView* view() const { return view_.get(); }

  // Shows the window (creating it) and marks the panel visible.
  void Show();
  // Page 1, every page's texts and lists, then the no-proxy addresses in force. Throws
  // when the about page's picture is missing; the panel stays shown.
  // An open panel keeps its lists (reload_lists false): they hold the user's unsaved edits.
  void IniPage(bool reload_lists = true);
  void iniPage1(bool reload_list = true);
  void iniPage2(bool reload_list = true);
  void iniPage3();
  void iniPage4();
  void setPage(int n);

  void cmdHei_Click();
  void cmdPrxoyAdd_Click();
  // A click on a tool of abMain, by the tool's name.
  void OnToolClick(const std::string& tool);
  // The list's selection as the user set it; the current entry is its first.
  void SelectEntries(PanelList list, const std::set<int>& selected);
  // Removes the selected entries; then the entry before the first removed one, or entry
  // 0, is the one selected.
  void DeleteSelected(PanelList list);
  void DeleteAll(PanelList list);
  // The current entry moves into the list's entry box, which takes the focus.
  void EditCurrent(PanelList list);
  // A right-button press: the popup's entry tools follow whether there is a current
  // entry with text, then the popup opens at the pointer.
  void ListRightClick(PanelList list);
  void ImportProxyList();
  void ExportProxyList();
  // The two above with the file already chosen. Errors end them quietly.
  void ImportProxyFile(const std::string& path);
  void ExportProxyFile(const std::string& path);
  // The cleaner: a box's click, and the start button.
  void chkClick(int flag, bool ticked);
  void cmdTemp_Click();
  void StartSysInfo();
  bool checkInHei(const std::string& s) const;
  void ApplySettings(const std::string& ip);
  void RefreshSettings();

  void ReadBlackList();
  void ReadProxyList();
  void WriteBlackList() const;
  void WriteProxyList() const;
  // What the user is told when a list file that could not be read is not written.
  std::string UnreadableListText(const std::string& path) const;

  std::string BlackListPath() const;
  std::string ProxyListPath() const;
  std::string LngPath() const;
  std::string SkinPath() const;

 private:
  void LoadTexts(std::initializer_list<const char*> keys);
  const std::string& ProxyText(std::string& text, const char* key, const char* fallback);
  void Updated();
  void LoadSkin();
  void SetCaption(const std::string& band, const std::string& tool, const std::string& key);
  void PageClick(int n);
  void SelectOnly(PanelList list, int index);
  std::vector<std::string>& Entries(PanelList list) { return list == PanelList::kHei ? lstHei : lstProxy; }
  std::set<int>& Selection(PanelList list) { return list == PanelList::kHei ? heiSelected : proxySelected; }
  int& Current(PanelList list) { return list == PanelList::kHei ? heiCurrent : proxyCurrent; }

  const PanelEnvironment& env_;
  bool visible_ = false;
  bool cleaning_ = false;  // the start button's work is under way
  bool black_list_unreadable_ = false;  // the file is there but its last read failed
  bool proxy_list_unreadable_ = false;
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
