// A table indexed by tab position or page index.
#pragma once

#include <vector>

namespace zor::shell {

// Grows on write and reads as the default past its end, so no sequence of opens ever
// writes outside it.
template <typename T>
class GrowTable {
 public:
  T get(int i) const { return i >= 0 && i < static_cast<int>(v_.size()) ? v_[i] : T{}; }
  void set(int i, T value) {
    if (i < 0) return;
    if (i >= static_cast<int>(v_.size())) v_.resize(i + 1);
    v_[i] = value;
  }

 private:
  std::vector<T> v_;
};

}  // namespace zor::shell
