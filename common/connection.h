// The Connection interface of the Corvane library: proxy list, black list and the
// privacy cleaner. The browser loads the library at run time and talks to it only
// through this class; any number of objects share the library's one panel.
#pragma once

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

// Name of the factory symbol the library exports: `zor::Connection* zor_create_connection()`.
inline constexpr const char* kConnectionFactorySymbol = "zor_create_connection";

}  // namespace zor
