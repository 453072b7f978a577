// The Connection interface of the Corvane library: proxy list, black list and the
// privacy cleaner. The browser loads the library at run time and talks to it only
// through this class; any number of objects share the library's one panel.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zor {

class StatusBox;

class Connection {
 public:
  virtual ~Connection() = default;

  // Methods in slot order. Failures are thrown as std::exception.
  virtual void ShowWindow(StatusBox* myhwnd, const std::string& version) = 0;
  // Appends the proxy entries, in list order, to `c` (not cleared first).
  virtual void GetProxyList(std::vector<std::string>& c) = 0;
  virtual bool setProxy(const std::string& ip) = 0;  // always false
  virtual bool inBlackList(const std::string& s) = 0;
  virtual void delTemp(bool cookies, bool temp_files, bool history, StatusBox* myhwnd,
                       const std::string& version) = 0;
  virtual void addtoHei(const std::string& s) = 0;
  virtual void addToNonProxy(const std::string& ip, const std::string& nonip) = 0;
};

// The process proxy setting as the library writes and reads it.
struct ProxyRecord {
  static constexpr uint32_t kDirect = 1;
  static constexpr uint32_t kProxy = 3;
  uint32_t access_type = kDirect;
  std::string proxy;   // "http=" + entry, or empty
  std::string bypass;  // blank-separated hosts, ending with "<local>"
  bool operator==(const ProxyRecord&) const = default;
};

// What the browser lends the library: its web engine's proxy setting, its message box
// and its website data. New members go at the end. Unset members fall back to the
// library's own behaviour (a record kept in the library, no message shown, nothing of the
// engine's cleaned).
struct ConnectionServices {
  // Puts the record in force for the browser's web traffic; false when refused.
  std::function<bool(const ProxyRecord&)> applyProxy;
  // The record in force (as last applied).
  std::function<std::optional<ProxyRecord>()> queryProxy;
  // A warning with an exclamation icon and an OK button.
  std::function<void(const std::string& text, const std::string& title)> warn;

  // The engine's website data, for the privacy cleaner. Kinds are WebsiteData bits. Each
  // call is answered before it returns (the engine's own calls are waited for).
  // Names of the sites that hold data of any of the kinds.
  std::function<std::vector<std::string>(uint32_t kinds)> fetchWebsiteData;
  // Removes the data of the kinds held by the named sites; false when the engine failed.
  std::function<bool(uint32_t kinds, const std::vector<std::string>& sites)> removeWebsiteData;
  // The profile's cookie folder, absolute; empty when the profile has none.
  std::function<std::string()> cookieFolder;
  // Clears the browser's URL history and the engine's record of visited pages; an error
  // text, or empty when done.
  std::function<std::string()> clearHistory;
};

// Kinds of website data lent through ConnectionServices.
namespace WebsiteData {
inline constexpr uint32_t kCookies = 1;
inline constexpr uint32_t kDiskCache = 2;
inline constexpr uint32_t kMemoryCache = 4;
}  // namespace WebsiteData

// Name of the factory symbol the library exports:
//   `zor::Connection* zor_create_connection(const zor::ConnectionServices* services)`.
// The library keeps the services of the latest call for its one panel; nullptr keeps
// what it had.
inline constexpr const char* kConnectionFactorySymbol = "zor_create_connection";
using ConnectionFactory = Connection* (*)(const ConnectionServices* services);

}  // namespace zor
