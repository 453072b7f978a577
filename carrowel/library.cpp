// The library's entry point: the factory the browser finds by name after loading us.
#include <cstring>

#include "carrowel/basket.h"
#include "common/files.h"
#ifdef ZOR_CARROWEL_GTK
#include "carrowel/gtk/basket_window.h"
#endif

extern "C" __attribute__((visibility("default"))) zor::DispatchObject* zor_create_object(const char* class_name) {
  if (!class_name || std::strcmp(class_name, zor::kBasketClass) != 0) return nullptr;
  zor::carrowel::BasketEnvironment& env = zor::carrowel::Environment();
  if (env.library_folder.empty()) {
    env.library_folder = zor::LoadedFileFolder(reinterpret_cast<const void*>(&zor_create_object));
#ifdef ZOR_CARROWEL_GTK
    env.makeView = zor::carrowel::MakeBasketWindow;
#endif
  }
  return new zor::carrowel::BasketObject();
}
