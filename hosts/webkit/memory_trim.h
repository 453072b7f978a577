#pragma once

namespace zor::webkit {

// Hands the heap's free pages back to the system a second after a page finished loading or
// went away. Loads and closed pages leave much freed memory behind (the engine's and the
// software renderer's work space) that the allocator would otherwise keep for good.
// Calls before it runs share one trim; trims are at least ten seconds apart.
void TrimFreedMemorySoon();

}  // namespace zor::webkit
