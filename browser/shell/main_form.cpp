#include "browser/shell/main_form.h"

#include <utility>

#include "common/files.h"

namespace zor::shell {

std::string VersionText() {
  return std::to_string(ZOR_VERSION_MAJOR) + "." + std::to_string(ZOR_VERSION_MINOR) + "." +
         std::to_string(ZOR_VERSION_PATCH);
}

ProgramFiles::ProgramFiles(std::string program_folder)
    : program_folder_(std::move(program_folder)),
      folder_path_(zor::FolderPath(program_folder_)),
      paths_(program_folder_) {}

int FormPageShell::OpenPage(const std::string& url, bool shown) {
  tabs_.AddNewPage(url, shown);
  return tabs_.LastPageIndex;
}

void FormPageShell::ClosePageOf(int page) {
  bool keep = false;
  tabs_.OnWindowClosing(page, keep);
}

bool FormPageShell::TakeSkipContextMenu() {
  const bool skip = c_.SkipNextContextMenu;
  c_.SkipNextContextMenu = false;
  return skip;
}

MainForm::MainForm(toolbar::ToolbarControl& toolbar, hosts::PageHost& pages, hosts::MainWindowHost& window,
                   std::string program_folder)
    : chrome(toolbar, pages, window, std::move(program_folder)),
      progress(window),
      tabs(chrome, progress),
      tabMenu(chrome),
      address(chrome, tabs),
      layout(chrome, tabs, address),
      edit(chrome, tabs),
      bands(chrome, tabs, tabMenu, edit),
      proxies(chrome),
      zoom(chrome, tabs),
      settings(chrome, tabs, proxies),
      recovery(chrome, tabs),
      exit(chrome, tabs, layout, settings, recovery),
      pageReports(chrome, tabs, address, layout),
      dispatcher({chrome, tabs, tabMenu, progress, address, layout, exit, settings, bands, edit, proxies, zoom}),
      statusCommands(chrome, tabs),
      protection(page_shell_),
      downloads(page_shell_),
      page_shell_(chrome, tabs, proxies) {}

}  // namespace zor::shell
