// Feeds arbitrary bytes to the skin loader. A layout that loads is walked in full and
// must keep the promises the views rely on: every tool knows its band, every submenu
// opens an existing popup without leading back to itself, every child band hangs in a
// side bar. A failed load must leave the layout loaded before untouched.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>

#include "hosts/toolbar/toolbar.h"

using namespace zor::toolbar;

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

// `fresh`: straight from the loader, before run-time removals could orphan references.
void walk(ToolbarControl& c, bool fresh) {
  size_t touched = 0;
  for (const auto& band : c.bands()) {
    check(c.band(band->name) != nullptr);
    check(band->control() == &c);
    touched += band->caption.size() + band->parent.size();
    if (fresh && band->type == kChildBand) {
      const Band* parent = c.band(band->parent);
      check(parent && parent->type == kSideBar);
    }
    for (Band* child : band->childBands()) check(child->parent == band->name);
    if (Band* current = band->currentChild()) check(current->parent == band->name);
    for (const auto& tool : band->tools()) {
      check(tool->band() == band.get());
      check(band->tools().item(tool->name) != nullptr);
      touched += tool->caption.size() + tool->tooltip.size() + tool->tag.size() + tool->image.size();
      // Follow the submenu chain the way a view opening nested menus would.
      std::unordered_set<const Band*> seen{band.get()};
      for (const std::string* next = &tool->submenu; fresh && !next->empty();) {
        const Band* menu = c.band(*next);
        check(menu && menu->type == kPopup);
        check(seen.insert(menu).second);
        next = nullptr;
        for (const auto& t : menu->tools())
          if (!t->submenu.empty()) {
            next = &t->submenu;
            break;
          }
        if (!next) break;
      }
    }
  }
  for (const auto& tool : c.tools()) check(tool->band() == nullptr);
  check(c.allTools().size() >= static_cast<size_t>(c.tools().count()));
  (void)touched;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  ToolbarControl c;
  check(c.loadLayoutText("tb2 1\nband keep\n tool kept\n", "base.tb2"));
  Tool* kept = c.tool("keep", "kept");
  std::string error;
  if (!c.loadLayoutText(text, "fuzz.tb2", &error)) {
    check(error.rfind("fuzz.tb2:", 0) == 0);
    check(c.bandCount() == 1 && c.tool("keep", "kept") == kept && kept->band() == c.band("keep"));
    return 0;
  }
  check(error.empty());
  walk(c, true);
  // Side-bar switching and run-time removal on the loaded layout.
  for (const auto& band : c.bands())
    for (Band* child : band->childBands()) band->setCurrentChild(child);
  if (c.bandCount() > 0) {
    c.removeBand(c.bandAt(0)->name);
    walk(c, false);
  }
  return 0;
}
