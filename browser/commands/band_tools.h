// Adding tools to a band at run time (the proxy menu, the blocked pages menu).
#pragma once

#include <string>

#include "hosts/toolbar/toolbar.h"

namespace zor::commands {

// Adds one tool to the end of a band (control type "0" button, "5" separator), showing
// `image` when one is given; nullptr when there is no such band.
toolbar::Tool* AddBandTool(toolbar::ToolbarControl& bars, const std::string& band, const std::string& name, int id,
                           const std::string& control_type, const std::string& caption, const std::string& image = {});

}  // namespace zor::commands
