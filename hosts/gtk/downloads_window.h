// The downloads window: a list of rows the logic describes (name, progress, detail) with
// Cancel, Open and Show in Folder. Closing it only hides it; it keeps its rows.
#pragma once

#include <gtkmm.h>

#include <map>
#include <string>
#include <vector>

#include "hosts/downloads.h"

namespace zor::gtk {

class DownloadsWindow : public hosts::DownloadsView {
 public:
  DownloadsWindow();
  ~DownloadsWindow() override;
  DownloadsWindow(const DownloadsWindow&) = delete;
  DownloadsWindow& operator=(const DownloadsWindow&) = delete;

  void Present() override;
  void Update(const hosts::DownloadsTexts& texts, const std::vector<hosts::DownloadRow>& rows) override;
  void OpenFile(const std::string& path) override;
  void ShowInFolder(const std::string& path) override;

  Gtk::Window& window() { return window_; }
  // For tests: the rows as last drawn, and a row's buttons as the user would press them.
  const std::vector<hosts::DownloadRow>& Shown() const { return shown_; }
  Gtk::Button* CancelButton(int id);

 private:
  struct Row {
    Gtk::ListBoxRow* row = nullptr;
    Gtk::Label* name = nullptr;
    Gtk::Label* detail = nullptr;
    Gtk::ProgressBar* progress = nullptr;
    Gtk::Button* cancel = nullptr;
    Gtk::Button* open = nullptr;
    Gtk::Button* show = nullptr;
  };
  Row& Make(int id, int position);

  Gtk::Window window_;
  Gtk::ScrolledWindow scroller_;
  Gtk::ListBox list_;
  Gtk::Label none_;
  std::map<int, Row> rows_;
  std::vector<hosts::DownloadRow> shown_;
};

}  // namespace zor::gtk
