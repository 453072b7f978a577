// Corvane's list files (proxylist.ini, blacklist.ini) from arbitrary bytes: every entry
// survives a write and a read, the prepared black list gives the plain test's verdict for
// any address, and each entry builds a proxy record whose addresses read back.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "corvane/black_list.h"
#include "corvane/lists.h"
#include "corvane/proxy_settings.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zor::corvane;
  FuzzedDataProvider in(data, size);
  const std::string address = in.ConsumeRandomLengthString(200);
  const std::string addresses = in.ConsumeRandomLengthString(64);
  const std::vector<std::string> entries = SplitListText(in.ConsumeRemainingBytesAsString());

  std::string written;
  for (const std::string& entry : entries) {
    Check(entry.find_first_of("\r\n") == std::string::npos);
    written += entry + "\r\n";
  }
  Check(SplitListText(written) == entries);

  const BlackList prepared(entries);
  Check(prepared.Blocks(address) == CheckInHei(entries, address));
  // The entries themselves as addresses reach the exact-search step of the plain test.
  for (size_t i = 0; i < entries.size() && i < 8; ++i)
    Check(prepared.Blocks(entries[i]) == CheckInHei(entries, entries[i]));

  for (size_t i = 0; i < entries.size() && i < 8; ++i) {
    const zor::ProxyRecord record = BuildProxyRecord(addresses, entries[i]);
    Check((record.access_type == zor::ProxyRecord::kProxy) == CheckProxy(entries[i]));
    Check(record.bypass.size() >= 7 && record.bypass.compare(record.bypass.size() - 7, 7, "<local>") == 0);
    if (const auto back = AddressesFromBypass(record.bypass)) {
      Check(back->find(' ') == std::string::npos);
      Check(BuildProxyRecord(*back, entries[i]).bypass.size() <= record.bypass.size());
    }
  }
  return 0;
}
