// The basket's GTK window. Only the factory is seen from outside; the library sets it as
// the basket's view maker when it is loaded into a program that runs GTK.
#pragma once

#include <memory>

#include "carrowel/basket.h"

namespace zor::carrowel {

// The window of `basket`, or nullptr when the process has no GTK display.
std::unique_ptr<BasketView> MakeBasketWindow(Basket& basket);

// The title of the basket's window.
inline constexpr const char* kBasketTitle = "ZOR-BROWSER";

}  // namespace zor::carrowel
