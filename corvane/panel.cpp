#include "corvane/panel.h"

#include <cstdio>
#include <stdexcept>

#include "common/files.h"
#include "common/ini_text.h"
#include "common/program_paths.h"
#include "corvane/cleaner.h"
#include "corvane/lists.h"
#include "corvane/proxy_settings.h"
#include "corvane/sysinfo.h"

namespace zor::corvane {

namespace {

constexpr const char* kSection = "Corvane";
constexpr const char* kProxyUpdateTitle = "ZOR_BROWSER PROXY SETTINGS";
constexpr const char* kSkinFile = "corvane.tb2";
constexpr const char* kErrorProxyFallback =
    "This is not a valid proxy. Write it as host:port with at least seven characters before the colon, for example "
    "10.0.0.1:8080.";
constexpr const char* kErrorProxyUpdateFallback = "The proxy settings could not be applied.";

// The layout used when corvane.tb2 is missing or broken, so the panel stays usable.
constexpr const char* kBuiltInSkin = R"(tb2 1
band tb_Control caption=Control
  tool b_tb_1 caption="Black List" style=3 image=icon:action-unavailable-symbolic
  tool b_tb_2 caption=Proxies style=3 image=icon:network-server-symbolic
  tool b_tb_3 caption=Cleaner style=3 image=icon:edit-clear-all-symbolic
  tool b_tb_4 caption=About style=3 image=icon:help-about-symbolic
  tool b_tb_5 caption=Close style=3 image=icon:window-close-symbolic
band pop_Hei type=popup caption=BlackList
  tool b_pop_Hei_1 caption="Delete Selected"
  tool b_pop_Hei_2 caption="Delete All"
  tool b_pop_Hei_3 caption=Edit
band pop_Proxy type=popup caption=Proxies
  tool b_Proxy_1 caption=Edit
  tool b_Proxy_2 caption="Delete Selected"
  tool b_Proxy_3 caption="Delete All"
  sep spe_Proxy1
  tool b_Proxy_4 caption=Import...
  tool b_Proxy_5 caption=Export...
)";

// Shared so that a method keeps the panel alive for its whole length: a nested main
// loop (a warning box) can run another method that closes the panel meanwhile.
// Never destroyed: a panel still open when the program ends must not reach for its
// window while the toolkit is being torn down.
std::shared_ptr<Panel>& ThePanel() {
  static auto* panel = new std::shared_ptr<Panel>();
  return *panel;
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

Panel::Panel(const PanelEnvironment& env) : abMain(std::make_shared<toolbar::ToolbarControl>()), env_(env) {
  LoadSkin();
  // Reaches only the loaded panel whose control this is: a closed panel's window may
  // outlive it for a moment. The click may close the panel, so it is held meanwhile.
  toolbar::ToolbarControl* control = abMain.get();
  abMain->events.toolClick = [control](toolbar::Tool& tool) {
    Panel* panel = LoadedPanel();
    if (!panel || panel->abMain.get() != control) return;
    const std::shared_ptr<Panel> held = LoadPanel();
    const std::string name = tool.name;
    panel->OnToolClick(name);
  };
}

Panel::~Panel() { view_.reset(); }

std::string Panel::SkinPath() const { return ProgramPaths::ForLibraryFolder(env_.library_folder).Installed(kSkinFile); }

void Panel::LoadSkin() {
  if (abMain->loadLayout("abMain", SkinPath(), 1)) return;
  abMain->loadLayoutText(kBuiltInSkin, "built-in corvane.tb2");
}

std::string Panel::BlackListPath() const {
  return ProgramPaths::ForLibraryFolder(env_.library_folder).Writable(std::string("Requires/") + kBlackListFile);
}
std::string Panel::ProxyListPath() const {
  return ProgramPaths::ForLibraryFolder(env_.library_folder).Writable(std::string("Requires/") + kProxyListFile);
}

std::string Panel::LngPath() const { return ProgramPaths::ForLibraryFolder(env_.library_folder).Writable("lng.ini"); }

void Panel::ReadBlackList() {
  black_list_unreadable_ = !ReadListFile(BlackListPath(), lstHei);
  heiCurrent = -1;
  heiSelected.clear();
}

void Panel::ReadProxyList() {
  proxy_list_unreadable_ = !ReadListFile(ProxyListPath(), lstProxy);
  proxyCurrent = -1;
  proxySelected.clear();
}

// A file that was there but could not be read is left alone: the list shown for it
// started empty, and writing it would throw its entries away. The caller tells the user.
// Once such a file is gone (the user moved it away), writing loses nothing.
void Panel::WriteBlackList() const {
  if (black_list_unreadable_ && FileExists(BlackListPath()))
    throw std::runtime_error(UnreadableListText(BlackListPath()));
  WriteListFile(BlackListPath(), lstHei);
}
void Panel::WriteProxyList() const {
  if (proxy_list_unreadable_ && FileExists(ProxyListPath()))
    throw std::runtime_error(UnreadableListText(ProxyListPath()));
  WriteListFile(ProxyListPath(), lstProxy);
}

std::string Panel::UnreadableListText(const std::string& path) const {
  std::string text = IniTextSource(LngPath()).Read(kSection, "ErrorListFile");
  if (text.empty()) text = "The list file {F} could not be read, so it is not written over.";
  ReplaceAll(text, "{F}", path);
  return text;
}

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

void Panel::SetCaption(const std::string& band, const std::string& tool, const std::string& key) {
  if (toolbar::Tool* t = abMain->tool(band, tool)) t->caption = texts[key];
}

void Panel::IniPage(bool reload_lists) {
  PageClick(1);
  iniPage1(reload_lists);
  iniPage2(reload_lists);
  iniPage3();
  iniPage4();
  RefreshSettings();
}

void Panel::iniPage1(bool reload_list) {
  if (visible_) {
    LoadTexts({"page1", "page2", "page3", "page4", "page5", "lblHei", "cmdHei", "pop1", "pop2", "pop3"});
    for (int i = 1; i <= 5; ++i) SetCaption("tb_Control", "b_tb_" + std::to_string(i), "page" + std::to_string(i));
    for (int i = 1; i <= 3; ++i) SetCaption("pop_Hei", "b_pop_Hei_" + std::to_string(i), "pop" + std::to_string(i));
    abMain->redraw();
  }
  if (reload_list) ReadBlackList();
  Updated();
}

void Panel::iniPage2(bool reload_list) {
  if (reload_list) ReadProxyList();
  if (visible_) {
    LoadTexts({"lblProxyIp", "lblProxyNot", "lblProxyNotComment", "cmdPrxoyAdd", "ErrorProxy", "ErrorProxyUpdate",
               "Proxypop1", "Proxypop2", "Proxypop3", "Proxypop4", "Proxypop5"});
    ErrorProxyText = texts["ErrorProxy"];
    ErrorProxyUpdateText = texts["ErrorProxyUpdate"];
    for (int i = 1; i <= 5; ++i)
      SetCaption("pop_Proxy", "b_Proxy_" + std::to_string(i), "Proxypop" + std::to_string(i));
  }
  Updated();
}

void Panel::iniPage3() {
  LoadTexts({"msgYesNo", "msgProcessing", "lblTemp", "chkCookie", "chkTemp", "chkHistory", "cmdTemp"});
  cmdTempCaption = texts["cmdTemp"];
  Updated();
}

void Panel::iniPage4() {
  LoadTexts({"cmdSysInfo", "lblDescription", "lblDisclaimer", "lblVersion"});
  const std::string picture = ListFilePath(env_.library_folder, "browser.gif");
  const bool loaded = view_ ? view_->LoadPicture(picture) : ReadWholeFile(picture).has_value();
  if (!loaded) throw std::runtime_error("cannot read " + picture);
  abMain->recalcLayout();
  Updated();
}

void Panel::setPage(int n) {
  if (n < 1 || n > 4) return;
  PageClick(n);
}

void Panel::PageClick(int n) {
  if (toolbar::Tool* old = abMain->tool("tb_Control", "b_tb_" + std::to_string(CurrentPage))) old->checked = false;
  if (toolbar::Tool* tool = abMain->tool("tb_Control", "b_tb_" + std::to_string(n))) tool->checked = true;
  CurrentPage = n;
  if (n == 4) {
    lblTitle = "ZOR-Browser";
    lblVersion = texts["lblVersion"] + " " + ZORVersion;
  }
  abMain->redraw();
  Updated();
}

void Panel::OnToolClick(const std::string& tool) {
  if (tool.size() == 6 && tool.compare(0, 5, "b_tb_") == 0 && tool[5] >= '1' && tool[5] <= '4') {
    PageClick(tool[5] - '0');
  } else if (tool == "b_tb_5") {
    // A list that cannot be written keeps the panel open with its entries; say why.
    try {
      ClosePanel();
    } catch (const std::exception& e) {
      if (view_) view_->Message(e.what());
    }
  } else if (tool == "b_pop_Hei_1") {
    DeleteSelected(PanelList::kHei);
  } else if (tool == "b_pop_Hei_2") {
    DeleteAll(PanelList::kHei);
  } else if (tool == "b_pop_Hei_3") {
    EditCurrent(PanelList::kHei);
  } else if (tool == "b_Proxy_1") {
    EditCurrent(PanelList::kProxy);
  } else if (tool == "b_Proxy_2") {
    DeleteSelected(PanelList::kProxy);
  } else if (tool == "b_Proxy_3") {
    DeleteAll(PanelList::kProxy);
  } else if (tool == "b_Proxy_4") {
    ImportProxyList();
  } else if (tool == "b_Proxy_5") {
    ExportProxyList();
  }
}

void Panel::SelectOnly(PanelList list, int index) {
  Selection(list) = {index};
  Current(list) = index;
}

void Panel::SelectEntries(PanelList list, const std::set<int>& selected) {
  std::set<int>& mine = Selection(list);
  mine.clear();
  const int count = static_cast<int>(Entries(list).size());
  for (int i : selected)
    if (i >= 0 && i < count) mine.insert(i);
  Current(list) = mine.empty() ? -1 : *mine.begin();
}

void Panel::DeleteSelected(PanelList list) {
  std::vector<std::string>& entries = Entries(list);
  std::set<int>& selected = Selection(list);
  int lowest = -1;
  for (int i = static_cast<int>(entries.size()) - 1; i >= 0; --i) {
    if (!selected.count(i)) continue;
    entries.erase(entries.begin() + i);
    lowest = i;
  }
  const int b = lowest < 0 ? 0 : lowest;
  selected.clear();
  Current(list) = -1;
  if (!entries.empty()) SelectOnly(list, b - 1 > 0 ? b - 1 : 0);
  Updated();
}

void Panel::DeleteAll(PanelList list) {
  Entries(list).clear();
  Selection(list).clear();
  Current(list) = -1;
  Updated();
}

void Panel::EditCurrent(PanelList list) {
  std::vector<std::string>& entries = Entries(list);
  const int current = Current(list);
  if (current < 0 || current >= static_cast<int>(entries.size())) return;
  (list == PanelList::kHei ? txtHei : txtProxyIp) = entries[current];
  entries.erase(entries.begin() + current);
  std::set<int> shifted;
  for (int i : Selection(list))
    if (i != current) shifted.insert(i > current ? i - 1 : i);
  Selection(list) = shifted;
  Current(list) = -1;
  Updated();
  if (view_) view_->Focus(list == PanelList::kHei ? "txtHei" : "txtProxyIp");
}

void Panel::ListRightClick(PanelList list) {
  const std::vector<std::string>& entries = Entries(list);
  const int current = Current(list);
  const bool has_entry = current >= 0 && current < static_cast<int>(entries.size()) && !entries[current].empty();
  const bool hei = list == PanelList::kHei;
  const char* band = hei ? "pop_Hei" : "pop_Proxy";
  static constexpr const char* kHeiTools[] = {"b_pop_Hei_1", "b_pop_Hei_3"};
  static constexpr const char* kProxyTools[] = {"b_Proxy_1", "b_Proxy_2"};
  for (const char* name : hei ? kHeiTools : kProxyTools)
    if (toolbar::Tool* tool = abMain->tool(band, name)) tool->enabled = has_entry;
  if (toolbar::Band* popup = abMain->band(band)) popup->popupMenu();
}

void Panel::ImportProxyList() {
  if (!view_) return;
  if (const std::optional<std::string> file = view_->ChooseFile(false)) ImportProxyFile(*file);
}

void Panel::ExportProxyList() {
  if (!view_) return;
  if (const std::optional<std::string> file = view_->ChooseFile(true)) ExportProxyFile(*file);
}

void Panel::ImportProxyFile(const std::string& path) {
  std::vector<std::string> lines;
  ReadListFile(path, lines);
  for (const std::string& line : lines)
    if (CheckProxy(line) && FindExact(lstProxy, line) < 0) lstProxy.push_back(line);
  Updated();
}

void Panel::ExportProxyFile(const std::string& path) {
  std::vector<std::string> kept;
  for (const std::string& entry : lstProxy)
    if (!entry.empty()) kept.push_back(entry);
  try {
    WriteListFile(path, kept);
  } catch (const std::exception&) {
    // An export that fails ends quietly; the file is left as it was.
  }
}

void Panel::chkClick(int flag, bool ticked) {
  if (flag < 0 || flag > 2) return;
  CleanFlags[flag] = ticked;
}

void Panel::cmdTemp_Click() {
  // The engine is waited for with the main loop running: a second press meanwhile is
  // not a second cleaning.
  if (cleaning_) return;
  const std::string caption = cmdTempCaption;
  if (!CleanFlags[0] && !CleanFlags[1] && !CleanFlags[2]) return;
  cleaning_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{cleaning_};
  if (view_) view_->SetTopmost(false);
  const bool yes = view_ && view_->Ask(texts["msgYesNo"]);
  if (yes) {
    try {
      cmdTempCaption = texts["msgProcessing"];
      Updated();
      const ConnectionServices& services = env_.services;
      if (CleanFlags[0]) {
        ClearCache(services, kCookieCacheEntry);
        ClearCookieFolder(services.cookieFolder ? services.cookieFolder() : std::string());
      }
      if (CleanFlags[1]) ClearCache(services, kNormalCacheEntry);
      if (CleanFlags[2]) ClearUrlHistory(services);
      cmdTempCaption = caption;
      CleanFlags = {};
      Updated();
    } catch (const std::exception& e) {
      // The boxes stay ticked for another try; the button and the panel's place come back
      // so the panel does not stay in its working state.
      if (view_) view_->Message(e.what());
      cmdTempCaption = caption;
      Updated();
    }
  }
  if (view_) view_->SetTopmost(true);
}

void Panel::StartSysInfo() {
  const std::string program = FindSysInfoProgram(env_.user_store, env_.search_path);
  const bool started =
      !program.empty() && (env_.startProgram ? env_.startProgram(program) : StartDetached(program));
  if (!started && view_) view_->Message(kSysInfoUnavailable);
}

void Panel::cmdHei_Click() {
  if (txtHei.empty()) return;
  const int found = FindExact(lstHei, txtHei);
  if (found < 0) {
    lstHei.push_back(txtHei);
  } else {
    SelectOnly(PanelList::kHei, found);
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
      SelectOnly(PanelList::kProxy, found);
    }
    txtProxyIp.clear();
    Updated();
    return;
  }
  // The warning must not end up behind the topmost panel.
  if (view_) view_->SetTopmost(false);
  if (env_.services.warn) env_.services.warn(ProxyText(ErrorProxyText, "ErrorProxy", kErrorProxyFallback), "");
  if (view_) view_->SetTopmost(true);
}

// A hidden panel has loaded no texts, yet its warnings reach the user all the same (the
// saved proxy is set at start-up, before any window): read the one needed on demand.
// Without lng.ini (or the key) the English text stands in: a box is never empty.
const std::string& Panel::ProxyText(std::string& text, const char* key, const char* fallback) {
  if (text.empty()) text = IniTextSource(LngPath()).Read(kSection, key);
  if (text.empty()) text = fallback;
  return text;
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
  if (!hiderun && env_.services.warn)
    env_.services.warn(ProxyText(ErrorProxyUpdateText, "ErrorProxyUpdate", kErrorProxyUpdateFallback),
                       kProxyUpdateTitle);
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
