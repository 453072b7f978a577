// Text placed into HTML the program writes itself (its error page, exported bookmarks).
#pragma once

#include <string>
#include <string_view>

namespace zor {

// Text made safe to stand in HTML text and quoted attribute values.
std::string EscapeHtml(std::string_view text);

}  // namespace zor
