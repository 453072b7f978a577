#include "browser/shell/progress_area.h"

#include <cstdint>

namespace zor::shell {

int ProgressPercent(long progress, long progress_max) {
  if (progress < progress_max && progress_max > 0) {
    // 64-bit product: any 32-bit progress times 100 fits.
    const std::int64_t num = static_cast<std::int64_t>(progress) * 100;
    const std::int64_t den = progress_max;
    std::int64_t q = num / den, r = num % den;
    if (r < 0) {
      r += den;
      q -= 1;
    }
    if (2 * r > den || (2 * r == den && (q % 2 != 0))) q += 1;
    return static_cast<int>(q);
  }
  return progress == 0 ? 0 : 100;
}

void ProgressArea::Draw(int percent, bool busy) {
  const bool idle = percent == 0 && !busy;
  // The bar is drawn only while the window is on screen; the label keeps the last figure.
  const bool drawn = percent >= 0 && percent <= 100 && window_.IsVisible();
  if (drawn) PercentText = std::to_string(percent) + "%";
  lbl_Inf = idle ? std::string() : PercentText;
  window_.DrawProgress(drawn ? percent : 0, !idle, lbl_Inf);
}

void ProgressArea::Clear(bool loading) {
  lbl_Inf.clear();
  window_.DrawProgress(0, loading, lbl_Inf);
}

}  // namespace zor::shell
