#include "browser/shell/settings.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "browser/shell/page_events.h"
#include "common/files.h"
#include "common/ini.h"
#include "common/ini_text.h"

namespace zor::shell {

namespace {

constexpr const char* kSettingsSection = "ZOR-BROWSER";
constexpr const char* kLanguageSection = "ZOR_Main";
// The address box's search service: a web address with "{query}" for the typed words.
constexpr const char* kSearchKey = "SEARCH_URL";

// The eight integer flags of Browser.ini, in the order they are read and written.
struct FlagSetting {
  const char* key;
  int default_value;
  const char* band;  // band of the tool that holds the setting
  const char* tool;
  const char* shown_band;  // band whose visibility follows the flag, or nullptr
};

constexpr FlagSetting kFlags[] = {
    {"ADDRESSBAR", 1, "sub_View", "b_addrok", "tb_Addressbar"},
    {"STATUSBAR", 1, "sub_View", "b_statusok", "sb_Status"},
    {"TOOLSBAR", 1, "sub_View", "b_toolsbarok", "tb_Main"},
    {"ICONON", 0, "sub_Fav", "b_iconon", nullptr},
    {"OPENGETBAR", 0, "sub_Usetools", "b_opengetbar", nullptr},
    {"BESILENT", 0, "sub_Usetools", "b_besilent", nullptr},
    {"STOPPOPUP", 0, "sub_Usetools", "b_stoppopup", nullptr},
    {"KILLPOP", 0, "sub_Usetools", "b_killpop", nullptr},
};

}  // namespace

void Settings::ApplyLanguage() {
  // One read of the file for the whole pass; each value keeps the reader's cap.
  const IniTextSource lng(c_.files.LngFile());
  // The security indicator shows a state; a new language names the same state anew.
  int lock_state = -1;
  if (const toolbar::Tool* security = c_.ab_Main.tool("sb_Status", "b_security"))
    for (int state = 0; state < 3 && lock_state < 0; ++state)
      if (!security->caption.empty() && SecurityText(security->tag, state) == security->caption) lock_state = state;

  auto apply_tool = [&](toolbar::Tool& tool) {
    std::string caption = lng.Read(kLanguageSection, tool.name);
    if (!caption.empty()) tool.caption = caption;
    std::string tip = lng.Read(kLanguageSection, "tip_" + tool.name);
    if (!tip.empty()) tool.tooltip = tip;
  };

  for (const auto& band : c_.ab_Main.bands()) {
    if (band->name.find("sub") == std::string::npos) {
      std::string caption = lng.Read(kLanguageSection, band->name);
      if (!caption.empty()) band->caption = caption;
    }
    for (const auto& tool : band->tools()) apply_tool(*tool);
  }
  for (const auto& tool : c_.ab_Main.tools()) apply_tool(*tool);

  if (toolbar::Tool* security = c_.ab_Main.tool("sb_Status", "b_security")) {
    security->tag = lng.Read(kLanguageSection, "b_security1") + "|" + lng.Read(kLanguageSection, "b_security2") +
                    "|" + lng.Read(kLanguageSection, "b_security3") + "|";
    if (lock_state >= 0) security->caption = SecurityText(security->tag, lock_state);
  }

  std::string title = lng.Read(kLanguageSection, "ZOR_TITLE");
  ReplaceAll(title, "{V}", " " + VersionText());
  ReplaceAll(title, "{N}", "ZOR-BROWSER");
  c_.TitleText = title;
  tabs_.UpdateWindowCaption();
  if (c_.hooks.languageApplied) c_.hooks.languageApplied();
}

void Settings::LoadSettings() {
  if (c_.hooks.buildTranslationMenu) c_.hooks.buildTranslationMenu();

  const IniTextSource ini(c_.files.BrowserIni());
  for (const FlagSetting& flag : kFlags) {
    const bool on = FlagOn(ini.ReadFlag(kSettingsSection, flag.key, flag.default_value));
    if (std::string(flag.key) == "OPENGETBAR") {
      // The basket toggle checks its own tool.
      if (on && c_.hooks.toggleBasket) c_.hooks.toggleBasket();
      continue;
    }
    if (toolbar::Tool* tool = c_.ab_Main.tool(flag.band, flag.tool)) tool->checked = on;
    if (flag.shown_band)
      if (toolbar::Band* band = c_.ab_Main.band(flag.shown_band)) band->visible = on;
  }

  proxies_.BuildStartupProxyMenu(ini.Read(kSettingsSection, "PROXY_IP"));
  // A template without "{query}" or a web address would lose the words: the default stays.
  const std::string search = ini.Read(kSettingsSection, kSearchKey);
  if (UsableSearchTemplate(search)) c_.SearchTemplate = search;

  c_.window.LoadProgressImage(c_.files.FolderPath() + "res/pb.bmp");
}

bool Settings::SaveSettings(std::string* error) {
  const std::string ini = c_.files.BrowserIni();
  // Keep whatever else the file holds; replace it in one atomic write.
  ini::IniDocument doc = ini::IniDocument::Load(ini).value_or(ini::IniDocument());
  for (const FlagSetting& flag : kFlags) {
    // Without a basket its tool says nothing about the user's choice: the file keeps it.
    if (std::string(flag.key) == "OPENGETBAR" && !c_.hooks.toggleBasket) {
      if (!doc.Get(kSettingsSection, flag.key)) doc.Set(kSettingsSection, flag.key, "0");
      continue;
    }
    const toolbar::Tool* tool = c_.ab_Main.tool(flag.band, flag.tool);
    doc.Set(kSettingsSection, flag.key, tool && tool->checked ? "1" : "0");
  }
  const toolbar::Tool* proxy = proxies_.GetCheckedProxyTool();
  doc.Set(kSettingsSection, "PROXY_IP", proxy && proxy->caption != "Empty" ? proxy->caption : "");
  doc.Set(kSettingsSection, kSearchKey, c_.SearchTemplate);
  return doc.Save(ini, error);
}

bool Settings::KeptAcrossRuns(const std::string& address) {
  const size_t colon = address.find(':');
  if (colon == std::string::npos || address.find_first_of("\r\n") != std::string::npos) return false;
  std::string scheme = address.substr(0, colon);
  for (char& ch : scheme) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return scheme == "http" || scheme == "https" || scheme == "file";
}

bool Settings::SaveLastPages(const std::vector<std::string>& urls, std::string* error) {
  const std::string path = c_.files.LastPagesIni();
  if (urls.empty()) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return true;
  }
  std::string text;
  for (const std::string& url : urls) text += url + "\r\n";
  return WriteFileAtomic(path, text, error);
}

void Settings::RemoveLastPages() {
  std::error_code ignored;
  std::filesystem::remove(c_.files.LastPagesIni(), ignored);
}

void Settings::RestoreLastPages(bool load) {
  const std::string path = c_.files.LastPagesIni();
  if (!FileExists(path)) return;
  {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    std::vector<std::string> urls;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      // A blank line names no page; a script would run again at every start.
      if (KeptAcrossRuns(line)) urls.push_back(line);
    }
    tabs_.RestorePages(urls, load);
  }
}

}  // namespace zor::shell
