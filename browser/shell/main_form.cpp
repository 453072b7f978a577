#include "browser/shell/main_form.h"

#include <cstdlib>
#include <utility>

#include "common/files.h"

namespace zor::shell {

std::string VersionText() {
  return std::to_string(ZOR_VERSION_MAJOR) + "." + std::to_string(ZOR_VERSION_MINOR) + "." +
         std::to_string(ZOR_VERSION_PATCH);
}

MainForm::MainForm(toolbar::ToolbarControl& toolbar, hosts::PageHost& pages, hosts::MainWindowHost& main_window,
                   std::string program_folder)
    : ab_Main(toolbar),
      WB(pages),
      window(main_window),
      program_folder_(std::move(program_folder)),
      folder_path_(zor::FolderPath(program_folder_)) {
  PageAtPosition.set(1, 1);
}

std::string MainForm::LngFile() const { return folder_path_ + "lng.ini"; }
std::string MainForm::BrowserIni() const { return folder_path_ + "Browser.ini"; }
std::string MainForm::LastPagesIni() const { return folder_path_ + "LastPages.ini"; }

bool MainForm::FullScreen() const {
  const toolbar::Tool* tool = ab_Main.tool("tb_Main", "b_fullscreen");
  return tool && tool->checked;
}

int MainForm::TabCount() const {
  const toolbar::Band* tabs = ab_Main.band("tb_Tabs");
  return tabs ? tabs->tools().count() : 0;
}

toolbar::Tool* MainForm::AddBandTool(const std::string& band_name, const std::string& name, int id,
                                     const std::string& control_type, const std::string& caption, bool with_image) {
  toolbar::Band* band = ab_Main.band(band_name);
  if (!band) return nullptr;
  // Created apart and inserted as a copy: the band holds the tool from now on, so
  // rebuilding a menu never piles tools up in the control's own list.
  toolbar::Tool tool(id, name);
  tool.caption = caption;
  tool.control_type = std::atoi(control_type.c_str());
  if (with_image) tool.image = PageIconImage;
  return band->tools().insert(-1, tool);
}

}  // namespace zor::shell
