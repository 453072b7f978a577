#include "hosts/webkit/memory_trim.h"

#include <glib.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>

namespace zor::webkit {

void TrimFreedMemorySoon() {
#if defined(__GLIBC__)
  // A trim walks the whole heap: a few milliseconds at start-up, more with many pages, so
  // while pages keep loading it runs at most every ten seconds.
  constexpr gint64 kDelayMs = 1000, kIntervalMs = 10000;
  static guint pending = 0;
  static gint64 last_ms = -kIntervalMs;
  if (pending) return;
  const gint64 since_ms = g_get_monotonic_time() / 1000 - last_ms;
  const gint64 delay_ms = std::max(kDelayMs, kIntervalMs - since_ms);
  pending = g_timeout_add_full(G_PRIORITY_LOW, static_cast<guint>(delay_ms),
                               +[](gpointer) -> gboolean {
                                 pending = 0;
                                 malloc_trim(0);
                                 last_ms = g_get_monotonic_time() / 1000;
                                 return G_SOURCE_REMOVE;
                               },
                               nullptr, nullptr);
#endif
}

}  // namespace zor::webkit
