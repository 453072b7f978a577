// Corvane's Connection: each method drives the one panel of the library, loading it hidden
// when needed and closing it again afterwards unless the user has it open.
#pragma once

#include "common/connection.h"
#include "corvane/panel.h"

namespace zor::corvane {

class CorvaneConnection : public Connection {
 public:
  explicit CorvaneConnection(Corvane& library) : library_(library) {}

  void ShowWindow(StatusBox* myhwnd, const std::string& version) override;
  void GetProxyList(std::vector<std::string>& c) override;
  bool setProxy(const std::string& ip) override;
  bool inBlackList(const std::string& s) override;
  void delTemp(bool cookies, bool temp_files, bool history, StatusBox* myhwnd,
               const std::string& version) override;
  void addtoHei(const std::string& s) override;
  void addToNonProxy(const std::string& ip, const std::string& nonip) override;

 private:
  Corvane& library_;
};

}  // namespace zor::corvane
