// The proxy menu (band sub_Proxylist): Corvane's proxy list with the proxy in use checked.
#include <exception>
#include <vector>

#include "browser/shell/main_form.h"

namespace zor::shell {

toolbar::Tool* MainForm::GetCheckedProxyTool() const {
  const toolbar::Band* band = ab_Main.band("sub_Proxylist");
  if (!band) return nullptr;
  for (const auto& tool : band->tools())
    if (tool->checked) return tool.get();
  return nullptr;
}

void MainForm::BuildStartupProxyMenu(const std::string& proxy_ip) {
  if (!ConnectionObject && createConnection) {
    try {
      ConnectionObject = createConnection();
    } catch (const std::exception&) {
      ConnectionObject.reset();
    }
  }
  // Without the library the menu still offers the direct connection.
  try {
    if (ConnectionObject) ConnectionObject->setProxy(proxy_ip);
  } catch (const std::exception&) {
  }
  if (toolbar::Tool* direct = AddBandTool("sub_Proxylist", "Proxy1", 3011, "0", "Empty", false))
    direct->checked = proxy_ip.empty();
  AddBandTool("sub_Proxylist", "spe_sProxy1", 3012, "5", "", false);
  std::vector<std::string> proxies;
  try {
    if (ConnectionObject) ConnectionObject->GetProxyList(proxies);
  } catch (const std::exception&) {
  }
  for (size_t i = 1; i <= proxies.size(); ++i) {
    const std::string& entry = proxies[i - 1];
    toolbar::Tool* tool = AddBandTool("sub_Proxylist", "Proxy" + std::to_string(i + 1),
                                      3012 + static_cast<int>(i), "0", entry, false);
    if (tool) tool->checked = entry == proxy_ip;
  }
  ConnectionObject.reset();
}

}  // namespace zor::shell
