#include "hosts/webkit/memory_trim.h"

#include <glib.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace zor::webkit {

void TrimFreedMemorySoon() {
#if defined(__GLIBC__)
  static guint pending = 0;
  if (pending) return;
  pending = g_timeout_add_full(G_PRIORITY_LOW, 1000,
                               +[](gpointer) -> gboolean {
                                 pending = 0;
                                 malloc_trim(0);
                                 return G_SOURCE_REMOVE;
                               },
                               nullptr, nullptr);
#endif
}

}  // namespace zor::webkit
