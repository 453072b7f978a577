// The proxy record built from the panel's texts, and the no-proxy addresses read back
// from the record in force.
#pragma once

#include <optional>
#include <string>

#include "common/connection.h"

namespace zor::corvane {

// txtAddresses ("a;b") and the chosen entry (or empty) as the record to put in force:
// "http=" + a valid entry through the proxy, anything else direct; the bypass list is
// the addresses separated by blanks with "<local>" last.
ProxyRecord BuildProxyRecord(const std::string& addresses, const std::string& ip);

// The addresses of a bypass text in force, without "<local>", joined by ";"; nullopt
// when nothing is left, so the box keeps what it holds.
std::optional<std::string> AddressesFromBypass(const std::string& bypass);

}  // namespace zor::corvane
