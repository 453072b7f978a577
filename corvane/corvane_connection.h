// Corvane's Connection: every method works through the one process-wide panel.
#pragma once

#include "common/connection.h"

namespace zor::corvane {

class CorvaneConnection : public Connection {
 public:
  void ShowWindow(StatusBox* myhwnd, const std::string& version) override;
  void GetProxyList(std::vector<std::string>& c) override;
  bool setProxy(const std::string& ip) override;
  bool inBlackList(const std::string& s) override;
  void delTemp(bool cookies, bool temp_files, bool history, StatusBox* myhwnd, const std::string& version) override;
  void addtoHei(const std::string& s) override;
  void addToNonProxy(const std::string& ip, const std::string& nonip) override;
};

}  // namespace zor::corvane
