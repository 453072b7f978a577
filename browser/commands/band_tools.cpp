#include "browser/commands/band_tools.h"

#include <cstdlib>

namespace zor::commands {

toolbar::Tool* AddBandTool(toolbar::ToolbarControl& bars, const std::string& band_name, const std::string& name, int id,
                           const std::string& control_type, const std::string& caption, const std::string& image) {
  toolbar::Band* band = bars.band(band_name);
  if (!band) return nullptr;
  // Created apart and inserted as a copy: the band holds the tool from now on, so
  // rebuilding a menu never piles tools up in the control's own list.
  toolbar::Tool tool(id, name);
  tool.caption = caption;
  tool.control_type = std::atoi(control_type.c_str());
  tool.image = image;
  return band->tools().insert(-1, tool);
}

}  // namespace zor::commands
