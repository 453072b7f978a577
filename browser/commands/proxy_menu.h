// The proxy menu (band sub_Proxylist): Corvane's proxy list with the proxy in use checked,
// and the browser's other calls into Corvane.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "browser/shell/chrome.h"
#include "common/connection.h"

namespace zor::commands {

// Host part of an address: after the first "//" up to the next "/" (an address without
// "//" gives the text from its second character up to its first "/").
std::string HostPart(const std::string& address);

class ProxyMenu {
 public:
  explicit ProxyMenu(shell::Chrome& chrome) : c_(chrome) {}

  // Creates a Corvane Connection; returns nullptr when the library is not available.
  std::function<std::unique_ptr<Connection>()> createConnection;
  std::unique_ptr<Connection> ConnectionObject;

  // Every call creates ConnectionObject when it is empty; without the library the
  // Corvane step is skipped.
  Connection* EnsureConnection();
  // The loader's reason why the library could not be loaded. The first command of the
  // user's that needs the library says it once; the automatic calls (menu builds, the
  // navigation check) stay silent, as does everything after that first message.
  void LibraryFailed(const std::string& reason) { library_error_ = reason; }
  // The proxy menu as built at start-up from the saved proxy.
  void BuildStartupProxyMenu(const std::string& proxy_ip);
  toolbar::Tool* GetCheckedProxyTool() const;
  // Rebuild of the proxy menu when "ZOR_proxychange" arrives; releases the connection.
  void BuildProxyMenu();
  // A click on a proxy-menu tool (name beginning with "Proxy").
  void PickProxy(toolbar::Tool& tool);
  // "b_addtohei" and "b_addtononproxy" on the given page (context page or current page).
  void AddToBlackList(int page);
  void AddToNonProxy(int page);
  // "b_setup": the control panel; "b_delcookie", "b_deltempfiles", "b_delhistory": its cleaner.
  void ShowConnectionPanel();
  void CleanPrivateData(bool cookies, bool temp_files, bool history);
  // The navigation check while "b_killpop" is on: true when Corvane blocks the address.
  bool InBlackList(const std::string& address);

 private:
  void AddProxyTools(Connection* connection, const std::optional<std::string>& checked);
  // EnsureConnection for a command the user gave.
  Connection* CommandConnection();

  shell::Chrome& c_;
  std::string library_error_;
  bool library_error_told_ = false;
};

}  // namespace zor::commands
