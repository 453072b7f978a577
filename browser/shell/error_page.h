// The program's own page for a load that failed: what went wrong in plain words, the
// address, and a button that tries the address again. Texts come from the language file.
#pragma once

#include <string>
#include <string_view>

#include "hosts/page_control.h"

namespace zor::shell {

// The language file's key for what went wrong.
const char* ErrorTextKey(hosts::LoadError error);

// The page for `url`, whose load failed with `error`; `detail` is the engine's own words.
std::string ErrorPageHtml(const std::string& lng_file, hosts::LoadError error, const std::string& url,
                          const std::string& detail);

}  // namespace zor::shell
