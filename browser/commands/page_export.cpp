#include "browser/commands/page_export.h"

#include <cstdio>
#include <filesystem>
#include <utility>

#include "browser/shell/address.h"
#include "common/files.h"
#include "common/html_text.h"
#include "common/ini_text.h"

namespace zor::commands {

namespace {

// Line breaks of a mail body travel as CR LF.
std::string CrLfLines(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

}  // namespace

std::string BuildLinksPage(const std::string& title, const std::vector<std::vector<hosts::PageLink>>& documents,
                           std::string filter) {
  if (filter.empty()) filter = "://";
  filter = AsciiLower(filter);
  std::string out = "<HTML><html><head><title>" + title + "</Title></head>\n<body>\n";
  int number = 0;
  for (size_t d = 0; d < documents.size(); ++d) {
    if (d <= 1) number = 0;  // the page's own from 1, then the frames' from 1 on
    for (const hosts::PageLink& link : documents[d]) {
      if (AsciiLower(link.href).find(filter) == std::string::npos) continue;
      // The href is the page's text: escaped, it cannot leave the attribute or add markup.
      const std::string href = EscapeHtml(link.href);
      const std::string attribute = link.tag == "A" ? "href" : "src";
      out += "<center><h>" + std::to_string(++number) + ".&nbsp&nbsp&nbsp<" + link.tag + " " + attribute + "='" + href +
             "'>" + href + "</" + link.tag + "></h></center> \n";
    }
  }
  out += "</body></html></HTML>\n";
  return out;
}

std::string MailtoUri(const std::string& to, const std::string& subject, const std::string& body) {
  // Every field is encoded, so "&", "#" and "?" of a title or address cannot end it; "@" stays
  // readable and "," separates recipients.
  std::string recipients = shell::PercentEncode(to);
  ReplaceAll(recipients, "%40", "@");
  ReplaceAll(recipients, "%2C", ",");
  return "mailto:" + recipients + "?subject=" + shell::PercentEncode(subject) +
         "&body=" + shell::PercentEncode(CrLfLines(body));
}

std::vector<std::string> SnavelArguments(const std::string& address, const std::optional<EngineProxy>& proxy) {
  std::vector<std::string> arguments = {"url:" + address};
  if (!proxy || proxy->direct) return arguments;
  const size_t colon = address.find(':');
  const std::string scheme = colon == std::string::npos ? std::string() : AsciiLower(address.substr(0, colon));
  std::optional<std::string> uri = proxy->default_uri;
  for (const auto& [proxied, proxy_uri] : proxy->scheme_uris)
    if (proxied == scheme) uri = proxy_uri;
  if (!uri || uri->empty()) return arguments;
  std::string direct;
  for (const std::string& host : proxy->ignore_hosts) direct += (direct.empty() ? "" : ",") + host;
  arguments.push_back("proxy:" + *uri);
  arguments.push_back("noproxy:" + direct);
  return arguments;
}

std::string PageTextFile(const std::string& address, const std::string& text) {
  return (address.empty() || text.empty() ? std::string(" ") : text) + "\r\n";
}

PageExport::PageExport(shell::Chrome& chrome, shell::Tabs& tabs, std::string& link_filter, ExportDesktop desktop)
    : c_(chrome), tabs_(tabs), link_filter_(link_filter), desktop_(std::move(desktop)) {}

std::string PageExport::SavedFile(const std::string& name) const {
  const std::string path = c_.files.Paths().Writable("SavedFiles/" + name);
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
  return path;
}

void PageExport::RemoveTextFile() const { std::remove(c_.files.Paths().Writable("SavedFiles/temp.dat").c_str()); }

void PageExport::ViewLinks(int page) {
  const std::string filter = std::exchange(link_filter_, std::string());
  tabs_.AddNewPage("about:blank", true);
  const int target = tabs_.LastPageIndex;
  hosts::PageControl* source = c_.WB.Page(page);
  if (!source || !source->HasDocument() || source->LocationURL().empty()) return;
  const toolbar::Tool* caption = c_.ab_Main.tool("sub_Usetools", "b_viewlinks2");
  const std::string title = caption ? caption->caption : std::string();
  source->GatherLinks([this, alive = std::weak_ptr<bool>(alive_), target, title,
                       filter](std::vector<std::vector<hosts::PageLink>> documents) {
    if (alive.expired()) return;
    if (hosts::PageControl* out = c_.WB.Page(target)) out->WriteDocument(BuildLinksPage(title, documents, filter));
  });
}

void PageExport::QuickSave(bool save_mode, int page) {
  hosts::PageControl* source = c_.WB.Page(page);
  if (!source) return;
  const std::string address = source->LocationURL();
  auto alive = std::weak_ptr<bool>(alive_);
  auto view_text = [this, alive, address](const std::string& text) {
    if (alive.expired()) return;
    const std::string file = SavedFile("temp.dat");
    if (WriteFileAtomic(file, PageTextFile(address, text)) && desktop_.openTextFile) desktop_.openTextFile(file);
  };
  if (!save_mode) {
    if (address.empty()) return view_text("");
    source->ReadDocument(false, [view_text](std::optional<std::string> text) {
      if (text) view_text(*text);
    });
    return;
  }
  // Nothing to save without an address: Snavel would end at once.
  if (address.empty()) return;
  // The proxy in force when the save starts goes with it.
  std::optional<EngineProxy> proxy = desktop_.proxyInForce ? desktop_.proxyInForce() : std::nullopt;
  source->ReadDocument(true, [this, alive, address, proxy](std::optional<std::string> html) {
    if (alive.expired() || !html) return;
    if (!WriteFileAtomic(SavedFile("QuickSave.dat"), *html + "\r\n") || !desktop_.startProgram) return;
    const std::string program = c_.files.Paths().Installed("snavel");
    std::string error;
    if (desktop_.startProgram(program, SnavelArguments(address, proxy), &error)) return;
    std::string text = ReadIniText(c_.files.LngFile(), "ZOR_Main", "msg_NoSnavel");
    ReplaceAll(text, "{P}", program);
    ReplaceAll(text, "{E}", error);
    c_.window.MessageBox(text);
  });
}

}  // namespace zor::commands
