// A bound that several things share, such as the pixels of all the pictures of one use: each takes
// its part while what is left allows it.
#pragma once
#include <cstdint>

namespace vt {

class TBudget {
public:
  explicit TBudget(int64_t total) : left_(total) {}

  bool Fits(int64_t cost) const { return cost >= 0 && cost <= left_; }
  // Takes `cost` when it fits; false, taking nothing, when it does not.
  bool Take(int64_t cost) {
    if (!Fits(cost)) return false;
    left_ -= cost;
    return true;
  }

private:
  int64_t left_;
};

}  // namespace vt
