#include "browser/commands/proxy_menu.h"

#include <exception>
#include <optional>
#include <vector>

#include "browser/commands/band_tools.h"
#include "common/ini_text.h"

namespace zor::commands {

namespace {

constexpr const char* kProxyBand = "sub_Proxylist";
constexpr const char* kDirectCaption = "Empty";

// A failing Corvane call is skipped; the command goes on with its next step.
template <typename F>
void Skipping(F&& call) {
  try {
    call();
  } catch (const std::exception&) {
  }
}

}  // namespace

std::string HostPart(const std::string& address) {
  const size_t slashes = address.find("//");
  const size_t start = slashes == std::string::npos ? 1 : slashes + 2;
  if (start >= address.size()) return "";
  const size_t end = address.find('/', start);
  return address.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

Connection* ProxyMenu::EnsureConnection() {
  if (!ConnectionObject && createConnection) {
    try {
      ConnectionObject = createConnection();
    } catch (const std::exception&) {
      ConnectionObject.reset();
    }
  }
  return ConnectionObject.get();
}

Connection* ProxyMenu::CommandConnection() {
  Connection* connection = EnsureConnection();
  if (!connection && !library_error_.empty() && !library_error_told_) {
    library_error_told_ = true;
    std::string text = ReadIniText(c_.files.LngFile(), "ZOR_Main", "msg_CorvaneMissing");
    if (text.empty()) text = "The connection library could not be loaded: {E}";
    ReplaceAll(text, "{E}", library_error_);
    c_.window.MessageBox(text, hosts::MessageButtons::kOk, "");
  }
  return connection;
}

toolbar::Tool* ProxyMenu::GetCheckedProxyTool() const {
  const toolbar::Band* band = c_.ab_Main.band(kProxyBand);
  if (!band) return nullptr;
  for (const auto& tool : band->tools())
    if (tool->checked) return tool.get();
  return nullptr;
}

// Adds "Proxy2".. for the entries of Corvane's list, checking those equal to `checked`.
void ProxyMenu::AddProxyTools(Connection* connection, const std::optional<std::string>& checked) {
  std::vector<std::string> proxies;
  if (connection) Skipping([&] { connection->GetProxyList(proxies); });
  const toolbar::ToolbarControl::Batch batch(c_.ab_Main);
  for (size_t i = 1; i <= proxies.size(); ++i) {
    const std::string& entry = proxies[i - 1];
    toolbar::Tool* tool =
        AddBandTool(c_.ab_Main, kProxyBand, "Proxy" + std::to_string(i + 1), 3012 + static_cast<int>(i), "0", entry);
    if (tool) tool->checked = checked && entry == *checked;
  }
}

void ProxyMenu::BuildStartupProxyMenu(const std::string& proxy_ip) {
  Connection* connection = EnsureConnection();
  // Without the library the menu still offers the direct connection.
  if (connection) Skipping([&] { connection->setProxy(proxy_ip); });
  if (toolbar::Tool* direct = AddBandTool(c_.ab_Main, kProxyBand, "Proxy1", 3011, "0", kDirectCaption))
    direct->checked = proxy_ip.empty();
  AddBandTool(c_.ab_Main, kProxyBand, "spe_sProxy1", 3012, "5", "");
  AddProxyTools(connection, proxy_ip);
  ConnectionObject.reset();
}

void ProxyMenu::BuildProxyMenu() {
  // Nothing checked is remembered as nothing, so an empty list entry is not taken for it.
  std::optional<std::string> remembered;
  if (const toolbar::Tool* checked = GetCheckedProxyTool()) remembered = checked->caption;
  toolbar::Band* band = c_.ab_Main.band(kProxyBand);
  if (!band) return;
  band->tools().removeAll();
  Connection* connection = EnsureConnection();
  toolbar::Tool* direct = AddBandTool(c_.ab_Main, kProxyBand, "Proxy1", 3011, "0", kDirectCaption);
  if (direct) direct->checked = remembered == kDirectCaption;
  AddBandTool(c_.ab_Main, kProxyBand, "spe_sProxy1", 3012, "5", "");
  AddProxyTools(connection, remembered);
  // The proxy in use was deleted on the panel: fall back to a direct connection.
  if (!GetCheckedProxyTool()) {
    if (connection) Skipping([&] { connection->setProxy(""); });
    if (direct) direct->checked = true;
  }
  ConnectionObject.reset();
}

void ProxyMenu::PickProxy(toolbar::Tool& tool) {
  if (toolbar::Tool* previous = GetCheckedProxyTool()) previous->checked = false;
  tool.checked = true;
  const std::string proxy = tool.caption == kDirectCaption ? std::string() : tool.caption;
  if (Connection* connection = CommandConnection()) Skipping([&] { connection->setProxy(proxy); });
}

void ProxyMenu::AddToBlackList(int page) {
  const hosts::PageControl* control = c_.WB.Page(page);
  if (!control) return;
  const std::string address = control->LocationURL();
  if (Connection* connection = CommandConnection()) Skipping([&] { connection->addtoHei(address); });
}

void ProxyMenu::AddToNonProxy(int page) {
  const hosts::PageControl* control = c_.WB.Page(page);
  if (!control) return;
  const toolbar::Tool* checked = GetCheckedProxyTool();
  const std::string proxy = checked ? checked->caption : std::string();
  const std::string host = HostPart(control->LocationURL());
  if (Connection* connection = CommandConnection()) Skipping([&] { connection->addToNonProxy(proxy, host); });
}

void ProxyMenu::ShowConnectionPanel() {
  const std::string version = shell::VersionText();
  if (Connection* connection = CommandConnection()) Skipping([&] { connection->ShowWindow(&c_.txt_status, version); });
}

void ProxyMenu::CleanPrivateData(bool cookies, bool temp_files, bool history) {
  const std::string version = shell::VersionText();
  if (Connection* connection = CommandConnection())
    Skipping([&] { connection->delTemp(cookies, temp_files, history, &c_.txt_status, version); });
}

bool ProxyMenu::InBlackList(const std::string& address) {
  bool blocked = false;
  if (Connection* connection = EnsureConnection()) Skipping([&] { blocked = connection->inBlackList(address); });
  return blocked;
}

}  // namespace zor::commands
