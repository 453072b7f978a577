// The toolbar control's view: records what the control asks of it.
#pragma once

#include <string>
#include <vector>

#include "hosts/toolbar/toolbar.h"

namespace zor::fakes {

class FakeToolbarView : public toolbar::ToolbarView {
 public:
  void recalcLayout() override {
    ++layouts;
    calls.push_back("recalc");
  }
  void redraw() override {
    ++redraws;
    calls.push_back("redraw");
  }
  void popupMenu(toolbar::Band& band) override {
    popups.push_back(band.name);
    calls.push_back("popup " + band.name);
  }
  void structureChanged() override { calls.push_back("structure"); }

  int layouts = 0;
  int redraws = 0;
  std::vector<std::string> popups;
  std::vector<std::string> calls;  // every request, in order
};

}  // namespace zor::fakes
